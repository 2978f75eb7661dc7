// Operation codes, push queue, fault injection, call counters, object accounting, VRF data.
#include <functional>
#include <string>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kCommon = 4;  // 112-byte record, 4-byte primary key, smooth id at 92
constexpr uint32_t kXsid = 5;

Bytes CommonRecord(uint32_t id, uint8_t fill = 0x11) {
  Bytes r(112, fill);
  std::memcpy(r.data(), &id, 4);
  return r;
}

Key CommonKey(uint32_t id) { return Key(0x00010004, reinterpret_cast<uint8_t *>(&id), 4); }

struct Misuse {
  const char *name;
  std::function<uint32_t()> call;
  uint32_t expected;
};

TEST_F(EngineTest, CallsThatDoNotFitTheObjectAreRefused) {
  ASSERT_EQ(Write(kCommon, CommonRecord(1)), 0u);
  const Bytes rec = CommonRecord(1);
  const Key pk = CommonKey(1);
  auto with = [](uint32_t op, auto fn) {
    return [op, fn] {
      Obj o(kCommon, op);
      return fn(o.get());
    };
  };
  Bytes buf(112);
  const std::vector<Misuse> rows = {
      {"write on a read object", with(DB_OP_READ, db_write_obj), SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"write without a record", with(DB_OP_WRITE, db_write_obj), SRV6DB_ENGINE_ERR_NOTHING_STAGED},
      {"record on an update object",
       with(DB_OP_UPDATE,
            [&](void *o) { return db_set_srv6_common_all_fields(o, rec.data(), 112); }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"short record",
       with(DB_OP_WRITE,
            [&](void *o) { return db_set_srv6_common_all_fields(o, rec.data(), 111); }),
       SRV6DB_ENGINE_ERR_BAD_LENGTH},
      {"record for another table",
       with(DB_OP_WRITE,
            [&](void *o) { return db_set_srv6te_policy_all_fields(o, rec.data(), 112); }),
       SRV6DB_ENGINE_ERR_WRONG_TABLE},
      {"keyed read on a query object",
       with(DB_OP_QUERY,
            [&](void *o) { return db_read_obj_with_buf(o, pk.info, pk.data, buf.data(), 112); }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"read into a short buffer",
       with(DB_OP_READ,
            [&](void *o) { return db_read_obj_with_buf(o, pk.info, pk.data, buf.data(), 100); }),
       SRV6DB_ENGINE_ERR_BAD_LENGTH},
      {"half a key pair",
       with(DB_OP_READ,
            [&](void *o) { return db_read_obj_with_buf(o, pk.info, nullptr, buf.data(), 112); }),
       SRV6DB_ENGINE_ERR_NULL_POINTER},
      {"update with nothing staged",
       with(DB_OP_UPDATE, [&](void *o) { return db_update_obj(o, pk.info, pk.data); }),
       SRV6DB_ENGINE_ERR_NOTHING_STAGED},
      {"smooth id on a write object",
       with(DB_OP_WRITE, [](void *o) { return db_set_srv6_common_table_smooth_id(o, 1); }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"discriminator of another table",
       with(DB_OP_UPDATE, [](void *o) { return db_set_srv6_xsid_prefix_discriminator(o, 1); }),
       SRV6DB_ENGINE_ERR_WRONG_TABLE},
      {"remove on a read object",
       with(DB_OP_READ, [&](void *o) { return db_remove_obj(o, pk.info, pk.data); }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"count on a read object",
       with(DB_OP_READ,
            [&](void *o) {
              uint64_t n;
              return db_get_table_record_count_by_key(o, pk.info, pk.data, &n);
            }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"iterator on a read object",
       with(DB_OP_READ,
            [](void *o) {
              void *it;
              return db_create_root_iter(o, nullptr, nullptr, &it);
            }),
       SRV6DB_ENGINE_ERR_WRONG_OPERATION},
      {"unknown op code",
       [] {
         void *o = nullptr;
         return db_create_srv6_common_obj(2, 0, &o);
       },
       SRV6DB_ENGINE_ERR_BAD_ARGUMENT},
      {"non-zero reserved argument",
       [] {
         void *o = nullptr;
         return db_create_srv6_common_obj(DB_OP_READ, 1, &o);
       },
       SRV6DB_ENGINE_ERR_BAD_ARGUMENT},
  };
  for (const Misuse &m : rows) EXPECT_EQ(m.call(), m.expected) << m.name;
  Bytes out;
  ASSERT_EQ(Read(kCommon, pk, &out), 0u);
  EXPECT_EQ(out, rec);
  Srv6DbEngineObjectStats stats;
  srv6db_engine_object_stats(&stats);
  EXPECT_EQ(stats.live, 0u);
}

TEST_F(EngineTest, DiscriminatorUpdateWritesOnlyTheDiscriminator) {
  std::mt19937 rng(5);
  Bytes rec = RandomRecord(kXsid, rng);
  ASSERT_EQ(Write(kXsid, rec), 0u);
  Key pk = KeyOf(kXsid, 0, rec);
  {
    Obj o(kXsid, DB_OP_UPDATE);
    ASSERT_EQ(db_set_srv6_xsid_prefix_discriminator(o.get(), 0xA1B2C3D4u), 0u);
    ASSERT_EQ(db_update_obj(o.get(), pk.info, pk.data), 0u);
  }
  const uint32_t v = 0xA1B2C3D4u;
  std::memcpy(rec.data() + 68, &v, 4);
  Bytes out;
  ASSERT_EQ(Read(kXsid, pk, &out), 0u);
  EXPECT_EQ(out, rec);
}

TEST_F(EngineTest, PushQueueFullStillAppliesTheChange) {
  for (uint32_t i = 0; i < 20; ++i) ASSERT_EQ(Write(kCommon, CommonRecord(i)), 0u);  // nobody
  uint32_t sub = 0;
  ASSERT_EQ(srv6db_engine_subscribe(2, &sub), 0u);
  EXPECT_EQ(Write(kCommon, CommonRecord(100)), 0u);
  EXPECT_EQ(UpdateSmooth(kCommon, CommonKey(100), 7), 0u);
  EXPECT_EQ(Remove(kCommon, CommonKey(100)), DB_ERR_PUSH_QUEUE_FULL);
  EXPECT_EQ(Count(kCommon, CommonKey(100)), 0u);
  Srv6DbEngineChange c;
  ASSERT_EQ(srv6db_engine_poll_change(sub, &c), 0u);
  EXPECT_EQ(c.kind, SRV6DB_ENGINE_CHANGE_CREATE);
  EXPECT_EQ(Bytes(c.record, c.record + c.recordLength), CommonRecord(100));
  ASSERT_EQ(srv6db_engine_poll_change(sub, &c), 0u);
  EXPECT_EQ(c.kind, SRV6DB_ENGINE_CHANGE_UPDATE);
  EXPECT_EQ(c.record[92], 7);
  EXPECT_EQ(srv6db_engine_poll_change(sub, &c), SRV6DB_ENGINE_ERR_QUEUE_EMPTY);
  EXPECT_EQ(Write(kCommon, CommonRecord(1, 0x22)), 0u);  // room again; a replacement
  ASSERT_EQ(srv6db_engine_poll_change(sub, &c), 0u);
  EXPECT_EQ(c.kind, SRV6DB_ENGINE_CHANGE_UPDATE);
  EXPECT_EQ(c.table, kCommon);
  EXPECT_EQ(Bytes(c.key, c.key + c.keyLength), CommonKey(1).bytes());
  ASSERT_EQ(srv6db_engine_unsubscribe(sub), 0u);
  for (uint32_t i = 0; i < 5; ++i) EXPECT_EQ(Write(kCommon, CommonRecord(i)), 0u);
}

TEST_F(EngineTest, FaultModesFailTheChosenCalls) {
  ASSERT_EQ(Write(kCommon, CommonRecord(1)), 0u);
  Bytes out;
  ASSERT_EQ(
      srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, kCommon, 7, SRV6DB_ENGINE_FAULT_NEXT_N, 2),
      0u);
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, SRV6DB_ENGINE_ANY_TABLE, 9,
                                       SRV6DB_ENGINE_FAULT_NTH, 4),
            0u);
  ASSERT_EQ(srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_READ, 6, 5, SRV6DB_ENGINE_FAULT_NEXT_N, 9),
            0u);
  std::vector<uint32_t> codes;
  for (int i = 0; i < 5; ++i) codes.push_back(Read(kCommon, CommonKey(1), &out));
  EXPECT_EQ(codes, (std::vector<uint32_t>{7, 7, 0, 9, 0}));
  srv6db_engine_clear_faults();
  // A sweep: an operation's engine calls are counted, then its k-th call fails.
  srv6db_engine_reset_call_counts();
  ASSERT_EQ(Read(kCommon, CommonKey(1), &out), 0u);
  const uint64_t calls = srv6db_engine_call_count(SRV6DB_ENGINE_FN_ANY, kCommon);
  ASSERT_EQ(calls, 3u);  // create, read, release
  ASSERT_EQ(
      srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_ANY, kCommon, 6, SRV6DB_ENGINE_FAULT_NTH, 2), 0u);
  EXPECT_EQ(Read(kCommon, CommonKey(1), &out), 6u);
  Bytes sid(68, 0);
  EXPECT_EQ(Read(6, KeyOf(6, 0, sid), &out), DB_ERR_NO_RECORD);
}

