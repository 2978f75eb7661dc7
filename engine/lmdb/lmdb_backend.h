// The LMDB backend: every table in a memory-mapped store that the processes of one host open
// together. Objects, handles, faults, counters and captures stay those of the process.
#ifndef SRV6DB_ENGINE_LMDB_LMDB_BACKEND_H
#define SRV6DB_ENGINE_LMDB_LMDB_BACKEND_H

#include "engine/backend.h"

namespace srv6db::engine::lmdb {

// Serves "lmdb:" URLs; one that does not parse answers SRV6DB_ENGINE_ERR_BAD_URL from every call.
extern const BackendType kType;

}  // namespace srv6db::engine::lmdb

#endif  // SRV6DB_ENGINE_LMDB_LMDB_BACKEND_H
