// One hiredis context per thread: parse the URL, find the primary, authenticate, select the
// database, load the function library, and map the server's answers to engine codes.
#include "engine/redis/connection.h"

#include <pthread.h>
#include <signal.h>
#include <sys/time.h>
#include <uriparser/Uri.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string_view>

#include "engine/srv6db_engine.h"

namespace srv6db::engine::redis {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTimeout{2000};
constexpr std::chrono::milliseconds kSentinelTimeout{500};

timeval ToTimeval(std::chrono::milliseconds ms) {
  return {static_cast<time_t>(ms.count() / 1000),
          static_cast<suseconds_t>(ms.count() % 1000 * 1000)};
}

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
thread_local Connection t_replica;   // with ?replica=1: reads, counts and walks
thread_local Connection t_blocking;  // blocking reads of the change log

bool ParseNumber(std::string_view s, int min, int max, int *out) {
  if (s.empty() || s.size() > 6) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < min || v > max) return false;
  *out = v;
  return true;
}

std::string Text(const UriTextRangeA &r) {
  return r.first == nullptr ? std::string() : std::string(r.first, r.afterLast);
}

std::string Unescaped(std::string s) {
  uriUnescapeInPlaceA(s.data());
  s.resize(std::strlen(s.c_str()));
  return s;
}

// The URL with everything between the scheme and the last '@' hidden: it may hold a password.
std::string Redacted(const char *text) {
  std::string s(text);
  const size_t scheme = s.find("://"), at = s.rfind('@');
  if (scheme != std::string::npos && at != std::string::npos && at > scheme)
    s.replace(scheme + 3, at - scheme - 3, "***");
  return s;
}

bool ParseOptions(const UriUriA &uri, Url *u) {
  if (uri.query.first == nullptr || uri.query.first == uri.query.afterLast) return true;
  UriQueryListA *list = nullptr;
  int items = 0;
  if (uriDissectQueryMallocA(&list, &items, uri.query.first, uri.query.afterLast) != URI_SUCCESS)
    return false;
  bool ok = true;
  int flag = 0;
  for (const UriQueryListA *q = list; ok && q != nullptr; q = q->next) {
    const std::string_view key(q->key), value(q->value != nullptr ? q->value : "");
    if (q->value == nullptr)
      ok = false;
    else if (key == "db")
      ok = ParseNumber(value, 0, 65535, &u->db);
    else if (key == "wait")
      ok = ParseNumber(value, 0, 64, &u->wait);
    else if (key == "wait_ms")
      ok = ParseNumber(value, 1, 60000, &u->waitMs);
    else if (key == "replica")
      ok = ParseNumber(value, 0, 1, &flag) && (u->replicaReads = flag == 1, true);
    else if (key == "password_file")
      ok = !(u->passwordFile = value).empty();
    else
      ok = false;
  }
  uriFreeQueryListA(list);
  return ok;
}

// One URL through the parser: scheme, credentials, host, port, path segments, options.
struct Parts {
  std::string scheme;
  std::vector<std::string> path;
  bool port = false;
};

bool ParseStandard(const std::string &text, Url *u, Parts *parts) {
  UriUriA uri;
  const char *error = nullptr;
  if (uriParseSingleUriA(&uri, text.c_str(), &error) != URI_SUCCESS) return false;
  struct Free {
    UriUriA *uri;
    ~Free() { uriFreeUriMembersA(uri); }
  } free{&uri};
  parts->scheme = Text(uri.scheme);
  const std::string info = Text(uri.userInfo);
  const size_t colon = info.find(':');
  u->user = Unescaped(info.substr(0, colon));
  u->hasPassword = colon != std::string::npos;
  if (u->hasPassword) u->password = Unescaped(info.substr(colon + 1));
  u->host = Text(uri.hostText);
  parts->port = uri.portText.first != nullptr;
  if (parts->port && !ParseNumber(Text(uri.portText), 1, 65535, &u->port)) return false;
  for (const UriPathSegmentA *s = uri.pathHead; s != nullptr; s = s->next)
    parts->path.push_back(Unescaped(Text(s->text)));
  return uri.fragment.first == nullptr && ParseOptions(uri, u);
}

bool ParseSentinelHosts(const std::string &hosts, Url *u) {
  size_t begin = 0;
  for (;;) {
    const size_t comma = hosts.find(',', begin);
    Url one;
    Parts parts;
    one.port = 26379;
    if (!ParseStandard("redis://" + hosts.substr(begin, comma - begin), &one, &parts) ||
        one.host.empty() || !one.user.empty() || one.hasPassword || !parts.path.empty() ||
        one.wait != 0 || !one.passwordFile.empty())
      return false;
    u->sentinels.push_back({one.host, one.port});
    if (comma == std::string::npos) return true;
    begin = comma + 1;
  }
}

