/* Control interface of the engine: test hooks, fault injection, the change log, raw access. */
#ifndef SRV6DB_ENGINE_SRV6DB_ENGINE_H
#define SRV6DB_ENGINE_SRV6DB_ENGINE_H

#include <stdint.h>

#include "engine_api.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(SRV6DB_ENGINE_BUILDING)
#define SRV6DB_ENGINE_API __attribute__((visibility("default")))
#else
#define SRV6DB_ENGINE_API
#endif

/* ---- Engine codes of its own (the db_* functions also answer 0, 13044, 15005, 110012) ---- */

#define SRV6DB_ENGINE_ERR_NULL_POINTER 15001u    /* a needed pointer is null, or half a key pair */
#define SRV6DB_ENGINE_ERR_BAD_HANDLE 15002u      /* unknown, released or wrong-kind handle */
#define SRV6DB_ENGINE_ERR_BAD_ARGUMENT 15003u    /* unknown op code, reserved != 0, bad property */
#define SRV6DB_ENGINE_ERR_WRONG_OPERATION 15004u /* call does not fit the object's op code */
/* 15005 is DB_ERR_NO_RECORD */
#define SRV6DB_ENGINE_ERR_BAD_LENGTH 15006u     /* record or buffer length != record size */
#define SRV6DB_ENGINE_ERR_BAD_KEY 15007u        /* key word kind, index or length not in schema */
#define SRV6DB_ENGINE_ERR_NOTHING_STAGED 15008u /* write without record, update without field */
#define SRV6DB_ENGINE_ERR_NOT_POSITIONED 15009u /* no root iterator, or not on a record */
#define SRV6DB_ENGINE_ERR_ITER_EXISTS 15010u    /* the object already has its root iterator */
#define SRV6DB_ENGINE_ERR_WRONG_TABLE 15011u    /* object made for another table */
#define SRV6DB_ENGINE_ERR_NO_RESOURCES 15012u   /* object pool or fault slots full */
/* 15013 is no longer answered */
#define SRV6DB_ENGINE_ERR_BAD_URL 15014u        /* the Redis backend's URL does not parse */
#define SRV6DB_ENGINE_ERR_UNAVAILABLE 15015u    /* Redis unreachable, connection lost, timed out */
#define SRV6DB_ENGINE_ERR_SERVER 15016u         /* Redis answered an error (memory, read-only) */
#define SRV6DB_ENGINE_ERR_AUTH 15017u           /* Redis refused the user or password */
#define SRV6DB_ENGINE_ERR_NO_PERMISSION 15018u  /* the Redis user lacks a command or key */
#define SRV6DB_ENGINE_ERR_NO_LIBRARY 15019u     /* function library missing, user may not load */
#define SRV6DB_ENGINE_ERR_LAYOUT 15020u         /* table written by a build with another layout */
#define SRV6DB_ENGINE_ERR_LOG_GAP 15021u        /* srv6db_engine_read_log: changes lost; relist */

/* ---- Tables ---- */

#define SRV6DB_ENGINE_TABLE_COUNT 17u /* registry ids 0..16, as in SRV6DB_ENGINE_TABLES */
#define SRV6DB_ENGINE_VRF_TABLE 17u   /* the VRF class data records, for faults and counters */
#define SRV6DB_ENGINE_ANY_TABLE 0xFFFFFFFFu
#define SRV6DB_ENGINE_MAX_RECORD DB_MAX_RECORD_SIZE
#define SRV6DB_ENGINE_MAX_KEY DB_MAX_KEY_LENGTH
#define SRV6DB_ENGINE_MAX_INDEXES 6u  /* primary key (index 0) and secondary indexes 1..5 */
#define SRV6DB_ENGINE_MAX_SEGMENTS 4u /* record byte ranges per key */
#define SRV6DB_ENGINE_NO_OFFSET 0xFFFFFFFFu

/* ---- Engine function ids, for fault injection and call counters ---- */

