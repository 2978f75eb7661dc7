/* SRv6-TE tables: policies, candidate paths, SID stacks, IIDs, binding SIDs, traffic statistics. */
#ifndef SRV6_DB_SRV6TE_H
#define SRV6_DB_SRV6TE_H

#ifndef SRV6_DB_H
#error "include srv6_db.h, not this file"
#endif

/* Entries have natural alignment; records are packed to 4 bytes, as the engine stores them.
 * Every table follows the conventions stated atop srv6_db.h; comments here say what differs. */

/* A byte array that starts on a 4-byte boundary of its entry. */
#ifndef SRV6_DB_ALIGNAS
#ifdef __cplusplus
#define SRV6_DB_ALIGNAS(n) alignas(n)
#else
#define SRV6_DB_ALIGNAS(n) _Alignas(n)
#endif
#endif

/* ---- Policy table (srv6te_policy, table id 0) ------------------------------------------ */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tunnelId;
  uint8_t tunnelType;
  uint8_t reserved1[3];
  uint32_t priGroupId;
  uint32_t backupGroupId;
  uint32_t ipv6Addr1[4];
  uint32_t attr1;
  uint32_t ipv6Addr2[4];
  uint8_t spare; /* not carried */
  uint8_t reserved2[7];
  uint32_t attr2;
  uint32_t attr3;
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr4;
} Srv6DbPolicyEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tunnelId;
  uint8_t tunnelType;
  uint8_t reserved1[3];
  uint32_t priGroupId;
  uint32_t backupGroupId;
  uint32_t ipv6Addr1[4]; /* words byte-swapped */
  uint32_t attr1;
  uint32_t ipv6Addr2[4]; /* words byte-swapped */
  uint8_t pad1;          /* never written */
  uint8_t reserved2[7];
  uint32_t attr2;
  uint32_t attr3;
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr4;
} Srv6DbPolicyRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbPolicyEntry, 144);
SRV6_DB_ASSERT_SIZE(Srv6DbPolicyRecord, 136);

SRV6_DB_API void SRV6_DB_SetPolicyFields(const Srv6DbPolicyEntry *entry,
                                         Srv6DbPolicyRecord *record);
