#pragma once
// A web root served by lighttpd through scripts/serve, as ./run serves it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "child_process.h"

namespace sd::testing {

// scripts/serve in its own process group; stopping it always ends the whole group.
class Server {
 public:
  Server(const std::string& www, int port) : port_(port) {
    const std::string serve = std::string(STOCKDYN_SOURCE_DIR) + "/scripts/serve";
    const std::string port_text = std::to_string(port);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char* argv[] = {const_cast<char*>(serve.c_str()), const_cast<char*>(www.c_str()),
                    const_cast<char*>(port_text.c_str()), nullptr};
    char* envp[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"), nullptr};
    if (posix_spawn(&pid_, argv[0], &actions, &attr, argv, envp) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
  }
  ~Server() { Stop(); }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // True once the server answers, within the bound; false when it died or never answered.
  bool WaitUntilUp(double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      if (HttpGet(port_, "/", {}, 1.0).status != 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(-pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    kill(-pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

  int port() const { return port_; }

 private:
  int port_;
  pid_t pid_ = -1;
};

// A server for the web root on a free port, or null when none came up (a port found free can
// be taken before the server binds it, so a few are tried).
inline std::unique_ptr<Server> StartServer(const std::string& www) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const int port = FreeLoopbackPort();
    if (port == 0) continue;
    auto server = std::make_unique<Server>(www, port);
    if (server->WaitUntilUp(15.0)) return server;
  }
  return nullptr;
}

}  // namespace sd::testing
