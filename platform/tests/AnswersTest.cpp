#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "platform/Answers.h"
#include "platform/MessageBox.h"

namespace platform {
namespace {

TEST(Answers, ParsesBlocksWithCommentsBlanksAndCrLf) {
    const std::string text =
        "# setup\r\n"
        "match Select Required Operation\r\n"
        "  set Mode = List Selected Image File Section\r\n"
        "set #133=images/test.img\n"
        "set Title = \"  padded \"\n"
        "\n"
        "press OK\n"
        "MATCH \"Are you SURE\"\n"
        "Press Yes\n";
    AnswerParseResult r = ParseAnswers(text, "a.txt");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.answers.size(), 2u);
    const ScriptedAnswer& a = r.answers[0];
    EXPECT_EQ(a.match, "Select Required Operation");
    ASSERT_EQ(a.values.size(), 3u);
    EXPECT_EQ(a.values[0], (std::pair<std::string, std::string>{"Mode", "List Selected Image File Section"}));
    EXPECT_EQ(a.values[1], (std::pair<std::string, std::string>{"#133", "images/test.img"}));
    EXPECT_EQ(a.values[2].second, "  padded ");
    EXPECT_EQ(a.press, "OK");
    EXPECT_EQ(a.sourceLine, 2);
    EXPECT_EQ(r.answers[1].match, "Are you SURE");
    EXPECT_EQ(r.answers[1].press, "Yes");
}

TEST(Answers, UserActionsBetweenAnswersKeepTheirOrder) {
    AnswerParseResult r = ParseAnswers("click 5 150\ncommand 32772\nmatch Value\nset Value = 1\npress OK\n"
                                       "command 32773\n", "a.txt");
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.steps.size(), 3u);
    EXPECT_EQ(r.steps[0].verb, "click");
    EXPECT_EQ(r.steps[0].args, (std::vector<int>{5, 150}));
    EXPECT_EQ(r.steps[1].args, (std::vector<int>{32772}));
    EXPECT_EQ(r.steps[2].verb, "command");
    EXPECT_EQ(r.steps[2].sourceLine, 6);
    EXPECT_EQ(r.answers.size(), 1u);
}

TEST(Answers, Utf8FilesBecomeWindows1252Texts) {
    AnswerParseResult r = ParseAnswers("match x\nset SW = N51\xC2\xB0" "30'\npress OK\n", "u");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.answers[0].values[0].second, "N51\xB0" "30'");
    // Already 1252 (not valid UTF-8): taken as it is.
    r = ParseAnswers("match x\nset SW = N51\xB0" "30'\npress OK\n", "b");
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.answers[0].values[0].second, "N51\xB0" "30'");
}

TEST(Answers, MalformedLinesGiveAClearErrorWithTheLine) {
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"set a=b\n", "f:1: 'set' outside an answer"},
        {"press OK\n", "f:1: 'press' outside an answer"},
        {"match\n", "f:1: 'match' needs a text"},
        {"match x\nmatch y\n", "f:2: 'match' before the 'press' of the answer at line 1"},
        {"match x\nset novalue\npress OK\n", "f:2: 'set' needs CONTROL = VALUE"},
        {"match x\nset =v\npress OK\n", "f:2: 'set' needs a control label"},
        {"match x\npress\n", "f:2: 'press' needs a button"},
        {"# c\nmatch x\nset a=1\n", "f:2: answer has no 'press' line"},
        {"match x\nclick 1 2\n", "f:2: 'click' inside the answer at line 1"},
        {"command\n", "f:1: 'command' needs a command id"},
        {"command 32772 x\n", "f:1: 'command' needs a command id"},
        {"click 5\n", "f:1: 'click' needs X Y"},
        {std::string("match x\0y\npush\n", 16), "f:2: unknown keyword 'push'"},
    };
    for (const Case& c : cases) {
        AnswerParseResult r = ParseAnswers(c.text, "f");
        EXPECT_FALSE(r.ok) << c.text;
        EXPECT_TRUE(r.answers.empty());
        EXPECT_EQ(r.error.rfind(c.error, 0), 0u) << "got: " << r.error;
    }
}

TEST(Answers, FileThroughTheCommandLineDrivesMessageBoxes) {
    auto path = std::filesystem::temp_directory_path() / ("plat_ans_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << "match Sorry\npress Cancel\n";
    struct Prog : test::TestApp {
        bool InitInstance() override {
            result = ShowMessage("Sorry, Database in Use", MessageStyle{Buttons::OkCancel, Icon::Error, 0});
            return false;
        }
        int result = 0;
    } app;
    std::string arg = path.string();
    const char* argv[] = {"prog", "--answers", arg.c_str()};
    EXPECT_EQ(app.Main(3, const_cast<char**>(argv)), 0);
    EXPECT_EQ(app.result, kIdCancel);
    std::filesystem::remove(path);
}

TEST(Answers, MalformedFileStopsTheProgramBeforeItStarts) {
    auto path = std::filesystem::temp_directory_path() / ("plat_bad_" + std::to_string(::getpid()) + ".txt");
    std::ofstream(path) << "match a\nset b\npress OK\n";
    struct Prog : test::TestApp {
        bool InitInstance() override {
            started = true;
            return true;
        }
        bool started = false;
    } app;
    std::string arg = path.string();
    const char* argv[] = {"prog", "--answers", arg.c_str()};
    testing::internal::CaptureStderr();
    EXPECT_EQ(app.Main(3, const_cast<char**>(argv)), 2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(app.started);
    EXPECT_NE(err.find(":2: 'set' needs CONTROL = VALUE"), std::string::npos) << err;
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace platform
