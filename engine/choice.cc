// Backend choice: SRV6DB_ENGINE at load, or srv6db_engine_open before first use.
#include "engine/choice.h"

#include <atomic>
#include <cstdlib>
#include <iterator>

#include "engine/lmdb/lmdb_backend.h"
#include "engine/memory/memory_backend.h"
#include "engine/redis/redis_backend.h"

namespace srv6db::engine {
namespace {

// The backends, asked in this order whether they serve a URL. Adding one is a line here. The
// last one takes every URL no other claims: Redis then answers SRV6DB_ENGINE_ERR_BAD_URL from
// every call rather than fall back silently to memory.
const BackendType *const kTypes[] = {&memory::kType, &lmdb::kType, &redis::kType};

// 0 until first read: then SRV6DB_ENGINE_LOG_RETENTION, or the default when unset or not a
// positive number.
std::atomic<uint32_t> g_retention{0};

uint32_t Open(const char *url) noexcept {
  const BackendType *chosen = kTypes[std::size(kTypes) - 1];
  for (const BackendType *type : kTypes) {
    if (type->claims(url)) {
      chosen = type;
      break;
    }
  }
  uint32_t code = DB_OK;
  g_backend = chosen->open(url, &code);
  return code;
}

__attribute__((constructor)) void OpenFromEnvironment() {
  if (g_backend == nullptr) Open(std::getenv("SRV6DB_ENGINE"));
}

}  // namespace

Backend *g_backend = nullptr;

uint32_t LogRetention() noexcept {
  uint32_t n = g_retention.load(std::memory_order_relaxed);
  if (__builtin_expect(n != 0, 1)) return n;
  const char *env = std::getenv("SRV6DB_ENGINE_LOG_RETENTION");
  char *end = nullptr;
  const unsigned long long v = env != nullptr ? std::strtoull(env, &end, 10) : 0;
  n = v > 0 && v <= UINT32_MAX && end != env && *end == '\0' ? static_cast<uint32_t>(v)
                                                             : SRV6DB_ENGINE_LOG_RETENTION_DEFAULT;
  uint32_t expected = 0;
  g_retention.compare_exchange_strong(expected, n, std::memory_order_relaxed);
  return g_retention.load(std::memory_order_relaxed);
}

void SetLogRetention(uint32_t n) noexcept { g_retention.store(n, std::memory_order_relaxed); }

Backend &ChooseFromEnvironment() noexcept {
  OpenFromEnvironment();
  return *g_backend;
}

}  // namespace srv6db::engine

extern "C" __attribute__((visibility("default"))) uint32_t srv6db_engine_open(const char *url) {
  return srv6db::engine::Open(url);
}

extern "C" __attribute__((visibility("default"))) const char *srv6db_engine_backend(void) {
  return srv6db::engine::TheBackend().Name();
}
