// The LMDB environment of the process: URL, opening, reader slots, fork, read transactions.
#include "engine/lmdb/environment.h"

#include <fcntl.h>
#include <linux/futex.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <new>
#include <utility>

#include "core/bounded_copy.h"
#include "engine/srv6db_engine.h"

namespace srv6db::engine::lmdb {

constinit Environment g_env;  // constant-initialised: usable from the load-time open

namespace {

// A sparse map: address space, not memory or disk; pages are taken as records are written.
constexpr uint64_t kDefaultMapSize = uint64_t{16} << 30;

bool ParseSize(const char *s, size_t n, uint64_t *out) noexcept {
  uint64_t v = 0;
  size_t i = 0;
  for (; i < n && s[i] >= '0' && s[i] <= '9'; ++i) {
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + static_cast<uint64_t>(s[i] - '0');
  }
  if (i == 0) return false;
  unsigned shift = 0;
  if (i + 1 == n) {
    const char *units = "kmgt";
    const char *u = std::strchr(units, s[i] | 0x20);
    if (u == nullptr || s[i] == '\0') return false;
    shift = 10 * static_cast<unsigned>(u - units + 1);
  } else if (i != n) {
    return false;
  }
  if (v == 0 || v > (UINT64_MAX >> shift)) return false;
  *out = v << shift;
  return true;
}

bool ParseOption(const char *s, size_t n, Options *out) noexcept {
  const char *eq = static_cast<const char *>(std::memchr(s, '=', n));
  if (eq == nullptr) return false;
  const size_t nameLen = static_cast<size_t>(eq - s);
  const char *value = eq + 1;
  const size_t valueLen = n - nameLen - 1;
  auto is = [](const char *a, size_t len, const char *b) {
    return std::strlen(b) == len && std::memcmp(a, b, len) == 0;
  };
  if (is(s, nameLen, "map_size")) return ParseSize(value, valueLen, &out->mapSize);
  if (!is(s, nameLen, "sync")) return false;
  if (is(value, valueLen, "none")) {
    out->flags = MDB_NOSYNC | MDB_NOMETASYNC;
  } else if (is(value, valueLen, "meta")) {
    out->flags = MDB_NOMETASYNC;
  } else if (is(value, valueLen, "full")) {
    out->flags = 0;
  } else {
    return false;
  }
  return true;
}

// Makes a directory and its missing parents.
bool MakeDirectories(char *path) noexcept {
  for (char *p = path + 1;; ++p) {
    if (*p != '/' && *p != '\0') continue;
    const char c = *p;
    *p = '\0';
    const bool ok = mkdir(path, 0770) == 0 || errno == EEXIST;
    *p = c;
    if (!ok) return false;
    if (c == '\0') return true;
  }
}

void ChildAfterFork() { g_env.Forked(); }

}  // namespace

bool ParseUrl(const char *url, Options *out) noexcept {
  constexpr char kScheme[] = "lmdb://";
  *out = Options{};
  out->mapSize = kDefaultMapSize;
  out->flags = MDB_NOSYNC | MDB_NOMETASYNC;
  if (url == nullptr || std::strncmp(url, kScheme, sizeof(kScheme) - 1) != 0) return false;
  const char *path = url + sizeof(kScheme) - 1;
  const char *query = std::strchr(path, '?');
  const size_t pathLen = query == nullptr ? std::strlen(path) : static_cast<size_t>(query - path);
  // An absolute directory other than the root; a trailing slash is dropped.
  size_t keep = pathLen;
  while (keep > 1 && path[keep - 1] == '/') --keep;
  if (path[0] != '/' || keep < 2 || keep >= sizeof(out->path)) return false;
  if (CopyBounded(out->path, sizeof(out->path) - 1, path, keep) != 0) return false;
  out->path[keep] = '\0';
  for (const char *opt = query; opt != nullptr;) {
    ++opt;
    const char *end = std::strchr(opt, '&');
    const size_t n = end == nullptr ? std::strlen(opt) : static_cast<size_t>(end - opt);
    if (!ParseOption(opt, n, out)) return false;
    opt = end;
  }
  return true;
}

uint32_t CodeOf(int rc) noexcept {
  switch (rc) {
    case MDB_SUCCESS:
      return DB_OK;
    case MDB_NOTFOUND:
      return DB_ERR_NO_RECORD;
    case MDB_MAP_FULL:
    case MDB_READERS_FULL:
    case MDB_TXN_FULL:
    case MDB_MAP_RESIZED:
      return SRV6DB_ENGINE_ERR_NO_RESOURCES;
    default:
      return SRV6DB_ENGINE_ERR_SERVER;
  }
}

uint32_t Environment::Configure(const Options &options) noexcept {
  std::lock_guard lock(mu_);
  static const bool hooked = pthread_atfork(nullptr, nullptr, ChildAfterFork) == 0;
  (void)hooked;
  // The same store again keeps its environment (a process must not open one twice): only
  // the sync mode can change. Another store leaves the earlier environment open, unused.
  MDB_env *open = env_.load(std::memory_order_acquire);
  if (open != nullptr && std::strcmp(options.path, options_.path) == 0) {
    constexpr unsigned kSync = MDB_NOSYNC | MDB_NOMETASYNC;
    options_.flags = options.flags;
    const int rc = mdb_env_set_flags(open, kSync, 0);
    return CodeOf(rc == 0 && options.flags != 0 ? mdb_env_set_flags(open, options.flags, 1) : rc);
  }
  options_ = options;
  configured_ = true;
  wake_ = nullptr;  // another store's word is mapped at its open
  Retire();
  epoch_.fetch_add(1, std::memory_order_acq_rel);
  return Open();
}

void Environment::Refuse(uint32_t code) noexcept {
  std::lock_guard lock(mu_);
  configured_ = false;
  refusal_ = code;
  Retire();
  epoch_.fetch_add(1, std::memory_order_acq_rel);
}

void Environment::Retire() noexcept {
  MDB_env *env = env_.exchange(nullptr, std::memory_order_acq_rel);
  for (std::atomic<bool> &o : opened_) o.store(false, std::memory_order_relaxed);
  if (env != nullptr && retiredCount_ < kRetired) retired_[retiredCount_++] = env;
}

void Environment::Forked() noexcept {
  // The parent's environment is left untouched (closing it here would free the parent's
  // reader slots); the child's first call opens its own.
  new (&mu_) std::mutex;
  Retire();
  epoch_.fetch_add(1, std::memory_order_relaxed);
}

MDB_env *Environment::OpenSlow(uint32_t *code) noexcept {
  std::lock_guard lock(mu_);
  MDB_env *env = env_.load(std::memory_order_acquire);
  if (env != nullptr) return env;
  if (uint32_t rc = configured_ ? Open() : refusal_) {
    *code = rc;
    return nullptr;
  }
  return env_.load(std::memory_order_acquire);
}

uint32_t Environment::Open() noexcept {
  char path[PATH_MAX];
  std::memcpy(path, options_.path, sizeof(path));
  if (!MakeDirectories(path)) {
    if (!std::exchange(warned_, true))
      std::fprintf(stderr, "srv6db engine: cannot make %s: %s\n", path, std::strerror(errno));
    return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  }
  char data[PATH_MAX + 16];
  std::snprintf(data, sizeof(data), "%s/data.mdb", path);
  struct stat st;
  const bool exists = stat(data, &st) == 0;
  MDB_env *env = nullptr;
  int rc = mdb_env_create(&env);
  if (rc == 0) rc = mdb_env_set_maxreaders(env, kMaxReaders);
  if (rc == 0) rc = mdb_env_set_maxdbs(env, kMaxDbs);
  // The map size is the store's: set when it is made, adopted by every later opener. Pages
  // are written through the map, and a page the filesystem cannot supply would stop the
  // writer with SIGBUS: a new map is kept within the filesystem's free space.
  uint64_t mapSize = options_.mapSize;
  struct statvfs fs;
  if (!exists && statvfs(path, &fs) == 0) {
    const uint64_t room = (uint64_t{fs.f_bavail} * fs.f_frsize) & ~((uint64_t{1} << 20) - 1);
    if (room < mapSize) {
      std::fprintf(stderr, "srv6db engine: %s has room for a map of %llu bytes only\n", path,
                   static_cast<unsigned long long>(room));
      mapSize = room;
    }
  }
  if (rc == 0 && !exists) rc = mdb_env_set_mapsize(env, mapSize);
  // Changes are written straight into the shared map (no write call per page at commit).
  if (rc == 0) rc = mdb_env_open(env, path, MDB_NOTLS | MDB_WRITEMAP | options_.flags, 0660);
  if (rc == 0) {
    int dead = 0;
    mdb_reader_check(env, &dead);
    MDB_txn *txn = nullptr;
    rc = mdb_txn_begin(env, nullptr, 0, &txn);
    if (rc == 0) rc = mdb_dbi_open(txn, "meta", MDB_CREATE | MDB_INTEGERKEY, &meta_);
    // A new store's logs start in an epoch of their own (the time it was made): a store made
    // again in the same directory never hands out the revisions of an earlier one.
    size_t key = kEpochKey;
    MDB_val k{sizeof(key), &key}, v;
    if (rc == 0 && mdb_get(txn, meta_, &k, &v) == MDB_NOTFOUND) {
      timespec now;
      clock_gettime(CLOCK_REALTIME, &now);
      uint64_t epoch = uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec);
      v = {sizeof(epoch), &epoch};
      rc = mdb_put(txn, meta_, &k, &v, 0);
    }
    rc = rc == 0 ? mdb_txn_commit(txn) : (mdb_txn_abort(txn), rc);
    if (rc == 0 && wake_ == nullptr) {
      char file[PATH_MAX + 16];
      std::snprintf(file, sizeof(file), "%s/wake", path);
      const int fd = open(file, O_RDWR | O_CREAT | O_CLOEXEC, 0660);
      if (fd >= 0 && ftruncate(fd, 4096) == 0) {
        void *map = mmap(nullptr, 4096, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (map != MAP_FAILED) wake_ = static_cast<WakeWord *>(map);
      }
      if (fd >= 0) close(fd);
    }
  }
  if (rc != 0) {
    if (!std::exchange(warned_, true))
      std::fprintf(stderr, "srv6db engine: cannot open the store in %s: %s\n", path,
                   mdb_strerror(rc));
    if (env != nullptr) mdb_env_close(env);
    return SRV6DB_ENGINE_ERR_UNAVAILABLE;
  }
  env_.store(env, std::memory_order_release);
  return DB_OK;
}

// A table's databases are opened at its first use in the process: every transaction's cost
// grows with the databases the process has open (a renewal marks each one stale).
uint32_t Environment::OpenStore(uint32_t store) noexcept {
  uint32_t code = 0;
  MDB_env *env = Env(&code);
  if (env == nullptr) return code;
  std::lock_guard lock(mu_);
  if (opened_[store].load(std::memory_order_acquire)) return DB_OK;
  const Schema &schema = SchemaOf(store);
  StoreDbs &d = dbs_[store];
  MDB_txn *txn = nullptr;
  int rc = mdb_txn_begin(env, nullptr, 0, &txn);
  char name[64];
  std::snprintf(name, sizeof(name), "%s:rec", schema.name);
  if (rc == 0) rc = mdb_dbi_open(txn, name, MDB_CREATE, &d.rec);
  std::snprintf(name, sizeof(name), "%s:all", schema.name);
  if (rc == 0) rc = mdb_dbi_open(txn, name, MDB_CREATE | MDB_INTEGERKEY, &d.all);
  std::snprintf(name, sizeof(name), "%s:log", schema.name);
  if (rc == 0) rc = mdb_dbi_open(txn, name, MDB_CREATE | MDB_INTEGERKEY, &d.log);
  for (uint32_t i = 1; rc == 0 && i < schema.indexCount; ++i) {
    std::snprintf(name, sizeof(name), "%s:k%u", schema.name, i);
    rc = mdb_dbi_open(txn, name, MDB_CREATE | MDB_DUPSORT | MDB_DUPFIXED, &d.idx[i]);
  }
  rc = rc == 0 ? mdb_txn_commit(txn) : (mdb_txn_abort(txn), rc);
  if (rc != 0) return CodeOf(rc);
  opened_[store].store(true, std::memory_order_release);
  return DB_OK;
}

bool Environment::RoomToGrow(MDB_env *env) noexcept {
  MDB_envinfo info;
  MDB_stat st;
  if (mdb_env_info(env, &info) != 0 || mdb_env_stat(env, &st) != 0) return true;
  const uint64_t pages = info.me_mapsize / st.ms_psize;
  const uint64_t reserve = pages / 64 > 64 ? pages / 64 : 64;
  if (info.me_last_pgno + 1 + reserve <= pages) return true;
  // Near the end of the map: the pages freed by earlier changes are reused first.
  MDB_txn *txn = nullptr;
  MDB_cursor *c = nullptr;
  if (mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn) != 0) return false;
  uint64_t free = 0;
  MDB_val k, v;
  if (mdb_cursor_open(txn, 0, &c) == 0) {  // the free-page database: lists led by their length
    for (int rc = mdb_cursor_get(c, &k, &v, MDB_FIRST); rc == 0;
         rc = mdb_cursor_get(c, &k, &v, MDB_NEXT)) {
      size_t n;
      std::memcpy(&n, v.mv_data, sizeof(n));
      free += n;
    }
    mdb_cursor_close(c);
  }
  mdb_txn_abort(txn);
  return info.me_last_pgno + 1 + reserve <= pages + free;
}