enum {
  SRV6DB_ENGINE_FN_CREATE_OBJ = 0, /* db_create_<t>_obj */
  SRV6DB_ENGINE_FN_RELEASE_OBJ,    /* db_release_<t>_object */
  SRV6DB_ENGINE_FN_RESET_OBJ,      /* db_reset_<t>_object */
  SRV6DB_ENGINE_FN_SET_ALL_FIELDS, /* db_set_<t>_all_fields */
  SRV6DB_ENGINE_FN_SET_SMOOTH_ID,  /* db_set_<t>_table_smooth_id */
  SRV6DB_ENGINE_FN_SET_DISCRIMINATOR,
  SRV6DB_ENGINE_FN_WRITE,
  SRV6DB_ENGINE_FN_READ,
  SRV6DB_ENGINE_FN_UPDATE,
  SRV6DB_ENGINE_FN_REMOVE,
  SRV6DB_ENGINE_FN_COUNT,
  SRV6DB_ENGINE_FN_CREATE_ROOT_ITER,
  SRV6DB_ENGINE_FN_ITER_NEXT,
  SRV6DB_ENGINE_FN_SET_ITER_PROPERTY,
  SRV6DB_ENGINE_FN_VRF_CREATE_OBJ,
  SRV6DB_ENGINE_FN_VRF_RELEASE_OBJ,
  SRV6DB_ENGINE_FN_VRF_GET_FIRST, /* getters in SRV6DB_VRF_CLASS_DATA_FIELDS order */
  SRV6DB_ENGINE_FN_VRF_GET_TABLE_ID = SRV6DB_ENGINE_FN_VRF_GET_FIRST,
  SRV6DB_ENGINE_FN_VRF_GET_PRODUCER_PID,
  SRV6DB_ENGINE_FN_VRF_GET_VR_ID,
  SRV6DB_ENGINE_FN_VRF_GET_VRF_INDEX,
  SRV6DB_ENGINE_FN_VRF_GET_TOPOLOGY_ID,
  SRV6DB_ENGINE_FN_VRF_GET_VRF_STATE,
  SRV6DB_ENGINE_FN_VRF_GET_VRF_DATA_MACHINE,
  SRV6DB_ENGINE_FN_VRF_GET_VRF_STATE_VERSION,
  SRV6DB_ENGINE_FN_VRF_GET_VRF_DATA_VERSION,
  SRV6DB_ENGINE_FN_VRF_GET_SMOOTH_FLAG,
  SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_VERIFY_BEGIN,
  SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_VERIFY_END,
  SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_BEGIN,
  SRV6DB_ENGINE_FN_VRF_GET_TIME_STAMP_AGE_END,
  SRV6DB_ENGINE_FN_COUNT_OF /* number of function ids */
};
#define SRV6DB_ENGINE_FN_ANY 0xFFFFFFFFu /* every function: faults and call counters */

/* The name of a function id ("write", "vrf_get_vr_id", ...), or "?" for an unknown id. */
SRV6DB_ENGINE_API const char *srv6db_engine_function_name(uint32_t fn);

/* ---- Backend ---- */

/* Chooses the backend: NULL, "" or "memory" the in-memory one; "redis://[user[:pw]@]host[:port]
 * [/db]", "unix://[user[:pw]@]/path/to/redis.sock[?db=N]" or "redis+sentinel://host:port[,...]
 * /service[/db]" (options password_file=, wait=, wait_ms=) a shared Redis server. The library reads
 * SRV6DB_ENGINE the same way when it loads; call this before any other engine call. A URL that does
 * not parse answers SRV6DB_ENGINE_ERR_BAD_URL here and from every later call (no fall-back).
 * Called later, it switches every later call; a walk already begun stays on its backend. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_open(const char *url);
/* "memory" or "redis". */
SRV6DB_ENGINE_API const char *srv6db_engine_backend(void);

/* ---- Why a call failed ---- */

