// The five writers, their round trips through the readers, and the save that keeps old files.
#include <gtest/gtest.h>

#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/DbTextFile.h"
#include "sidedata/flarm/FlarmSave.h"
#include "sidedata/flarm/FlarmViewFile.h"
#include "sidedata/flarm/HexFlnFile.h"
#include "sidedata/flarm/ShiftedXmlFile.h"
#include "sidedata/flarm/tests/FlarmTestSupport.h"

using namespace flarmtest;

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// A memory holding n generated records with every field set.
void Fill(ListedMemory& m, int n) {
    for (int i = 0; i < n; ++i) {
        char id[8];
        std::snprintf(id, sizeof id, "%06X", i * 7919 % 0xFFFFFF);
        m.Commit({id, "Pilot " + std::to_string(i), "Field", "D-" + std::to_string(1000 + i % 9000), "ASK-21",
                  i % 3 ? "A" + std::to_string(i % 10) : "", "123.450"});
    }
}

std::vector<Fields> ReadBack(const std::string& bytes, const std::string& path = "out") {
    ListedMemory back;
    back.Read(bytes, path);
    return AllFields(back.memory);
}

// What the Butterfly format keeps of a record.
Fields ButterflyView(const Fields& f) {
    auto code = [](std::string text, size_t n, bool six) {
        const char* five = "ABCDEFGHIJKLMNOPQRSTUVWXYZ .+-dx";
        text.resize(n, ' ');
        for (char& c : text) {
            unsigned v;
            if (std::strchr(" .+-dx", c) && c) v = (six ? 36 : 26) + static_cast<unsigned>(std::strchr(" .+-dx", c) - " .+-dx");
            else if (c >= '0' && c <= '9') v = 26u + static_cast<unsigned>(c - '0');
            else v = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c))) - 'A';
            v &= six ? 63 : 31;
            c = six ? (v < 26 ? 'A' + v : v < 36 ? '0' + v - 26 : v <= 40 ? " .+-d"[v - 36] : 'x') : five[v];
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    };
    return {f.id, code(f.name, 9, false), code(f.airfield, 4, false), code(f.reg, 6, true), "ASK-21",
            code(f.compId, 3, true), f.frequency};
}

}  // namespace

TEST(FlarmWrite, RoundTripsThroughEveryWriterGiveTheSameRecords) {
    ListedMemory m;
    m.Read(ReadBytes(SampleDir() + "/data.fln"));
    m.Commit({"ABCDEF", "A & B <C> \"D\"", "\xFC" "ber", "X-1", "Discus", "ZZ", "122.500"});
    m.memory.version = "006fb0";
    std::vector<Fields> all = AllFields(m.memory);
    for (auto write : {WriteHexFlnFile, WriteShiftedXmlFile}) {
        std::string out;
        EXPECT_EQ(write(m.memory, out), 4);
        EXPECT_EQ(ReadBack(out), all);
    }
    std::string db;
    EXPECT_EQ(WriteDbTextFile(m.memory, "db.txt", db), 4);
    // DB text keeps REG and TYPE only with a NAME.
    std::vector<Fields> dbView = all;
    for (Fields& f : dbView) {
        f.airfield.clear();
        f.frequency.clear();
        if (f.name.empty()) f.reg.clear(), f.type.clear();
    }
    EXPECT_EQ(ReadBack(db), dbView);
    EXPECT_TRUE(m.Listed("2 records saved without REG/TYPE (no NAME)"));
    std::string flx;
    EXPECT_EQ(WriteFlarmViewFile(m.memory, flx), 2);
    EXPECT_EQ(ReadBack(flx), (std::vector<Fields>{{"00000F", "", "", "", "", "X27", ""}, {"ABCDEF", "", "", "", "", "ZZ", ""}}));
}

TEST(FlarmWrite, ButterflyKeepsItsOwnLossyFields) {
    ListedMemory m;
    m.Commit({"000001", "Long pilot name", "Airfield", "D-abcx", "ASK-21", "ab", "122.3"});
    m.Commit({"000002", "M.D+x", "", "", "ASK-21", "", "136.975"});
    m.Commit({"000003", "", "", "", "ASK-21", "", "118.01"});
    m.memory.version = "00ab12";
    std::string out;
    EXPECT_EQ(WriteButterflyFile(m.memory, out), 3);
    std::vector<Fields> expected;
    for (Fields f : AllFields(m.memory)) {
        if (f.frequency == "122.3") f.frequency = "122.300";
        if (f.frequency == "118.01") f.frequency = "118.000";
        expected.push_back(ButterflyView(f));
    }
    EXPECT_EQ(ReadBack(out), expected);
    EXPECT_EQ(expected[0].reg, "D-ABCx");
}

