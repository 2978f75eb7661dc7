// Root iterators: positioning, the null-key read, changes during a walk, concurrent walks.
#include <algorithm>
#include <atomic>
#include <thread>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

// The read after a step returns the record as it stood at the step, whatever happens to it
// before the read, and a read refused for the caller's buffer leaves it there: a walk neither
// ends early nor yields a record under a key it has left.
TEST_F(EngineTest, ReadReturnsTheRecordAsItStoodAtTheStep) {
  for (uint32_t i = 0; i < 3; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  Key key = FunctKey(9);
  Sids w(&key);
  Bytes r;
  EXPECT_EQ(w.Current(&r), SRV6DB_ENGINE_ERR_NOT_POSITIONED);
  void *second = nullptr;
  EXPECT_EQ(db_create_root_iter(w.obj.get(), nullptr, nullptr, &second),
            SRV6DB_ENGINE_ERR_ITER_EXISTS);
  ASSERT_EQ(w.Next(), 0u);
  EXPECT_EQ(w.Current(&r, w.size - 1), SRV6DB_ENGINE_ERR_BAD_LENGTH);  // keeps the record
  EXPECT_EQ(db_read_obj_with_buf(w.obj.get(), nullptr, nullptr, nullptr, w.size),
            SRV6DB_ENGINE_ERR_NULL_POINTER);
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 8, 5)), 0u);  // re-keyed between step and read
  ASSERT_EQ(w.Current(&r), 0u);
  EXPECT_EQ(r, LocalSid(0, 9));
  ASSERT_EQ(Remove(kLocalSid, PrimaryKey(0)), 0u);  // and removed
  ASSERT_EQ(w.Current(&r), 0u);
  EXPECT_EQ(r, LocalSid(0, 9));
  EXPECT_EQ(w.Rest(), (Ids{1, 2}));
  EXPECT_EQ(w.Next(), DB_ERR_ITER_END);
  EXPECT_EQ(w.Current(&r), SRV6DB_ENGINE_ERR_NOT_POSITIONED);
}

// A walk yields the records in its range when it began that are still there when it reaches
// them: a record rewritten in place keeps its place, one that left and came back, or one
// created later, is not yielded. A key that one record held at the start is no exception.
TEST_F(EngineTest, RecordsChangedDuringAWalkAreNotYieldedTwice) {
  for (uint32_t i = 0; i < 4; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(5, 100)), 0u);
  Key key = FunctKey(9), lone = FunctKey(100);
  Sids whole(nullptr), byKey(&key), left(&lone), joined(&lone);
  ASSERT_EQ(whole.Next(), 0u);
  ASSERT_EQ(byKey.Next(), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 8)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 9)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(2, 9, 77)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(4, 9)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(6, 100)), 0u);  // the lone key's second record
  EXPECT_EQ(joined.Rest(), Ids{5});
  ASSERT_EQ(Write(kLocalSid, LocalSid(5, 101)), 0u);  // leaves the lone key
  EXPECT_EQ(left.Rest(), Ids{});
  EXPECT_EQ(Count(kLocalSid, key), 5u);  // parked walkers are not records
  EXPECT_EQ(whole.Rest(), (Ids{1, 2, 3, 5}));
  EXPECT_EQ(byKey.Rest(), (Ids{1, 2, 3}));
  EXPECT_EQ(Sids(&key).Rest(), (Ids{1, 2, 3, 0, 4}));
  EXPECT_EQ(Sids(&lone).Rest(), (Ids{6}));
  // Removals that compact the lists under parked walks: they find their place again.
  for (uint32_t i = 10; i < 50; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  Sids table(nullptr), again(&key), parked(&key);
  for (Sids *w : {&table, &again, &parked}) ASSERT_EQ(w->Next(), 0u);
  for (uint32_t i = 10; i < 48; ++i) ASSERT_EQ(Remove(kLocalSid, PrimaryKey(i)), 0u);
  EXPECT_EQ(table.Rest(), (Ids{1, 2, 3, 5, 4, 6, 48, 49}));
  EXPECT_EQ(again.Rest(), (Ids{2, 3, 0, 4, 48, 49}));
  srv6db_engine_reset();  // and a reset ends a walk parked in a key
  EXPECT_EQ(parked.Rest(), Ids{});
}