/* The code of the calling thread's latest db_* call that answered neither 0 nor 110012 (the
 * end of a walk), since the thread's latest db_create_*_obj call; 0 when none did. Each
 * library operation starts with a create, which sets it to its own answer (0 when it made the
 * object), so a failure the library finds by itself shows no older code. A call that succeeds
 * leaves it as it was: after a remove that answered 15005, a read that finds its record still
 * shows 15005 until the next create. It tells "no such record" (15005) from a server failure
 * (15015, 15016) when the library answers both alike. An extension of this engine. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_last_error(void);

/* ---- Reset ---- */

/* Removes every record of every table and every VRF class data record, clears faults, call
 * counters, last-call captures, object accounting (made, released, bad releases) and the
 * change logs, which start again at revision 1 in a new epoch. Live objects stay valid; their iterators yield nothing further. */
SRV6DB_ENGINE_API void srv6db_engine_reset(void);

/* ---- Fault injection ---- */

#define SRV6DB_ENGINE_FAULT_NEXT_N 0u /* fail each of the next n matching calls */
#define SRV6DB_ENGINE_FAULT_NTH 1u    /* fail only the n-th matching call from now (n >= 1) */

/* Makes engine function fn (or any, SRV6DB_ENGINE_FN_ANY) of one table (or any,
 * SRV6DB_ENGINE_ANY_TABLE) answer code, in the given mode; with SRV6DB_ENGINE_FN_ANY the
 * n-th engine call of an operation can be failed whatever it is. A matching call is counted before
 * anything else is checked, so a call with a bad handle still matches a fault for any table. An
 * injected failure does nothing and answers the code (a failed create makes no object, a failed
 * release keeps the object), except an injected 13044 on write, update or remove: the change is
 * applied and 13044 answered, the answer of a full push queue (if the change itself fails, its own code
 * is answered). Up to 32 faults at once; every matching fault counts the call, the first one that
 * fires decides the code. Answers 0, SRV6DB_ENGINE_ERR_BAD_ARGUMENT (fn, mode, n or code 0) or
 * SRV6DB_ENGINE_ERR_NO_RESOURCES. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_inject_fault(uint32_t fn, uint32_t table, uint32_t code,
                                                      uint32_t mode, uint32_t n);
SRV6DB_ENGINE_API void srv6db_engine_clear_faults(void);

/* ---- Call counters ---- */

/* Calls of function fn (or of all, SRV6DB_ENGINE_FN_ANY) since the last reset, for one
 * table (0..17) or all of them
 * (SRV6DB_ENGINE_ANY_TABLE, which also counts calls whose handle named no table). Every call
 * counts, whether it succeeded, failed or was failed by an injected fault. */
SRV6DB_ENGINE_API uint64_t srv6db_engine_call_count(uint32_t fn, uint32_t table);
SRV6DB_ENGINE_API void srv6db_engine_reset_call_counts(void);

/* ---- Object accounting ---- */

typedef struct {
  uint64_t made;        /* objects created (table and VRF class data) */
  uint64_t released;    /* objects released */
  uint64_t live;        /* objects alive now (not cleared by reset) */
  uint64_t badReleases; /* releases of a null, unknown or already released handle */
} Srv6DbEngineObjectStats;

SRV6DB_ENGINE_API void srv6db_engine_object_stats(Srv6DbEngineObjectStats *out);

/* ---- Last-call capture ---- */

/* Turns key capture on (non-zero) or off. Off at load, so that keyed calls pay nothing for
 * it; a reset clears what was captured but keeps the setting. */
SRV6DB_ENGINE_API void srv6db_engine_capture_keys(uint32_t on);

typedef struct {
  uint64_t calls;     /* calls of the function captured since the last reset */
  uint32_t hasKey;    /* 0 when the last call passed a null key pair */
  uint32_t keyWord;   /* first four bytes of its key info */
  uint32_t keyLength; /* bytes captured: the key word's length, at most SRV6DB_ENGINE_MAX_KEY */
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];
} Srv6DbEngineKeyCapture;