TEST_F(EngineTest, InjectedFailuresChangeNothingButPushFullApplies) {
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_WRITE, kCommon, 3, SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(Write(kCommon, CommonRecord(1)), 3u);
  EXPECT_EQ(srv6db_engine_record_count(kCommon), 0u);
  for (uint32_t fn : {SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_FN_UPDATE, SRV6DB_ENGINE_FN_REMOVE})
    srv6db_engine_inject_fault(fn, kCommon, DB_ERR_PUSH_QUEUE_FULL, SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(Write(kCommon, CommonRecord(1)), DB_ERR_PUSH_QUEUE_FULL);
  EXPECT_EQ(UpdateSmooth(kCommon, CommonKey(1), 0x99), DB_ERR_PUSH_QUEUE_FULL);
  Bytes out;
  ASSERT_EQ(Read(kCommon, CommonKey(1), &out), 0u);
  EXPECT_EQ(out[92], 0x99);
  EXPECT_EQ(Remove(kCommon, CommonKey(1)), DB_ERR_PUSH_QUEUE_FULL);
  EXPECT_EQ(srv6db_engine_record_count(kCommon), 0u);

  Srv6DbEngineObjectStats before, after;
  srv6db_engine_object_stats(&before);
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_CREATE_OBJ, kCommon, 11, SRV6DB_ENGINE_FAULT_NTH, 1);
  void *obj = reinterpret_cast<void *>(0x1);
  EXPECT_EQ(db_create_srv6_common_obj(DB_OP_READ, 0, &obj), 11u);
  EXPECT_EQ(obj, reinterpret_cast<void *>(0x1));
  srv6db_engine_object_stats(&after);
  EXPECT_EQ(after.made, before.made);
}

