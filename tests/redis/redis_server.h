// A private redis-server for a test, run by scripts/redis-server: its own directory, a Unix
// socket (no TCP port unless asked), an append-only file synced on every write, so that nothing
// acknowledged is lost when the server is killed. The directories lie under
// $SRV6DB_REDIS_TEST_DIR, whose servers CTest's cleanup stops even when the test crashed.
#ifndef SRV6DB_TESTS_REDIS_REDIS_SERVER_H
#define SRV6DB_TESTS_REDIS_REDIS_SERVER_H

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace srv6db::test {

class RedisServer {
 public:
  // `extra`: more redis-server options (a loopback TCP port, replicaof); with `sentinel`, the
  // arguments of scripts/redis-server's sentinel command.
  explicit RedisServer(const std::string &extra = "", const char *command = "start")
      : extra_(std::strcmp(command, "start") == 0 ? "--appendfsync always " + extra : extra) {
    static int servers = 0;
    const char *base = std::getenv("SRV6DB_REDIS_TEST_DIR");
    dir_ = std::string(base != nullptr ? base : "/tmp/srv6db-redis-test") + "/" +
           std::to_string(getpid()) + "-" + std::to_string(servers++);
    EXPECT_TRUE(Run(command)) << dir_;
  }
  ~RedisServer() { Run("stop"); }
  std::string Socket() const { return dir_ + "/redis.sock"; }
  std::string Url() const { return "unix://" + Socket(); }
  // start, restart (on the same files), kill (SIGKILL), freeze, thaw or stop.
  bool Run(const char *command) const {
    const std::string line = std::string(SRV6DB_REDIS_SCRIPT) + " " + command + " " + dir_;
    return std::system((line + " " + extra_).c_str()) == 0;
  }

 private:
  std::string extra_, dir_;
};

// A loopback address of this process's own (all of 127.0.0.0/8 is loopback, and no two live
// processes share a pid): any port on it is free.
inline std::string OwnLoopbackAddress() {
  const unsigned pid = static_cast<unsigned>(getpid());
  return "127." + std::to_string(pid >> 16 & 255) + "." + std::to_string(pid >> 8 & 255) + "." +
         std::to_string(pid & 255);
}

// Runs fn in a child process; its exit status is fn's answer (0: all went well).
inline pid_t Spawn(const std::function<int()> &fn) {
  pid_t pid = fork();
  if (pid == 0) _exit(fn());
  return pid;
}

inline int Wait(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace srv6db::test

#endif  // SRV6DB_TESTS_REDIS_REDIS_SERVER_H
