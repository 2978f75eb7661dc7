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

  // Stores o.staged, replacing the record with its primary key.
  virtual uint32_t Write(Object &o) noexcept = 0;
  virtual uint32_t Read(Object &o, const KeyBytes &primary, void *buf, uint32_t len) noexcept = 0;
  // Writes the staged smooth id and/or discriminator into the record.
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

  // Removes every record of every table and empties the logs into a new epoch.
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

  // ---- Change log (the contract: srv6db_engine.h, "Change log"); arguments checked ----
  //
  // Write, Update and Remove append their change to the table's log in the same atomic step
  // as the change (a failed change appends nothing); Reset empties every log and moves it to
  // a new epoch. A log keeps at least LogRetention() entries.

  // Sets head->epoch and head->revision (head->table given) to the log's epoch and latest
  // revision (0 for an empty log). The front door's snapshot calls it before StartWalk: a
  // backend whose walk bound is taken at StartWalk needs nothing more for list-then-follow.
  virtual uint32_t LogHead(Srv6DbEngineCursor *head) noexcept = 0;
  // What srv6db_engine_read_log does, for 1..64 cursors of tables 0..16 and capacity >= 1:
  // copies the entries after each cursor's revision, moves the cursors, blocks up to
  // timeoutMs while there is none, or answers the gap code (cursors' gap and lost set, none
  // moved, *count 0).
  virtual uint32_t ReadLog(Srv6DbEngineCursor *cursors, uint32_t cursorCount,
                           Srv6DbEngineChange *out, uint32_t capacity, uint32_t *count,
                           uint32_t timeoutMs) noexcept = 0;

 protected:
  ~Backend() = default;  // backends live as long as the process
};

// A kind of backend: the URLs it serves and how to open one. A backend is one folder that
// defines one of these, and one line of the choice (engine/choice.cc) that lists it.
struct BackendType {
  bool (*claims)(const char *url) noexcept;
  // The backend for url; *code 0, or the code every call will answer (a URL of this
  // backend's kind that does not parse selects it all the same: no silent fall-back).
  Backend *(*open)(const char *url, uint32_t *code) noexcept;
};

// The log retention N: SRV6DB_ENGINE_LOG_RETENTION at load, or srv6db_engine_set_log_retention.
uint32_t LogRetention() noexcept;
void SetLogRetention(uint32_t n) noexcept;
constexpr uint32_t kMaxCursors = 64;  // cursors of one srv6db_engine_read_log

}  // namespace srv6db::engine

#endif  // SRV6DB_ENGINE_BACKEND_H
