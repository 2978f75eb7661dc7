// One hiredis context per thread; connect, select the database, load the function library.
#include "engine/redis/connection.h"

#include <pthread.h>
#include <signal.h>
#include <sys/time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/srv6db_engine.h"

namespace srv6db::engine::redis {
namespace {

constexpr timeval kTimeout = {2, 0};

// Set by the load-time constructor that reads SRV6DB_ENGINE, so never a global with a
// constructor of its own (which could run after it).
Url &Server() {
  static Url *url = new Url;
  return *url;
}
bool g_urlValid = false;

struct Connection {
  redisContext *ctx = nullptr;
  ~Connection() { Drop(); }
  void Drop() {
    if (ctx != nullptr) redisFree(ctx);
    ctx = nullptr;
  }
};

thread_local Connection t_conn;

bool ParseInt(const char *s, int *out) {
  if (*s == '\0') return false;
  char *end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (*end != '\0' || v < 0 || v > 65535) return false;
  *out = static_cast<int>(v);
  return true;
}

bool IsError(const redisReply *r) { return r->type == REDIS_REPLY_ERROR; }

// Loads the library unless the server already has this version of it.
bool EnsureLibrary(redisContext *c) {
  Reply r;
  r.Reset(static_cast<redisReply *>(redisCommand(c, "FCALL_RO srv6db_version 0")));
  if (r.get() == nullptr) return false;
  if (r->type == REDIS_REPLY_STRING && LibraryVersion() == std::string(r->str, r->len)) return true;
  r.Reset(static_cast<redisReply *>(
      redisCommand(c, "FUNCTION LOAD REPLACE %b", LibraryCode().data(), LibraryCode().size())));
  if (r.get() == nullptr) return false;
  if (IsError(r.get())) std::fprintf(stderr, "srv6db engine: FUNCTION LOAD: %s\n", r->str);
  return !IsError(r.get());
}

// A child of fork must not share its parent's connection: it makes its own.
void ForgetInChild() { t_conn.Drop(); }

redisContext *Connect(uint32_t *code) {
  static const bool forkSafe = pthread_atfork(nullptr, nullptr, ForgetInChild) == 0;
  (void)forkSafe;
  const Url &url = Server();
  redisContext *c = url.unixSocket ? redisConnectUnixWithTimeout(url.host.c_str(), kTimeout)
                                   : redisConnectWithTimeout(url.host.c_str(), url.port, kTimeout);
  bool ok = c != nullptr && c->err == 0 && redisSetTimeout(c, kTimeout) == REDIS_OK;
  if (ok && url.db != 0) {
    Reply r;
    r.Reset(static_cast<redisReply *>(redisCommand(c, "SELECT %d", url.db)));
    ok = r.get() != nullptr && !IsError(r.get());
  }
  if (ok && !EnsureLibrary(c)) {
    *code = c->err != 0 ? SRV6DB_ENGINE_ERR_UNAVAILABLE : SRV6DB_ENGINE_ERR_SERVER;
    redisFree(c);
    return nullptr;
  }
  if (!ok) {
    *code = SRV6DB_ENGINE_ERR_UNAVAILABLE;
    if (c != nullptr) redisFree(c);
    return nullptr;
  }
  return c;
}

// Writing to a connection the server dropped raises SIGPIPE, which would end the process:
// it is blocked while a command runs, and one raised meanwhile is taken before it is
// unblocked (two system calls when the command succeeds).
class NoSigpipe {
 public:
  NoSigpipe() {
    sigemptyset(&pipe_);
    sigaddset(&pipe_, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe_, &old_);
  }
  ~NoSigpipe() {
    sigset_t pending;
    if (!succeeded && sigismember(&old_, SIGPIPE) == 0 && sigpending(&pending) == 0 &&
        sigismember(&pending, SIGPIPE) == 1) {
      const timespec now = {0, 0};
      sigtimedwait(&pipe_, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &old_, nullptr);
  }
  bool succeeded = false;  // at the first attempt: nothing can be pending

 private:
  sigset_t pipe_;
  sigset_t old_;
};

}  // namespace

bool ParseUrl(const char *text, Url *out) {
  if (text == nullptr) return false;
  std::string s(text);
  Url u;
  if (s.rfind("unix://", 0) == 0) {
    u.unixSocket = true;
    std::string rest = s.substr(7);
    size_t q = rest.find('?');
    u.host = rest.substr(0, q);
    if (q != std::string::npos) {
      std::string query = rest.substr(q + 1);
      if (query.rfind("db=", 0) != 0 || !ParseInt(query.c_str() + 3, &u.db)) return false;
    }
    if (u.host.empty() || u.host[0] != '/') return false;
  } else if (s.rfind("redis://", 0) == 0) {
    std::string rest = s.substr(8);
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
      if (!ParseInt(rest.c_str() + slash + 1, &u.db)) return false;
      rest.resize(slash);
    }
    size_t colon = rest.rfind(':');
    if (colon != std::string::npos && rest.find(']', colon) == std::string::npos) {
      if (!ParseInt(rest.c_str() + colon + 1, &u.port) || u.port == 0) return false;
      rest.resize(colon);
    }
    if (rest.size() > 2 && rest.front() == '[' && rest.back() == ']')
      rest = rest.substr(1, rest.size() - 2);
    if (rest.empty()) return false;
    u.host = rest;
  } else {
    return false;
  }
  *out = u;
  return true;
}

bool SetServer(const char *text) {
  t_conn.Drop();
  g_urlValid = ParseUrl(text, &Server());
  if (!g_urlValid) std::fprintf(stderr, "srv6db engine: bad Redis URL \"%s\"\n", text);
  return g_urlValid;
}

uint32_t Command(int argc, const char *const *argv, const size_t *lens, bool idempotent,
                 Reply *out) noexcept {
  if (!g_urlValid) return SRV6DB_ENGINE_ERR_BAD_URL;
  NoSigpipe guard;
  // A connection made for this call is fresh: its failure is not worth a second try.
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool fresh = t_conn.ctx == nullptr;
    if (fresh) {
      uint32_t code = 0;
      t_conn.ctx = Connect(&code);
      if (t_conn.ctx == nullptr) return code;
    }
    out->Reset(static_cast<redisReply *>(
        redisCommandArgv(t_conn.ctx, argc, const_cast<const char **>(argv), lens)));
    if (out->get() == nullptr) {
      t_conn.Drop();
      if (fresh || !idempotent) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
      continue;
    }
    if (IsError(out->get())) {
      // The library was flushed by someone: load it again and retry once.
      if (attempt == 0 && std::strstr((*out)->str, "Function not found") != nullptr &&
          EnsureLibrary(t_conn.ctx))
        continue;
      return SRV6DB_ENGINE_ERR_SERVER;
    }
    guard.succeeded = attempt == 0;  // a failed first attempt may have raised SIGPIPE
    return 0;
  }
  return SRV6DB_ENGINE_ERR_UNAVAILABLE;
}

}  // namespace srv6db::engine::redis