void Environment::Wake() noexcept {
  WakeWord *w = wake_;
  if (w == nullptr) return;
  w->seq.fetch_add(1, std::memory_order_seq_cst);
  if (w->sleepers.load(std::memory_order_seq_cst) != 0)
    syscall(SYS_futex, &w->seq, FUTEX_WAKE, INT_MAX, nullptr, nullptr, 0);
}

void Environment::WaitForCommit(uint32_t seen, uint32_t ms) noexcept {
  WakeWord *w = wake_;
  if (w == nullptr) {
    usleep(1000);  // no shared word: poll each millisecond
    return;
  }
  // Counted as asleep before looking again, so a writer that commits after the look sees a
  // sleeper and wakes it.
  w->sleepers.fetch_add(1, std::memory_order_seq_cst);
  if (w->seq.load(std::memory_order_seq_cst) == seen) {
    const timespec t{ms / 1000, long(ms % 1000) * 1000000};
    syscall(SYS_futex, &w->seq, FUTEX_WAIT, seen, &t, nullptr, 0);
  }
  w->sleepers.fetch_sub(1, std::memory_order_seq_cst);
}

void Environment::ReclaimReaders() noexcept {
  uint32_t code = 0;
  if (MDB_env *env = Env(&code)) {
    int dead = 0;
    mdb_reader_check(env, &dead);
  }
}

