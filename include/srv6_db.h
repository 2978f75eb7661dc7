/* srv6db: typed access to the SRv6 and SRv6-TE tables of the shared storage engine.
 *
 * Conventions. Every function returns a uint32_t result code (0 success, 1 failure, 60 no such
 * record or end of iteration) or a handle, allocates nothing but iterator handles, and keeps no
 * pointer to what the caller passes: the caller owns every entry, key area and buffer.
 *
 * Every table <T> has an entry type Srv6Db<T>Entry (the caller's view, natural alignment, IPv6
 * addresses as four host-order words) and a record type Srv6Db<T>Record (the engine's bytes,
 * packed to 4, each IPv6 word byte-swapped), and these functions:
 *  - SRV6_DB_Set<T>Fields(entry, record) / SRV6_DB_Get<T>Fields(record, entry) convert between
 *    them. Record bytes no entry field maps to are never written (the caller zeroes the record
 *    area); entry bytes no record field maps to (spare) are never read back.
 *  - SRV6_DB_Set<T>PriKey and SRV6_DB_Set<T>...Key build a key: the key word (bits 31-24 the
 *    index number, 0 for the primary key; 23-16 the kind, 0x01 primary, 0x09 secondary; 15-0
 *    the length) and exactly the key's bytes: its parts back to back, IPv6 words byte-swapped
 *    as in the record. Which fields make each key, in which order, is the table's description
 *    (the source's schema/ folder; `srv6db tables` lists every key); the index number is the
 *    key's place in the table's list, primary first. A null argument writes nothing.
 *  - SRV6_DB_Create<T>(entry) stores the entry; a record with the same primary key is
 *    replaced. 0 (also when the engine's push queue is full) or 1.
 *  - SRV6_DB_Read<T>(entry) reads the record with the entry's primary key fields into it:
 *    0; 60 if no record has the key; 1.
 *  - SRV6_DB_Delete<T>(entry) removes the record with the entry's primary key fields: 0, or 1
 *    on a failure, also when no record has the key.
 *  - SRV6_DB_Update<T>SmoothId(entry) writes the entry's smoothId into the record with the
 *    entry's primary key, nothing else; SRV6_DB_Set<T>SmoothID(ctx, dbObj) is its update
 *    callback, staging the smoothId of the entry in ctx (1 for a null ctx).
 *  - SRV6_DB_Create<T>Iterator(count) walks the whole table, SRV6_DB_Create<T>IteratorBy<X>
 *    the records of one secondary key (null for a null key input). Either returns a handle,
 *    allocated through the memory hook and owned by the caller until SRV6_DB_Release<T>Iterator
 *    (which ignores null), or null on a failure. A count other than all bits set is handed to
 *    the engine as a batch-size hint. SRV6_DB_GetNext<T>Entry(iter, entry) reads the next
 *    record: 0; 60 when the iteration is over; 1.
 *  - Delete and update read only the entry's key fields. A null entry gives 1 (or no handle)
 *    with nothing counted. On any non-zero result the entry is left untouched.
 * Failures past these checks are counted and logged by the generic operations below. */
#ifndef SRV6_DB_H
#define SRV6_DB_H

#include <stddef.h>
#include <stdint.h>

/* The library's version, the package's; its names carry the symbol node SRV6DB_<major>.<minor>. */
#define SRV6DB_VERSION_MAJOR 1
#define SRV6DB_VERSION_MINOR 0
#define SRV6DB_VERSION_PATCH 0

#if defined(__GNUC__)
#define SRV6_DB_API __attribute__((visibility("default")))
#else
#define SRV6_DB_API
#endif