TEST(FlarmWrite, ButterflyFrequencyOutsideItsRangeIsListedAndNotStored) {
    const struct {
        const char* frequency;
        const char* stored;
    } cases[] = {{"116.900", ""}, {"149.000", ""}, {"abc", ""}, {"148.975", "148.975"}, {"117.000", ""},
                 {" 123.5", ""}, {"123.45", "123.450"}, {"123.449", "123.425"}};
    for (const auto& c : cases) {
        ListedMemory m;
        m.Commit({"000001", "", "", "", "", "", c.frequency});
        m.memory.version = "000000";
        std::string out;
        WriteButterflyFile(m.memory, out);
        EXPECT_EQ(ReadBack(out)[0].frequency, c.stored) << c.frequency;
        bool listed = m.Listed(std::string("Frequency ") + m.memory.Records()[0].FREQUENCY +
                               " of 000001 not stored");
        bool outside = std::string(c.frequency) == "116.900" || std::string(c.frequency) == "149.000" ||
                       std::string(c.frequency) == "abc";
        EXPECT_EQ(listed, outside) << c.frequency;
    }
}

TEST(FlarmWrite, ThirteenButterflyRecordsGiveTwoBlocks) {
    ListedMemory m;
    Fill(m, 13);
    m.memory.version = "00ab12";
    std::string out;
    EXPECT_EQ(WriteButterflyFile(m.memory, out), 13);
    std::vector<std::string> lines = SplitLines(out);
    ASSERT_EQ(lines.size(), 2u + 32u + 1u);
    EXPECT_EQ(lines[0], "#BFD_FN_1.0#");
    EXPECT_EQ(lines[1], ":020000022000DC");
    EXPECT_EQ(lines.back(), ":00000001FF");
    std::string second;
    for (int l = 18; l < 34; ++l) {
        EXPECT_EQ(lines[static_cast<size_t>(l)].size(), 43u);
        second += lines[static_cast<size_t>(l)].substr(9, 32);
    }
    EXPECT_EQ(second.substr(0, 2), "0C");
    EXPECT_EQ(second.substr(2, 6), AllFields(m.memory)[12].id);
    EXPECT_EQ(second.substr(44), std::string(468, '0'));
    EXPECT_EQ(lines[17].substr(35, 6), "00AB12");
    EXPECT_EQ(ReadBack(out).size(), 13u);
}

TEST(FlarmWrite, ButterflyAddressesPast4096LinesStayInFourDigitsWithSegments) {
    ListedMemory m;
    Fill(m, 12 * 256 * 4 + 5);  // 16,388 data lines
    m.memory.version = "00ab12";
    std::string out;
    WriteButterflyFile(m.memory, out);
    std::vector<std::string> lines = SplitLines(out);
    std::vector<std::string> segments;
    long data = 0;
    for (const std::string& l : lines) {
        if (l.rfind(":10", 0) == 0) {
            char address[5];
            std::snprintf(address, sizeof address, "%04lX", (data % 4096) * 16);
            ASSERT_EQ(l.substr(3, 4), address) << data;
            ++data;
        } else if (l.rfind(":02", 0) == 0) {
            segments.push_back(l);
            EXPECT_EQ(data % 4096, 0);
        }
    }
    EXPECT_EQ(segments, (std::vector<std::string>{":020000022000DC", ":020000023000CC", ":020000024000BC",
                                                  ":020000025000AC", ":0200000260009C"}));
    EXPECT_EQ(ReadBack(out).size(), m.memory.Records().size());
}

TEST(FlarmWrite, WinPilotLinesAre173BytesWhateverTheTexts) {
    ListedMemory m;
    m.Commit({"000001"});
    m.Commit({"000002", std::string(23, 'N'), std::string(23, 'A'), "D-12345", std::string(23, 'T'), "ABC", "123.4567"});
    m.memory.version = "00ab12";
    std::string out;
    WriteHexFlnFile(m.memory, out);
    ASSERT_EQ(out.size(), 7u + 2 * 173u);
    EXPECT_EQ(out.substr(0, 7), "00ab12\n");
    EXPECT_EQ(out[7 + 172], '\n');
    EXPECT_EQ(out[7 + 2 * 173 - 1], '\n');
    EXPECT_EQ(ReadBack(out)[1], (Fields{"000002", std::string(20, 'N'), std::string(20, 'A'), "D-1234",
                                        std::string(20, 'T'), "ABC", "123.456"}));
}

