// The batch update operation: one line per step, its listing and its end.
#include <cstring>
#include <random>

#include "gen/testsupport/BatchTestSupport.h"
#include "common/LineReader.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace batchtest {
namespace {

class BatchUpdateRun : public BatchDbTest {
protected:
    // Runs the whole file through the step driver; returns the number of steps.
    int Run(const std::string& text, bool detailed) {
        source_ = text;
        settings_.listing = detailed;
        context_.settings = &settings_;
        context_.doc = &doc_;
        context_.kind = kModeBatchUpdate;
        context_.ResetSteps();
        context_.batch = std::make_unique<LineReader>(LineReader::FromBuffer(source_.data(), source_.size()));
        int steps = 0;
        while (!RunBatchUpdate(context_, session_)) {
            if (++steps > 100000) break;
        }
        return steps + 1;
    }

    std::vector<std::string> Lines() const { return doc_.Lines(); }

    std::string source_;
    BatchSession session_;
    GenSettings settings_;
    CGenDoc doc_;
    OperationContext context_;
};

const char* const kFile =
    "// Paris\r\n"
    "ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291\r\n"
    "\r\n"
    "ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750\r\n"
    "add|rwy|lfpo|lf|11975x148|08-26|hard|ft lts|0\n"
    "DEL|APT|LFXX|LF\n"
    "ADD|RTE|R1|X\n"
    "ADD|RWY|LFXX|LF|1000|09|hard|no lts|0";

TEST_F(BatchUpdateRun, DetailedListing) {
    EXPECT_EQ(Run(kFile, true), 9);
    const std::vector<std::string> expected = {
        "    (DONE) ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750|291",
        "  *ERR-FC* ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750",
        "    (DONE) add|rwy|lfpo|lf|11975x148|08-26|hard|ft lts|0",
        "     (ABS) DEL|APT|LFXX|LF",
        "  *ERR-F2* ADD|RTE|R1|X",
        "     (ABS) ADD|RWY|LFXX|LF|1000|09|hard|no lts|0",
        "",
        "Database Update Complete",
        "",
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(All<RwyRecord>().size(), 1u);
}

TEST_F(BatchUpdateRun, NormalListingShowsProgressAndErrors) {
    doc_.AddLine("from the batch update file 'x'");
    Run(kFile, false);
    const std::vector<std::string> expected = {
        "from the batch update file 'x'",
        "  *ERR-FC* ADD|APT|LFPO|LF-FRANCE|PARIS|ORLY|N 48~43.400|E 002~22.750",
        "",
        "  *ERR-F2* ADD|RTE|R1|X",
        "",
        "     (ABS) ADD|RWY|LFXX|LF|1000|09|hard|no lts|0",
        "",
        "",
        "Database Update Complete",
        "",
    };
    EXPECT_EQ(Lines(), expected);
}

TEST_F(BatchUpdateRun, SerialNumbersContinueFromTheDatabase) {
    ASSERT_EQ(Apply("ADD|USR|A|N 1~0.0|E 1~0.0|A"), kBatchDone);
    ASSERT_EQ(Apply("ADD|USR|B|N 1~0.0|E 1~0.0|B"), kBatchDone);
    Run("ADD|USR|C|N 1~0.0|E 1~0.0|C\nADD|FRQ|X|Y|ATIS|1", false);
    auto usrs = All<UsrRecord>();
    ASSERT_EQ(usrs.size(), 3u);
    EXPECT_EQ(usrs[2].usno, 2);
    EXPECT_EQ(context_.nextSerial[kFileRestr], 1);
    EXPECT_GT(usrs[2].utime, 1000000000);  // seconds since the end of 1989, now
}

TEST_F(BatchUpdateRun, ALineLongerThanTheBufferIsOneBadLine) {
    // 159 characters still make a line; one more makes the whole line a bad one, and no piece of
    // it runs on its own: neither the tail of a long line nor that of a long comment.
    const std::string full = "ADD|USR|FULL|N 1~0.0|E 1~0.0|" + std::string(130, 'X');
    ASSERT_EQ(full.size(), 159u);
    const std::string tail = "ADD|USR|TAIL|N 2~0.0|E 2~0.0|T";
    const std::string longLine = "ADD|USR|LONG|N 1~0.0|E 1~0.0|" + std::string(131, 'X') + tail;
    const std::string longComment = "// " + std::string(156, '-') + tail;
    Run(full + "\r\n" + longLine + "\r\n" + longComment + "\n" + longComment + "\n"
            "ADD|USR|LAST|N 3~0.0|E 3~0.0|L",
        true);
    const std::vector<std::string> lines = Lines();
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0].substr(0, 11), "    (DONE) ");
    EXPECT_EQ(lines[1], "  *ERR-FC* " + longLine.substr(0, 159 - 11));
    EXPECT_EQ(lines[2].substr(0, 14), "  *ERR-FC* // ");
    EXPECT_EQ(lines[3], lines[2]);
    EXPECT_EQ(lines[4], "    (DONE) ADD|USR|LAST|N 3~0.0|E 3~0.0|L");
    std::vector<std::string> idents;
    for (const UsrRecord& u : All<UsrRecord>()) idents.emplace_back(u.uident, strnlen(u.uident, sizeof u.uident));
    EXPECT_EQ(idents, (std::vector<std::string>{"FULL", "LAST"}));
}

TEST_F(BatchUpdateRun, BinaryFilesAreReadLineByLine) {
    std::mt19937 random(7);
    std::string noise;
    for (int i = 0; i < 20000; ++i) noise += static_cast<char>(random() & 0xFF);
    noise += std::string(500, '\0') + std::string(400, 'A') + "ADD|APT|\xff\xfe|\x01";
    const auto before = Snapshot();
    Run(noise, true);
    auto lines = Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], "Database Update Complete");
    for (size_t i = 0; i + 3 < lines.size(); ++i) {
        SCOPED_TRACE(lines[i]);
        EXPECT_LE(lines[i].size(), 159u);
        EXPECT_TRUE(lines[i].find("*ERR-") != std::string::npos);
    }
    EXPECT_TRUE(Snapshot() == before);
}

TEST_F(BatchUpdateRun, InstalledAsTheModelsDriver) {
    GenModel model;
    InstallBatchUpdate(model);
    ASSERT_TRUE(model.drivers[kModeBatchUpdate]);
    source_ = "ADD|USR|A|N 1~0.0|E 1~0.0|A\n";
    context_.doc = &doc_;
    context_.settings = &settings_;
    context_.batch = std::make_unique<LineReader>(LineReader::FromBuffer(source_.data(), source_.size()));
    EXPECT_FALSE(model.drivers[kModeBatchUpdate](context_));
    EXPECT_TRUE(model.drivers[kModeBatchUpdate](context_));
    EXPECT_FALSE(context_.batch);
    EXPECT_EQ(All<UsrRecord>().size(), 1u);
}

}  // namespace
}  // namespace batchtest
