// The compilers over a database: mutated example texts end in a compiled file or a reported
// error, never in a crash, a hang or an out-of-bounds access (run under the sanitizers too);
// the work files go at the end and on STOP, and stay at debug bit 4; outside a control-file run
// the new file waits beside the old one.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gen/compile/CompileApproach.h"
#include "gen/compile/CompileOperations.h"
#include "gen/compile/CompileSession.h"
#include "gen/compile/CompileSua.h"
#include "gen/compile/CompileTcc.h"
#include "gen/image/ImageParams.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/testsupport/BatchTestSupport.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

std::vector<std::string> ExampleLines(const char* name) {
    std::ifstream in(std::string(SUITE_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Mutate(std::vector<std::string> lines, std::mt19937& rng) {
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits && !lines.empty(); ++e) {
        std::string& line = lines[rng() % lines.size()];
        switch (rng() % 6) {
        case 0:
            if (!line.empty()) line[rng() % line.size()] = static_cast<char>(rng() % 256);
            break;
        case 1:
            line.resize(rng() % (line.size() + 1));
            break;
        case 2:
            lines.insert(lines.begin() + static_cast<long>(rng() % lines.size()), line);
            break;
        case 3:
            lines.erase(lines.begin() + static_cast<long>(rng() % lines.size()));
            break;
        case 4:
            line += std::string(rng() % 300, static_cast<char>("{}[]()/ .0123456789NSEW"[rng() % 23]));
            break;
        default:
            if (!line.empty()) line.insert(rng() % line.size(), 1, "{}[]()/:-=.,"[rng() % 12]);
            break;
        }
    }
    std::string text;
    for (const std::string& l : lines) text += l + "\n";
    return text;
}

class CompileRun : public batchtest::BatchDbTest {
protected:
    void SetUp() override {
        BatchDbTest::SetUp();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        model_.imageParams = &ImageParams496;
        c_.model = &model_;
        c_.settings = &settings_;
    }
    void TearDown() override {
        EndCompileSession(c_);
        std::filesystem::current_path(previous_);
        BatchDbTest::TearDown();
    }

    // Compiles a text to its end; false when it did not end within the calls allowed.
    bool Compile(const std::string& text, ModeDriver driver) {
        {
            std::ofstream out("in.txt", std::ios::binary);
            out << text;
        }
        if (!OpenCompileSource(c_, "in.txt")) return false;
        c_.ResetSteps();
        try {
            for (int calls = 0; calls < 20000; ++calls) {
                if (driver(c_)) return true;
            }
        } catch (const batchtest::ExitCalled&) {
            EndCompileSession(c_);
            return true;
        }
        return false;
    }

    std::filesystem::path previous_;
    GenModel model_;
    GenSettings settings_;
    OperationContext c_;
};

TEST_F(CompileRun, MutatedTextsEndCleanly) {
    for (const std::string& line : ExampleLines("puget_bat.txt")) Apply(line);
    struct Kind {
        const char* example;
        ModeDriver driver;
    };
    const Kind kinds[] = {{"puget_sua.txt", CompileSua}, {"puget_tcc.txt", CompileTcc},
                          {"puget_apr.txt", CompileApproachText}};
    std::mt19937 rng(20261210);
    for (const Kind& k : kinds) {
        const std::vector<std::string> lines = ExampleLines(k.example);
        std::string whole;
        for (const std::string& l : lines) whole += l + "\n";
        ASSERT_TRUE(Compile(whole, k.driver)) << k.example;
        for (int i = 0; i < 60; ++i) {
            const std::string text = Mutate(lines, rng);
            ASSERT_TRUE(Compile(text, k.driver)) << k.example << " case " << i;
            EXPECT_FALSE(c_.compile) << "the session was not ended";
        }
    }
}

bool HasWorkFiles() {
    for (const char* name : {"SUAatmp.bin", "SUAmtmp.bin", "TCCztmp.bin"}) {
        if (std::filesystem::exists(name)) return true;
    }
    return false;
}

TEST_F(CompileRun, WorkFilesGoOnStopAndStayAtDebugBit4) {
    InstallCompileOperations(model_);
    std::ofstream("in.txt", std::ios::binary) << "SUA(b)  A {MOA P1}  0 to  100\n         0 N472000 W1222500\n"
                                                 "         1 N473000 W1222500\n         2 N472000 W1222500\n"
                                                 "SUA(b)  B {MOA P1}  0 to  100\n";
    ASSERT_TRUE(model_.openers[kModeCompileSua](c_, "in.txt"));
    c_.ResetSteps();
    EXPECT_FALSE(model_.drivers[kModeCompileSua](c_));
    EXPECT_TRUE(HasWorkFiles());
    model_.onStop(c_, kModeCompileSua);
    EXPECT_FALSE(HasWorkFiles());
    EXPECT_FALSE(c_.compile);

    settings_.debugLevel = kDebugKeepWorkFiles;
    ASSERT_TRUE(model_.openers[kModeCompileSua](c_, "in.txt"));
    c_.ResetSteps();
    EXPECT_FALSE(model_.drivers[kModeCompileSua](c_));
    model_.onStop(c_, kModeCompileSua);
    EXPECT_TRUE(HasWorkFiles());
}

// A work file holds what was appended and patched whether its bytes are still buffered or
// already in the file; it is copied whole, deleted unless kept, and kept whole.
TEST_F(CompileRun, WorkFileContentAcrossItsBuffer) {
    const size_t sizes[] = {0, 1, 65535, 65536, 65537, 200000};
    for (const size_t size : sizes) {
        for (const bool keep : {false, true}) {
            std::vector<uint8_t> expected(size);
            WorkFile file;
            ASSERT_TRUE(file.Create("work.bin"));
            for (size_t at = 0; at < size;) {
                const size_t n = std::min<size_t>(size - at, 1 + at % 977);
                for (size_t i = 0; i < n; ++i) expected[at + i] = static_cast<uint8_t>((at + i) * 7 + 3);
                file.Append(expected.data() + at, n);
                at += n;
            }
            // One patch at the start (flushed in the larger files) and one near the end (buffered).
            for (const size_t at : {size_t{0}, size > 3 ? size - 3 : size_t{0}}) {
                if (at + 2 > size) continue;
                const uint8_t patch[2] = {0xA5, 0x5A};
                file.Patch(at, patch, 2);
                expected[at] = 0xA5;
                expected[at + 1] = 0x5A;
            }
            if (size > 0) {
                uint8_t first = 0, last = 0;
                file.Read(0, &first, 1);
                file.Read(size - 1, &last, 1);
                EXPECT_EQ(first, expected[0]) << size;
                EXPECT_EQ(last, expected[size - 1]) << size;
            }
            EXPECT_EQ(file.Size(), size);
            {
                std::ofstream("copy.bin", std::ios::binary) << "HDR";
                const int fd = ::open("copy.bin", O_RDWR);
                uint64_t at = 3;
                EXPECT_TRUE(file.CopyTo(fd, at)) << size;
                ::close(fd);
                EXPECT_EQ(at, size + 3) << size;
            }
            std::vector<uint8_t> withHeader = {'H', 'D', 'R'};
            withHeader.insert(withHeader.end(), expected.begin(), expected.end());
            EXPECT_EQ(suitetest::ReadAll("copy.bin"), withHeader) << size;
            file.Close(keep);
            EXPECT_EQ(std::filesystem::exists("work.bin"), keep) << size;
            if (keep) {
                EXPECT_EQ(suitetest::ReadAll("work.bin"), expected) << size;
                std::filesystem::remove("work.bin");
            }
            EXPECT_FALSE(file.Failed()) << size;
        }
    }
}

// A work file left by an earlier run is emptied when it is made again.
TEST_F(CompileRun, WorkFileLeftBehindStartsEmpty) {
    std::ofstream("work.bin", std::ios::binary) << "left from an earlier run";
    WorkFile file;
    ASSERT_TRUE(file.Create("work.bin"));
    file.Append("new", 3);
    file.Close(true);
    EXPECT_EQ(suitetest::ReadAll("work.bin"), (std::vector<uint8_t>{'n', 'e', 'w'}));
}

// Work files left in another letter case are the work files: emptied, used and deleted; the
// others are made as named.
TEST_F(CompileRun, WorkFilesLeftInAnotherCaseAreReused) {
    std::ofstream("suaatmp.BIN", std::ios::binary) << "left from an earlier run";
    std::ofstream("TCCZTMP.BIN", std::ios::binary) << "left too";
    ASSERT_TRUE(OpenCompileTempFiles(c_));
    CompileSession& s = Session(c_);
    s.files[kWorkA].Append("a", 1);
    s.files[kWorkZ].Append("zz", 2);
    CloseCompileTempFiles(c_);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(".")) {
        const std::string name = e.path().filename().string();
        if (name.find("tmp") != std::string::npos || name.find("TMP") != std::string::npos) left.push_back(name);
    }
    EXPECT_TRUE(left.empty()) << left.front();

    settings_.debugLevel = kDebugKeepWorkFiles;
    std::ofstream("suaatmp.BIN", std::ios::binary) << "left from an earlier run";
    ASSERT_TRUE(OpenCompileTempFiles(c_));
    Session(c_).files[kWorkA].Append("a", 1);
    CloseCompileTempFiles(c_);
    EXPECT_EQ(suitetest::ReadAll("suaatmp.BIN"), (std::vector<uint8_t>{'a'}));
    EXPECT_FALSE(std::filesystem::exists("SUAatmp.bin") && !std::filesystem::equivalent("SUAatmp.bin", "suaatmp.BIN"));
    EXPECT_TRUE(std::filesystem::exists("SUAbtmp.bin"));
    EXPECT_TRUE(std::filesystem::exists("TCCztmp.bin"));
}

// The FSS/TCC summary comes once, before the grid's progress line, with the counts of the text.
TEST_F(CompileRun, TccSummaryBeforeTheGrid) {
    for (const std::string& line : ExampleLines("puget_bat.txt")) Apply(line);
    CGenDoc doc;
    c_.doc = &doc;
    std::string text;
    for (const std::string& l : ExampleLines("puget_tcc.txt")) text += l + "\n";
    ASSERT_TRUE(Compile(text, CompileTcc));
    const std::vector<std::string>& lines = doc.Lines();
    const auto summary = std::find(lines.begin(), lines.end(), "2 fss and 3 tcc records compiled, 0 records filtered out");
    ASSERT_NE(summary, lines.end());
    ASSERT_GE(lines.end() - summary, 5);
    EXPECT_EQ(summary[1], "");
    EXPECT_EQ(summary[2], "Creating Grid Index 419");
    EXPECT_EQ(summary[4], "Compilation Complete");
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.find("records compiled") != std::string::npos; }),
              1);
}

TEST_F(CompileRun, OutsideAControlFileTheNewFileWaits) {
    for (const std::string& line : ExampleLines("puget_bat.txt")) Apply(line);
    CGenDoc doc;
    c_.doc = &doc;
    std::ofstream(dir_ + "/db50/sua.dat") << "old";
    std::string text;
    for (const std::string& l : ExampleLines("puget_sua.txt")) text += l + "\n";
    ASSERT_TRUE(Compile(text, CompileSua));
    const std::vector<std::string>& lines = doc.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], "Compilation Complete");
    EXPECT_EQ(lines[lines.size() - 3], "There is now a file named \"NewSua.dat\" in directory \"db50\"");
    EXPECT_EQ(lines[lines.size() - 2], "To use it, rename it \"sua.dat\" after removing the current one.");
    EXPECT_TRUE(std::filesystem::exists("db50/NewSua.dat"));
    std::ifstream old(dir_ + "/db50/sua.dat");
    std::string content;
    old >> content;
    EXPECT_EQ(content, "old");
    EXPECT_FALSE(HasWorkFiles());
    c_.doc = nullptr;
}

}  // namespace