bool IsError(const redisReply *r) { return r->type == REDIS_REPLY_ERROR; }

bool StartsWith(const redisReply *r, const char *prefix) {
  return std::strncmp(r->str, prefix, std::strlen(prefix)) == 0;
}

// An error reply's engine code: a server still loading its data, running a long script or
// cut off from its primary is unavailable for now; credentials and rights have codes of
// their own.
uint32_t ErrorCode(const redisReply *r) {
  if (StartsWith(r, "LOADING") || StartsWith(r, "BUSY") || StartsWith(r, "MASTERDOWN") ||
      StartsWith(r, "TRYAGAIN"))
    return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  if (StartsWith(r, "WRONGPASS") || StartsWith(r, "NOAUTH")) return SRV6DB_ENGINE_ERR_AUTH;
  if (std::strstr(r->str, "NOPERM") != nullptr ||
      std::strstr(r->str, "user executing the script can't") != nullptr)
    return SRV6DB_ENGINE_ERR_NO_PERMISSION;
  return SRV6DB_ENGINE_ERR_SERVER;
}

redisReply *Call(redisContext *c, int argc, const char **argv, const size_t *lens) {
  return static_cast<redisReply *>(redisCommandArgv(c, argc, argv, lens));
}

// Loads this build's library unless the server has it; another process loading it at the
// same moment is no failure. A user who may not load it gets SRV6DB_ENGINE_ERR_NO_LIBRARY.
uint32_t EnsureLibrary(redisContext *c) {
  Reply r;
  const std::string version = "srv6db_version" + FunctionSuffix();
  r.Reset(static_cast<redisReply *>(redisCommand(c, "FCALL_RO %s 0", version.c_str())));
  if (r.get() == nullptr) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  if (r->type == REDIS_REPLY_STRING && LibraryVersion() == std::string(r->str, r->len)) return 0;
  if (!IsError(r.get()) || std::strstr(r->str, "Function not found") == nullptr)
    return IsError(r.get()) ? ErrorCode(r.get()) : SRV6DB_ENGINE_ERR_SERVER;
  r.Reset(static_cast<redisReply *>(
      redisCommand(c, "FUNCTION LOAD %b", LibraryCode().data(), LibraryCode().size())));
  if (r.get() == nullptr) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  if (!IsError(r.get()) || std::strstr(r->str, "already exists") != nullptr) return 0;
  if (ErrorCode(r.get()) == SRV6DB_ENGINE_ERR_NO_PERMISSION) {
    std::fprintf(stderr,
                 "srv6db engine: the server lacks function library %s and this user may not "
                 "load it (srv6db_engine_load_functions, as an administrator)\n",
                 LibraryVersion().c_str());
    return SRV6DB_ENGINE_ERR_NO_LIBRARY;
  }
  std::fprintf(stderr, "srv6db engine: FUNCTION LOAD: %s\n", r->str);
  return ErrorCode(r.get());
}

// A replica the sentinels see as healthy: a list of field names and values per replica.
bool HealthyReplica(const redisReply *list, Endpoint *out) {
  for (size_t i = 0; list->type == REDIS_REPLY_ARRAY && i < list->elements; ++i) {
    const redisReply *f = list->element[i];
    std::string ip, flags, link;
    int port = 0;
    for (size_t j = 0; f->type == REDIS_REPLY_ARRAY && j + 1 < f->elements; j += 2) {
      if (f->element[j]->type != REDIS_REPLY_STRING ||
          f->element[j + 1]->type != REDIS_REPLY_STRING)
        continue;
      const std::string_view name = f->element[j]->str, value = f->element[j + 1]->str;
      if (name == "ip") ip = value;
      if (name == "port" && !ParseNumber(value, 1, 65535, &port)) port = 0;
      if (name == "flags") flags = value;
      if (name == "master-link-status") link = value;
    }
    if (!ip.empty() && port != 0 && flags == "slave" && link == "ok") {
      *out = {ip, port};
      return true;
    }
  }
  return false;
}