/* The key of the most recent call, made while capture was on, of a keyed function: fn is
 * SRV6DB_ENGINE_FN_READ, UPDATE, REMOVE, COUNT or CREATE_ROOT_ITER. Answers 0 or
 * SRV6DB_ENGINE_ERR_BAD_ARGUMENT. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_last_key(uint32_t fn, Srv6DbEngineKeyCapture *out);

/* The value of the most recent valid iterator count property call, and the number of
 * property calls (valid or not) since the last reset. */
SRV6DB_ENGINE_API void srv6db_engine_iter_property_stats(uint32_t *lastCount, uint64_t *calls);

/* ---- Raw record access (no call counted, no fault, no log entry) ---- */

/* Copies the record whose primary key bytes are key (keyLength must be the table's primary
 * key length) into buf (len must be the record size). Answers 0, 15005 or an error code. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_get_record(uint32_t table, const void *key,
                                                    uint32_t keyLength, void *buf, uint32_t len);
/* Stores a record as a write would, every byte as given; keys come from the schema. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_put_record(uint32_t table, const void *record,
                                                    uint32_t len);
/* Records stored in a table (0..16, or SRV6DB_ENGINE_VRF_TABLE). */
SRV6DB_ENGINE_API uint64_t srv6db_engine_record_count(uint32_t table);
/* Bytes a table's records and indexes take now: record nodes, index buckets and hash slot
 * arrays. Freed nodes and buckets the table keeps for reuse are not counted; a reset gives
 * them back. */
SRV6DB_ENGINE_API uint64_t srv6db_engine_table_bytes(uint32_t table);

/* Called once per record, in insertion order, with the table locked: the visitor must not
 * call the engine. A non-zero answer stops the visit. */
typedef int (*Srv6DbEngineVisitor)(const void *record, uint32_t len, void *user);
SRV6DB_ENGINE_API uint32_t srv6db_engine_visit_records(uint32_t table, Srv6DbEngineVisitor visitor,
                                                       void *user);

/* ---- Change log ----
 *
 * Every change stored through db_write_obj, db_update_obj or db_remove_obj of a table (0..16)
 * gets the next revision of that table's log and is appended to it, with its kind, its primary
 * key and the record after the change (for a removal, as it was), in the same atomic step as
 * the change: under the table's lock in memory, in the same server-side function on Redis. No
 * change is stored without its entry and no entry is logged without its change, also when the
 * writer dies mid-call or its connection drops.
 *
 * Ordering. Revisions are per table, start at 1, and are dense and strictly increasing: the
 * entries of one table come in the order its changes were applied, and a consumer that holds
 * revision R needs exactly R+1 next. Per table rather than store-wide, because each table is
 * changed under its own lock (in memory) and in its own hash slot (on Redis): one counter for
 * every table would serialise writers of different tables and tie every write to one slot.
 * There is no order between tables.
 *
 * Epochs. Each log has an epoch, a number that changes whenever the store may have lost
 * changes and could hand out revisions again: a reset, a new process (in memory), a Redis
 * server restarted or failed over (see the engine page). A consumer holds (epoch, revision).
 * A read moves a cursor into the log's new epoch when the log shows that nothing the cursor
 * held was lost (its revision is not past the one the new epoch began at).
 *
 * Retention. Each log keeps at least its last N entries and trims older ones; memory is bounded
 * by N and the record size, never by consumers. N is read from SRV6DB_ENGINE_LOG_RETENTION
 * when the engine loads, and set by srv6db_engine_set_log_retention; the default,
 * SRV6DB_ENGINE_LOG_RETENTION_DEFAULT, holds a full reload of a table of 256 Ki records. On a
 * shared server each writer trims with its own N: give every process the same.
 *
 * The gap code. A read answers SRV6DB_ENGINE_ERR_LOG_GAP when, for some cursor, the log cannot
 * hand out everything after the cursor's revision: an entry after it was trimmed, the cursor's
 * epoch is not the log's, or its revision is beyond the head. Nothing is ever skipped silently:
 * such a consumer must relist (srv6db_engine_snapshot) and follow from the revision it returns.
 *
 * Reading never destroys and nothing is registered: a read hands back entries and leaves them;
 * the consumer's position is its own cursor, so a lost reply costs a repeat and a consumer that
 * dies costs nothing. A write never waits for a consumer and never fails for one: 13044 no
 * longer arises from traffic (injected faults still answer it).
 *
 * Snapshot. srv6db_engine_snapshot takes the log's head before the walk's bound (the records
 * the walk can yield), so that applying every change after that revision, in order, as upserts
 * and removals by primary key, to the records the walk yielded gives exactly the table, whatever
 * writers did meanwhile. Between the walk and the end of that catch-up a consumer's copy may
 * show some records newer than others.
 *
 * Raw record access (srv6db_engine_put_record, ..._vrf_add and the like) is not logged. */

