/* TE flow group and SR tunnel tables. */
#ifndef SRV6_DB_TE_H
#define SRV6_DB_TE_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them.
 * Every table follows the conventions stated atop srv6_db.h; comments here say what differs. */

/* ---- Flow group table (te_flow_grp, table id 10) ------------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t grpId;
  uint8_t grpType;
  uint8_t byte1;
  uint32_t attr1;
  uint32_t ipv6Addr1[4];
  uint32_t attr2;
  uint32_t attr3;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbFlowGrpEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t grpId;
  uint8_t grpType;
  uint8_t byte1;
  uint8_t pad1[2]; /* never written */
  uint32_t attr1;
  uint32_t ipv6Addr1[4]; /* words byte-swapped */
  uint32_t attr2;
  uint32_t attr3;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbFlowGrpRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpEntry, 64);
SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpRecord, 64);

SRV6_DB_API void SRV6_DB_SetFlowGrpFields(const Srv6DbFlowGrpEntry *entry,
                                          Srv6DbFlowGrpRecord *record);
SRV6_DB_API void SRV6_DB_GetFlowGrpFields(const Srv6DbFlowGrpRecord *record,
                                          Srv6DbFlowGrpEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpPriKey(const Srv6DbFlowGrpEntry *entry, uint32_t *keyWord,
                                          void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpSmoothHashKey(const Srv6DbSmoothKey *smoothKey,
                                                 uint32_t *keyWord, void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateFlowGrp(const Srv6DbFlowGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadFlowGrp(Srv6DbFlowGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteFlowGrp(const Srv6DbFlowGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateFlowGrpSmoothId(const Srv6DbFlowGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetFlowGrpSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                           uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextFlowGrpEntry(Srv6DbIter *iter, Srv6DbFlowGrpEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseFlowGrpIterator(Srv6DbIter *iter);

/* ---- Flow group tunnel table (te_flow_grp_tnl, table id 11) -------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tnlKeyId;
  uint32_t combineIndex[3];
  uint8_t tnlKeyByte;
  uint8_t grpType;
  uint8_t tnlType;
  uint32_t grpId;
  uint32_t iidGroupId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint8_t reserved1[4];
  uint8_t block1[16];
  uint8_t block2[16];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr4;
} Srv6DbFlowGrpTnlEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tnlKeyId;
  uint32_t combineIndex[3];
  uint8_t tnlKeyByte;
  uint8_t grpType;
  uint8_t tnlType;
  uint8_t pad1[1]; /* never written */
  uint32_t grpId;
  uint32_t iidGroupId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint8_t reserved1[4];
  uint8_t block1[16];
  uint8_t block2[16];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr4;
} Srv6DbFlowGrpTnlRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpTnlEntry, 112);
SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpTnlRecord, 108);

/** Converts an entry into its engine record; block1 and block2 go as bytes, unswapped. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlFields(const Srv6DbFlowGrpTnlEntry *entry,
                                             Srv6DbFlowGrpTnlRecord *record);
SRV6_DB_API void SRV6_DB_GetFlowGrpTnlFields(const Srv6DbFlowGrpTnlRecord *record,
                                             Srv6DbFlowGrpTnlEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlPriKey(const Srv6DbFlowGrpTnlEntry *entry, uint32_t *keyWord,
                                             void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlSmoothHashKey(const Srv6DbSmoothKey *smoothKey,
                                                    uint32_t *keyWord, void *keyBytes);
/** Combine index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlCombineHashKey(const Srv6DbFlowGrpTnlEntry *entry,
                                                     uint32_t *keyWord, void *keyBytes);
/** Group index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlKey2HashKey(const Srv6DbFlowGrpTnlEntry *entry,
                                                  uint32_t *keyWord, void *keyBytes);
/** Tunnel type index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlKey1Key2HashKey(const Srv6DbFlowGrpTnlEntry *entry,
                                                      uint32_t *keyWord, void *keyBytes);
/** IID group index key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpTnlKey3HashKey(const Srv6DbFlowGrpTnlEntry *entry,
                                                  uint32_t *keyWord, void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateFlowGrpTnl(const Srv6DbFlowGrpTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadFlowGrpTnl(Srv6DbFlowGrpTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteFlowGrpTnl(const Srv6DbFlowGrpTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateFlowGrpTnlSmoothId(const Srv6DbFlowGrpTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetFlowGrpTnlSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                              uint32_t count);
/** Walks the tunnel type index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByTnlTypeId(
    const Srv6DbFlowGrpTnlEntry *entry, uint32_t count);
/** Walks the IID group index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByIidGroupId(
    const Srv6DbFlowGrpTnlEntry *entry, uint32_t count);
/** Walks the group index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByGrpId(const Srv6DbFlowGrpTnlEntry *entry,
                                                                uint32_t count);
/** Walks the combine index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpTnlIteratorByCombineIndex(
    const Srv6DbFlowGrpTnlEntry *entry, uint32_t count);
/**
 * Counts the records of the entry's IID group (the key of the iterator by IID group).
 * @return 0; 1 for a null entry (count untouched) or a null @p count (counted ParamInvalid);
 *         or the engine's own failing code, count untouched.
 */
SRV6_DB_API uint32_t SRV6_DB_CountFlowGrpTnlByIidGroupId(const Srv6DbFlowGrpTnlEntry *entry,
                                                         uint64_t *count);
SRV6_DB_API uint32_t SRV6_DB_GetNextFlowGrpTnlEntry(Srv6DbIter *iter, Srv6DbFlowGrpTnlEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseFlowGrpTnlIterator(Srv6DbIter *iter);

/* ---- Flow group map table (te_flow_grp_map, table id 12) ----------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint8_t mapKeyBytes[4];
  uint32_t mapKeyId1;
  uint32_t mapKeyId2;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint32_t attr4;
  uint8_t byte1;
  uint32_t attr5;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbFlowGrpMapEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint8_t mapKeyBytes[4];
  uint32_t mapKeyId1;
  uint32_t mapKeyId2;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint32_t attr4;
  uint8_t byte1;
  uint8_t pad1[3]; /* never written */
  uint32_t attr5;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbFlowGrpMapRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpMapEntry, 64);
SRV6_DB_ASSERT_SIZE(Srv6DbFlowGrpMapRecord, 64);

SRV6_DB_API void SRV6_DB_SetFlowGrpMapFields(const Srv6DbFlowGrpMapEntry *entry,
                                             Srv6DbFlowGrpMapRecord *record);
SRV6_DB_API void SRV6_DB_GetFlowGrpMapFields(const Srv6DbFlowGrpMapRecord *record,
                                             Srv6DbFlowGrpMapEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetFlowGrpMapPriKey(const Srv6DbFlowGrpMapEntry *entry, uint32_t *keyWord,
                                             void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateFlowGrpMap(const Srv6DbFlowGrpMapEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadFlowGrpMap(Srv6DbFlowGrpMapEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteFlowGrpMap(const Srv6DbFlowGrpMapEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateFlowGrpMapSmoothId(const Srv6DbFlowGrpMapEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetFlowGrpMapSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateFlowGrpMapIterator(uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextFlowGrpMapEntry(Srv6DbIter *iter, Srv6DbFlowGrpMapEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseFlowGrpMapIterator(Srv6DbIter *iter);

/* ---- SR tunnel table (spr_tnl, table id 13) ------------------------------------------ */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tnlIndex;
  uint32_t tunnelId;
  uint8_t tunnelType;
  uint8_t byte1;
  uint32_t attr1; /* the in-memory engine's next-hop group index reads nhpGrpId here */
  uint32_t attr2;
  uint8_t reserved1[68];
  uint8_t byte2; /* a u32 in the record */
  uint8_t byte3; /* a u32 in the record */
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSprTnlEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tnlIndex;
  uint32_t tunnelId;
  uint8_t tunnelType;
  uint8_t byte1;
  uint8_t pad1[2]; /* never written */
  uint32_t attr1;
  uint32_t attr2;
  uint8_t reserved1[68];
  uint32_t byte2; /* zero-extended; only the low 8 bits are read back */
  uint32_t byte3; /* zero-extended; only the low 8 bits are read back */
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSprTnlRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbSprTnlEntry, 120);
SRV6_DB_ASSERT_SIZE(Srv6DbSprTnlRecord, 124);

/** Converts an entry into its engine record; byte2 and byte3 are widened to 32 bits. */
SRV6_DB_API void SRV6_DB_SetSprTnlFields(const Srv6DbSprTnlEntry *entry,
                                         Srv6DbSprTnlRecord *record);
/** Converts an engine record into an entry; byte2 and byte3 keep the low 8 bits. */
SRV6_DB_API void SRV6_DB_GetSprTnlFields(const Srv6DbSprTnlRecord *record,
                                         Srv6DbSprTnlEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetSprTnlPriKey(const Srv6DbSprTnlEntry *entry, uint32_t *keyWord,
                                         void *keyBytes);
/** Policy index key. */
SRV6_DB_API void SRV6_DB_SetSprTnlIdTypeKey(const Srv6DbSprTnlEntry *entry, uint32_t *keyWord,
                                            void *keyBytes);
/** Group index key from three values. */
SRV6_DB_API void SRV6_DB_SetSprTnlGrpIdHashKey(uint32_t vrId, uint32_t vrfIndex, uint32_t nhpGrpId,
                                               uint32_t *keyWord, void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetSprTnlSmoothHashKey(const Srv6DbSmoothKey *smoothKey, uint32_t *keyWord,
                                                void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateSprTnl(const Srv6DbSprTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadSprTnl(Srv6DbSprTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteSprTnl(const Srv6DbSprTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateSprTnlSmoothId(const Srv6DbSprTnlEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetSprTnlSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                          uint32_t count);
/** Walks the policy index for the entry's key fields. @return null for a null entry. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByPolicy(const Srv6DbSprTnlEntry *entry,
                                                             uint32_t count);
/** Walks the tunnels of one next-hop group; there is no input that can be missing. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlIteratorByGrpId(uint32_t vrId, uint32_t vrfIndex,
                                                            uint32_t nhpGrpId, uint32_t count);
/**
 * Counts the tunnels of one next-hop group.
 * @return 0; 1 for a null @p count (nothing counted, no engine call) or on failure; or the
 *         engine's own failing code, count untouched.
 */
SRV6_DB_API uint32_t SRV6_DB_GetSprTnlCountByNhpGrpId(uint32_t vrId, uint32_t vrfIndex,
                                                      uint32_t nhpGrpId, uint64_t *count);
SRV6_DB_API uint32_t SRV6_DB_GetNextSprTnlEntry(Srv6DbIter *iter, Srv6DbSprTnlEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseSprTnlIterator(Srv6DbIter *iter);

/* ---- SR tunnel group table (spr_tnl_grp, table id 14) -------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpGrpId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint8_t reserved1[4];
  uint8_t block1[16];
  uint8_t block2[16];
  uint8_t byte1;
  uint8_t byte2;
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSprTnlGrpEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t nhpGrpId;
  uint32_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint8_t reserved1[4];
  uint8_t block1[16];
  uint8_t block2[16];
  uint8_t byte1;
  uint8_t byte2;
  uint8_t pad1[2]; /* never written */
  uint32_t smoothId;
  uint64_t data1; /* right after smoothId: 4 bytes earlier than in the entry */
  uint64_t data2;
} Srv6DbSprTnlGrpRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbSprTnlGrpEntry, 88);
SRV6_DB_ASSERT_SIZE(Srv6DbSprTnlGrpRecord, 84);

/** Converts an entry into its engine record; block1 and block2 go as bytes, unswapped. */
SRV6_DB_API void SRV6_DB_SetSprTnlGrpFields(const Srv6DbSprTnlGrpEntry *entry,
                                            Srv6DbSprTnlGrpRecord *record);
SRV6_DB_API void SRV6_DB_GetSprTnlGrpFields(const Srv6DbSprTnlGrpRecord *record,
                                            Srv6DbSprTnlGrpEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetSprTnlGrpPriKey(const Srv6DbSprTnlGrpEntry *entry, uint32_t *keyWord,
                                            void *keyBytes);
/** Smooth index key. */
SRV6_DB_API void SRV6_DB_SetSprTnlGrpSmoothHashKey(const Srv6DbSmoothKey *smoothKey,
                                                   uint32_t *keyWord, void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateSprTnlGrp(const Srv6DbSprTnlGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadSprTnlGrp(Srv6DbSprTnlGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteSprTnlGrp(const Srv6DbSprTnlGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateSprTnlGrpSmoothId(const Srv6DbSprTnlGrpEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetSprTnlGrpSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlGrpIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSprTnlGrpIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                             uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextSprTnlGrpEntry(Srv6DbIter *iter, Srv6DbSprTnlGrpEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseSprTnlGrpIterator(Srv6DbIter *iter);

#endif /* SRV6_DB_TE_H */
