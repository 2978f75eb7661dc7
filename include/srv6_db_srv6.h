/* SRv6 tables: common, XSID prefixes, local SIDs, SID functions, SID next hops, port info. */
#ifndef SRV6_DB_SRV6_H
#define SRV6_DB_SRV6_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them. */

/* ---- Common table (srv6_common, table id 4) ------------------------------------------ */

typedef struct {
  uint32_t commonId; /* primary key */
  uint8_t attr1;
  uint8_t attr2;
  uint8_t attr3;
  uint8_t attr4;
  uint32_t ipv6Addr1[4];
  uint32_t ipv6Addr2[4];
  uint8_t attr5;
  uint8_t attr6;
  uint8_t attr7;
  uint8_t attr8;
  uint16_t attr9;
  uint16_t attr10;
  uint8_t attr11;
  uint8_t attr12;
  uint8_t spare[2]; /* not carried */
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbCommonEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t commonId;
  uint8_t attr1;
  uint8_t attr2;
  uint8_t attr3;
  uint8_t attr4;
  uint32_t ipv6Addr1[4]; /* words byte-swapped */
  uint32_t ipv6Addr2[4]; /* words byte-swapped */
  uint8_t attr5;
  uint8_t attr6;
  uint8_t attr7;
  uint8_t attr8;
  uint16_t attr9;
  uint16_t attr10;
  uint8_t attr11;
  uint8_t attr12;
  uint8_t pad1[2]; /* never written */
  uint8_t octets[36];
  uint8_t pad2[4]; /* never written */
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbCommonRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbCommonEntry, 112);
SRV6_DB_ASSERT_SIZE(Srv6DbCommonRecord, 112);

/** Converts an entry into its engine record (the record area is zeroed by the caller). */
SRV6_DB_API void SRV6_DB_SetCommonFields(const Srv6DbCommonEntry *entry,
                                         Srv6DbCommonRecord *record);
/** Converts an engine record into an entry; spare is left as it was. */
SRV6_DB_API void SRV6_DB_GetCommonFields(const Srv6DbCommonRecord *record,
                                         Srv6DbCommonEntry *entry);
/** Primary key: key word 0x00010004, 4 bytes: commonId. */
SRV6_DB_API void SRV6_DB_SetCommonPriKey(const Srv6DbCommonEntry *entry, uint32_t *keyWord,
                                         void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateCommon(const Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadCommon(Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteCommon(const Srv6DbCommonEntry *entry);
/** Writes the entry's smoothId into the record with the entry's commonId; nothing else. */
SRV6_DB_API uint32_t SRV6_DB_UpdateCommonSmoothId(const Srv6DbCommonEntry *entry);
/** Update callback: stages the smoothId of the entry in @p ctx. @return 1 for a null ctx. */
SRV6_DB_API uint32_t SRV6_DB_SetCommonSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateCommonIterator(uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextCommonEntry(Srv6DbIter *iter, Srv6DbCommonEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseCommonIterator(Srv6DbIter *iter);

#endif /* SRV6_DB_SRV6_H */
