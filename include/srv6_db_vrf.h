/* VRF class data walk: a read-only walk over the engine's VRF class data records. */
#ifndef SRV6_DB_VRF_H
#define SRV6_DB_VRF_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/*
 * The walk stands beside the tables: no table id, no key, no statistic. Failures go to errLog
 * only, with messages that carry no "[SRV6] [DB] " prefix.
 */

/** One VRF class data record, each field as the engine's getter of that name reports it. */
typedef struct {
  uint32_t tableId; /* the engine's value for the record, not a registry table id */
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
} Srv6DbVrfClassData;
SRV6_DB_ASSERT_SIZE(Srv6DbVrfClassData, 72);

/**
 * Creates an iterator over every VRF class data record. A @p count other than 4294967295 is
 * set as the engine iterator's count.
 * @return a handle to release with SRV6_DB_ReleaseVrfClassDataIterator, or null on failure
 *         (one message logged, nothing left to release).
 */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateVrfClassDataIterator(uint32_t count);
/**
 * Reads the next record into @p data. A getter that fails does not fail the record: its
 * field holds whatever the engine left there and the combined code is logged.
 * @return 0; 60 when the walk is over; 1 for a null argument or when the engine cannot step.
 */
SRV6_DB_API uint32_t SRV6_DB_GetNextVrfClassData(Srv6DbIter *iter, Srv6DbVrfClassData *data);
/** Releases the engine object of @p iter and frees the handle; null does nothing. */
SRV6_DB_API void SRV6_DB_ReleaseVrfClassDataIterator(Srv6DbIter *iter);
/**
 * Reads every field of the record @p dbObj stands on into @p data, calling all fourteen
 * getters in field order whatever each answers; logs the OR of their codes if it is not zero.
 * A null @p data does nothing.
 */
SRV6_DB_API void SRV6_DB_GetVrfClassDataItem(void *dbObj, Srv6DbVrfClassData *data);

#endif /* SRV6_DB_VRF_H */
