// The Redis backend's connections: one hiredis context per thread, made on first use.
#ifndef SRV6DB_ENGINE_REDIS_CONNECTION_H
#define SRV6DB_ENGINE_REDIS_CONNECTION_H

#include <hiredis/hiredis.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace srv6db::engine::redis {

struct Endpoint {
  std::string host;
  int port = 6379;
};

struct Url {
  bool unixSocket = false;
  std::string host;  // or the socket path
  int port = 6379;
  int db = 0;
  std::string user;      // empty: the default user
  std::string password;  // from the URL; SetServer adds the file's or the environment's
  bool hasPassword = false;
  std::string passwordFile;
  std::vector<Endpoint> sentinels;  // non-empty: ask these for the primary named `service`
  std::string service;
  bool replicaReads = false;  // reads, counts and walks on a replica the sentinels name
  int wait = 0;               // replicas that must hold each write before it is acknowledged
  int waitMs = 1000;
};

// "redis://[user[:password]@]host[:port][/db]", "unix://[user[:password]@]/path" or
// "redis+sentinel://[user[:password]@]host:port[,host:port...]/service[/db]", each with the
// options ?db=N (unix), password_file=PATH, wait=N, wait_ms=T, replica=1 (sentinel). False
// for anything else.
bool ParseUrl(const char *text, Url *out);

// Remembers where the server is and the password (the URL's, else the password file's, else
// $SRV6DB_REDIS_PASSWORD); false (and every command then fails) when the URL is bad or its
// password file cannot be read.
bool SetServer(const char *text);

class Reply {
 public:
  Reply() = default;
  Reply(const Reply &) = delete;
  Reply &operator=(const Reply &) = delete;
  ~Reply() { Reset(nullptr); }
  void Reset(redisReply *r) {
    if (r_ != nullptr) freeReplyObject(r_);
    r_ = r;
  }
  redisReply *operator->() const { return r_; }
  redisReply *get() const { return r_; }

 private:
  redisReply *r_ = nullptr;
};

// Runs one command on the calling thread's connection, connecting first (authenticating,
// finding the primary through the sentinels, loading the function library when it is absent
// and the user may). A function named srv6db_* is called in this build's version. Answers 0
// with the reply, or SRV6DB_ENGINE_ERR_BAD_URL, _UNAVAILABLE (a lost connection is dropped:
// the next call reconnects; also "loading" and, for a write with ?wait=, too few replicas),
// _AUTH, _NO_PERMISSION, _NO_LIBRARY or _SERVER (another error reply). An idempotent command
// that meets a connection lost while idle is sent once more on a fresh one within the same 2 s;
// a write is never resent unless the server refused it as read-only (a failover under way).
uint32_t Command(int argc, const char *const *argv, const size_t *lens, bool idempotent,
                 Reply *out) noexcept;

// Runs a blocking command (XREAD BLOCK waitMs) on the calling thread's second connection,
// whose reply may take waitMs beyond the usual 2 s: a blocked read neither trips the timeout
// that ends other calls with _UNAVAILABLE nor holds their connection. Never resent.
uint32_t BlockingCommand(int argc, const char *const *argv, const size_t *lens, uint32_t waitMs,
                         Reply *out) noexcept;

// Loads this build's function library and deletes every other version (an administrator's
// act, once no process runs an older build).
uint32_t LoadFunctions() noexcept;

// The generated function library, its version (a hash of its text) and the suffix its
// function names carry.
const std::string &LibraryCode();
const std::string &LibraryVersion();
const std::string &FunctionSuffix();

}  // namespace srv6db::engine::redis

#endif  // SRV6DB_ENGINE_REDIS_CONNECTION_H
