// A private redis-server for a test: a temporary directory, a Unix socket, no TCP port, an
// append-only file; it can be killed and started again on the same files.
#ifndef SRV6DB_TESTS_REDIS_REDIS_SERVER_H
#define SRV6DB_TESTS_REDIS_REDIS_SERVER_H

#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace srv6db::test {

class RedisServer {
 public:
  // In memory where the machine has it: an fsync per write (nothing acknowledged is lost when
  // the server is killed) then costs nothing.
  // `extra` arguments override the defaults (a loopback TCP port, replicaof).
  explicit RedisServer(std::vector<std::string> extra = {}) : extra_(std::move(extra)) {
    char shm[] = "/dev/shm/srv6db-redis-XXXXXX", tmp[] = "/tmp/srv6db-redis-XXXXXX";
    const char *dir = mkdtemp(shm);
    dir_ = dir != nullptr ? dir : mkdtemp(tmp);
    Start();
  }
  ~RedisServer() {
    Kill(SIGKILL);  // its files go with it: nothing to save
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
      prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives the test
      dup2(fds[1], STDOUT_FILENO);
      close(fds[0]);
      std::vector<std::string> args = {"redis-server",
                                       "--port",
                                       "0",
                                       "--unixsocket",
                                       Socket(),
                                       "--dir",
                                       dir_,
                                       "--appendonly",
                                       "yes",
                                       "--appendfsync",
                                       "always",
                                       "--save",
                                       "",
                                       "--logfile",
                                       ""};
      args.insert(args.end(), extra_.begin(), extra_.end());
      std::vector<char *> argv;
      for (std::string &a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execvp("redis-server", argv.data());
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
  std::vector<std::string> extra_;
  std::string dir_;
  pid_t pid_ = -1;
};

// A TCP port free on the loopback address now.
inline int FreeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof(a);
  bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a));
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
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
