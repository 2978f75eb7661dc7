/* SRv6 tables: common, XSID prefixes, local SIDs, SID functions, SID next hops, port info. */
#ifndef SRV6_DB_SRV6_H
#define SRV6_DB_SRV6_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them.
 * Every table follows the conventions stated atop srv6_db.h; comments here say what differs. */

/* ---- Common table (srv6_common, table id 4) ------------------------------------------ */

typedef struct {
  uint32_t commonId;
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

SRV6_DB_API void SRV6_DB_SetCommonFields(const Srv6DbCommonEntry *entry,
                                         Srv6DbCommonRecord *record);
SRV6_DB_API void SRV6_DB_GetCommonFields(const Srv6DbCommonRecord *record,
                                         Srv6DbCommonEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetCommonPriKey(const Srv6DbCommonEntry *entry, uint32_t *keyWord,
                                         void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateCommon(const Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadCommon(Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteCommon(const Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateCommonSmoothId(const Srv6DbCommonEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetCommonSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateCommonIterator(uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextCommonEntry(Srv6DbIter *iter, Srv6DbCommonEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseCommonIterator(Srv6DbIter *iter);

/* ---- XSID prefix table (srv6_xsid_prefix, table id 5) --------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t prefix[4];
  uint32_t ipv6Addr2[4];
  uint32_t svcAddr[4];
  uint8_t svcCtx1;
  uint8_t svcCtx2;
  uint8_t reserved1[2];
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint32_t discriminator;
  uint32_t iidgIndex;
  uint8_t reserved2[4];
  uint8_t reserved3[32];
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved4[32];
  uint32_t attr6;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbXsidEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t prefix[4];    /* words byte-swapped */
  uint32_t ipv6Addr2[4]; /* words byte-swapped */
  uint32_t svcAddr[4];   /* words byte-swapped */
  uint8_t svcCtx1;
  uint8_t svcCtx2;
  uint8_t reserved1[2];
  uint32_t attr2;
  uint32_t attr3;
  uint32_t discriminator;
  uint32_t iidgIndex;
  uint32_t attr1; /* after iidgIndex, unlike in the entry */
  uint8_t reserved2[4];
  uint8_t reserved3[32];
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved4[32];
  uint32_t attr6;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbXsidRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbXsidEntry, 184);
SRV6_DB_ASSERT_SIZE(Srv6DbXsidRecord, 180);

SRV6_DB_API void SRV6_DB_SetXsidFields(const Srv6DbXsidEntry *entry, Srv6DbXsidRecord *record);
SRV6_DB_API void SRV6_DB_GetXsidFields(const Srv6DbXsidRecord *record, Srv6DbXsidEntry *entry);
/** Primary key. @return 0. */
SRV6_DB_API uint32_t SRV6_DB_SetXsidPriKey(const Srv6DbXsidEntry *entry, uint32_t *keyWord,
                                           void *keyBytes);
/** IIDG index key. */
SRV6_DB_API void SRV6_DB_SetXsidIidgHashKey(const Srv6DbXsidEntry *entry, uint32_t *keyWord,
                                            void *keyBytes);
/** Local index key. */
SRV6_DB_API void SRV6_DB_SetXsidlocalHashKey(const Srv6DbXsidEntry *entry, uint32_t *keyWord,
                                             void *keyBytes);
/** Service context index key. @return 0. */
SRV6_DB_API uint32_t SRV6_DB_SetXsidSvcKeyField(const Srv6DbXsidEntry *entry, uint32_t *keyWord,
                                                void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetXsidSmoothHashKey(const Srv6DbSmoothKey *key, uint32_t *keyWord,
                                              void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateXsid(const Srv6DbXsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadXsid(Srv6DbXsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteXsid(const Srv6DbXsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateXsidSmoothId(const Srv6DbXsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetXsidSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
/**
 * Writes the entry's discriminator into the record with the entry's primary key; nothing else.
 * @return as the smooth id update, with the engine's code from setting the discriminator.
 */
SRV6_DB_API uint32_t SRV6_DB_UpdateXsidDiscriminator(const Srv6DbXsidEntry *entry);
/** Update callback: stages the discriminator of the entry in @p ctx. @return 1 for a null ctx. */
SRV6_DB_API uint32_t SRV6_DB_SetXsidStdDiscriminator(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateXsidIterator(uint32_t count);
/** Walks the local index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateXsidIteratorByLocalHash(const Srv6DbXsidEntry *entry,
                                                              uint32_t count);
/** Walks the IIDG index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateXsidIteratorByIidg(const Srv6DbXsidEntry *entry,
                                                         uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateXsidIteratorByVrf(const Srv6DbSmoothKey *key, uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextXsidEntry(Srv6DbIter *iter, Srv6DbXsidEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseXsidIterator(Srv6DbIter *iter);
/**
 * Reads the records with the local index key of @p entry into @p entries, 184 bytes apart, as
 * many as fit wholly into @p bufLen bytes, through an iterator with count 1. The caller is not
 * told how many were written.
 * @param[in]  entry    local index key fields.
 * @param[in]  bufLen   bytes available at @p entries.
 * @param[out] entries  the records read, in the order the engine yields them.
 * @return 0 when the array is full, or when @p bufLen holds no whole entry (nothing written);
 *         60 when the records ran out first (those read stay written); 1 if the iterator
 *         cannot be made or a read fails (also for a null @p entries).
 */
SRV6_DB_API uint32_t SRV6_DB_ReadXsidByLocalHash(const Srv6DbXsidEntry *entry, uint32_t bufLen,
                                                 Srv6DbXsidEntry *entries);
/**
 * Counts the records with the local index key of @p entry.
 * @return 0 with the number in @p count; 1 for a null @p count, nothing counted; the engine's
 *         code when the count fails.
 */
SRV6_DB_API uint32_t SRV6_DB_GetXsidCountByLocalhash(const Srv6DbXsidEntry *entry, uint64_t *count);
/**
 * Counts the records with the IIDG index key of @p entry.
 * @return 0 with the number in @p count; 1 for a null @p count, counted as ParamInvalid; the
 *         engine's code when the count fails.
 */
SRV6_DB_API uint32_t SRV6_DB_CountXsidByIidgIndexHashKey(const Srv6DbXsidEntry *entry,
                                                         uint64_t *count);
/**
 * Reads the first record the service context index yields for the key fields of @p entry
 * and overwrites the whole entry with it, key fields included.
 * @return 0; 1 if no record has the key or on failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadXsidBySvcCtxKey(Srv6DbXsidEntry *entry);

/* ---- Local SID table (srv6_local_sid, table id 6) ------------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t sid[4];
  uint8_t prefixLen;
  uint8_t reserved1[3];
  uint32_t functId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t smoothId;
  uint32_t attr3;
  uint32_t attr4;
  uint64_t data1;
  uint64_t data2;
} Srv6DbLocalSidEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t sid[4]; /* words byte-swapped */
  uint8_t prefixLen;
  uint8_t reserved1[3];
  uint32_t functId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t smoothId;
  uint32_t attr3;
  uint32_t attr4;
  uint64_t data1;
  uint64_t data2;
} Srv6DbLocalSidRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbLocalSidEntry, 72);
SRV6_DB_ASSERT_SIZE(Srv6DbLocalSidRecord, 68);

SRV6_DB_API void SRV6_DB_SetLocalSidFields(const Srv6DbLocalSidEntry *entry,
                                           Srv6DbLocalSidRecord *record);
SRV6_DB_API void SRV6_DB_GetLocalSidFields(const Srv6DbLocalSidRecord *record,
                                           Srv6DbLocalSidEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetLocalSidPriKey(const Srv6DbLocalSidEntry *entry, uint32_t *keyWord,
                                           void *keyBytes);
/** Function id index key. */
SRV6_DB_API void SRV6_DB_SetLocalSidHashKeyField(const Srv6DbLocalSidEntry *entry,
                                                 uint32_t *keyWord, void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetLocalSidSmoothHashKey(const Srv6DbSmoothKey *key, uint32_t *keyWord,
                                                  void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateLocalSid(const Srv6DbLocalSidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadLocalSid(Srv6DbLocalSidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteLocalSid(const Srv6DbLocalSidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateLocalSidSmoothId(const Srv6DbLocalSidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetLocalSidSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateLocalSidIterator(uint32_t count);
/** Walks the function id index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByFunctId(const Srv6DbLocalSidEntry *entry,
                                                                uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateLocalSidIteratorByVrf(const Srv6DbSmoothKey *key,
                                                            uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextLocalSidEntry(Srv6DbIter *iter, Srv6DbLocalSidEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseLocalSidIterator(Srv6DbIter *iter);

/* ---- SID function table (srv6_sid_funct, table id 7) ---------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t functId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t portGroupId;
  uint16_t shortAttr1;
  uint16_t shortAttr2;
  uint32_t attr3;
  uint32_t attr4;
  uint32_t smoothId;
  uint32_t attr5;
  uint32_t attr6;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSidFunctEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t functId;
  uint32_t attr1;
  uint32_t attr2;
  uint16_t shortAttr2; /* the two 16-bit values swapped and before portGroupId */
  uint16_t shortAttr1;
  uint32_t portGroupId;
  uint32_t attr3;
  uint32_t attr4;
  uint8_t pad1[4]; /* never written, never read */
  uint32_t smoothId;
  uint32_t attr5;
  uint32_t attr6;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSidFunctRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbSidFunctEntry, 64);
SRV6_DB_ASSERT_SIZE(Srv6DbSidFunctRecord, 68);

SRV6_DB_API void SRV6_DB_SetSidFunctFields(const Srv6DbSidFunctEntry *entry,
                                           Srv6DbSidFunctRecord *record);
SRV6_DB_API void SRV6_DB_GetSidFunctFields(const Srv6DbSidFunctRecord *record,
                                           Srv6DbSidFunctEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetSidFunctPriKey(const Srv6DbSidFunctEntry *entry, uint32_t *keyWord,
                                           void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetSidFunctSmoothHashKey(const Srv6DbSmoothKey *key, uint32_t *keyWord,
                                                  void *keyBytes);
/** Port group index key. */
SRV6_DB_API void SRV6_DB_SetSidFunctPortGroupHashKeyField(const Srv6DbSidFunctEntry *entry,
                                                          uint32_t *keyWord, void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateSidFunct(const Srv6DbSidFunctEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadSidFunct(Srv6DbSidFunctEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteSidFunct(const Srv6DbSidFunctEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateSidFunctSmoothId(const Srv6DbSidFunctEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetSidFunctSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidFunctIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByVrf(const Srv6DbSmoothKey *key,
                                                            uint32_t count);
/** Walks the port group index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidFunctIteratorByPortGroup(const Srv6DbSidFunctEntry *entry,
                                                                  uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextSidFunctEntry(Srv6DbIter *iter, Srv6DbSidFunctEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseSidFunctIterator(Srv6DbIter *iter);

/* ---- SID next-hop table (srv6_sidnhp, table id 8) ------------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpId;
  uint32_t attr1;
  uint32_t attr2;
  uint8_t reserved1[6];
  uint16_t shortAttr1;
  uint8_t reserved2[32];
  uint32_t smoothId;
  uint32_t attr3;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSidNhpEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpId;
  uint32_t attr1;
  uint32_t attr2;
  uint8_t reserved1[6];
  uint16_t shortAttr1;
  uint8_t reserved2[32];
  uint32_t smoothId;
  uint32_t attr3;
  uint64_t data1; /* no alignment gap before it, unlike in the entry */
  uint64_t data2;
} Srv6DbSidNhpRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbSidNhpEntry, 88);
SRV6_DB_ASSERT_SIZE(Srv6DbSidNhpRecord, 84);

SRV6_DB_API void SRV6_DB_SetSidNhpFields(const Srv6DbSidNhpEntry *entry,
                                         Srv6DbSidNhpRecord *record);
SRV6_DB_API void SRV6_DB_GetSidNhpFields(const Srv6DbSidNhpRecord *record,
                                         Srv6DbSidNhpEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetSidNhpPriKey(const Srv6DbSidNhpEntry *entry, uint32_t *keyWord,
                                         void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetSidNhpSmoothHashKey(const Srv6DbSmoothKey *key, uint32_t *keyWord,
                                                void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateSidNhp(const Srv6DbSidNhpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadSidNhp(Srv6DbSidNhpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteSidNhp(const Srv6DbSidNhpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateSidNhpSmoothId(const Srv6DbSidNhpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetSidNhpSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidNhpIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidNhpIteratorByVrf(const Srv6DbSmoothKey *key,
                                                          uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextSidNhpEntry(Srv6DbIter *iter, Srv6DbSidNhpEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseSidNhpIterator(Srv6DbIter *iter);

/* ---- Port information table (srv6_portinfo, table id 9) ------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t portGroupId;
  uint32_t ndAddr[4];
  uint32_t l3IfIndex;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint16_t shortAttr1;
  uint8_t byteAttr1;
  uint8_t spare; /* not carried */
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbPortInfoEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t portGroupId;
  uint32_t ndAddr[4]; /* words byte-swapped */
  uint32_t l3IfIndex;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint16_t shortAttr1;
  uint8_t byteAttr1;
  uint8_t pad1[1]; /* never written, never read */
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbPortInfoRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbPortInfoEntry, 104);
SRV6_DB_ASSERT_SIZE(Srv6DbPortInfoRecord, 104);

/**
 * Called by SRV6_DB_ReadPortInfoByPortGroupHashKey for each record of the port group.
 * @param[in] entry     the record, valid only during the call.
 * @param[in] userData  the caller's pointer, passed through.
 * @return 0 to go on; anything else stops the walk (60 stops it as if the records ran out).
 */
typedef uint32_t (*Srv6DbPortInfoVisitor)(Srv6DbPortInfoEntry *entry, void *userData);

SRV6_DB_API void SRV6_DB_SetPortInfoFields(const Srv6DbPortInfoEntry *entry,
                                           Srv6DbPortInfoRecord *record);
SRV6_DB_API void SRV6_DB_GetPortInfoFields(const Srv6DbPortInfoRecord *record,
                                           Srv6DbPortInfoEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetPortInfoPriKey(const Srv6DbPortInfoEntry *entry, uint32_t *keyWord,
                                           void *keyBytes);
/** Port group index key. */
SRV6_DB_API void SRV6_DB_SetPortInfoPortGroupHashkey(const Srv6DbPortInfoEntry *entry,
                                                     uint32_t *keyWord, void *keyBytes);
/** ND refresh index key. No VRF is part of it: records of several VRFs may share it. */
SRV6_DB_API void SRV6_DB_SetPortInfoNdRefreshHashkey(const Srv6DbPortInfoEntry *entry,
                                                     uint32_t *keyWord, void *keyBytes);
/** L3 interface index key. */
SRV6_DB_API void SRV6_DB_SetPortInfoL3ifHashkey(const Srv6DbPortInfoEntry *entry, uint32_t *keyWord,
                                                void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetPortInfoSmoothHashKey(const Srv6DbSmoothKey *key, uint32_t *keyWord,
                                                  void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreatePortInfo(const Srv6DbPortInfoEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadPortInfo(Srv6DbPortInfoEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeletePortInfo(const Srv6DbPortInfoEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdatePortInfoSmoothId(const Srv6DbPortInfoEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetPortInfoSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
/**
 * Counts the records with the ND refresh index key of @p entry.
 * @return 0 with the number in @p count; 1 for a null @p count, nothing counted; the engine's
 *         code when the count fails.
 */
SRV6_DB_API uint32_t SRV6_DB_CountPortInfoByNdRefreshHashKey(const Srv6DbPortInfoEntry *entry,
                                                             uint64_t *count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePortInfoIterator(uint32_t count);
/** Iterates the records with the port group index key of @p entry ("Iteratory" as exported). */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByPortGroup(const Srv6DbPortInfoEntry *entry,
                                                                   uint32_t count);
/** Iterates the records with the L3 interface index key of @p entry ("Iteratory" as exported). */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByL3if(const Srv6DbPortInfoEntry *entry,
                                                              uint32_t count);
/** Iterates the records with the ND refresh index key of @p entry ("Iteratory" as exported). */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePortInfoIteratoryByNdRefreshHashKey(
    const Srv6DbPortInfoEntry *entry, uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePortInfoIteratorByVrf(const Srv6DbSmoothKey *key,
                                                            uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextPortInfoEntry(Srv6DbIter *iter, Srv6DbPortInfoEntry *entry);
SRV6_DB_API void SRV6_DB_ReleasePortInfoIterator(Srv6DbIter *iter);
/**
 * Calls @p visitor for each record with the port group index key of @p entry, through an
 * iterator with count 1; one zeroed working entry serves every record.
 * @return 0 when every record was visited or the visitor answered 60; 1 for a null
 *         @p visitor (before any engine work), if the iterator cannot be made or a read
 *         fails; otherwise the visitor's own non-zero answer, which ended the walk.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadPortInfoByPortGroupHashKey(const Srv6DbPortInfoEntry *entry,
                                                            Srv6DbPortInfoVisitor visitor,
                                                            void *userData);

#endif /* SRV6_DB_SRV6_H */