#define SRV6DB_ENGINE_LOG_RETENTION_DEFAULT 262144u

#define SRV6DB_ENGINE_CHANGE_CREATE 0u /* write of a new primary key */
#define SRV6DB_ENGINE_CHANGE_UPDATE 1u /* write over an existing record, or update */
#define SRV6DB_ENGINE_CHANGE_REMOVE 2u

typedef struct {
  uint32_t table;
  uint32_t kind;                            /* SRV6DB_ENGINE_CHANGE_* */
  uint64_t revision;                        /* in its table's log */
  uint32_t recordLength;                    /* the table's record size */
  uint32_t keyLength;                       /* the primary key length */
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD]; /* the record after the change; removed: before */
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];       /* its primary key bytes */
} Srv6DbEngineChange;

/* A consumer's position in one table's log: it has every change up to revision. */
typedef struct {
  uint32_t table;    /* 0..16 */
  uint32_t gap;      /* set by a read that answered the gap code: 1 for this cursor's table */
  uint64_t epoch;    /* of the log the revision belongs to */
  uint64_t revision; /* the latest change held; 0: none yet */
  uint64_t lost;     /* with gap: changes lost, UINT64_MAX when unknown (another epoch) */
} Srv6DbEngineCursor;

/* Sets *cursor (its table given) to the log's head: its epoch and latest revision, a position
 * that follows every change from now on. Answers 0, SRV6DB_ENGINE_ERR_BAD_ARGUMENT or a
 * backend failure (15015). */
SRV6DB_ENGINE_API uint32_t srv6db_engine_log_head(Srv6DbEngineCursor *cursor);

/* Copies the changes after the cursors' revisions into out, up to capacity, each table's in
 * revision order (no order between tables), moves each cursor to the latest change copied for
 * its table, and sets *count. With nothing to copy it waits up to timeoutMs (0: not at all)
 * for a change of one of the tables, on the engine (a condition variable in memory, a blocking
 * read on a connection of its own on Redis), and answers 0 with *count 0 at the timeout.
 * SRV6DB_ENGINE_ERR_LOG_GAP: some cursor's changes are no longer all there; those cursors get
 * gap = 1 and lost, nothing is copied and no cursor moves. Also 15001, 15003 (no cursor, more
 * than 64, a table out of range, capacity 0), 15015. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_read_log(Srv6DbEngineCursor *cursors,
                                                  uint32_t cursorCount, Srv6DbEngineChange *out,
                                                  uint32_t capacity, uint32_t *count,
                                                  uint32_t timeoutMs);

/* Walks a table (0..16) in batches and calls visitor per record, holding no lock (the visitor
 * may call the engine), then sets *from (its table set here) to the revision to follow from.
 * A non-zero answer of the visitor stops the walk, and the call answers it. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_snapshot(uint32_t table, Srv6DbEngineVisitor visitor,
                                                  void *user, Srv6DbEngineCursor *from);

/* Sets the retention N (at least 1) for this process from now on; logs trim to it at their
 * next change. Answers 0 or SRV6DB_ENGINE_ERR_BAD_ARGUMENT. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_set_log_retention(uint32_t n);

/* ---- VRF class data ---- */

