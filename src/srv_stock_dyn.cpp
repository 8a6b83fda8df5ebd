// srv_stock_dyn: the CGI program. A web server starts it once per request, with the request
// in QUERY_STRING; the page goes to standard output.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include "cgi/request.h"

int main() {
  // A client that hangs up must not kill the run halfway through writing its files.
  std::signal(SIGPIPE, SIG_IGN);
  try {
    return sd::RunRequest(std::cout);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "srv_stock_dyn: %s\n", e.what());
    return 1;
  }
}
