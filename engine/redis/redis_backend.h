// The Redis backend: the engine's record operations and control calls on a shared server.
// Objects, handles, faults, counters and captures stay those of the process (memory/runtime.h);
// records, indexes, positions and change feeds live in Redis.
#ifndef SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H
#define SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H

#include <cstddef>
#include <cstdint>

#include "engine/memory/runtime.h"
#include "engine/srv6db_engine.h"

namespace srv6db::engine::redis {

// Remembers the server's URL; 0 or SRV6DB_ENGINE_ERR_BAD_URL (which every call then answers).
uint32_t Configure(const char *url) noexcept;

// Record operations on an object already checked by the caller (handle, table, op code, key).
uint32_t Write(Object *o, bool pushFull) noexcept;
uint32_t Read(const Object *o, const KeyBytes &primary, void *buf, uint32_t len) noexcept;
uint32_t ReadCurrent(const Object *o, void *buf, uint32_t len) noexcept;
uint32_t Update(Object *o, const KeyBytes &primary, bool pushFull) noexcept;
uint32_t Remove(Object *o, const KeyBytes &primary, bool pushFull) noexcept;
uint32_t Count(const Object *o, bool whole, uint32_t index, const KeyBytes &key,
               uint64_t *count) noexcept;
uint32_t CreateRootIter(Object *o, bool whole, uint32_t index, const KeyBytes &key, void *dbObj,
                        void **rootIter) noexcept;
uint32_t Next(Object *o) noexcept;
void StopIter(Object *o) noexcept;
uint32_t VrfGet(const Object *o, size_t offset, size_t size, void *value) noexcept;

// Control calls on the shared tables.
void Reset() noexcept;
uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf, uint32_t len) noexcept;
uint32_t PutRecord(uint32_t table, const void *record) noexcept;
uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept;
void ClearTable(uint32_t table) noexcept;
uint64_t RecordCount(uint32_t table) noexcept;
uint64_t TableBytes(uint32_t table) noexcept;
uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept;
uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept;
uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept;
uint32_t Unsubscribe(uint32_t id) noexcept;

}  // namespace srv6db::engine::redis

#endif  // SRV6DB_ENGINE_REDIS_REDIS_BACKEND_H
