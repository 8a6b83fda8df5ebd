// srv_stock_dyn: the CGI program. A web server starts it once per request, with the request
// in QUERY_STRING; the page goes to standard output.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>

#include "cgi/program_dir.h"
#include "cgi/request.h"
#include "render/gif_output.h"

int main() {
  // A client that hangs up must not kill the run halfway through writing its files.
  std::signal(SIGPIPE, SIG_IGN);
  // A full disk or a file-size limit must fail the picture's write, not kill the run before
  // the page: with the signal ignored the write reports EFBIG and the picture is dropped.
  std::signal(SIGXFSZ, SIG_IGN);
  // The picture-name memory lives for the whole process: read before the request, written
  // back at exit whatever the run did (its failures stay off the page).
  sd::render::PictureNameMemory picture_name;
  picture_name.Load(sd::ProgramDir(""));
  int status = 1;
  try {
    status = sd::RunRequest(std::cout);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "srv_stock_dyn: %s\n", e.what());
  }
  std::cout.flush();
  picture_name.Save(sd::ProgramDir(""));
  return status;
}
