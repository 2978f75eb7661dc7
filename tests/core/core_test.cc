// The core beside the table rows: statistics, hooks, the IPv6 word conversion, and the generic
// operations' own argument checks and iterator handles.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/bounded_copy.h"
#include "tests/support/env.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kCommon = SRV6_DB_TABLE_COMMON;  // a 4-byte primary key at offset 0
using Core = LibraryTest;

TEST_F(Core, SetStatCountsMarksAndStampsOneCellOnly) {
  SRV6_DB_SetStat(4, 21, 0);
  SRV6_DB_SetStat(0, 22, 1);
  SRV6_DB_SetStat(0xFFFFFFFF, 0xFFFFFFFF, 1);
  EXPECT_TRUE(MovedCells().empty());
  Srv6DbStatTime stamp;
  SRV6_STAT_SetTimeStamp(&stamp);
  SRV6_DB_SetStat(4, 9, 2);
  EXPECT_EQ(MovedCells(), std::vector{Cell(9, 4, 2)});
  const Srv6DbStatEntry &cell = g_srv6DbStat[4][9];
  EXPECT_EQ(cell.updated, 1u);
  EXPECT_GE(uint64_t{cell.time.sec} * 1000000 + cell.time.usec,
            uint64_t{stamp.sec} * 1000000 + stamp.usec);
  for (uint32_t n : {0xFFFFFFFFu, 2u}) SRV6_DB_SetStat(16, 21, n);
  EXPECT_EQ(MovedCells(), (std::vector{Cell(9, 4, 2), Cell(21, 16, 1)})) << "counts wrap";
  // A descriptor whose timeStampEnable is 0 counts and marks the cell but leaves its time.
  g_srv6DbStatDesc[10].timeStampEnable = 0;
  g_srv6DbStat[3][10].time = {0xAAAA, 0xBBBB};
  SRV6_DB_SetStat(3, 10, 1);
  g_srv6DbStatDesc[10].timeStampEnable = 1;
  EXPECT_EQ(g_srv6DbStat[3][10].updated, 1u);
  EXPECT_TRUE(g_srv6DbStat[3][10].time.sec == 0xAAAAu && g_srv6DbStat[3][10].time.usec == 0xBBBBu);
  const int64_t before = static_cast<int64_t>(time(nullptr)), now = SRV6_DB_GetSysTime();
  EXPECT_TRUE(before <= now && now <= static_cast<int64_t>(time(nullptr))) << "calendar time";
}

TEST_F(Core, ConcurrentIncrementsAreNotLost) {
  std::vector<std::thread> threads;
  auto add = [] {
    for (int i = 0; i < 20000; ++i) SRV6_DB_SetStat(3, 20, 1);
  };
  for (int t = 0; t < 4; ++t) threads.emplace_back(add);
  for (auto &t : threads) t.join();
  EXPECT_EQ(MovedCells(), std::vector{Cell(20, 3, 80000)});
}

TEST_F(Core, LookupsStayInsideTheTables) {
  EXPECT_EQ(SRV6_DB_GetStat(16, 21), &g_srv6DbStat[16][21]);
  EXPECT_EQ(SRV6_DB_GetStat(0, 22), nullptr);
  EXPECT_EQ(SRV6_DB_GetGlbCtl(16), &g_srv6DbGlbCtl[16]);
  for (uint32_t id = 0; id < SRV6_DB_STAT_NUM; ++id) {
    ASSERT_EQ(SRV6_DB_GetDbStatDesc(id), &g_srv6DbStatDesc[id]);
    EXPECT_EQ(g_srv6DbStatDesc[id].timeStampEnable, 1u);
  }
  EXPECT_EQ(SRV6_DB_GetDbStatDesc(22), nullptr);
  EXPECT_EQ(SRV6_DB_GetDbStatDesc(0xFFFFFFFF), nullptr);
}

