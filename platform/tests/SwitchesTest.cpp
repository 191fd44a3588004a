// The declared command line: parsing, and what Main does with a wrong one, --help and --version.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Switches.h"

namespace platform {
namespace {

using test::TestApp;

const CommandLineDecl kDecl = {"prog",
                               "Prog",
                               "1.2",
                               {{"-F", SwitchValue::Next, "FILE", "control file"},
                                {"-d", SwitchValue::Number, "N", "debug level"},
                                {"-T", SwitchValue::Text, "TITLE", "title"},
                                {"-R", SwitchValue::None, "", "no optimising"},
                                {"-NOTRAINING", SwitchValue::None, "", "no training areas"},
                                {"-SUAT", SwitchValue::Rest, "KIND", "kind"}}};

// The switches used, as "name=value" ("name" without a value), or the error.
std::string Parsed(const std::vector<std::string>& args) {
    const ParsedCommandLine p = ParseSwitches(kDecl, args);
    if (!p.error.empty()) return "error: " + p.error;
    std::string out = p.action == ParsedCommandLine::Action::Help      ? "help"
                      : p.action == ParsedCommandLine::Action::Version ? "version"
                                                                       : "";
    for (const SwitchUse& u : p.uses) {
        if (!out.empty()) out += ' ';
        out += u.decl->name;
        if (u.hasValue) out += "=" + u.value;
    }
    return out;
}

TEST(Switches, ParseTable) {
    struct Case {
        std::vector<std::string> args;
        std::string expected;
    } cases[] = {
        {{"-F", "a.ctl", "-d", "-d5", "-d", "7", "-R"}, "-F=a.ctl -d -d=5 -d=7 -R"},
        {{"-d", "x7"}, "-d"},                         // not a number: an operand, left alone
        {{"-F", "-R"}, "-F=-R"},                      // a required value is taken whatever it is
        {{"-T:MY", "-T", "TITLE", "-T", "-R"}, "-T=MY -T=TITLE -T -R"},
        {{"-T:"}, "-T="},
        {{"plain", "-", "--", "-Z"}, ""},             // operands, and everything after "--"
        {{"-NOTRAINING"}, "-NOTRAINING"},
        {{"-NOTRAININGX"}, "error: unknown switch '-NOTRAININGX'"},
        {{"-Z"}, "error: unknown switch '-Z'"},
        {{"--frobnicate", "-R"}, "error: unknown switch '--frobnicate'"},
        {{"-Rx"}, "error: unknown switch '-Rx'"},
        {{"-d5x"}, "error: unknown switch '-d5x'"},
        {{"-F"}, "error: switch '-F' needs FILE"},
        {{"-R", "--help", "-Z"}, "help -R"},
        {{"--version"}, "version"},
        // The rest of the line is the value, and its words are still parsed.
        {{"-SUAT", "Class", "C"}, "-SUAT=Class C"},
        {{"-SUAT", "MOA", "-R"}, "-SUAT=MOA -R -R"},
        {{"-R", "-SUAT"}, "-R -SUAT"},
        {{"-Z", "--help"}, "error: unknown switch '-Z'"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.args) joined += a + " ";
        EXPECT_EQ(Parsed(c.args), c.expected) << joined;
    }
    // After an error the good switches are still there for the program.
    EXPECT_EQ(ParseSwitches(kDecl, {"-Z", "-R"}).uses.size(), 1u);
}

TEST(Switches, UsageHelpAndVersionTexts) {
    EXPECT_EQ(UsageLine(kDecl),
              "usage: prog [--headless] [--answers FILE] [-F FILE] [-d[N]] [-T:TITLE] [-R] [-NOTRAINING] [-SUAT KIND...]");
    const std::string help = HelpText(kDecl);
    EXPECT_EQ(help.rfind(UsageLine(kDecl) + "\n", 0), 0u) << help;
    for (const char* line : {"  -F FILE        control file\n", "  -NOTRAINING    no training areas\n",
                             "  --answers FILE  the scripted answers", "  --version       "}) {
        EXPECT_NE(help.find(line), std::string::npos) << line << "\n" << help;
    }
    EXPECT_EQ(VersionText(kDecl), "Prog 1.2\n");
}

TEST(Switches, MainRefusesOrAnswersBeforeTheProgramStarts) {
    struct Prog : TestApp {
        bool InitInstance() override {
            started = true;
            return false;
        }
        bool started = false;
    };
    struct Case {
        std::vector<const char*> args;
        int status;
        std::string out;   // the start of standard output
        std::string err;   // the start of standard error
    } cases[] = {
        {{"-Z"}, 2, "", "prog: unknown switch '-Z'\nusage: prog [--headless]"},
        {{"--headless", "--frobnicate"}, 2, "", "prog: unknown switch '--frobnicate'\nusage: prog "},
        {{"--answers"}, 2, "", "prog: --answers needs a file name\nusage: prog "},
        {{"-F"}, 2, "", "prog: switch '-F' needs FILE\nusage: prog "},
        {{"--help"}, 0, "usage: prog [--headless]", ""},
        {{"-R", "--version"}, 0, "Prog 1.2\n", ""},
    };
    for (const Case& c : cases) {
        Prog app;
        app.SetCommandLineDecl(kDecl);
        std::vector<char*> argv = {const_cast<char*>("/usr/bin/prog")};
        for (const char* a : c.args) argv.push_back(const_cast<char*>(a));
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int status = app.Main(static_cast<int>(argv.size()), argv.data());
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        SCOPED_TRACE(c.args.front());
        EXPECT_EQ(status, c.status);
        EXPECT_FALSE(app.started);
        EXPECT_EQ(out.substr(0, c.out.size()), c.out) << out;
        EXPECT_EQ(err.substr(0, c.err.size()), c.err) << err;
        if (c.out.empty()) {
            EXPECT_EQ(out, "");
        }
        if (c.err.empty()) {
            EXPECT_EQ(err, "");
        }
    }
    // A program without a declared command line refuses every switch, named by its file.
    Prog plain;
    const char* argv[] = {"/usr/bin/plainprog", "-x"};
    testing::internal::CaptureStderr();
    EXPECT_EQ(plain.Main(2, const_cast<char**>(argv)), 2);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("plainprog: unknown switch '-x'\n", 0), 0u);
}

}  // namespace
}  // namespace platform
