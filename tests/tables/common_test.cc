// Common table: golden bytes, and the smooth id setter's engine code passed back.
#include "tests/support/golden.h"

namespace srv6db::test {
namespace {

const Srv6DbCommonEntry kEntry = [] {
  auto e = Filled<Srv6DbCommonEntry>(0xEE);  // spare and the gap before data1 hold junk
  e.commonId = 0x11223344, e.attr1 = 1, e.attr2 = 2, e.attr3 = 3, e.attr4 = 4;
  Assign(e.ipv6Addr1, {0x20010DB8, 1, 2, 3});
  Assign(e.ipv6Addr2, {0xFE800000, 0, 0, 0x12345678});
  e.attr5 = 5, e.attr6 = 6, e.attr7 = 7, e.attr8 = 8;
  e.attr9 = 0x0909, e.attr10 = 0x0A0A, e.attr11 = 0x0B, e.attr12 = 0x0C;
  Ramp(e.octets, 0x40);
  e.smoothId = 0x55667788, e.data1 = 0x0102030405060708, e.data2 = 0x1112131415161718;
  return e;
}();

const GoldenRegistrar kGolden(
    {"Common", SRV6_DB_TABLE_COMMON, kEntry, SRV6_DB_SetCommonFields, SRV6_DB_CreateCommon,
     "44332211 01020304 20010db8 00000001 00000002 00000003 fe800000 00000000"
     "00000000 12345678 05060708 09090a0a 0b0c0000"                    // 32
     "40414243 44454647 48494a4b 4c4d4e4f 50515253 54555657 58595a5b"  // 52
     "5c5d5e5f 60616263 00000000 88776655"                             // 80
     "08070605 04030201 18171615 14131211",                            // 96
     "44332211"},
    {{"Primary", SRV6_DB_SetCommonPriKey, kEntry, 0x00010004, "44332211"}});

using Common = LibraryTest;

TEST_F(Common, RefusedSmoothIdIsPassedBack) {
  ASSERT_EQ(SRV6_DB_CreateCommon(&kEntry), SRV6_DB_OK);
  srv6db_engine_inject_fault(SRV6DB_ENGINE_FN_SET_SMOOTH_ID, SRV6_DB_TABLE_COMMON, 4242,
                             SRV6DB_ENGINE_FAULT_NEXT_N, 1);
  EXPECT_EQ(SRV6_DB_UpdateCommonSmoothId(&kEntry), 4242u);
  EXPECT_TRUE(OnlyStatChanged(SRV6_DB_TABLE_COMMON, SRV6_DB_STAT_SET_FIELD_FAILED));
  EXPECT_EQ(SRV6_DB_SetCommonSmoothID(nullptr, nullptr), SRV6_DB_ERR);
}

}  // namespace
}  // namespace srv6db::test
