// Common table: record and key bytes against the documented layout.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tests/support/test_env.h"

namespace srv6db::test {
namespace {

using Common = LibraryTest;

Srv6DbCommonEntry Sample() {
  Srv6DbCommonEntry e;
  std::memset(&e, 0xEE, sizeof(e));
  e.commonId = 0x11223344;
  e.attr1 = 1, e.attr2 = 2, e.attr3 = 3, e.attr4 = 4;
  const uint32_t a1[4] = {0x20010DB8, 0x00000001, 0x00000002, 0x00000003};
  const uint32_t a2[4] = {0xFE800000, 0, 0, 0x12345678};
  std::memcpy(e.ipv6Addr1, a1, 16);
  std::memcpy(e.ipv6Addr2, a2, 16);
  e.attr5 = 5, e.attr6 = 6, e.attr7 = 7, e.attr8 = 8;
  e.attr9 = 0x0909, e.attr10 = 0x0A0A, e.attr11 = 0x0B, e.attr12 = 0x0C;
  for (int i = 0; i < 36; ++i) e.octets[i] = static_cast<uint8_t>(0x40 + i);
  e.smoothId = 0x55667788;
  e.data1 = 0x0102030405060708;
  e.data2 = 0x1112131415161718;
  return e;
}

// Written out from the record layout, not by the encoder (little-endian host).
std::vector<uint8_t> Golden() {
  std::vector<uint8_t> r = {
      0x44, 0x33, 0x22, 0x11, 0x01, 0x02, 0x03, 0x04,                          // 0
      0x20, 0x01, 0x0D, 0xB8, 0x00, 0x00, 0x00, 0x01,                          // 8
      0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x03,                          // 16
      0xFE, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 24
      0x00, 0x00, 0x00, 0x00, 0x12, 0x34, 0x56, 0x78,                          // 32
      0x05, 0x06, 0x07, 0x08, 0x09, 0x09, 0x0A, 0x0A, 0x0B, 0x0C, 0x00, 0x00,  // 40
  };
  for (int i = 0; i < 36; ++i) r.push_back(static_cast<uint8_t>(0x40 + i));  // 52
  const uint8_t tail[] = {0x00, 0x00, 0x00, 0x00,                            // 88
                          0x88, 0x77, 0x66, 0x55,                            // 92
                          0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,    // 96
                          0x18, 0x17, 0x16, 0x15, 0x14, 0x13, 0x12, 0x11};   // 104
  r.insert(r.end(), tail, tail + sizeof(tail));
  return r;
}

TEST_F(Common, RecordBytesFollowTheLayout) {
  const Srv6DbCommonEntry e = Sample();
  Srv6DbCommonRecord record;
  std::memset(&record, 0, sizeof(record));
  SRV6_DB_SetCommonFields(&e, &record);
  const std::vector<uint8_t> golden = Golden();
  ASSERT_EQ(golden.size(), sizeof(record));
  EXPECT_EQ(0, std::memcmp(&record, golden.data(), golden.size()));

  ASSERT_EQ(SRV6_DB_CreateCommon(&e), 0u);
  std::vector<uint8_t> stored(112);
  const uint8_t key[] = {0x44, 0x33, 0x22, 0x11};
  ASSERT_EQ(0u, srv6db_engine_get_record(4, key, 4, stored.data(), 112));
  EXPECT_EQ(stored, golden);
}

TEST_F(Common, PrimaryKeyIsCommonIdInNativeOrder) {
  const Srv6DbCommonEntry e = Sample();
  uint32_t keyWord = 0;
  uint8_t key[4] = {};
  SRV6_DB_SetCommonPriKey(&e, &keyWord, key);
  EXPECT_EQ(keyWord, 0x00010004u);
  const uint8_t want[] = {0x44, 0x33, 0x22, 0x11};
  EXPECT_EQ(0, std::memcmp(key, want, 4));

  Srv6DbCommonEntry read = e;
  EXPECT_EQ(SRV6_DB_ReadCommon(&read), 60u);
  Srv6DbEngineKeyCapture sent;
  ASSERT_EQ(0u, srv6db_engine_last_key(SRV6DB_ENGINE_FN_READ, &sent));
  EXPECT_EQ(sent.keyWord, 0x00010004u);
  EXPECT_EQ(sent.keyLength, 4u);
  EXPECT_EQ(0, std::memcmp(sent.key, want, 4));
}

TEST_F(Common, SmoothIdUpdateChangesOnlyOffset92) {
  Srv6DbCommonEntry e = Sample();
  ASSERT_EQ(SRV6_DB_CreateCommon(&e), 0u);
  e.smoothId = 0xA1B2C3D4;
  e.attr1 = 0x99;  // ignored: only the key and the smooth id are read
  ASSERT_EQ(SRV6_DB_UpdateCommonSmoothId(&e), 0u);
  std::vector<uint8_t> want = Golden();
  const uint8_t smooth[] = {0xD4, 0xC3, 0xB2, 0xA1};
  std::memcpy(&want[92], smooth, 4);
  std::vector<uint8_t> stored(112);
  const uint8_t key[] = {0x44, 0x33, 0x22, 0x11};
  ASSERT_EQ(0u, srv6db_engine_get_record(4, key, 4, stored.data(), 112));
  EXPECT_EQ(stored, want);
}

TEST_F(Common, RefusedSmoothIdIsPassedBack) {
  const Srv6DbCommonEntry e = Sample();
  ASSERT_EQ(SRV6_DB_CreateCommon(&e), 0u);
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_SMOOTH_ID, 4, 4242, SRV6DB_ENGINE_FAULT_NEXT_N,
                             1);
  EXPECT_EQ(SRV6_DB_UpdateCommonSmoothId(&e), 4242u);
  EXPECT_TRUE(OnlyStatChanged(4, SRV6_DB_STAT_SET_FIELD_FAILED));
  EXPECT_EQ(SRV6_DB_SetCommonSmoothID(nullptr, nullptr), 1u);
}

}  // namespace
}  // namespace srv6db::test
