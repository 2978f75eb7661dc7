// Root iterators: positioning, the null-key read, changes during a walk, concurrent walks.
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kLocalSid = 6;  // function id index 1, smooth index 2 (smooth id first)
constexpr uint32_t kRecordSize = 68;

Bytes LocalSid(uint32_t id, uint32_t functId, uint32_t smoothId = 0) {
  Bytes r(kRecordSize, 0);
  const uint32_t vrId = 1, vrfIndex = 2;
  std::memcpy(&r[0], &vrId, 4);
  std::memcpy(&r[4], &vrfIndex, 4);
  std::memcpy(&r[8], &id, 4);  // first word of the SID
  std::memcpy(&r[28], &functId, 4);
  std::memcpy(&r[40], &smoothId, 4);
  return r;
}

uint32_t IdOf(const Bytes &r) {
  uint32_t id;
  std::memcpy(&id, &r[8], 4);
  return id;
}

Key FunctKey(uint32_t functId) { return KeyOf(kLocalSid, 1, LocalSid(0, functId)); }

// A walk driven step by step.
class Walker {
 public:
  explicit Walker(const Key *key) : obj_(kLocalSid, DB_OP_QUERY) {
    code_ =
        db_create_root_iter(obj_.get(), key ? key->info : nullptr, key ? key->data : nullptr, &it_);
  }
  uint32_t code() const { return code_; }
  void *iter() const { return it_; }
  void *obj() const { return obj_.get(); }
  uint32_t Next() { return db_root_iterator_next(it_); }
  uint32_t Current(Bytes *out) {
    out->assign(kRecordSize, 0);
    return db_read_obj_with_buf(obj_.get(), nullptr, nullptr, out->data(), kRecordSize);
  }
  // Ids of the rest of the walk.
  std::vector<uint32_t> Rest() {
    std::vector<uint32_t> ids;
    Bytes r;
    while (Next() == 0)
      if (Current(&r) == 0) ids.push_back(IdOf(r));
    return ids;
  }

 private:
  Obj obj_;
  void *it_ = nullptr;
  uint32_t code_;
};

using Ids = std::vector<uint32_t>;

TEST_F(EngineTest, CountPropertyDoesNotLimitTheWalk) {
  for (uint32_t i = 0; i < 5; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  Key key = FunctKey(9);
  Walker w(&key);
  uint32_t count = 1;
  ASSERT_EQ(db_set_root_iterator_property(w.iter(), DB_ITER_PROP_COUNT, &count, 4), 0u);
  EXPECT_EQ(w.Rest(), (Ids{0, 1, 2, 3, 4}));
  uint32_t last = 0;
  uint64_t calls = 0;
  srv6db_engine_iter_property_stats(&last, &calls);
  EXPECT_EQ(last, 1u);
  EXPECT_EQ(calls, 1u);
  EXPECT_EQ(db_set_root_iterator_property(w.iter(), 1, &count, 4), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
  EXPECT_EQ(db_set_root_iterator_property(w.iter(), 0, &count, 8), SRV6DB_ENGINE_ERR_BAD_LENGTH);
}

TEST_F(EngineTest, NullKeyReadFollowsTheIteratorPosition) {
  for (uint32_t i = 0; i < 3; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  Walker w(nullptr);
  Bytes r;
  EXPECT_EQ(w.Current(&r), SRV6DB_ENGINE_ERR_NOT_POSITIONED);
  ASSERT_EQ(w.Next(), 0u);
  ASSERT_EQ(w.Current(&r), 0u);
  EXPECT_EQ(IdOf(r), 0u);
  ASSERT_EQ(Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(0, 9))), 0u);
  ASSERT_EQ(w.Current(&r), 0u);  // gone meanwhile: the record as it stood at the step
  EXPECT_EQ(IdOf(r), 0u);
  EXPECT_EQ(w.Rest(), (Ids{1, 2}));
  EXPECT_EQ(w.Next(), DB_ERR_ITER_END);
  EXPECT_EQ(w.Next(), DB_ERR_ITER_END);
  EXPECT_EQ(w.Current(&r), SRV6DB_ENGINE_ERR_NOT_POSITIONED);
}

TEST_F(EngineTest, OneRootIteratorPerObject) {
  Walker w(nullptr);
  ASSERT_EQ(w.code(), 0u);
  void *second = nullptr;
  EXPECT_EQ(db_create_root_iter(w.obj(), nullptr, nullptr, &second), SRV6DB_ENGINE_ERR_ITER_EXISTS);
  Key pk = KeyOf(kLocalSid, 0, LocalSid(1, 1));
  EXPECT_EQ(db_create_root_iter(w.obj(), pk.info, pk.data, &second), SRV6DB_ENGINE_ERR_BAD_KEY);
}

TEST_F(EngineTest, ReleasingTheObjectEndsItsIterator) {
  ASSERT_EQ(Write(kLocalSid, LocalSid(1, 9)), 0u);
  void *obj = nullptr, *it = nullptr;
  ASSERT_EQ(db_create_srv6_local_sid_obj(DB_OP_QUERY, 0, &obj), 0u);
  ASSERT_EQ(db_create_root_iter(obj, nullptr, nullptr, &it), 0u);
  ASSERT_EQ(db_root_iterator_next(it), 0u);
  ASSERT_EQ(Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(1, 9))), 0u);  // iterator holds it
  ASSERT_EQ(db_release_srv6_local_sid_object(obj), 0u);                   // and lets it go
  EXPECT_EQ(db_root_iterator_next(it), SRV6DB_ENGINE_ERR_BAD_HANDLE);
}

