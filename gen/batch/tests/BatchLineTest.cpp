// Reading rules of batch lines, the result texts and the listing line of a result.
#include <gtest/gtest.h>

#include "gen/batch/BatchLine.h"

namespace {

TEST(BatchLine, ReadingRules) {
    struct Case {
        std::string raw;
        bool isLine;
        std::string text;
        std::vector<std::string> fields;
    };
    const Case cases[] = {
        {"", false, "", {}},
        {"   \t  ", false, "", {}},
        {"// a comment", false, "", {}},
        {"/ADD|APT|LFPO", false, "", {}},
        {"add|apt|lfpo|lf-france", true, "add|apt|lfpo|lf-france", {"ADD", "APT", "LFPO", "LF-FRANCE"}},
        // Runs of separators count as one; leading and trailing ones give no field.
        {"|ADD||APT|||X|", true, "|ADD||APT|||X|", {"ADD", "APT", "X"}},
        // A comment from the second character on, and the blanks before it, are cut.
        {"ADD|FRQ|LFPO|LF-FRANCE|TOWER|118.70\t// ORLY", true, "ADD|FRQ|LFPO|LF-FRANCE|TOWER|118.70",
         {"ADD", "FRQ", "LFPO", "LF-FRANCE", "TOWER", "118.70"}},
        // Trailing control characters and characters with the top bit set are cut.
        {"DEL|USR|HOME  \r\x01\xE9", true, "DEL|USR|HOME", {"DEL", "USR", "HOME"}},
        // Only letters a-z change case; a Windows-1252 letter stays as it is.
        {"add|usr|p1|n 1~0.0|e 1~0.0|caf\xe9 x", true, "add|usr|p1|n 1~0.0|e 1~0.0|caf\xe9 x",
         {"ADD", "USR", "P1", "N 1~0.0", "E 1~0.0", "CAF\xe9 X"}},
        // A NUL byte ends the line.
        {std::string("ADD|APT\0|LFPO", 13), true, "ADD|APT", {"ADD", "APT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.raw);
        BatchLine line;
        ASSERT_EQ(PrepareBatchLine(c.raw, line), c.isLine);
        if (!c.isLine) continue;
        EXPECT_EQ(line.text, c.text);
        ASSERT_EQ(line.count, c.fields.size());
        for (size_t i = 0; i < c.fields.size(); ++i) EXPECT_EQ(line.Field(i + 1), c.fields[i]);
        EXPECT_EQ(line.Field(c.fields.size() + 1), "");
    }
}

TEST(BatchLine, AtMostSixteenFields) {
    std::string text;
    for (int i = 1; i <= 20; ++i) text += "F" + std::to_string(i) + "|";
    BatchLine line;
    ASSERT_TRUE(PrepareBatchLine(text, line));
    EXPECT_EQ(line.count, 16u);
    EXPECT_EQ(line.Field(16), "F16");
    EXPECT_EQ(line.Field(17), "");
}

TEST(BatchLine, WordsAndResultTexts) {
    EXPECT_EQ(BatchCommandOf("ADD"), kBatchAdd);
    EXPECT_EQ(BatchCommandOf("DEL"), kBatchDel);
    EXPECT_EQ(BatchCommandOf("ADDX"), kBatchNoCommand);
    EXPECT_EQ(BatchTypeOf("USR"), kBatchUsr);
    EXPECT_EQ(BatchTypeOf("RTE"), kBatchRte);
    EXPECT_EQ(BatchTypeOf("AP"), kBatchNoType);
    EXPECT_STREQ(BatchResultText(kBatchErrLng), "ERR_LNG");
    EXPECT_STREQ(BatchResultText(kBatchOk), "OK");
    EXPECT_STREQ(BatchResultText(kBatchBadPicture), "INTERNAL ERROR");
    EXPECT_STREQ(BatchResultText(-1), "INTERNAL ERROR");
}

TEST(BatchLine, ResultLine) {
    EXPECT_EQ(FormatBatchResultLine(kBatchDone, "ADD|APT|X"), "    (DONE) ADD|APT|X");
    EXPECT_EQ(FormatBatchResultLine(kBatchErrFc, "ADD|APT|X"), "  *ERR-FC* ADD|APT|X");
    EXPECT_EQ(FormatBatchResultLine(kBatchAbs, "DEL|APT|X"), "     (ABS) DEL|APT|X");
    // Ten characters fill columns 0 to 9; the line still starts at column 11.
    EXPECT_EQ(FormatBatchResultLine(kBatchModified, "ADD|APT|X"), "(MODIFIED) ADD|APT|X");
    // A longer text starts at column 0 and the line follows it.
    EXPECT_EQ(FormatBatchResultLine(kBatchBadPicture, "ADD|RWY"), "*INTERNAL ERROR* ADD|RWY");
    // At most 159 characters.
    EXPECT_EQ(FormatBatchResultLine(kBatchDone, std::string(200, 'X')).size(), 159u);
}

}  // namespace
