// The compilers over a database: mutated example texts end in a compiled file or a reported
// error, never in a crash, a hang or an out-of-bounds access (run under the sanitizers too);
// the work files go at the end and on STOP, and stay at debug bit 4; outside a control-file run
// the new file waits beside the old one.
#include <gtest/gtest.h>

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
