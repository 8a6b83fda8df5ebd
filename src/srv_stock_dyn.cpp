// srv_stock_dyn: the CGI program. A web server starts it once per request, with the request
// in QUERY_STRING; the page goes to standard output.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>

#include "cgi/request.h"
#include "host/picture_name.h"
#include "host/program_dir.h"

namespace {

// The one line a failure leaves; it must not need memory of its own (the failure may be that
// there is none).
void Report(const char* what) { std::fprintf(stderr, "srv_stock_dyn: %s\n", what); }

// So short of memory that not even the exception could be made: the runtime ends the process
// through terminate. It still ends as every failure does, a line and exit status 1, not an
// abort (and nothing has been written to stdout: the page goes out whole at the end).
[[noreturn]] void Terminated() {
  static const char kLine[] = "srv_stock_dyn: stopped: out of memory or an internal failure\n";
  (void)!::write(2, kLine, sizeof kLine - 1);
  ::_exit(1);
}

}  // namespace

int main() {
  // A crash must not leave a core file in the program directory (the server's working
  // directory): every failure is meant to end as a line on stderr and exit status 1.
  const rlimit no_core{0, 0};
  setrlimit(RLIMIT_CORE, &no_core);
  std::set_terminate(Terminated);
  // A client that hangs up must not kill the run halfway through writing its files.
  std::signal(SIGPIPE, SIG_IGN);
  // A full disk or a file-size limit must fail the picture's write, not kill the run before
  // the page: with the signal ignored the write reports EFBIG and the picture is dropped.
  std::signal(SIGXFSZ, SIG_IGN);
  int status = 1;
  try {
    // The picture-name memory lives for the whole process: read before the request, written
    // back at exit whatever the run did (its failures stay off the page).
    sd::host::PictureNameMemory picture_name;
    const std::string dir = sd::host::ProgramDir("");
    picture_name.Load(dir);
    try {
      status = sd::cgi::RunRequest(std::cout);
    } catch (const std::bad_alloc&) {
      Report("out of memory");
    } catch (const std::exception& e) {
      Report(e.what());
    }
    picture_name.Save(dir);
  } catch (const std::bad_alloc&) {
    Report("out of memory");
    status = 1;
  } catch (...) {
    Report("failed before the request could be served");
    status = 1;
  }
  return status;
}