TEST(FlarmWrite, DbTextOgnPathKeepsOnlyOgnRecords) {
    ListedMemory m;
    m.Commit({"000001", "Name", "", "D-1", "T", "AB"}, true);
    m.Commit({"000002", "Name", "", "D-2", "T", "CD"}, false);
    std::string out;
    EXPECT_EQ(WriteDbTextFile(m.memory, "/x/OGNdb.txt", out), 1);
    EXPECT_EQ(out, "000001|AB  D-1    T          Name\r\n");
}

class FlarmSaveTest : public ScratchFolder {
protected:
    ListedMemory m;
    int asked = 0;
    int versionAsked = 0;
    bool answerYes = false;
    FlarmSaveHooks Hooks() {
        FlarmSaveHooks hooks;
        hooks.confirmOverwrite = [this](const std::string&, const std::string&) {
            ++asked;
            return answerYes;
        };
        hooks.askVersion = [this] { ++versionAsked; };
        return hooks;
    }
};

TEST_F(FlarmSaveTest, ExtensionIsAppendedAndTheFileWritten) {
    Fill(m, 3);
    FlarmSaveResult r = SaveFlarmMemory(m.memory, Path("out"), 5, Hooks());
    EXPECT_EQ(r.outcome, FlarmSaveOutcome::Written);
    EXPECT_EQ(r.path, Path("out.txt"));
    EXPECT_EQ(r.written, 3);
    EXPECT_TRUE(m.Listed("Writing a db text type file"));
    EXPECT_TRUE(m.Listed("Saved 3 items as " + Path("out.txt")));
    EXPECT_TRUE(m.Listed("Writing Complete"));
    EXPECT_EQ(ReadBack(ReadBytes(Path("out.txt"))).size(), 3u);
    EXPECT_EQ(SaveFlarmMemory(m.memory, Path("out"), 6, Hooks()).outcome, FlarmSaveOutcome::UnknownType);
    EXPECT_TRUE(m.Listed("Unknown file type"));
}

TEST_F(FlarmSaveTest, NoToTheOverwriteQuestionKeepsTheOldFile) {
    Fill(m, 3);
    WriteBytes(Path("old.txt"), "old contents");
    EXPECT_EQ(SaveFlarmMemory(m.memory, Path("old.txt"), 5, Hooks()).outcome, FlarmSaveOutcome::NotWritten);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ReadBytes(Path("old.txt")), "old contents");
    answerYes = true;
    EXPECT_EQ(SaveFlarmMemory(m.memory, Path("old.txt"), 5, Hooks()).outcome, FlarmSaveOutcome::Written);
    EXPECT_NE(ReadBytes(Path("old.txt")), "old contents");
}

TEST_F(FlarmSaveTest, MissingVersionIsAskedAndCancelLeavesTheOldFileWhole) {
    Fill(m, 3);
    WriteBytes(Path("old.bfn"), "old contents");
    answerYes = true;
    EXPECT_EQ(SaveFlarmMemory(m.memory, Path("old.bfn"), 1, Hooks()).outcome, FlarmSaveOutcome::NotWritten);
    EXPECT_EQ(versionAsked, 1);
    EXPECT_EQ(ReadBytes(Path("old.bfn")), "old contents");
    EXPECT_EQ(SaveFlarmMemory(m.memory, Path("new.flx"), 2, Hooks()).outcome, FlarmSaveOutcome::Written);
    EXPECT_EQ(versionAsked, 1);  // FlarmView needs no version
}

TEST_F(FlarmSaveTest, FileThatCannotBeWrittenIsReportedAndTheOldOneKept) {
    Fill(m, 3);
    FlarmSaveResult r = SaveFlarmMemory(m.memory, Path("missing/out.txt"), 5, Hooks());
    EXPECT_EQ(r.outcome, FlarmSaveOutcome::OpenFailed);
    EXPECT_TRUE(m.Listed("Unable to open " + Path("missing/out.txt")));
    EXPECT_FALSE(std::filesystem::exists(Path("missing")));
}