// Null hooks are kept out: nothing is ever called through null, a failure without an error
// log is still counted, and the info log never carries failures.
TEST_F(Core, HooksIgnoreNull) {
  const Srv6DbMemCallback mem = g_srv6DbMemCallback;
  SRV6_DB_InitMem(nullptr);
  EXPECT_EQ(g_srv6DbMemCallback.mallocFunc, mem.mallocFunc);
  EXPECT_EQ(g_srv6DbMemCallback.freeFunc, mem.freeFunc);
  SRV6_DB_Free(nullptr);
  EXPECT_EQ(CountedMem().badFrees, 1u) << "null reaches the hook as null";
  Srv6DbMemCallback none = {nullptr, mem.freeFunc};
  SRV6_DB_InitMem(&none);
  EXPECT_EQ(SRV6_DB_Malloc(16), nullptr);
  EXPECT_EQ(SRV6_DB_CreateIterator(kCommon, 1), nullptr);
  EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_MEM_ALLOC_FAILED, kCommon)});
  none = {mem.mallocFunc, nullptr};
  SRV6_DB_InitMem(&none);
  SRV6_DB_ReleaseIterator(kCommon, SRV6_DB_CreateIterator(kCommon, 1));
  SRV6_DB_Free(reinterpret_cast<void *>(0x10));  // never followed
  SRV6_DB_InitMem(&mem);
  EXPECT_EQ(FreeLeftovers(), 1u) << "without freeFunc the handle stays with the caller";
  SRV6_STAT_SetTimeStamp(nullptr);
  EXPECT_EQ(SRV6_DB_LogFuncInit(nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), &RecordingErrLog);
  const Srv6DbLogCallBack infoOnly = {&RecordingErrLog, nullptr};
  EXPECT_EQ(SRV6_DB_LogFuncInit(&infoOnly), SRV6_DB_OK);
  EXPECT_EQ(SRV6_DB_GetInfoLogCallBack(), &RecordingErrLog);
  EXPECT_EQ(SRV6_DB_GetErrLogCallBack(), nullptr);
  BeginRun();
  g_srv6DbGlbCtl[kCommon].createDbObj = nullptr;
  uint8_t record[112] = {};
  const Srv6DbBuf buf = {record, sizeof(record)};
  EXPECT_EQ(SRV6_DB_Create(kCommon, &buf), SRV6_DB_ERR);
  EXPECT_EQ(MovedCells(), std::vector{Cell(SRV6_DB_STAT_GLB_CTL_INVALID, kCommon)});
  EXPECT_TRUE(Events().empty());
}

TEST_F(Core, SetIpaddrReversesEachWordAndMayWorkInPlace) {
  uint8_t in[16], want[16], out[16] = {};
  for (int i = 0; i < 16; ++i) in[i] = uint8_t(i), want[i] = uint8_t(i / 4 * 4 + 3 - i % 4);
  SRV6_DB_SetIpaddr(nullptr, in);
  SRV6_DB_SetIpaddr(out, nullptr);
  EXPECT_EQ(out[0], 0);
  SRV6_DB_SetIpaddr(out, in);
  EXPECT_EQ(0, std::memcmp(out, want, 16));
  SRV6_DB_SetIpaddr(out, out);
  EXPECT_EQ(0, std::memcmp(out, in, 16));
}

// The bounded copy keeps the platform contract: copy what fits, else zero and say why.
TEST(BoundedCopy, CopiesWhatFitsAndZeroesOtherwise) {
  const struct {
    bool nullDst, nullSrc;
    size_t capacity, count;
    int result;
    uint8_t first, atCount;  // destination bytes afterwards
  } rows[] = {{false, false, 16, 16, 0, 0x11, 0xEE},
              {false, false, 16, 4, 0, 0x11, 0xEE},
              {false, false, 8, 16, ERANGE, 0x00, 0x00},
              {false, true, 16, 16, EINVAL, 0x00, 0x00},
              {true, false, 16, 16, EINVAL, 0xEE, 0xEE}};
  for (const auto &row : rows) {
    SCOPED_TRACE(&row - rows);
    uint8_t src[16], dst[17];
    std::memset(src, 0x11, sizeof(src));
    std::memset(dst, 0xEE, sizeof(dst));
    EXPECT_EQ(CopyBounded(row.nullDst ? nullptr : dst, row.capacity, row.nullSrc ? nullptr : src,
                          row.count),
              row.result);
    EXPECT_EQ(dst[0], row.first);
    EXPECT_EQ(dst[row.result == 0 ? row.count : 0], row.atCount);
  }
}

// ---- The generic operations --------------------------------------------------------------