// ---- Read transactions ----

struct Reader {
  MDB_txn *txn = nullptr;
  uint64_t epoch = 0;     // of the environment the transaction belongs to
  uint64_t renewals = 0;  // cursors renewed at another count are renewed before use
  MDB_cursor *cursors[kMaxDbs + 2] = {};
  uint64_t cursorAt[kMaxDbs + 2] = {};
  Reader *next = nullptr;  // in the list of retired readers

  void Close() noexcept {
    for (MDB_cursor *&c : cursors) {
      if (c != nullptr) mdb_cursor_close(c);
      c = nullptr;
    }
    if (txn != nullptr) mdb_txn_abort(txn);  // frees the reader slot
    txn = nullptr;
  }
};

namespace {

// Readers of an environment this process no longer uses (its parent's, after fork): their
// transactions must not be touched, and they stay reachable rather than leak.
std::atomic<Reader *> g_retired{nullptr};

void Retire(Reader *r) noexcept {
  r->next = g_retired.load(std::memory_order_relaxed);
  while (!g_retired.compare_exchange_weak(r->next, r, std::memory_order_release)) {
  }
}

bool Stale(const Reader *r) noexcept { return r->txn != nullptr && r->epoch != g_env.Epoch(); }

constinit thread_local Reader *t_reader = nullptr;

// Gives a thread's read transaction and its reader slot back when the thread ends.
struct ReaderOwner {
  ~ReaderOwner() {
    Reader *r = t_reader;
    if (r == nullptr) return;
    t_reader = nullptr;
    if (Stale(r)) {
      Retire(r);
    } else {
      r->Close();
      delete r;
    }
  }
};

// The thread's reader, made at its first read, and made afresh when the environment changed.
Reader *MyReader() noexcept {
  Reader *r = t_reader;
  if (__builtin_expect(r != nullptr && !Stale(r), 1)) return r;
  static thread_local ReaderOwner owner;
  (void)owner;
  if (r != nullptr) Retire(r);
  return t_reader = new (std::nothrow) Reader;
}

}  // namespace

