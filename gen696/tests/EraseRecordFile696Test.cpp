#include <gtest/gtest.h>

#include "gen/testsupport/BatchTestSupport.h"
#include "gen696/EraseRecordFile696.h"

namespace {

class EraseRecordFile : public batchtest::BatchDbTest {};

TEST_F(EraseRecordFile, OneFileIsEmptiedTheOthersKeepTheirRecords) {
    ASSERT_EQ(Apply("ADD|APT|KSEA|US-UNITED STATES|SEATTLE|SEATTLE-TACOMA INTL|N472656|W1221832|433|JA"), 0);
    ASSERT_FALSE(All<AptRecord>().empty());
    const size_t names = All<NameRecord>().size();
    ASSERT_GT(names, 0u);
    EXPECT_TRUE(EraseRecordFile696(kFileApts));
    EXPECT_TRUE(All<AptRecord>().empty());
    EXPECT_EQ(All<NameRecord>().size(), names);
    // The file works again.
    ASSERT_EQ(Apply("ADD|APT|KBFI|US-UNITED STATES|SEATTLE|BOEING FIELD|N473148|W1221807|21|JA"), 0);
    EXPECT_EQ(All<AptRecord>().size(), 1u);
    EXPECT_FALSE(EraseRecordFile696(99));
}

}  // namespace
