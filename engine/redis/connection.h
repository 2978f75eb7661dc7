// The Redis backend's connections: one hiredis context per thread, made on first use.
#ifndef SRV6DB_ENGINE_REDIS_CONNECTION_H
#define SRV6DB_ENGINE_REDIS_CONNECTION_H

#include <hiredis/hiredis.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace srv6db::engine::redis {

struct Url {
  bool unixSocket = false;
  std::string host;  // or the socket path
  int port = 6379;
  int db = 0;
};

// "redis://host[:port][/db]" or "unix:///path[?db=N]"; false for anything else.
bool ParseUrl(const char *text, Url *out);

// Remembers where the server is; false (and every command then fails) when the URL is bad.
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

// Runs one command on the calling thread's connection, connecting first (and loading the
// function library when it is absent or outdated). Answers 0 with the reply, or
// SRV6DB_ENGINE_ERR_BAD_URL, _UNAVAILABLE (a lost connection is dropped: the next call
// reconnects) or _SERVER (an error reply). An idempotent command that meets a connection lost
// while idle is sent once more on a fresh one; a write is never resent.
uint32_t Command(int argc, const char *const *argv, const size_t *lens, bool idempotent,
                 Reply *out) noexcept;

// The generated function library and its version (a hash of its text).
const std::string &LibraryCode();
const std::string &LibraryVersion();

}  // namespace srv6db::engine::redis

#endif  // SRV6DB_ENGINE_REDIS_CONNECTION_H