ReadScope::ReadScope() noexcept {
  MDB_env *env = g_env.Env(&code_);
  if (env == nullptr) return;
  Reader *r = reader_ = MyReader();
  if (r == nullptr) {
    code_ = SRV6DB_ENGINE_ERR_NO_RESOURCES;
    return;
  }
  const uint64_t epoch = g_env.Epoch();
  int rc = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    rc = r->txn != nullptr ? mdb_txn_renew(r->txn)
                           : mdb_txn_begin(env, nullptr, MDB_RDONLY, &r->txn);
    if (rc != MDB_READERS_FULL) break;
    g_env.ReclaimReaders();  // slots of dead processes
  }
  if (rc != 0) {
    r->Close();  // a renewal failed: the transaction is no longer usable
    code_ = CodeOf(rc);
    return;
  }
  r->epoch = epoch;
  ++r->renewals;
  txn_ = r->txn;
}

ReadScope::~ReadScope() noexcept {
  if (txn_ != nullptr) mdb_txn_reset(txn_);
}

MDB_cursor *ReadScope::Cursor(MDB_dbi dbi) noexcept {
  Reader *r = reader_;
  MDB_cursor *&c = r->cursors[dbi];
  if (c == nullptr) {
    if (mdb_cursor_open(txn_, dbi, &c) != 0) c = nullptr;
  } else if (r->cursorAt[dbi] != r->renewals && mdb_cursor_renew(txn_, c) != 0) {
    return nullptr;
  }
  r->cursorAt[dbi] = r->renewals;
  return c;
}

}  // namespace srv6db::engine::lmdb
