// Golden bytes of every table: each hand-built entry's record, every key setter's key, and
// the walk by VRF of each table that has one.
#include "tests/support/golden.h"

#include <algorithm>

namespace srv6db::test {
namespace {

class GoldenRecord : public LibraryTest, public ::testing::WithParamInterface<GoldenRecordRow> {};

// A round trip cannot catch a wrong offset: both directions read the same row.
TEST_P(GoldenRecord, SetFieldsAndCreateWriteTheDocumentedBytes) {
  const GoldenRecordRow &g = GetParam();
  EXPECT_EQ(g.encode(), g.record) << "record from Set" << g.table << "Fields";
  ASSERT_EQ(g.create(g.entry), SRV6_DB_OK);
  EXPECT_EQ(StoredRecord(g.tableId, g.primaryKey, g.record.size()), g.record)
      << "record stored under the documented primary key";
  EXPECT_TRUE(NoStatChanged());
}

class WalkByVrf : public GoldenRecord {};

TEST_P(WalkByVrf, YieldsTheRecordsOfOneVrfAndSmoothId) {
  GetParam().vrfWalk();
  EXPECT_TRUE(NoStatChanged());
}

class GoldenKey : public ::testing::TestWithParam<GoldenKeyRow> {};

TEST_P(GoldenKey, SetterWritesTheDocumentedKey) {
  EXPECT_TRUE(SetsKey(GetParam().set, GetParam().keyWord, GetParam().key));
}

std::vector<GoldenRecordRow> WithWalkByVrf() {
  std::vector<GoldenRecordRow> rows;
  std::ranges::copy_if(GoldenRecordRows(), std::back_inserter(rows),
                       [](const GoldenRecordRow &r) { return bool(r.vrfWalk); });
  return rows;
}

const auto kTableName = [](const auto &info) { return info.param.table; };
INSTANTIATE_TEST_SUITE_P(Tables, GoldenRecord, ::testing::ValuesIn(GoldenRecordRows()), kTableName);
INSTANTIATE_TEST_SUITE_P(Tables, WalkByVrf, ::testing::ValuesIn(WithWalkByVrf()), kTableName);
INSTANTIATE_TEST_SUITE_P(Tables, GoldenKey, ::testing::ValuesIn(GoldenKeyRows()),
                         [](const auto &info) { return info.param.name; });

}  // namespace
}  // namespace srv6db::test
