// Backend choice: SRV6DB_ENGINE at load, or srv6db_engine_open before first use.
#include "engine/backend.h"

#include <cstdlib>
#include <cstring>

#include "engine/redis/redis_backend.h"
#include "engine/srv6db_engine.h"

namespace srv6db::engine {

bool g_redisBackend = false;

namespace {

bool IsMemory(const char *url) {
  return url == nullptr || *url == '\0' || !std::strcmp(url, "memory");
}

// A Redis URL that does not parse still selects Redis: every call then answers
// SRV6DB_ENGINE_ERR_BAD_URL rather than silently falling back to memory.
uint32_t Choose(const char *url) noexcept {
  if (IsMemory(url)) {
    g_redisBackend = false;
    return DB_OK;
  }
  g_redisBackend = true;
  return redis::Configure(url);
}

__attribute__((constructor)) void ChooseFromEnvironment() { Choose(std::getenv("SRV6DB_ENGINE")); }

}  // namespace
}  // namespace srv6db::engine

extern "C" __attribute__((visibility("default"))) uint32_t srv6db_engine_open(const char *url) {
  return srv6db::engine::Choose(url);
}

extern "C" __attribute__((visibility("default"))) const char *srv6db_engine_backend(void) {
  return srv6db::engine::RedisBackend() ? "redis" : "memory";
}