// The primary's (or a healthy replica's) address from the first sentinel that knows it.
bool AskSentinels(const Url &url, bool replica, Endpoint *out) {
  for (const Endpoint &s : url.sentinels) {
    redisContext *c = redisConnectWithTimeout(s.host.c_str(), s.port, ToTimeval(kSentinelTimeout));
    if (c != nullptr && c->err == 0 &&
        redisSetTimeout(c, ToTimeval(kSentinelTimeout)) == REDIS_OK) {
      Reply r;
      r.Reset(static_cast<redisReply *>(
          redisCommand(c, replica ? "SENTINEL replicas %s" : "SENTINEL get-master-addr-by-name %s",
                       url.service.c_str())));
      int port = 0;
      if (replica && r.get() != nullptr && HealthyReplica(r.get(), out)) {
        redisFree(c);
        return true;
      }
      if (!replica && r.get() != nullptr && r->type == REDIS_REPLY_ARRAY && r->elements == 2 &&
          r->element[0]->type == REDIS_REPLY_STRING && r->element[1]->type == REDIS_REPLY_STRING &&
          ParseNumber(r->element[1]->str, 1, 65535, &port)) {
        *out = {r->element[0]->str, port};
        redisFree(c);
        return true;
      }
    }
    if (c != nullptr) redisFree(c);
  }
  return false;
}

// A child of fork must not share its parent's connection: it makes its own.
void ForgetInChild() {
  t_conn.Drop();
  t_replica.Drop();
  t_blocking.Drop();
}

// Authenticates, confirms a sentinel-named server's role, selects the database and makes sure
// of the library (a replica has its primary's): 0, or the code of the step that failed.
uint32_t Prepare(redisContext *c, const Url &url, bool replica) {
  Reply r;
  if (url.hasPassword) {
    r.Reset(url.user.empty() ? static_cast<redisReply *>(redisCommand(
                                   c, "AUTH %b", url.password.data(), url.password.size()))
                             : static_cast<redisReply *>(
                                   redisCommand(c, "AUTH %s %b", url.user.c_str(),
                                                url.password.data(), url.password.size())));
    if (r.get() == nullptr) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
    if (IsError(r.get())) return SRV6DB_ENGINE_ERR_AUTH;  // the reply may not echo the password
  }
  if (!url.sentinels.empty()) {
    r.Reset(static_cast<redisReply *>(redisCommand(c, "ROLE")));
    if (r.get() == nullptr) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
    if (IsError(r.get())) return ErrorCode(r.get());
    // Mid-failover the sentinels may still name a demoted server: try again later.
    if (r->type != REDIS_REPLY_ARRAY || r->elements == 0 ||
        r->element[0]->type != REDIS_REPLY_STRING ||
        std::strcmp(r->element[0]->str, replica ? "slave" : "master") != 0)
      return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  }
  if (url.db != 0) {
    r.Reset(static_cast<redisReply *>(redisCommand(c, "SELECT %d", url.db)));
    if (r.get() == nullptr) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
    if (IsError(r.get())) return ErrorCode(r.get());
  }
  return replica ? 0 : EnsureLibrary(c);
}

redisContext *Connect(std::chrono::milliseconds timeout, bool replica, uint32_t *code) {
  static const bool forkSafe = pthread_atfork(nullptr, nullptr, ForgetInChild) == 0;
  (void)forkSafe;
  const Url &url = Server();
  Endpoint target{url.host, url.port};
  if (!url.sentinels.empty() && !AskSentinels(url, replica, &target)) {
    *code = SRV6DB_ENGINE_ERR_UNAVAILABLE;
    return nullptr;
  }
  const timeval t = ToTimeval(timeout);
  redisContext *c = url.unixSocket ? redisConnectUnixWithTimeout(url.host.c_str(), t)
                                   : redisConnectWithTimeout(target.host.c_str(), target.port, t);
  *code = c == nullptr || c->err != 0 || redisSetTimeout(c, t) != REDIS_OK
              ? SRV6DB_ENGINE_ERR_UNAVAILABLE
              : Prepare(c, url, replica);
  if (*code != 0 && c != nullptr) {
    if (c->err != 0) *code = SRV6DB_ENGINE_ERR_UNAVAILABLE;
    redisFree(c);
    return nullptr;
  }
  return c;
}

