// A private redis-server for a test: a temporary directory, a Unix socket, no TCP port, an
// append-only file; it can be killed and started again on the same files.
#ifndef SRV6DB_TESTS_REDIS_REDIS_SERVER_H
#define SRV6DB_TESTS_REDIS_REDIS_SERVER_H

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

namespace srv6db::test {

class RedisServer {
 public:
  // In memory where the machine has it: an fsync per write (nothing acknowledged is lost when
  // the server is killed) then costs nothing.
  RedisServer() {
    char shm[] = "/dev/shm/srv6db-redis-XXXXXX", tmp[] = "/tmp/srv6db-redis-XXXXXX";
    const char *dir = mkdtemp(shm);
    dir_ = dir != nullptr ? dir : mkdtemp(tmp);
    Start();
  }
  ~RedisServer() {
    Kill(SIGTERM);
    std::system(("rm -rf " + dir_).c_str());
  }
  std::string Socket() const { return dir_ + "/redis.sock"; }
  std::string Url() const { return "unix://" + Socket(); }

  // Starts the server and waits until its log (read from a pipe) says it accepts connections.
  bool Start() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      std::string sock = Socket();
      execlp("redis-server", "redis-server", "--port", "0", "--unixsocket", sock.c_str(), "--dir",
             dir_.c_str(), "--appendonly", "yes", "--appendfsync", "always", "--save", "",
             "--logfile", "", nullptr);
      _exit(127);
    }
    close(fds[1]);
    FILE *log = fdopen(fds[0], "r");
    char line[1024];
    bool ready = false;
    while (!ready && std::fgets(line, sizeof(line), log) != nullptr)
      ready = std::strstr(line, "ready to accept connections") != nullptr;
    std::fclose(log);  // the server ignores SIGPIPE: later log lines are simply lost
    return ready;
  }
  void Kill(int sig) {
    if (pid_ <= 0) return;
    kill(pid_, sig);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  std::string dir_;
  pid_t pid_ = -1;
};

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