// The count property is a batch: a record removed after its batch was taken is still yielded,
// once, as it stood; one removed before is not. A count of 1 keeps the walk exact.
TEST_F(EngineTest, RecordsRemovedAfterTheirBatchWasTakenAreYieldedAsTheyStood) {
  const std::pair<uint32_t, Ids> cases[] = {{1, {3}}, {2, {1, 3}}, {64, {1, 2, 3}}};
  for (const auto &[count, expected] : cases) {
    for (uint32_t i = 0; i < 4; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9, 7)), 0u);
    Sids w(nullptr);
    ASSERT_EQ(db_set_root_iterator_property(w.it, DB_ITER_PROP_COUNT, &count, 4), 0u);
    ASSERT_EQ(w.Next(), 0u);
    for (uint32_t id : {1u, 2u}) ASSERT_EQ(Remove(kLocalSid, PrimaryKey(id)), 0u);
    ASSERT_EQ(Write(kLocalSid, LocalSid(3, 9, 8)), 0u);  // rewritten in place: read as it is
    Ids ids;
    for (const Bytes &r : w.Records()) {
      ids.push_back(Word(r, 2));
      EXPECT_EQ(Word(r, 10), Word(r, 2) == 3 && count < 64 ? 8u : 7u) << count;
    }
    EXPECT_EQ(ids, expected) << count;
    EXPECT_EQ(w.Next(), DB_ERR_ITER_END);
    srv6db_engine_reset();
  }
}

// While another thread churns other records of a key, then rewrites a VRF class data record,
// batched walks by the key yield each record that stays, and no record twice; and the VRF
// getters read the fields of the record the step stood on, all of one version of it.
TEST_F(EngineTest, WalksDuringConcurrentWritesYieldEachRecordOnceAndWhole) {
  for (uint32_t i = 0; i < 200; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  std::atomic<uint32_t> version{0}, walk{0};
  auto writeVrf = [&] {
    Srv6DbEngineVrfClassData d = {};
    d.vrId = 1;
    d.vrfIndex = 7;
    d.smoothFlag = ++version;
    d.timeStampAgeEnd = uint64_t{d.smoothFlag} << 32;
    return srv6db_engine_vrf_add(&d);
  };
  ASSERT_EQ(writeVrf(), 0u);
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (uint32_t i = 0; !stop.load(); ++i) {
      if (walk.load() < 200)  // the SIDs are walked
        i / 200 % 2 ? Remove(kLocalSid, PrimaryKey(200 + i % 200))
                    : Write(kLocalSid, LocalSid(200 + i % 200, 9));
      writeVrf();
    }
  });
  Key key = FunctKey(9);
  uint32_t bad = 0, torn = 0, index = 0, flag = 0;
  uint64_t ts = 0;
  for (uint32_t count = 16; walk.load() < 1000 || version.load() < 100000; ++walk) {
    if (walk.load() < 200) {
      Sids w(&key);
      ASSERT_EQ(db_set_root_iterator_property(w.it, DB_ITER_PROP_COUNT, &count, 4), 0u);
      Ids ids = w.Rest();
      std::sort(ids.begin(), ids.end());
      bad += std::adjacent_find(ids.begin(), ids.end()) != ids.end() || ids.size() < 200 ||
             ids[199] != 199;
    }
    void *obj = nullptr, *it = nullptr;
    ASSERT_EQ(db_create_vrf_class_data_obj(DB_OP_QUERY, 0, &obj), 0u);
    ASSERT_EQ(db_create_root_iter(obj, nullptr, nullptr, &it), 0u);
    ASSERT_EQ(db_root_iterator_next(it), 0u);
    ASSERT_EQ(db_get_vrf_class_data_smooth_flag(obj, &flag), 0u);
    ASSERT_EQ(db_get_vrf_class_data_vrf_index(obj, &index), 0u);
    ASSERT_EQ(db_get_vrf_class_data_time_stamp_age_end(obj, &ts), 0u);
    torn += index != 7 || ts != uint64_t{flag} << 32;
    EXPECT_EQ(db_release_vrf_class_data_object(obj), 0u);
  }
  stop = true;
  writer.join();
  EXPECT_EQ(bad, 0u);
  EXPECT_EQ(torn, 0u);
}

}  // namespace
}  // namespace srv6db::test