// WAIT for the replicas a write must reach; fewer within the time answers "maybe applied".
uint32_t WaitForReplicas(redisContext *c, const Url &url) {
  redisSetTimeout(c, ToTimeval(kTimeout + std::chrono::milliseconds(url.waitMs)));
  Reply r;
  r.Reset(static_cast<redisReply *>(redisCommand(c, "WAIT %d %d", url.wait, url.waitMs)));
  redisSetTimeout(c, ToTimeval(kTimeout));
  if (r.get() == nullptr) {
    t_conn.Drop();
    return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  }
  if (IsError(r.get())) return ErrorCode(r.get());
  return r->type == REDIS_REPLY_INTEGER && r->integer >= url.wait ? 0
                                                                  : SRV6DB_ENGINE_ERR_UNAVAILABLE;
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
  Parts parts;
  const std::vector<std::string> &path = parts.path;
  constexpr std::string_view kSentinel = "redis+sentinel://";
  if (s.rfind(kSentinel, 0) == 0) {
    // A list of hosts is no URI authority: split it here, parse the rest as one.
    const size_t end = s.find_first_of("/?#", kSentinel.size());
    std::string authority = s.substr(kSentinel.size(), end - kSentinel.size());
    const size_t at = authority.rfind('@');
    if (!ParseSentinelHosts(at == std::string::npos ? authority : authority.substr(at + 1), &u))
      return false;
    const std::string info = at == std::string::npos ? "" : authority.substr(0, at + 1);
    if (!ParseStandard(
            "redis://" + info + "sentinel" + (end == std::string::npos ? "" : s.substr(end)), &u,
            &parts) ||
        path.empty() || path.size() > 2 || path[0].empty() ||
        (path.size() == 2 && !ParseNumber(path[1], 0, 65535, &u.db)))
      return false;
    u.service = path[0];
    u.host.clear();
  } else {
    if (!ParseStandard(s, &u, &parts) || u.replicaReads) return false;
    if (parts.scheme == "unix") {
      u.unixSocket = true;
      if (!u.host.empty() || path.empty() || parts.port) return false;
      for (const std::string &segment : path) u.host += "/" + segment;
    } else if (parts.scheme == "redis") {
      if (u.host.empty() || path.size() > 1 ||
          (path.size() == 1 && !path[0].empty() && !ParseNumber(path[0], 0, 65535, &u.db)))
        return false;
    } else {
      return false;
    }
  }
  *out = u;
  return true;
}

bool SetServer(const char *text) {
  ForgetInChild();
  Url &url = Server();
  g_urlValid = ParseUrl(text, &url);
  if (!g_urlValid) {
    std::fprintf(stderr, "srv6db engine: bad Redis URL \"%s\"\n",
                 text == nullptr ? "" : Redacted(text).c_str());
    return false;
  }
  if (!url.hasPassword && !url.passwordFile.empty()) {
    std::ifstream file(url.passwordFile);
    url.hasPassword = static_cast<bool>(std::getline(file, url.password));
    if (!url.hasPassword) {
      std::fprintf(stderr, "srv6db engine: cannot read the Redis password file \"%s\"\n",
                   url.passwordFile.c_str());
      return g_urlValid = false;
    }
    if (!url.password.empty() && url.password.back() == '\r') url.password.pop_back();
  } else if (const char *env = std::getenv("SRV6DB_REDIS_PASSWORD");
             !url.hasPassword && env != nullptr && *env != '\0') {
    url.password = env;
    url.hasPassword = true;
  }
  return true;
}

