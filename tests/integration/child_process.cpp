#include "child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace sd::testing {
namespace {

using Clock = std::chrono::steady_clock;

int MillisLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left < 0 ? 0 : static_cast<int>(left);
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                     double timeout_seconds) {
  ChildResult r;
  int out_pipe[2], err_pipe[2];
  if (pipe2(out_pipe, O_CLOEXEC) != 0 || pipe2(err_pipe, O_CLOEXEC) != 0) return r;

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);

  // The sanitizer build's settings (the leak suppressions of system libraries) reach the
  // children too; every other variable is the caller's choice.
  std::vector<std::string> full_env = env;
  for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
    if (const char* value = std::getenv(name)) full_env.push_back(std::string(name) + "=" + value);

  std::vector<char*> args, envp;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const auto& e : full_env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  close(err_pipe[1]);
  if (rc != 0) {
    close(out_pipe[0]);
    close(err_pipe[0]);
    r.err = std::string("cannot start ") + argv[0] + ": " + std::strerror(rc);
    return r;
  }

  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_seconds));
  pollfd fds[2] = {{out_pipe[0], POLLIN, 0}, {err_pipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open_fds = 2;
  char buf[65536];
  while (open_fds > 0) {
    const int left = MillisLeft(deadline);
    if (left == 0) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, left) < 0) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_fds;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) r.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

int FreeLoopbackPort() {
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = 0;
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

HttpReply HttpGet(int port, const std::string& target, const std::vector<std::string>& extra_headers,
                  double timeout_seconds) {
  HttpReply reply;
  const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_seconds));
  const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS) {
    close(s);
    return reply;
  }
  pollfd pf{s, POLLOUT, 0};
  if (poll(&pf, 1, MillisLeft(deadline)) != 1) {
    close(s);
    return reply;
  }
  int soerr = 0;
  socklen_t sl = sizeof soerr;
  getsockopt(s, SOL_SOCKET, SO_ERROR, &soerr, &sl);
  if (soerr != 0) {
    close(s);
    return reply;
  }
  std::string request = "GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
  for (const auto& h : extra_headers) request += h + "\r\n";
  request += "\r\n";
  size_t sent = 0;
  while (sent < request.size()) {
    pf = {s, POLLOUT, 0};
    if (poll(&pf, 1, MillisLeft(deadline)) != 1) break;
    const ssize_t n = send(s, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;
    sent += static_cast<size_t>(n);
  }
  std::string raw;
  char buf[65536];
  for (;;) {
    pf = {s, POLLIN, 0};
    if (poll(&pf, 1, MillisLeft(deadline)) != 1) break;
    const ssize_t n = recv(s, buf, sizeof buf, 0);
    if (n <= 0) break;
    raw.append(buf, static_cast<size_t>(n));
  }
  close(s);
  const size_t end = raw.find("\r\n\r\n");
  if (raw.compare(0, 5, "HTTP/") != 0 || end == std::string::npos) return reply;
  reply.headers = raw.substr(0, end);
  reply.body = raw.substr(end + 4);
  const size_t sp = raw.find(' ');
  reply.status = std::atoi(raw.c_str() + sp + 1);
  return reply;
}

const std::string kToolPath = std::string(STOCKDYN_BINARY_DIR) + "/stockdyn";

ChildResult RunTool(std::vector<std::string> args, double timeout_seconds) {
  args.insert(args.begin(), kToolPath);
  return RunChild(args, {"PATH=/usr/bin:/bin", "STOCKDYN_TEST_NOW=2026-03-07 09:05:30"}, timeout_seconds);
}

ChildResult RunToolOnTerminal(std::vector<std::string> args, double timeout_seconds) {
  args.insert(args.begin(), kToolPath);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string env_path = "PATH=/usr/bin:/bin", env_now = "STOCKDYN_TEST_NOW=2026-03-07 09:05:30";
  char* env[] = {env_path.data(), env_now.data(), nullptr};
  ChildResult r;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return r;
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, STDOUT_FILENO);
    execve(argv[0], argv.data(), env);
    _exit(127);
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<long>(timeout_seconds * 1000));
  char buf[4096];
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, MillisLeft(deadline)) <= 0) {
      r.timed_out = true;
      kill(pid, SIGKILL);
      break;
    }
    const ssize_t n = read(master, buf, sizeof buf);
    if (n <= 0) break;  // EIO once the child and its terminal are gone
    r.err.append(buf, static_cast<size_t>(n));
  }
  close(master);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) r.exit_status = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
  return r;
}

}  // namespace sd::testing