TEST_F(EngineTest, CallCountersAndLastKeyFollowEachCall) {
  ASSERT_EQ(Write(kCommon, CommonRecord(5)), 0u);
  uint64_t n = Count(kCommon, CommonKey(5));
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_CREATE_OBJ, kCommon), 2u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_RELEASE_OBJ, kCommon), 2u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_WRITE, kCommon), 1u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_COUNT, SRV6DB_ENGINE_ANY_TABLE), 1u);
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_COUNT, 0), 0u);
  db_write_obj(nullptr);  // no table to count it under
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_ANY_TABLE), 2u);
  Srv6DbEngineKeyCapture cap;
  ASSERT_EQ(srv6db_engine_last_key(SRV6DB_ENGINE_FN_COUNT, &cap), 0u);
  EXPECT_EQ(cap.calls, 1u);
  EXPECT_EQ(cap.hasKey, 1u);
  EXPECT_EQ(cap.keyWord, 0x00010004u);
  EXPECT_EQ(Bytes(cap.key, cap.key + cap.keyLength), CommonKey(5).bytes());
  srv6db_engine_capture_keys(0);  // off: keyed calls leave the capture as it was
  EXPECT_EQ(Count(kCommon, CommonKey(6)), 0u);
  ASSERT_EQ(srv6db_engine_last_key(SRV6DB_ENGINE_FN_COUNT, &cap), 0u);
  EXPECT_EQ(cap.calls, 1u);
  EXPECT_EQ(Bytes(cap.key, cap.key + cap.keyLength), CommonKey(5).bytes());
  srv6db_engine_reset_call_counts();
  EXPECT_EQ(srv6db_engine_call_count(SRV6DB_ENGINE_FN_WRITE, SRV6DB_ENGINE_ANY_TABLE), 0u);
}

TEST_F(EngineTest, BadReleasesAreCountedNotFollowed) {
  void *obj = nullptr, *it = nullptr;
  ASSERT_EQ(db_create_srv6_common_obj(DB_OP_QUERY, 0, &obj), 0u);
  ASSERT_EQ(db_create_root_iter(obj, nullptr, nullptr, &it), 0u);
  EXPECT_EQ(db_release_srv6_common_object(it), SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6te_policy_object(obj), 0u);
  EXPECT_EQ(db_release_srv6_common_object(obj), SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6_common_object(reinterpret_cast<void *>(0x1234)),
            SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6_common_object(nullptr), SRV6DB_ENGINE_ERR_NULL_POINTER);
  Bytes buf(112);
  EXPECT_EQ(db_read_obj_with_buf(obj, nullptr, nullptr, buf.data(), 112),
            SRV6DB_ENGINE_ERR_BAD_HANDLE);
  void *reused = nullptr;  // the slot comes back with a new generation
  ASSERT_EQ(db_create_srv6_common_obj(DB_OP_READ, 0, &reused), 0u);
  EXPECT_NE(reused, obj);
  EXPECT_EQ(db_release_srv6_common_object(obj), SRV6DB_ENGINE_ERR_BAD_HANDLE);
  EXPECT_EQ(db_release_srv6_common_object(reused), 0u);
  Srv6DbEngineObjectStats s;
  srv6db_engine_object_stats(&s);
  EXPECT_EQ(s.made, 2u);
  EXPECT_EQ(s.released, 2u);
  EXPECT_EQ(s.live, 0u);
  EXPECT_EQ(s.badReleases, 5u);
}

