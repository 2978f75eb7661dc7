/* Control interface of the in-memory engine: test hooks, fault injection, push queue, raw access.
 */
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
#define SRV6DB_ENGINE_ERR_NO_RESOURCES 15012u   /* object pool, fault slots or subscribers full */
#define SRV6DB_ENGINE_ERR_QUEUE_EMPTY 15013u    /* srv6db_engine_poll_change: nothing queued */
#define SRV6DB_ENGINE_ERR_BAD_URL 15014u        /* the Redis backend's URL does not parse */
#define SRV6DB_ENGINE_ERR_UNAVAILABLE 15015u    /* Redis unreachable, connection lost, timed out */
#define SRV6DB_ENGINE_ERR_SERVER 15016u         /* Redis answered an error (memory, read-only) */

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

/* Chooses the backend: NULL, "" or "memory" the in-memory one; "redis://host:port[/db]" or
 * "unix:///path/to/redis.sock[?db=N]" a shared Redis server. The library reads SRV6DB_ENGINE
 * the same way when it loads; call this before any other engine call. A URL that does not
 * parse answers SRV6DB_ENGINE_ERR_BAD_URL here and from every later call (no fall-back).
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
 * counters, last-call captures, object accounting (made, released, bad releases) and
 * subscribers. Live objects stay valid; their iterators yield nothing further. */
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
 * applied and 13044 answered, as a full push queue does (if the change itself fails, its own code
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

/* ---- Raw record access (no call counted, no fault, no push queue entry) ---- */

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

/* ---- Push queue ---- */

#define SRV6DB_ENGINE_CHANGE_CREATE 0u /* write of a new primary key */
#define SRV6DB_ENGINE_CHANGE_UPDATE 1u /* write over an existing record, or update */
#define SRV6DB_ENGINE_CHANGE_REMOVE 2u

typedef struct {
  uint32_t table;
  uint32_t kind;                            /* SRV6DB_ENGINE_CHANGE_* */
  uint32_t recordLength;                    /* the table's record size */
  uint32_t keyLength;                       /* the primary key length */
  uint8_t record[SRV6DB_ENGINE_MAX_RECORD]; /* the record after the change; removed: before */
  uint8_t key[SRV6DB_ENGINE_MAX_KEY];       /* its primary key bytes */
} Srv6DbEngineChange;

/* Attaches a queue of capacity changes (1..65536). Every change stored through db_write_obj,
 * db_update_obj or db_remove_obj is queued for every subscriber, in the order the changes
 * were applied to each table; when a subscriber's queue is full the change is still applied,
 * dropped for that subscriber, and the call answers 13044. Up to 8 subscribers. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_subscribe(uint32_t capacity, uint32_t *subscriber);
/* Takes the oldest change; SRV6DB_ENGINE_ERR_QUEUE_EMPTY when there is none. */
SRV6DB_ENGINE_API uint32_t srv6db_engine_poll_change(uint32_t subscriber, Srv6DbEngineChange *out);
SRV6DB_ENGINE_API uint32_t srv6db_engine_unsubscribe(uint32_t subscriber);

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

#ifdef __cplusplus
}
#endif

#endif /* SRV6DB_ENGINE_SRV6DB_ENGINE_H */