class Generic : public LibraryTest {
 protected:
  uint8_t record_[112] = {7};
  uint8_t info_[16] = {0x04, 0x00, 0x01, 0x00};  // key word 0x00010004
  Srv6DbKey key_ = {info_, 16, record_, 4};
  Srv6DbBuf buf_ = {record_, 112};
};

// A null argument of a generic operation answers 1 and counts ParamInvalid, logging nothing; a
// typed operation's null count, array or visitor answers 1 and counts ParamInvalid only where
// it goes through the generic count.
TEST_F(Generic, NullArgumentsCountParamInvalidWithoutMessage) {
  Srv6DbXsidEntry xsid{};
  Srv6DbPortInfoEntry port{};
  Srv6DbIidEntry iid{};
  Srv6DbFlowGrpTnlEntry tnl{};
  EXPECT_EQ(SRV6_DB_GetXsidCountByLocalhash(&xsid, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountXsidByIidgIndexHashKey(&xsid, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadXsidByLocalHash(&xsid, sizeof(xsid), nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountPortInfoByNdRefreshHashKey(&port, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadPortInfoByPortGroupHashKey(&port, nullptr, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountIidByIidgIndexHashKey(&iid, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountFlowGrpTnlByIidGroupId(&tnl, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_GetSprTnlCountByNhpGrpId(1, 2, 3, nullptr), SRV6_DB_ERR);
  uint64_t count = 0;
  Srv6DbUpdateCtx ctx = {&count, 8};
  EXPECT_EQ(SRV6_DB_Create(kCommon, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Read(kCommon, nullptr, &buf_), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Read(kCommon, &key_, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Update(kCommon, nullptr, &ctx, SRV6_DB_SetCommonSmoothID), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Update(kCommon, &key_, nullptr, SRV6_DB_SetCommonSmoothID), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Update(kCommon, &key_, &ctx, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_Delete(kCommon, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountByKey(kCommon, nullptr, &count), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CountByKey(kCommon, &key_, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadUniqueHash(kCommon, nullptr, &buf_), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_ReadUniqueHash(kCommon, &key_, nullptr), SRV6_DB_ERR);
  EXPECT_EQ(SRV6_DB_CreateIteratorByKey(kCommon, 1, nullptr), nullptr);
  EXPECT_EQ(SRV6_DB_GetNextEntry(kCommon, nullptr, &buf_), SRV6_DB_ERR);
  SRV6_DB_ReleaseIterator(kCommon, nullptr);
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  EXPECT_EQ(SRV6_DB_GetNextEntry(kCommon, iter, nullptr), SRV6_DB_ERR);
  SRV6_DB_ReleaseIterator(17, iter);
  EXPECT_EQ(CountedMem().live, 1u) << "a release naming another table frees nothing";
  SRV6_DB_ReleaseIterator(kCommon + 1, iter);  // another table's release still frees it all
  Srv6DbEngineObjectStats objects;
  srv6db_engine_object_stats(&objects);
  EXPECT_EQ(objects.live, objectsBefore_.live);
  EXPECT_EQ(MovedCells(),
            (std::vector{Cell(SRV6_DB_STAT_PARAM_INVALID, kCommon, 15),
                         Cell(SRV6_DB_STAT_PARAM_INVALID, SRV6_DB_TABLE_XSID_PREFIX),
                         Cell(SRV6_DB_STAT_PARAM_INVALID, SRV6_DB_TABLE_FLOW_GRP_TNL)}));
  EXPECT_TRUE(Events().empty());
}

// A descriptor whose non-zero lengths contradict its key word is refused before the engine
// could read past the caller's key bytes, on every keyed operation; exact or zero lengths pass.
TEST_F(Generic, KeyLengthsThatContradictTheKeyWordAreRefused) {
  uint64_t count = 0;
  Srv6DbUpdateCtx ctx = {record_, 4};
  const struct {
    uint32_t infoLen, dataLen;
    bool refused;
  } rows[] = {{16, 3, true}, {16, 5, true},  {3, 4, true},
              {4, 4, false}, {16, 0, false}, {0, 4, false}};
  for (const auto &row : rows) {
    SCOPED_TRACE(&row - rows);
    BeginRun();
    key_.keyInfoLen = row.infoLen;
    key_.keyDataLen = row.dataLen;
    Srv6DbIter *iter = SRV6_DB_CreateIteratorByKey(kCommon, -1, &key_);
    if (iter != nullptr) SRV6_DB_ReleaseIterator(kCommon, iter);
    const uint32_t read = SRV6_DB_Read(kCommon, &key_, &buf_);
    EXPECT_EQ(read, row.refused ? SRV6_DB_ERR : SRV6_DB_NOT_FOUND);
    const bool rest[] = {
        iter == nullptr, SRV6_DB_Update(kCommon, &key_, &ctx, SRV6_DB_SetCommonSmoothID) != 0,
        SRV6_DB_Delete(kCommon, &key_) != 0, SRV6_DB_CountByKey(kCommon, &key_, &count) != 0,
        SRV6_DB_ReadUniqueHash(kCommon, &key_, &buf_) != 0};
    const std::vector<std::string> refusals = {Cell(SRV6_DB_STAT_PARAM_INVALID, kCommon, 6)};
    EXPECT_EQ(MovedCells() == refusals, row.refused);
    EXPECT_EQ(EngineCalls() == 0, row.refused);
    EXPECT_TRUE(!row.refused || (Events().empty() && std::ranges::all_of(rest, std::identity())));
  }
}

// An engine may answer success with a null object; the failed creation after it still
// releases what it was handed.
TEST_F(Generic, FailedIteratorCreationReleasesANullEngineObject) {
  static int releases;
  g_srv6DbGlbCtl[kCommon].createDbObj = [](uint32_t, uint32_t, void **o) {
    return *o = nullptr, 0u;
  };
  g_srv6DbGlbCtl[kCommon].releaseDbObj = [](void *o) { return releases += o == nullptr, 0u; };
  EXPECT_EQ(SRV6_DB_CreateIterator(kCommon, 3), nullptr);
  EXPECT_EQ(releases, 1);
}

// A failed conversion or update callback stops before the engine writes anything; the
// callback's own code is the result.
TEST_F(Generic, FailedSetFieldsOrCallbackStopsBeforeTheWrite) {
  ASSERT_EQ(0u, srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_ALL_FIELDS, kCommon, 5,
                                           SRV6DB_ENGINE_FAULT_NEXT_N, 1));
  EXPECT_EQ(SRV6_DB_Create(kCommon, &buf_), SRV6_DB_ERR);
  EXPECT_EQ(srv6db_engine_record_count(kCommon), 0u);
  ASSERT_EQ(SRV6_DB_Create(kCommon, &buf_), SRV6_DB_OK);
  Srv6DbUpdateCtx ctx = {record_, 4};
  auto failing = [](Srv6DbUpdateCtx *, void *) -> uint32_t { return 3; };
  EXPECT_EQ(SRV6_DB_Update(kCommon, &key_, &ctx, failing), 3u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_UPDATE, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

// The count property is set unless every bit of the count is set; the handle is one
// Srv6DbIter from the hook, freed by the hook installed at release.
TEST_F(Generic, IteratorCountPropertyAndHandle) {
  uint32_t last = 0;
  uint64_t calls = 0;
  for (uint32_t count : {SRV6_DB_ITER_NO_COUNT, 0u, 7u})
    SRV6_DB_ReleaseIterator(kCommon, SRV6_DB_CreateIterator(kCommon, count));
  srv6db_engine_iter_property_stats(&last, &calls);
  EXPECT_EQ(calls, 2u);
  EXPECT_EQ(last, 7u);
  static size_t asked = 0, freed = 0;
  static Srv6DbMemCallback counting;
  counting = g_srv6DbMemCallback;
  const Srv6DbMemCallback sizing = {[](size_t n) { return asked = n, counting.mallocFunc(n); },
                                    [](void *p) { ++freed, counting.freeFunc(p); }};
  Srv6DbIter *iter = SRV6_DB_CreateIterator(kCommon, 1);
  SRV6_DB_InitMem(&sizing);
  SRV6_DB_ReleaseIterator(kCommon, iter);
  EXPECT_EQ(freed, 1u) << "freed by the hook installed at release";
  SRV6_DB_ReleaseIterator(kCommon, SRV6_DB_CreateIterator(kCommon, 1));
  EXPECT_EQ(asked, sizeof(Srv6DbIter));
  SRV6_DB_InitMem(&counting);
}

}  // namespace
}  // namespace srv6db::test