TEST_F(EngineTest, RecordsChangedDuringAWalkAreNotYieldedTwice) {
  for (uint32_t i = 0; i < 4; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  Key key = FunctKey(9);
  Walker whole(nullptr), byKey(&key);
  Bytes r;
  ASSERT_EQ(whole.Next(), 0u);
  ASSERT_EQ(byKey.Next(), 0u);
  // Record 0 leaves the key and comes back; record 2 is rewritten in place; 4 is new.
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 8)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 9)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(2, 9, 77)), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(4, 9)), 0u);
  EXPECT_EQ(Count(kLocalSid, key), 5u);  // parked walkers are not records
  EXPECT_EQ(whole.Rest(), (Ids{1, 2, 3}));
  EXPECT_EQ(byKey.Rest(), (Ids{1, 2, 3}));
  EXPECT_EQ(Walk(kLocalSid, &key).size(), 5u);
}

// A key one record alone holds is kept without a bucket until a second record or a walk
// needs one; it must count, walk and move like any other.
TEST_F(EngineTest, KeysOfOneRecordCountWalkAndMoveLikeOthers) {
  const uint64_t empty = srv6db_engine_table_bytes(kLocalSid);
  for (uint32_t i = 0; i < 3; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 100 + i)), 0u);
  Key lone = FunctKey(100), other = FunctKey(101);
  EXPECT_EQ(Count(kLocalSid, lone), 1u);
  Walker parked(&lone);  // gives the key a bucket while the record is alone in it
  ASSERT_EQ(parked.Next(), 0u);
  ASSERT_EQ(Write(kLocalSid, LocalSid(0, 101)), 0u);  // leaves the key, joins another lone one
  EXPECT_EQ(Count(kLocalSid, lone), 0u);
  EXPECT_EQ(Count(kLocalSid, other), 2u);
  EXPECT_EQ(parked.Rest(), Ids{});
  ASSERT_EQ(Write(kLocalSid, LocalSid(5, 100)), 0u);  // the key anew, alone again
  EXPECT_EQ(Walk(kLocalSid, &lone).size(), 1u);
  EXPECT_EQ(Walk(kLocalSid, &other).size(), 2u);
  ASSERT_EQ(Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(1, 0))), 0u);
  EXPECT_EQ(Walk(kLocalSid, &other).size(), 1u);
  for (uint32_t id : {0u, 2u, 5u})
    ASSERT_EQ(Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(id, 0))), 0u);
  EXPECT_EQ(Count(kLocalSid, lone), 0u);
  EXPECT_EQ(Count(kLocalSid, other), 0u);
  // Only the hash slot arrays stay: filling and emptying again leaves nothing more in use.
  const uint64_t emptied = srv6db_engine_table_bytes(kLocalSid);
  EXPECT_GT(emptied, empty);
  ASSERT_EQ(Write(kLocalSid, LocalSid(7, 100)), 0u);
  EXPECT_GT(srv6db_engine_table_bytes(kLocalSid), emptied);
  ASSERT_EQ(Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(7, 0))), 0u);
  EXPECT_EQ(srv6db_engine_table_bytes(kLocalSid), emptied);
  srv6db_engine_reset();
  EXPECT_EQ(srv6db_engine_table_bytes(kLocalSid), 0u);
}