Srv6DbEngineVrfClassData Vrf(uint32_t vrId) {
  Srv6DbEngineVrfClassData d = {};
  d.tableId = 3;
  d.vrId = vrId;
  d.vrfIndex = vrId + 1;
  d.smoothFlag = vrId * 10;
  d.timeStampAgeEnd = 0x1122334455667788ull + vrId;
  return d;
}

TEST_F(EngineTest, VrfClassDataWalkReadsEachField) {
  for (uint32_t v : {1u, 2u, 3u}) {
    const Srv6DbEngineVrfClassData d = Vrf(v);
    ASSERT_EQ(srv6db_engine_vrf_add(&d), 0u);
  }
  ASSERT_EQ(srv6db_engine_vrf_remove(3, 2, 3), 0u);
  EXPECT_EQ(srv6db_engine_vrf_remove(3, 2, 3), DB_ERR_NO_RECORD);
  void *bad = nullptr;
  EXPECT_EQ(db_create_vrf_class_data_obj(DB_OP_READ, 0, &bad), SRV6DB_ENGINE_ERR_BAD_ARGUMENT);
  void *obj = nullptr, *it = nullptr;
  ASSERT_EQ(db_create_vrf_class_data_obj(DB_OP_QUERY, 0, &obj), 0u);
  ASSERT_EQ(db_create_root_iter(obj, nullptr, nullptr, &it), 0u);
  uint32_t u = 0;
  uint64_t ts = 0;
  EXPECT_EQ(db_get_vrf_class_data_vr_id(obj, &u), SRV6DB_ENGINE_ERR_NOT_POSITIONED);
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_VRF_GET_SMOOTH_FLAG, SRV6DB_ENGINE_VRF_TABLE, 4,
                             SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  std::vector<uint32_t> vrIds;
  while (db_root_iterator_next(it) == 0) {
    ASSERT_EQ(db_get_vrf_class_data_vr_id(obj, &u), 0u);
    vrIds.push_back(u);
    ASSERT_EQ(db_get_vrf_class_data_vrf_index(obj, &u), 0u);
    EXPECT_EQ(u, vrIds.back() + 1);
    EXPECT_EQ(db_get_vrf_class_data_smooth_flag(obj, &u), vrIds.size() == 1 ? 4u : 0u);
    ASSERT_EQ(db_get_vrf_class_data_time_stamp_age_end(obj, &ts), 0u);
    EXPECT_EQ(ts, Vrf(vrIds.back()).timeStampAgeEnd);
  }
  EXPECT_EQ(vrIds, (std::vector<uint32_t>{1, 3}));
  EXPECT_EQ(db_release_vrf_class_data_object(obj), 0u);
  srv6db_engine_vrf_clear();
  EXPECT_EQ(srv6db_engine_record_count(SRV6DB_ENGINE_VRF_TABLE), 0u);
}

TEST_F(EngineTest, RawAccessPlantsAndVisitsRecords) {
  Bytes rec = CommonRecord(9, 0xEE);  // bytes the library never writes are non-zero
  ASSERT_EQ(srv6db_engine_put_record(kCommon, rec.data(), 112), 0u);
  Bytes out;
  ASSERT_EQ(Read(kCommon, CommonKey(9), &out), 0u);
  EXPECT_EQ(out, rec);
  Bytes raw(112);
  uint32_t id = 9;
  ASSERT_EQ(srv6db_engine_get_record(kCommon, &id, 4, raw.data(), 112), 0u);
  EXPECT_EQ(raw, rec);
  ASSERT_EQ(Write(kCommon, CommonRecord(10)), 0u);
  std::vector<uint32_t> ids;
  srv6db_engine_visit_records(
      kCommon,
      [](const void *r, uint32_t, void *user) {
        uint32_t v;
        std::memcpy(&v, r, 4);
        static_cast<std::vector<uint32_t> *>(user)->push_back(v);
        return 0;
      },
      &ids);
  EXPECT_EQ(ids, (std::vector<uint32_t>{9, 10}));
}

}  // namespace
}  // namespace srv6db::test
