#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/ListingLine.h"

namespace {

TEST(ListingLine, StartsAsBlanksWithATerminator) {
    ListingLine line;
    EXPECT_EQ(std::strlen(line.Text()), 159u);
    EXPECT_EQ(std::string(line.Text()), std::string(159, ' '));
    EXPECT_EQ(line.Trim(), 0);
    EXPECT_STREQ(line.Text(), "");
}

TEST(ListingLine, FieldsAtFixedColumns) {
    ListingLine line;
    EXPECT_EQ(line.Append(0, "APT"), 3);
    EXPECT_EQ(line.Append(5, "EGLL"), 9);
    EXPECT_EQ(line.Format(11, "%5d' %-6s", 12000, "hard"), 11 + 13);
    EXPECT_EQ(line.Format(30, "%.2f", 1.5), 34);
    EXPECT_EQ(line.Trim(), 34);
    EXPECT_STREQ(line.Text(), "APT  EGLL  12000' hard        1.50");
}

TEST(ListingLine, TextBeyondTheLastColumnIsDropped) {
    ListingLine line;
    const std::string text(40, 'x');
    EXPECT_EQ(line.Append(150, text.c_str()), 190);  // the column after the text, as if it fitted
    EXPECT_EQ(line.Append(400, "y"), 401);
    EXPECT_EQ(line.Append(-2, "abc"), 1);
    EXPECT_EQ(line.Text()[159], '\0');
    EXPECT_EQ(line.Trim(), 159);
    EXPECT_EQ(line.Text()[0], 'c');
    EXPECT_EQ(std::string(line.Text() + 150), std::string(9, 'x'));
    line.Clear();
    EXPECT_EQ(std::strlen(line.Text()), 159u);
}

TEST(ListingLine, SharedLine) {
    ListingLine& line = SharedListingLine();
    line.Clear();
    EXPECT_EQ(AppendLineText(4, "NDB"), 7);
    EXPECT_EQ(&SharedListingLine(), &line);
    line.Trim();
    EXPECT_STREQ(line.Text(), "    NDB");
}

}  // namespace
