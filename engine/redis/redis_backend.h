// The Redis backend: records, indexes, positions and change feeds on a shared server. Objects,
// handles, faults, counters and captures stay those of the process (engine/runtime/).
#ifndef SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H
#define SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H

#include "engine/backend.h"

namespace srv6db::engine::redis {

// Serves "redis://..." and "unix://..." URLs, and, listed last, every URL no other backend
// claims (one that does not parse answers SRV6DB_ENGINE_ERR_BAD_URL from every call).
extern const BackendType kType;

}  // namespace srv6db::engine::redis

#endif  // SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H
