// Which backend serves the engine's calls: the in-memory one (the default) or Redis.
#ifndef SRV6DB_ENGINE_BACKEND_H
#define SRV6DB_ENGINE_BACKEND_H

namespace srv6db::engine {

// Set once, when the library loads (SRV6DB_ENGINE) or by srv6db_engine_open before first use;
// every engine call reads it once and the in-memory path pays one well-predicted branch.
extern bool g_redisBackend;

inline bool RedisBackend() noexcept { return __builtin_expect(g_redisBackend, false); }

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_BACKEND_H