#ifdef __cplusplus
#define SRV6_DB_ASSERT_SIZE(type, size) \
  static_assert(sizeof(type) == (size), #type " must be " #size " bytes")
#else
#define SRV6_DB_ASSERT_SIZE(type, size) \
  _Static_assert(sizeof(type) == (size), #type " must be " #size " bytes")
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes --------------------------------------------------------------------- */

#define SRV6_DB_OK 0u         /* success */
#define SRV6_DB_ERR 1u        /* failure; the reason is in the statistics and the error log */
#define SRV6_DB_NOT_FOUND 60u /* no record has this key, or the iteration is over */

/* An iterator count of all bits set asks for no count on the engine iterator. */
#define SRV6_DB_ITER_NO_COUNT 0xFFFFFFFFu

/* ---- Shared types --------------------------------------------------------------------- */

#define SRV6_DB_TABLE_NUM 17u /* table ids 0 to 16 */

#define SRV6_DB_TABLE_POLICY 0u
#define SRV6_DB_TABLE_CANDIPATH 1u
#define SRV6_DB_TABLE_SIDSTACK 2u
#define SRV6_DB_TABLE_IID 3u
#define SRV6_DB_TABLE_COMMON 4u
#define SRV6_DB_TABLE_XSID_PREFIX 5u
#define SRV6_DB_TABLE_LOCAL_SID 6u
#define SRV6_DB_TABLE_SID_FUNCT 7u
#define SRV6_DB_TABLE_SIDNHP 8u
#define SRV6_DB_TABLE_PORTINFO 9u
#define SRV6_DB_TABLE_FLOW_GRP 10u
#define SRV6_DB_TABLE_FLOW_GRP_TNL 11u
#define SRV6_DB_TABLE_FLOW_GRP_MAP 12u
#define SRV6_DB_TABLE_SPR_TNL 13u
#define SRV6_DB_TABLE_SPR_TNL_GRP 14u
#define SRV6_DB_TABLE_BSID 15u
#define SRV6_DB_TABLE_TRASTAT 16u

/** Key input of every iterator by VRF; each table decides the order of the words in its key. */
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t smoothId;
} Srv6DbSmoothKey;
SRV6_DB_ASSERT_SIZE(Srv6DbSmoothKey, 12);

/* ---- Hooks, time, IPv6 conversion and statistics -------------------------------------- */

/** Memory hooks, used for iterator handles only. Defaults: the C library's malloc and free. */
typedef struct {
  void *(*mallocFunc)(size_t size);
  void (*freeFunc)(void *ptr);
} Srv6DbMemCallback;

#if defined(__GNUC__)
#define SRV6_DB_PRINTF_LIKE __attribute__((format(printf, 1, 2)))
#else
#define SRV6_DB_PRINTF_LIKE
#endif

/** A printf-style log hook; the library passes at most one value after the format. */
typedef void (*Srv6DbLogFunc)(const char *format, ...) SRV6_DB_PRINTF_LIKE;

/** Log hooks; both absent at load. errLog receives every logged failure. */
typedef struct {
  Srv6DbLogFunc infoLog;
  Srv6DbLogFunc errLog;
} Srv6DbLogCallBack;

#define SRV6_DB_STAT_NUM 22u /* statistic ids 0 to 21 */

#define SRV6_DB_STAT_CREATE_DB_FAILED 0u
#define SRV6_DB_STAT_READ_DB_FAILED 1u
#define SRV6_DB_STAT_UPDATE_DB_FAILED 2u
#define SRV6_DB_STAT_DELETE_DB_FAILED 3u
#define SRV6_DB_STAT_COUNT_DB_FAILED 4u
#define SRV6_DB_STAT_CREATE_ITER_FAILED 5u
#define SRV6_DB_STAT_ITER_NEXT_FAILED 6u
#define SRV6_DB_STAT_MEM_ALLOC_FAILED 7u
#define SRV6_DB_STAT_SET_ITER_CNT_FAILED 8u
#define SRV6_DB_STAT_SET_FIELD_FAILED 9u
#define SRV6_DB_STAT_GET_FIELD_FAILED 10u
#define SRV6_DB_STAT_WRITE_OBJ_FAILED 11u
#define SRV6_DB_STAT_READ_OBJ_FAILED 12u
#define SRV6_DB_STAT_UPDATE_OBJ_FAILED 13u
#define SRV6_DB_STAT_REMOVE_FAILED 14u
#define SRV6_DB_STAT_STATIS_OBJ_FAILED 15u
#define SRV6_DB_STAT_QUERY_OBJ_FAILED 16u
#define SRV6_DB_STAT_SUB_PUSH_FAILED 17u
#define SRV6_DB_STAT_QUERY_NO_EXIST 18u
#define SRV6_DB_STAT_UPDATE_NO_EXIST 19u
#define SRV6_DB_STAT_PARAM_INVALID 20u
#define SRV6_DB_STAT_GLB_CTL_INVALID 21u

/** One row per statistic: its name and whether an increment records the time. */
typedef struct {
  const char *statName;
  uint32_t timeStampEnable;
} Srv6DbStatDesc;

/** Time of day: seconds since the epoch and microseconds, each cut to 32 bits. */
typedef struct {
  uint32_t sec;
  uint32_t usec;
} Srv6DbStatTime;
SRV6_DB_ASSERT_SIZE(Srv6DbStatTime, 8);

/** One statistic of one table: count (wraps), time of the latest increment, counted once. */
typedef struct {
  uint32_t count;
  Srv6DbStatTime time;
  uint32_t updated;
} Srv6DbStatEntry;
SRV6_DB_ASSERT_SIZE(Srv6DbStatEntry, 16);

/** Memory hooks, writable; SRV6_DB_InitMem copies a pair in. */
SRV6_DB_API extern Srv6DbMemCallback g_srv6DbMemCallback;
/** Log hooks, writable; SRV6_DB_LogFuncInit copies a pair in. */
SRV6_DB_API extern Srv6DbLogCallBack g_Srv6DbLogCallBack;
/** Statistic descriptors, indexed by statistic id. */
SRV6_DB_API extern Srv6DbStatDesc g_srv6DbStatDesc[SRV6_DB_STAT_NUM];
/** Failure statistics, indexed by table id and statistic id; zero at load, never reset. */
SRV6_DB_API extern Srv6DbStatEntry g_srv6DbStat[SRV6_DB_TABLE_NUM][SRV6_DB_STAT_NUM];

/** Copies both memory hooks from @p mem; a null @p mem changes nothing. */
SRV6_DB_API void SRV6_DB_InitMem(const Srv6DbMemCallback *mem);
/** Allocates through the memory hook; null if the hook is absent or fails. */
SRV6_DB_API void *SRV6_DB_Malloc(uint32_t size);
/** Frees through the memory hook; nothing happens if the hook is absent. */
SRV6_DB_API void SRV6_DB_Free(void *ptr);
/**
 * Copies both log hooks from @p log (either may be null, which silences it).
 * @return 0; 1 for a null @p log, hooks unchanged.
 */
SRV6_DB_API uint32_t SRV6_DB_LogFuncInit(const Srv6DbLogCallBack *log);
/** @return the installed info log hook, or null. The library itself never logs through it. */
SRV6_DB_API Srv6DbLogFunc SRV6_DB_GetInfoLogCallBack(void);
/** @return the installed error log hook, or null. */
SRV6_DB_API Srv6DbLogFunc SRV6_DB_GetErrLogCallBack(void);
/** @return the calendar time in seconds since the epoch. */
SRV6_DB_API int64_t SRV6_DB_GetSysTime(void);
/**
 * IPv6 word conversion between entry and record: each of the four 32-bit words of @p src is
 * written to @p dst with its bytes reversed; the words keep their order. @p dst may equal
 * @p src. Applying it twice gives back the original bytes. A null pointer does nothing.
 */
SRV6_DB_API void SRV6_DB_SetIpaddr(void *dst, const void *src);
/**
 * Adds @p amount to the cell (@p tableId, @p statId), marks it updated and, if the statistic's
 * descriptor asks for it, records the time. Out-of-range ids or a zero amount change nothing.
 * Safe to call from several threads at once: no increment is lost.
 */
SRV6_DB_API void SRV6_DB_SetStat(uint32_t tableId, uint32_t statId, uint32_t amount);
/** Stores the time of day in @p time; null does nothing. */
SRV6_DB_API void SRV6_STAT_SetTimeStamp(Srv6DbStatTime *time);
/** @return the cell (@p tableId, @p statId); null if tableId > 16 or statId > 21. */
SRV6_DB_API Srv6DbStatEntry *SRV6_DB_GetStat(uint16_t tableId, uint16_t statId);
/** @return the descriptor of @p statId; null if statId > 21. */
SRV6_DB_API Srv6DbStatDesc *SRV6_DB_GetDbStatDesc(uint32_t statId);

/* ---- Registry and generic record operations -------------------------------------------- */

/** Makes the engine object of one operation with the given operation code; 0 is success. */
typedef uint32_t (*Srv6DbCreateObjFunc)(uint32_t opCode, uint32_t reserved, void **dbObj);
/** Frees an engine object and any root iterator made on it; the result is ignored. */
typedef uint32_t (*Srv6DbObjFunc)(void *dbObj);
/** Sets a whole engine record on an object; 0 is success. */
typedef uint32_t (*Srv6DbSetAllFieldsFunc)(void *dbObj, const void *record, uint32_t len);
typedef void (*Srv6DbReservedFunc)(void);

/** One registry row: the engine's per-table object functions. */
typedef struct {
  const char *tableName;
  Srv6DbCreateObjFunc createDbObj;
  Srv6DbObjFunc releaseDbObj;
  Srv6DbObjFunc resetDbObj; /* bound, never called */
  Srv6DbSetAllFieldsFunc setDbAllFields;
  Srv6DbReservedFunc reservedFunc1;
  Srv6DbReservedFunc reservedFunc2;
} Srv6DbGlbCtl;

/**
 * Key descriptor. keyInfo points at a zeroed 16-byte area whose first four bytes hold the key
 * word (bits 31-24 index number, 23-16 kind: 0x01 primary, 0x09 secondary; 15-0 length);
 * keyData at the key bytes. All four fields zero select the whole table (iterators only).
 */
typedef struct {
  void *keyInfo;
  uint32_t keyInfoLen;
  void *keyData;
  uint32_t keyDataLen;
} Srv6DbKey;

#define SRV6_DB_KEY_INFO_LEN 16u
#define SRV6_DB_KEY_WORD(index, kind, len) \
  ((uint32_t)(((uint32_t)(index) << 24) | ((uint32_t)(kind) << 16) | (uint32_t)(len)))

/** Record buffer descriptor: an engine record and its size. */
typedef struct {
  void *data;
  uint32_t len;
} Srv6DbBuf;

/** Handed unchanged to an update callback: the caller's entry and its size. */
typedef struct {
  const void *entry;
  uint32_t entrySize;
} Srv6DbUpdateCtx;

/** Stages the fields an update changes on the engine object; 0 is success. */
typedef uint32_t (*Srv6DbSetUpdateFieldsFunc)(Srv6DbUpdateCtx *ctx, void *dbObj);

/** The registry, indexed by table id; writable (a cleared slot makes the row invalid). */
SRV6_DB_API extern Srv6DbGlbCtl g_srv6DbGlbCtl[SRV6_DB_TABLE_NUM];

/*
 * The generic operations below share one frame: a table id above 16 returns 1 at once and
 * counts nothing; a null argument they need counts ParamInvalid and returns 1; a registry row
 * without createDbObj or releaseDbObj counts GlbCtlInvalid; each makes exactly one engine
 * object, releases it on every path, counts every failure in g_srv6DbStat and logs it through
 * errLog with the table id. A push-queue-full answer counts SubPushFailed and is success.
 */

/** @return the registry row of @p tableId, or null if tableId > 16. */
SRV6_DB_API Srv6DbGlbCtl *SRV6_DB_GetGlbCtl(uint32_t tableId);
/** Writes the record in @p buf. @return 0 (also when the push queue is full) or 1. */
SRV6_DB_API uint32_t SRV6_DB_Create(uint32_t tableId, const Srv6DbBuf *buf);
/** Reads the record with @p key into @p buf. @return 0; 60 if no record has it; 1. */
SRV6_DB_API uint32_t SRV6_DB_Read(uint32_t tableId, const Srv6DbKey *key, const Srv6DbBuf *buf);
/**
 * Updates the record with @p key: @p setUpdateFields stages the fields on the engine object.
 * @return 0; the callback's own non-zero result; 1 (also when no record has the key).
 */
SRV6_DB_API uint32_t SRV6_DB_Update(uint32_t tableId, const Srv6DbKey *key, Srv6DbUpdateCtx *ctx,
                                    Srv6DbSetUpdateFieldsFunc setUpdateFields);
/** Removes the record with @p key. @return 0 or 1 (also when no record has the key). */
SRV6_DB_API uint32_t SRV6_DB_Delete(uint32_t tableId, const Srv6DbKey *key);
/**
 * Counts the records with @p key into @p count. @return 0; 1; or the engine's own failing
 * code, with @p count untouched.
 */
SRV6_DB_API uint32_t SRV6_DB_CountByKey(uint32_t tableId, const Srv6DbKey *key, uint64_t *count);
/**
 * Reads the first record a secondary index yields for @p key into @p buf.
 * @return 0; 1 if the key matches nothing or on failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadUniqueHash(uint32_t tableId, const Srv6DbKey *key,
                                            const Srv6DbBuf *buf);

/* ---- Iterators ------------------------------------------------------------------------ */

/** Iterator handle, allocated through the memory hook; the caller owns it until release. */
typedef struct {
  void *dbObj;
  void *rootIter;
} Srv6DbIter;

/**
 * Creates an iterator over the records @p key selects (all four fields zero: the whole
 * table). A @p count other than -1 is set as the engine iterator's count.
 * @return a handle to release with SRV6_DB_ReleaseIterator, or null on failure.
 */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateIteratorByKey(uint32_t tableId, int32_t count,
                                                    const Srv6DbKey *key);
/** Creates an iterator over the whole table. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateIterator(uint32_t tableId, uint32_t count);
/** Reads the next record into @p buf. @return 0; 60 when the iteration is over; 1. */
SRV6_DB_API uint32_t SRV6_DB_GetNextEntry(uint32_t tableId, Srv6DbIter *iter, const Srv6DbBuf *buf);
/** Releases the engine object of @p iter and frees the handle; tableId > 16 does nothing. */
SRV6_DB_API void SRV6_DB_ReleaseIterator(uint32_t tableId, Srv6DbIter *iter);

/* ---- Tables ---------------------------------------------------------------------------- */

/* Each table follows the conventions stated at the top of this file; under each table's
 * heading a comment marks only what differs from them. */

#include "srv6_db_srv6.h"
#include "srv6_db_srv6te.h"
#include "srv6_db_te.h"

/* ---- VRF class data walk -------------------------------------------------------------- */

#include "srv6_db_vrf.h"

#ifdef __cplusplus
}
#endif

#endif /* SRV6_DB_H */
