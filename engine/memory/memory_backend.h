// The in-memory backend: every table in this process's memory, private to it.
#ifndef SRV6DB_ENGINE_MEMORY_MEMORY_BACKEND_H
#define SRV6DB_ENGINE_MEMORY_MEMORY_BACKEND_H

#include "engine/backend.h"

namespace srv6db::engine::memory {

// Serves a null or empty URL and "memory".
extern const BackendType kType;

}  // namespace srv6db::engine::memory

#endif  // SRV6DB_ENGINE_MEMORY_MEMORY_BACKEND_H