TEST_F(EngineTest, WalkOfAKeyWithoutRecordsEndsAtOnce) {
  Key key = FunctKey(3);
  Walker w(&key);
  ASSERT_EQ(w.code(), 0u);
  EXPECT_EQ(w.Next(), DB_ERR_ITER_END);
}

// Walkers run while writers create, rewrite and delete records of the same table. Every
// record present throughout must be yielded exactly once by every walk.
TEST_F(EngineTest, ConcurrentWalksSeeStableRecordsExactlyOnce) {
  constexpr uint32_t kStable = 200, kWriters = 2, kWalkers = 2;
  for (uint32_t i = 0; i < kStable; ++i) ASSERT_EQ(Write(kLocalSid, LocalSid(i, 9)), 0u);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> walks{0}, failures{0};
  std::vector<std::thread> threads;
  for (uint32_t w = 0; w < kWriters; ++w) {
    threads.emplace_back([&, w] {
      std::mt19937 rng(w);
      for (uint32_t n = 0; !stop.load(); ++n) {
        uint32_t transient = 100000 * (w + 1) + n % 64;
        if (Write(kLocalSid, LocalSid(transient, 9)) != 0) failures++;
        uint32_t stable = rng() % kStable;  // rewritten in place, its smooth index moves
        if (Write(kLocalSid, LocalSid(stable, 9, n)) != 0) failures++;
        uint32_t r = Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(transient ^ 32, 0)));
        if (r != 0 && r != DB_ERR_NO_RECORD) failures++;
      }
      for (uint32_t n = 0; n < 64; ++n)
        Remove(kLocalSid, KeyOf(kLocalSid, 0, LocalSid(100000 * (w + 1) + n, 0)));
    });
  }
  for (uint32_t w = 0; w < kWalkers; ++w) {
    threads.emplace_back([&, w] {
      Key key = FunctKey(9);
      while (std::chrono::steady_clock::now() < deadline) {
        Walker walker(w % 2 == 0 ? nullptr : &key);
        std::set<uint32_t> seen;
        bool dup = false;
        for (uint32_t id : walker.Rest()) dup |= !seen.insert(id).second;
        uint32_t stableSeen = 0;
        for (uint32_t id : seen) stableSeen += id < kStable;
        if (dup || stableSeen != kStable) failures++;
        walks++;
      }
    });
  }
  while (std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop = true;
  for (auto &t : threads) t.join();
  EXPECT_EQ(failures.load(), 0u);
  EXPECT_GT(walks.load(), 0u);
  EXPECT_EQ(srv6db_engine_record_count(kLocalSid), kStable);
  Srv6DbEngineObjectStats stats;
  srv6db_engine_object_stats(&stats);
  EXPECT_EQ(stats.live, 0u);
}

}  // namespace
}  // namespace srv6db::test
