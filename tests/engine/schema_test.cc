// Golden record sizes, key words and key byte ranges of every table, written from the layouts.
#include <string>

#include "engine_test_util.h"

namespace srv6db::test {
namespace {

constexpr uint32_t kNone = SRV6DB_ENGINE_NO_OFFSET;

struct GoldenTable {
  uint32_t table;
  const char *word;
  uint32_t recordSize;
  uint32_t smoothIdOffset;
  std::vector<uint32_t> keyWords;  // [0] primary, [n] secondary index n
};

const std::vector<GoldenTable> kGolden = {
    {0, "srv6te_policy", 136, 112, {0x0001000D, 0x01090010, 0x02090010, 0x0309000C, 0x0409000C}},
    {1, "srv6te_candipath", 92, 72, {0x00010015, 0x01090010, 0x0209000D, 0x0309000C}},
    {2, "srv6te_sidstack", 308, 288, {0x0001000D, 0x01090019, 0x02090018, 0x03090004, 0x0409000C}},
    {3, "srv6te_iid", 140, 116, {0x00010019, 0x01090008, 0x0209000C}},
    {4, "srv6_common", 112, 92, {0x00010004}},
    {5, "srv6_xsid_prefix", 180, 160, {0x0001003A, 0x01090008, 0x02090018, 0x0309001A, 0x0409000C}},
    {6, "srv6_local_sid", 68, 40, {0x00010019, 0x0109000C, 0x0209000C}},
    {7, "srv6_sid_funct", 68, 40, {0x0001000C, 0x0109000C, 0x0209000C}},
    {8, "srv6_sid_nhp", 84, 60, {0x0001000C, 0x0109000C}},
    {9, "srv6_port_info", 104, 84, {0x00010020, 0x0109000C, 0x02090014, 0x03090004, 0x0409000C}},
    {10, "te_flow_grp", 64, 44, {0x0001000D, 0x0109000C}},
    {11,
     "te_flow_grp_tnl",
     108,
     84,
     {0x00010019, 0x0109000E, 0x02090009, 0x0309000D, 0x04090014, 0x0509000C}},
    {12, "te_flow_grp_map", 64, 44, {0x00010014}},
    {13, "spr_tnl", 124, 104, {0x00010011, 0x0109000D, 0x0209000C, 0x0309000C}},
    {14, "spr_tnl_grp", 84, 64, {0x0001000C, 0x0109000C}},
    {15, "srv6te_bsid", 104, 80, {0x0001000C, 0x0109000D, 0x0209000D, 0x0309000C}},
    {16, "srv6te_trastat", 136, kNone, {0x00010011, 0x01090004, 0x02090005}},
};

TEST(Schema, MatchesRecordLayouts) {
  ASSERT_EQ(kGolden.size(), SRV6DB_ENGINE_TABLE_COUNT);
  for (const GoldenTable &g : kGolden) {
    SCOPED_TRACE(g.word);
    Srv6DbEngineSchema s = SchemaOf(g.table);
    EXPECT_STREQ(s.name, g.word);
    EXPECT_EQ(s.recordSize, g.recordSize);
    EXPECT_EQ(s.smoothIdOffset, g.smoothIdOffset);
    EXPECT_EQ(s.discriminatorOffset, g.table == 5 ? 68u : kNone);
    ASSERT_EQ(s.indexCount, g.keyWords.size());
    for (uint32_t i = 0; i < s.indexCount; ++i) {
      EXPECT_EQ(s.indexes[i].keyWord, g.keyWords[i]) << "index " << i;
      uint32_t sum = 0;
      for (uint32_t j = 0; j < s.indexes[i].segmentCount; ++j)
        sum += s.indexes[i].segments[j].length;
      EXPECT_EQ(sum, g.keyWords[i] & 0xFFFFu) << "index " << i;
    }
  }
}

// Keys whose bytes do not simply run through the record, as record byte ranges in key order.
struct GoldenKey {
  uint32_t table;
  uint32_t keyWord;
  std::vector<std::pair<uint32_t, uint32_t>> ranges;  // [begin, end)
};

const std::vector<GoldenKey> kGoldenKeys = {
    {0, 0x01090010, {{0, 12}, {16, 20}}},            // policy: primary group
    {0, 0x02090010, {{0, 12}, {20, 24}}},            // policy: backup group
    {0, 0x0309000C, {{0, 8}, {112, 116}}},           // policy: smooth
    {1, 0x0209000D, {{0, 8}, {16, 21}}},             // candidate path: XC info
    {2, 0x01090019, {{0, 8}, {180, 197}}},           // SID stack: IID
    {2, 0x02090018, {{0, 8}, {20, 36}}},             // SID stack: local SID
    {3, 0x01090008, {{0, 4}, {32, 36}}},             // IID: IIDG
    {5, 0x01090008, {{0, 4}, {72, 76}}},             // XSID: IIDG
    {5, 0x0309001A, {{0, 8}, {40, 58}}},             // XSID: service context
    {5, 0x0409000C, {{160, 164}, {0, 8}}},           // XSID: smooth id first
    {6, 0x0109000C, {{0, 8}, {28, 32}}},             // local SID: function id
    {6, 0x0209000C, {{40, 44}, {0, 8}}},             // local SID: smooth id first
    {7, 0x0209000C, {{0, 8}, {24, 28}}},             // SID function: port group
    {9, 0x02090014, {{12, 32}}},                     // port info: ND refresh
    {9, 0x03090004, {{28, 32}}},                     // port info: L3 interface
    {11, 0x0109000E, {{0, 8}, {25, 27}, {28, 32}}},  // flow group tunnel: tunnel type
    {11, 0x02090009, {{0, 4}, {25, 26}, {32, 36}}},  // flow group tunnel: IID group
    {11, 0x0309000D, {{0, 8}, {25, 26}, {28, 32}}},  // flow group tunnel: group
    {11, 0x04090014, {{0, 8}, {12, 24}}},            // flow group tunnel: combine index
    {13, 0x0109000D, {{0, 8}, {12, 17}}},            // SR tunnel: policy
    {13, 0x0209000C, {{0, 8}, {20, 24}}},            // SR tunnel: next-hop group (attr1)
    {15, 0x0109000D, {{0, 8}, {12, 16}, {28, 29}}},  // binding SID: policy info
    {15, 0x0209000D, {{0, 8}, {20, 24}, {29, 30}}},  // binding SID: list info
    {16, 0x01090004, {{36, 40}}},                    // traffic statistics: tunnel id (attr1)
    {16, 0x02090005, {{12, 17}}},                    // traffic statistics: XC info
};

// A stored record is found through a key cut by hand from its bytes, and not through the
// same key cut from a record that differs in one key byte.
TEST_F(EngineTest, HandBuiltKeysFindTheirRecord) {
  std::mt19937 rng(7);
  for (const GoldenKey &g : kGoldenKeys) {
    SCOPED_TRACE(std::string(Fns(g.table).word) + " key word " + std::to_string(g.keyWord));
    srv6db_engine_reset();
    Bytes rec = RandomRecord(g.table, rng);
    ASSERT_EQ(Write(g.table, rec), 0u);
    Bytes bytes;
    for (auto [b, e] : g.ranges) bytes.insert(bytes.end(), rec.begin() + b, rec.begin() + e);
    Key key(g.keyWord, bytes.data(), static_cast<uint32_t>(bytes.size()));
    EXPECT_EQ(Count(g.table, key), 1u);
    key.data[key.length - 1] ^= 0xFF;
    EXPECT_EQ(Count(g.table, key), 0u);
  }
}

}  // namespace
}  // namespace srv6db::test