uint32_t Command(int argc, const char *const *argv, const size_t *lens, bool idempotent,
                 Reply *out) noexcept {
  if (!g_urlValid) return SRV6DB_ENGINE_ERR_BAD_URL;
  constexpr int kMaxArgs = 16;
  if (argc > kMaxArgs) return SRV6DB_ENGINE_ERR_BAD_ARGUMENT;
  const Url &url = Server();
  // Our functions are called in this build's version: srv6db_write becomes srv6db_write_<v>.
  const char *args[kMaxArgs];
  size_t sizes[kMaxArgs];
  char name[64];
  for (int i = 0; i < argc; ++i) args[i] = argv[i], sizes[i] = lens[i];
  if (argc >= 2 && lens[0] >= 5 && std::strncmp(argv[0], "FCALL", 5) == 0 && lens[1] < 40 &&
      std::strncmp(argv[1], "srv6db_", 7) == 0) {
    sizes[1] =
        static_cast<size_t>(std::snprintf(name, sizeof(name), "%.*s%s", static_cast<int>(lens[1]),
                                          argv[1], FunctionSuffix().c_str()));
    args[1] = name;
  }
  // With ?replica=1 reads go to a replica (an administrator's FUNCTION call never does).
  Connection &conn =
      url.replicaReads && idempotent && !(lens[0] == 8 && std::strncmp(argv[0], "FUNCTION", 8) == 0)
          ? t_replica
          : t_conn;
  NoSigpipe guard;
  const Clock::time_point start = Clock::now();
  // A connection made for this call is fresh: its failure is not worth a second try. A retry
  // gets what is left of the first attempt's time, so no call waits past the timeout.
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool fresh = conn.ctx == nullptr;
    if (fresh) {
      const auto left =
          kTimeout - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
      if (left < std::chrono::milliseconds(10)) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
      uint32_t code = 0;
      conn.ctx = Connect(left, &conn == &t_replica, &code);
      if (conn.ctx == nullptr) return code;
    }
    out->Reset(Call(conn.ctx, argc, args, sizes));
    if (fresh && conn.ctx != nullptr) redisSetTimeout(conn.ctx, ToTimeval(kTimeout));
    if (out->get() == nullptr) {
      conn.Drop();
      if (fresh || !idempotent) return SRV6DB_ENGINE_ERR_UNAVAILABLE;
      continue;
    }
    if (IsError(out->get())) {
      if (attempt > 0) return ErrorCode(out->get());
      // The library was flushed by someone: load it again and retry once.
      if (std::strstr((*out)->str, "Function not found") != nullptr) {
        if (uint32_t code = EnsureLibrary(conn.ctx)) return code;
        continue;
      }
      // A primary demoted by a failover refused the command: ask the sentinels again.
      if (!url.sentinels.empty() && StartsWith(out->get(), "READONLY")) {
        conn.Drop();
        continue;
      }
      return ErrorCode(out->get());
    }
    guard.succeeded = attempt == 0;  // a failed first attempt may have raised SIGPIPE
    return !idempotent && url.wait > 0 ? WaitForReplicas(conn.ctx, url) : 0;
  }
  return SRV6DB_ENGINE_ERR_UNAVAILABLE;
}

uint32_t LoadFunctions() noexcept {
  Reply r;
  const char *load[] = {"FUNCTION", "LOAD", "REPLACE", LibraryCode().c_str()};
  const size_t loadLens[] = {8, 4, 7, LibraryCode().size()};
  if (uint32_t code = Command(4, load, loadLens, true, &r)) return code;
  const char *list[] = {"FUNCTION", "LIST"};
  const size_t listLens[] = {8, 4};
  if (uint32_t code = Command(2, list, listLens, true, &r)) return code;
  if (r->type != REDIS_REPLY_ARRAY) return SRV6DB_ENGINE_ERR_SERVER;
  const std::string own = "srv6db" + FunctionSuffix();
  // Each library is a list of field names and values; the first pair is its name.
  for (size_t i = 0; i < r->elements; ++i) {
    const redisReply *lib = r->element[i];
    if (lib->type != REDIS_REPLY_ARRAY || lib->elements < 2 ||
        lib->element[1]->type != REDIS_REPLY_STRING)
      return SRV6DB_ENGINE_ERR_SERVER;
    const std::string name(lib->element[1]->str, lib->element[1]->len);
    if (name == own || name.rfind("srv6db", 0) != 0) continue;
    Reply gone;
    const char *del[] = {"FUNCTION", "DELETE", name.c_str()};
    const size_t delLens[] = {8, 6, name.size()};
    if (uint32_t code = Command(3, del, delLens, true, &gone)) return code;
  }
  return 0;
}

uint32_t BlockingCommand(int argc, const char *const *argv, const size_t *lens, uint32_t waitMs,
                         Reply *out) noexcept {
  if (!g_urlValid) return SRV6DB_ENGINE_ERR_BAD_URL;
  NoSigpipe guard;
  if (t_blocking.ctx == nullptr) {
    uint32_t code = 0;
    t_blocking.ctx = Connect(kTimeout, false, &code);
    if (t_blocking.ctx == nullptr) return code;
  }
  redisSetTimeout(t_blocking.ctx, ToTimeval(kTimeout + std::chrono::milliseconds(waitMs)));
  out->Reset(Call(t_blocking.ctx, argc, const_cast<const char **>(argv), lens));
  if (out->get() == nullptr) {
    t_blocking.Drop();
    return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  }
  guard.succeeded = true;
  return IsError(out->get()) ? ErrorCode(out->get()) : 0;
}

}  // namespace srv6db::engine::redis

extern "C" SRV6DB_ENGINE_API uint32_t srv6db_engine_load_functions(void) {
  if (std::strcmp(srv6db_engine_backend(), "redis") != 0) return SRV6DB_ENGINE_ERR_WRONG_OPERATION;
  return srv6db::engine::redis::LoadFunctions();
}
