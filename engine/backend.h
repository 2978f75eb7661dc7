// The backend interface: what a storage backend implements behind the db_* front door.
#ifndef SRV6DB_ENGINE_BACKEND_H
#define SRV6DB_ENGINE_BACKEND_H

#include <cstdint>

#include "engine/srv6db_engine.h"

namespace srv6db::engine {

struct Object;     // engine/runtime/runtime.h: one operation's staged data and its walk
struct KeyBytes;   // engine/runtime/key.h
struct ParsedKey;  // engine/runtime/key.h: a null pair (`whole`) or one index's key bytes

// One storage backend. The front door (engine/db_api.cc, engine/control.cc) has already done
// everything that does not depend on where records live: it resolved the handle, counted the
// call, applied any injected fault, checked the table, the op code, the staged data, the key
// word and the caller's pointers and lengths. A backend stores, finds and walks records, and
// answers 0 or an engine code; it never throws and never sees a bad argument.
//
// A walk's state lives in its object: `Object::walk` is raw storage the backend owns (all
// zero when the object slot is first made, kept as the backend left it when the slot is used
// again), and a batch the backend takes is handed to the front door through
// `Object::taken`/`Object::batchCount`, from which it serves the steps and the reads without
// calling the backend again. An injected 13044 is the front door's too: it answers 13044
// once the backend has applied the change.
class Backend {
 public:
  virtual const char *Name() const noexcept = 0;  // what srv6db_engine_backend() answers

  // ---- Record operations on a checked object ----

  // Stores o.staged, replacing the record with its primary key. 13044: stored, but the
  // change feed dropped the change.
  virtual uint32_t Write(Object &o) noexcept = 0;
  virtual uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept = 0;
  // Writes the staged smooth id and/or discriminator into the record; 13044 as for Write.
  virtual uint32_t Update(Object &o, const KeyBytes &primary) noexcept = 0;
  virtual uint32_t Remove(Object &o, const KeyBytes &primary) noexcept = 0;
  virtual uint32_t Count(Object &o, const ParsedKey &key, uint64_t *count) noexcept = 0;

  // ---- Walks ----

  // Starts the object's walk of the whole table or of one secondary key.
  virtual uint32_t StartWalk(Object &o, const ParsedKey &key) noexcept = 0;
  // Takes the walk's next records (how many: up to o.countHint, at least 1) and points
  // o.taken at them, o.batchCount their number; 110012 at the end and for ever after.
  virtual uint32_t NextBatch(Object &o) noexcept = 0;
  // Ends the walk (the object's release or reset). NextBatch and StopWalk go to the backend
  // that started the walk (Object::walkedBy), even after srv6db_engine_open switched.
  virtual void StopWalk(Object &o) noexcept = 0;

  // ---- Control calls (no call counted, no fault); the table is checked ----

  // Removes every record of every table and clears the change feed.
  virtual void Reset() noexcept = 0;
  virtual uint32_t GetRecord(uint32_t table, const KeyBytes &primary, void *buf,
                             uint32_t len) noexcept = 0;
  virtual uint32_t PutRecord(uint32_t table, const void *record) noexcept = 0;
  virtual uint32_t RemoveRecord(uint32_t table, const KeyBytes &primary) noexcept = 0;
  virtual void ClearTable(uint32_t table) noexcept = 0;
  virtual uint64_t RecordCount(uint32_t table) noexcept = 0;
  virtual uint64_t TableBytes(uint32_t table) noexcept = 0;
  virtual uint32_t Visit(uint32_t table, Srv6DbEngineVisitor visitor, void *user) noexcept = 0;
  // Verifies every table's indexes against its records (srv6db_engine_check).
  virtual uint32_t Check(Srv6DbEngineProblem report, void *user, uint64_t *problems) noexcept = 0;

  // ---- Change feed: subscriber queues (arguments checked) ----

  virtual uint32_t Subscribe(uint32_t capacity, uint32_t *id) noexcept = 0;
  virtual uint32_t Poll(uint32_t id, Srv6DbEngineChange *out) noexcept = 0;
  virtual uint32_t Unsubscribe(uint32_t id) noexcept = 0;

 protected:
  ~Backend() = default;  // backends live as long as the process
};

// A kind of backend: the URLs it serves and how to open one. A backend is one folder that
// defines one of these, and one line of the choice (engine/backend.cc) that lists it.
struct BackendType {
  bool (*claims)(const char *url) noexcept;
  // The backend for url; *code 0, or the code every call will answer (a URL of this
  // backend's kind that does not parse selects it all the same: no silent fall-back).
  Backend *(*open)(const char *url, uint32_t *code) noexcept;
};

// The backend chosen when the library loaded (SRV6DB_ENGINE) or by srv6db_engine_open.
extern Backend *g_backend;
Backend &ChooseFromEnvironment() noexcept;
inline Backend &TheBackend() noexcept {
  Backend *b = g_backend;
  return __builtin_expect(b != nullptr, 1) ? *b : ChooseFromEnvironment();
}

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_BACKEND_H