SRV6_DB_API void SRV6_DB_GetPolicyFields(const Srv6DbPolicyRecord *record,
                                         Srv6DbPolicyEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetPolicyPriKey(const Srv6DbPolicyEntry *entry, uint32_t *keyWord,
                                         void *keyBytes);
/** Primary group index. */
SRV6_DB_API void SRV6_DB_SetPolicyPriGroupKey(const Srv6DbPolicyEntry *entry, uint32_t *keyWord,
                                              void *keyBytes);
/** Backup group index. */
SRV6_DB_API void SRV6_DB_SetPolicyBackupGroupKey(const Srv6DbPolicyEntry *entry, uint32_t *keyWord,
                                                 void *keyBytes);
/** Smooth index. */
SRV6_DB_API void SRV6_DB_SetPolicySmoothHashKey(const Srv6DbSmoothKey *smoothKey, uint32_t *keyWord,
                                                void *keyBytes);
/** Tunnel id index. */
SRV6_DB_API void SRV6_DB_SetPolicyTunnelIdHashKey(const Srv6DbPolicyEntry *entry, uint32_t *keyWord,
                                                  void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreatePolicy(const Srv6DbPolicyEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadPolicy(Srv6DbPolicyEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeletePolicy(const Srv6DbPolicyEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdatePolicySmoothId(const Srv6DbPolicyEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetPolicySmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
/**
 * Reads the first record of the primary group index for vrId, vrfIndex, tunnelId and
 * priGroupId; every carried field of @p entry, key fields included, is overwritten.
 * @return 0; 1 if no record has this key or on a failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadPolicyByPriGroup(Srv6DbPolicyEntry *entry);
/** As SRV6_DB_ReadPolicyByPriGroup, by vrId, vrfIndex, tunnelId and backupGroupId. */
SRV6_DB_API uint32_t SRV6_DB_ReadPolicyByBackupGroup(Srv6DbPolicyEntry *entry);
/** As SRV6_DB_ReadPolicyByPriGroup, by vrId, vrfIndex and tunnelId (tunnelType ignored). */
SRV6_DB_API uint32_t SRV6_DB_ReadPolicyByTunnelId(Srv6DbPolicyEntry *entry);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePolicyIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreatePolicyIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                          uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextPolicyEntry(Srv6DbIter *iter, Srv6DbPolicyEntry *entry);
SRV6_DB_API void SRV6_DB_ReleasePolicyIterator(Srv6DbIter *iter);

/* ---- Candidate path table (srv6te_candipath, table id 1) ------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tunnelId;
  uint32_t groupId;
  uint32_t xcId;
  uint8_t xcType;
  uint8_t attr1;
  uint32_t attr2;
  uint32_t attr3;
  uint32_t attr4;
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbCandiPathEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tunnelId;
  uint32_t groupId;
  uint32_t xcId;
  uint8_t xcType;
  uint8_t attr1;
  uint8_t pad1[2]; /* never written */
  uint32_t attr2;
  uint32_t attr3;
  uint32_t attr4;
  uint8_t octets[36];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbCandiPathRecord;
#pragma pack(pop)

/** Key input of the group info index: the four words that begin Srv6DbCandiPathEntry. */
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t tunnelId;
  uint32_t groupId;
} Srv6DbCandiPathGroupInfo;

SRV6_DB_ASSERT_SIZE(Srv6DbCandiPathEntry, 96);
SRV6_DB_ASSERT_SIZE(Srv6DbCandiPathRecord, 92);
SRV6_DB_ASSERT_SIZE(Srv6DbCandiPathGroupInfo, 16);

SRV6_DB_API void SRV6_DB_SetCandiPathFields(const Srv6DbCandiPathEntry *entry,
                                            Srv6DbCandiPathRecord *record);
SRV6_DB_API void SRV6_DB_GetCandiPathFields(const Srv6DbCandiPathRecord *record,
                                            Srv6DbCandiPathEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetCandiPathPriKey(const Srv6DbCandiPathEntry *entry, uint32_t *keyWord,
                                            void *keyBytes);
/** XC info index. */
SRV6_DB_API void SRV6_DB_SetCandiPathXcinfoKey(const Srv6DbCandiPathEntry *entry, uint32_t *keyWord,
                                               void *keyBytes);
/** Smooth index. */
SRV6_DB_API void SRV6_DB_SetCandiPathSmoothHashKey(const Srv6DbSmoothKey *smoothKey,
                                                   uint32_t *keyWord, void *keyBytes);
/** Group info index. */
SRV6_DB_API void SRV6_DB_SetCandiPathGroupInfoHashKey(const Srv6DbCandiPathGroupInfo *groupInfo,
                                                      uint32_t *keyWord, void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateCandiPath(const Srv6DbCandiPathEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadCandiPath(Srv6DbCandiPathEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteCandiPath(const Srv6DbCandiPathEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateCandiPathSmoothId(const Srv6DbCandiPathEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetCandiPathSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
/**
 * Reads the first record of the XC info index for vrId, vrfIndex, xcId and xcType; every
 * carried field of @p entry, tunnelId and groupId included, is overwritten.
 * @return 0; 1 if no record has this key or on a failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadCandiPathByXcinfo(Srv6DbCandiPathEntry *entry);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateCandiPathIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                             uint32_t count);
/** Walks the paths of one group. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateCandiPathIteratorByGroupInfo(
    const Srv6DbCandiPathGroupInfo *groupInfo, uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextCandiPathEntry(Srv6DbIter *iter, Srv6DbCandiPathEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseCandiPathIterator(Srv6DbIter *iter);

/* ---- SID stack table (srv6te_sidstack, table id 2) ------------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t listId;
  uint8_t listType;
  uint8_t attr1;
  uint32_t attr2;
  uint32_t localSid[4];
  uint32_t sidList[9][4];
  uint32_t iid[4];
  uint8_t iidPrefixLen;
  uint8_t spare; /* not carried */
  uint8_t reserved1[2];
  uint32_t attr3;
  uint8_t reserved2[8];
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved3[68];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSidStackEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t listId;
  uint8_t listType;
  uint8_t attr1;
  uint8_t pad1[2]; /* never written */
  uint32_t attr2;
  uint32_t localSid[4];   /* words byte-swapped */
  uint32_t sidList[9][4]; /* words byte-swapped */
  uint32_t iid[4];        /* words byte-swapped */
  uint8_t iidPrefixLen;
  uint8_t pad2; /* never written */
  uint8_t reserved1[2];
  uint32_t attr3;
  uint8_t reserved2[8];
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved3[68];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
} Srv6DbSidStackRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbSidStackEntry, 312);
SRV6_DB_ASSERT_SIZE(Srv6DbSidStackRecord, 308);

SRV6_DB_API void SRV6_DB_SetSidStackFields(const Srv6DbSidStackEntry *entry,
                                           Srv6DbSidStackRecord *record);
SRV6_DB_API void SRV6_DB_GetSidStackFields(const Srv6DbSidStackRecord *record,
                                           Srv6DbSidStackEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetSidStackPriKey(const Srv6DbSidStackEntry *entry, uint32_t *keyWord,
                                           void *keyBytes);
/** Smooth index. */
SRV6_DB_API void SRV6_DB_SetSidStackSmoothHashKey(const Srv6DbSmoothKey *smoothKey,
                                                  uint32_t *keyWord, void *keyBytes);
/** IID index. */
SRV6_DB_API void SRV6_DB_SetSidStackIidHashKey(const Srv6DbSidStackEntry *entry, uint32_t *keyWord,
                                               void *keyBytes);
/** Local SID index. */
SRV6_DB_API void SRV6_DB_SetSidStackLocalSidHashKey(const Srv6DbSidStackEntry *entry,
                                                    uint32_t *keyWord, void *keyBytes);
/** VR id index. */
SRV6_DB_API void SRV6_DB_SetSidStackVridHashKey(const uint32_t *vrId, uint32_t *keyWord,
                                                void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateSidStack(const Srv6DbSidStackEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadSidStack(Srv6DbSidStackEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteSidStack(const Srv6DbSidStackEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateSidStackSmoothId(const Srv6DbSidStackEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetSidStackSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidStackIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                            uint32_t count);
/** Walks the stacks with the entry's vrId, vrfIndex, iid and iidPrefixLen. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidStackIteratorByIid(const Srv6DbSidStackEntry *entry,
                                                            uint32_t count);
/** Walks the stacks with the entry's vrId, vrfIndex and localSid. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidStackIteratorByLocalSid(const Srv6DbSidStackEntry *entry,
                                                                 uint32_t count);
/** Walks the stacks of every vrfIndex under the u32 at @p vrId. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateSidStackIteratorByVrid(const uint32_t *vrId, uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextSidStackEntry(Srv6DbIter *iter, Srv6DbSidStackEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseSidStackIterator(Srv6DbIter *iter);

/* ---- IID table (srv6te_iid, table id 3) ------------------------------------------------ */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t iid[4];
  uint8_t prefixLen;
  uint8_t attr1;
  uint16_t attr2;
  uint32_t attr3;
  uint32_t iidgIndex;
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved1[4];
  uint8_t reserved2[2];
  SRV6_DB_ALIGNAS(4) uint8_t reserved3[32];
  uint8_t block1[32]; /* only the first 16 bytes are carried */
  uint8_t block2[32]; /* only the first 16 bytes are carried */
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr6;
} Srv6DbIidEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t iid[4]; /* words byte-swapped */
  uint8_t prefixLen;
  uint8_t attr1;
  uint16_t attr2;
  uint32_t attr3;
  uint32_t iidgIndex;
  uint32_t attr4;
  uint32_t attr5;
  uint8_t reserved1[4];
  uint8_t reserved3[32]; /* before reserved2, unlike the entry */
  uint8_t reserved2[2];
  uint8_t pad1[2]; /* never written */
  uint8_t block1[16];
  uint8_t block2[16];
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr6;
} Srv6DbIidRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbIidEntry, 176);
SRV6_DB_ASSERT_SIZE(Srv6DbIidRecord, 140);

SRV6_DB_API void SRV6_DB_SetIidFields(const Srv6DbIidEntry *entry, Srv6DbIidRecord *record);
/** Converts an engine record into an entry; the last 16 bytes of block1 and block2 are kept. */
SRV6_DB_API void SRV6_DB_GetIidFields(const Srv6DbIidRecord *record, Srv6DbIidEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetIidPriKey(const Srv6DbIidEntry *entry, uint32_t *keyWord,
                                      void *keyBytes);
/** Smooth index. */
SRV6_DB_API void SRV6_DB_SetIidSmoothHashKey(const Srv6DbSmoothKey *smoothKey, uint32_t *keyWord,
                                             void *keyBytes);
/** IIDG index. */
SRV6_DB_API void SRV6_DB_SetIidIidgIndexHashKey(const Srv6DbIidEntry *entry, uint32_t *keyWord,
                                                void *keyBytes);
/** The same IIDG index key; both spellings are exported. */
SRV6_DB_API void SRV6_DB_SetIidIidgIndexHashkey(const Srv6DbIidEntry *entry, uint32_t *keyWord,
                                                void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateIid(const Srv6DbIidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadIid(Srv6DbIidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteIid(const Srv6DbIidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateIidSmoothId(const Srv6DbIidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetIidSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
/**
 * Counts the records with the entry's vrId and iidgIndex (any vrfIndex) into @p count.
 * @return 0; 1 for a null argument or a failure; or the engine's own failing code. On any
 * non-zero result @p count is left as it was.
 */
SRV6_DB_API uint32_t SRV6_DB_CountIidByIidgIndexHashKey(const Srv6DbIidEntry *entry,
                                                        uint64_t *count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateIidIterator(uint32_t count);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateIidIteratorByVrf(const Srv6DbSmoothKey *smoothKey,
                                                       uint32_t count);
/** Walks the records with the entry's vrId and iidgIndex (any vrfIndex). */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateIidIteratorByIidg(const Srv6DbIidEntry *entry,
                                                        uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextIidEntry(Srv6DbIter *iter, Srv6DbIidEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseIidIterator(Srv6DbIter *iter);

/* ---- Binding SID table (srv6te_bsid, table id 15) -------------------------------------- */

typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t bsidId;
  uint32_t tunnelId;
  uint32_t attr1;
  uint32_t listId;
  uint32_t attr2;
  uint8_t tunnelType;
  uint8_t listType;
  uint8_t reserved1[3];
  uint32_t attr3;
  uint32_t attr4;
  uint8_t octets[36];
  uint8_t spare[32]; /* not carried */
  uint32_t smoothId;
  uint64_t data1;
  uint64_t data2;
  uint32_t attr5;
} Srv6DbBsidEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t vrId;
  uint32_t vrfIndex;
  uint32_t bsidId;
  uint32_t tunnelId;
  uint32_t attr1;
  uint32_t listId;
  uint32_t attr2;
  uint8_t tunnelType;
  uint8_t listType;
  uint8_t reserved1[3];
  uint8_t pad1[3]; /* never written */
  uint32_t attr3;
  uint32_t attr4;
  uint8_t octets[36];
  uint32_t smoothId; /* directly behind octets: the record has no room for spare */
  uint64_t data1;
  uint64_t data2;
  uint32_t attr5;
} Srv6DbBsidRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbBsidEntry, 144);
SRV6_DB_ASSERT_SIZE(Srv6DbBsidRecord, 104);

SRV6_DB_API void SRV6_DB_SetBsidFields(const Srv6DbBsidEntry *entry, Srv6DbBsidRecord *record);
SRV6_DB_API void SRV6_DB_GetBsidFields(const Srv6DbBsidRecord *record, Srv6DbBsidEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetBsidPriKey(const Srv6DbBsidEntry *entry, uint32_t *keyWord,
                                       void *keyBytes);
/** Policy info index. */
SRV6_DB_API void SRV6_DB_SetBsidPolicyHashKey(const Srv6DbBsidEntry *entry, uint32_t *keyWord,
                                              void *keyBytes);
/** List info index. */
SRV6_DB_API void SRV6_DB_SetBsidListHashKey(const Srv6DbBsidEntry *entry, uint32_t *keyWord,
                                            void *keyBytes);
/** Smooth index. */
SRV6_DB_API void SRV6_DB_SetBsidSmoothHashKey(const Srv6DbSmoothKey *smoothKey, uint32_t *keyWord,
                                              void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateBsid(const Srv6DbBsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadBsid(Srv6DbBsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteBsid(const Srv6DbBsidEntry *entry);
/**
 * Reads the first record of the policy info index for vrId, vrfIndex, tunnelId and
 * tunnelType; every carried field of @p entry, bsidId and the list info included, is
 * overwritten.
 * @return 0; 1 if no record has this key or on a failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadBsidByPolicyInfo(Srv6DbBsidEntry *entry);
/** As SRV6_DB_ReadBsidByPolicyInfo, by vrId, vrfIndex, listId and listType. */
SRV6_DB_API uint32_t SRV6_DB_ReadBsidByListInfo(Srv6DbBsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_UpdateBsidSmoothId(const Srv6DbBsidEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_SetBsidSmoothID(Srv6DbUpdateCtx *ctx, void *dbObj);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateBsidIterator(uint32_t count);
/** The iterator by VRF, exported with this spelling ("Iteratory"). */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateBsidIteratoryByVrf(const Srv6DbSmoothKey *smoothKey,
                                                         uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextBsidEntry(Srv6DbIter *iter, Srv6DbBsidEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseBsidIterator(Srv6DbIter *iter);

/* ---- Traffic statistics table (srv6te_trastat, table id 16): no smooth id -------------- */

typedef struct {
  uint32_t statId1;
  uint32_t statId2;
  uint32_t statId3;
  uint32_t xcId;
  uint8_t xcType;
  SRV6_DB_ALIGNAS(4) uint8_t reserved1[16];
  uint32_t attr1;
  uint64_t statValues[12];
} Srv6DbTraStatEntry;

#pragma pack(push, 4)
typedef struct {
  uint32_t statId1;
  uint32_t statId2;
  uint32_t statId3;
  uint32_t xcId;
  uint8_t xcType;
  uint8_t pad1[3]; /* never written */
  uint8_t reserved1[16];
  uint32_t attr1; /* the engine's tunnel id index takes its value from here */
  uint64_t statValues[12];
} Srv6DbTraStatRecord;
#pragma pack(pop)

SRV6_DB_ASSERT_SIZE(Srv6DbTraStatEntry, 136);
SRV6_DB_ASSERT_SIZE(Srv6DbTraStatRecord, 136);

SRV6_DB_API void SRV6_DB_SetTraStatFields(const Srv6DbTraStatEntry *entry,
                                          Srv6DbTraStatRecord *record);
SRV6_DB_API void SRV6_DB_GetTraStatFields(const Srv6DbTraStatRecord *record,
                                          Srv6DbTraStatEntry *entry);
/** Primary key. */
SRV6_DB_API void SRV6_DB_SetTraStatPriKey(const Srv6DbTraStatEntry *entry, uint32_t *keyWord,
                                          void *keyBytes);
/** Tunnel id index. */
SRV6_DB_API void SRV6_DB_SetTraStatTnlIdHashkey(const uint32_t *tunnelId, uint32_t *keyWord,
                                                void *keyBytes);
/** XC info index. */
SRV6_DB_API void SRV6_DB_SetTraStatXcInfoKey(const Srv6DbTraStatEntry *entry, uint32_t *keyWord,
                                             void *keyBytes);
SRV6_DB_API uint32_t SRV6_DB_CreateTraStat(const Srv6DbTraStatEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_ReadTraStat(Srv6DbTraStatEntry *entry);
SRV6_DB_API uint32_t SRV6_DB_DeleteTraStat(const Srv6DbTraStatEntry *entry);
/**
 * Reads the first record of the XC info index for xcId and xcType; every field of @p entry,
 * the three statIds included, is overwritten.
 * @return 0; 1 if no record has this key or on a failure; 60 if the record vanished meanwhile.
 */
SRV6_DB_API uint32_t SRV6_DB_ReadTraStatByXcInfo(Srv6DbTraStatEntry *entry);
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateTraStatIterator(uint32_t count);
/** Walks the records whose attr1 equals the u32 at @p tunnelId. */
SRV6_DB_API Srv6DbIter *SRV6_DB_CreateTraStatIteratorByTnlId(const uint32_t *tunnelId,
                                                             uint32_t count);
SRV6_DB_API uint32_t SRV6_DB_GetNextTraStatEntry(Srv6DbIter *iter, Srv6DbTraStatEntry *entry);
SRV6_DB_API void SRV6_DB_ReleaseTraStatIterator(Srv6DbIter *iter);

#endif /* SRV6_DB_SRV6TE_H */