/* One VRF class data record, fields in getter order. (tableId, vrId, vrfIndex) identify it. */
typedef struct {
  uint32_t tableId;
  uint32_t producerPid;
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t topologyId;
  uint32_t vrfState;
  uint32_t vrfDataMachine;
  uint32_t vrfStateVersion;
  uint32_t vrfDataVersion;
  uint32_t smoothFlag;
  uint64_t timeStampVerifyBegin;
  uint64_t timeStampVerifyEnd;
  uint64_t timeStampAgeBegin;
  uint64_t timeStampAgeEnd;
} Srv6DbEngineVrfClassData;

/* Adds a record, replacing one with the same identity. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_vrf_add(const Srv6DbEngineVrfClassData *data);
/* Answers 0 or 15005. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_vrf_remove(uint32_t tableId, uint32_t vrId,
                                                    uint32_t vrfIndex);
SRV6DB_ENGINE_API void srv6db_engine_vrf_clear(void);

/* ---- Schema ---- */

typedef struct {
  uint32_t offset; /* record byte range */
  uint32_t length;
} Srv6DbEngineSegment;

typedef struct {
  uint32_t keyWord; /* index number << 24 | kind << 16 | key length */
  uint32_t keyLength;
  uint32_t segmentCount;
  Srv6DbEngineSegment segments[SRV6DB_ENGINE_MAX_SEGMENTS]; /* concatenated in this order */
} Srv6DbEngineIndex;

typedef struct {
  const char *name; /* the engine table word */
  uint32_t recordSize;
  uint32_t smoothIdOffset;      /* SRV6DB_ENGINE_NO_OFFSET when the table has none */
  uint32_t discriminatorOffset; /* SRV6DB_ENGINE_NO_OFFSET except srv6_xsid_prefix */
  uint32_t indexCount;          /* primary key included */
  Srv6DbEngineIndex indexes[SRV6DB_ENGINE_MAX_INDEXES]; /* [0] primary, [n] index number n */
} Srv6DbEngineSchema;

/* The schema of a table (0..16, or SRV6DB_ENGINE_VRF_TABLE). Answers 0 or
 * SRV6DB_ENGINE_ERR_BAD_ARGUMENT. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_schema(uint32_t table, Srv6DbEngineSchema *out);

/* ---- Integrity of a shared store ---- */

/* One problem srv6db_engine_check found: the table (0..17) and a line saying what is wrong. */
typedef void (*Srv6DbEngineProblem)(uint32_t table, const char *what, void *user);
/* Verifies a store that processes share (LMDB, Redis): every index entry names a record that
 * holds its key, every record is in each of its indexes once, and the counts agree. Calls
 * report (may be NULL) once per problem and sets *problems to their number; answers 0 when
 * the store could be read (problems or not), else a code. The in-memory backend answers
 * SRV6DB_ENGINE_ERR_WRONG_OPERATION: its store is private to the process, nothing to check. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_check(Srv6DbEngineProblem report, void *user,
                                               uint64_t *problems);

/* ---- Redis administration ---- */

/* Redis: loads this build's function library and deletes every other version of it, an
 * administrator's act once no process runs an older build (users without FUNCTION rights
 * answer SRV6DB_ENGINE_ERR_NO_LIBRARY until it is done). SRV6DB_ENGINE_ERR_WRONG_OPERATION on
 * the in-memory backend. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_load_functions(void);

#ifdef __cplusplus
}
#endif

#endif /* SRV6DB_ENGINE_SRV6DB_ENGINE_H */
