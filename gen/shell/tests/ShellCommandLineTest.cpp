#include <gtest/gtest.h>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/shell/CommandLine.h"

namespace shelltest {
namespace {

class ShellCommandLine : public ShellTest {
protected:
    GenSettings& Parse(std::vector<std::string> args) {
        if (!app_) MakeApp();
        App().SetArgs(std::move(args));
        ParseCommandLine(App());
        return App().Settings();
    }
};

TEST_F(ShellCommandLine, SwitchesSetTheSettings) {
    GenSettings& s = Parse({"-d", "-d4", "-x", "-x3", "-r", "-R", "-c", "GBR", "-n", std::string(40, 'N'), "-i",
                            "EGLL", "-p", "-a", "-f", "-P", "-NOTRAINING", "-z", "plain", "-A"});
    EXPECT_EQ(s.debugLevel, 5u);
    EXPECT_EQ(s.extraDebugLevel, 4u);
    EXPECT_EQ(s.recordNumbers, 1);
    EXPECT_FALSE(s.optimise);
    EXPECT_EQ(s.countryFilter, "GB");
    EXPECT_EQ(s.nameFilter, std::string(31, 'N'));
    EXPECT_EQ(s.icaoFilter, "EGLL");
    EXPECT_EQ(s.rawReferenceSwitch, 1);
    EXPECT_EQ(s.unknownAirportSwitch, 1);
    EXPECT_EQ(s.gridSwitch, 1);
    EXPECT_EQ(s.nameFormSwitch, 1);
    EXPECT_EQ(s.trainingSwitch, 1);
    // A new parse starts from the defaults.
    Parse({});
    EXPECT_EQ(s.debugLevel, 0u);
    EXPECT_TRUE(s.optimise);
    EXPECT_EQ(s.countryFilter, "");
    EXPECT_EQ(s.defaultTitle, "Created by Orvanta and ........");
}

TEST_F(ShellCommandLine, DefaultImageTitle) {
    struct Case {
        const char* token;
        const char* title;
    } cases[] = {
        {"-T:CUSTOM", "CUSTOM ."},
        {"-T:EUROPE.2024", "EUROPE.2024"},
        {"-T:ABCDEFGHIJKLMNOPQRSTUVWXYZ", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"},
        {"-T:", " ."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.token);
        EXPECT_EQ(Parse({c.token}).defaultTitle, c.title);
    }
    EXPECT_EQ(Parse({"-T:" + std::string(200, 'T')}).defaultTitle, std::string(124, 'T'));
}

TEST_F(ShellCommandLine, MissingControlFileIsReported) {
    Parse({"-F", "nothing.ctl"});
    EXPECT_EQ(Messages(), std::vector<std::string>{"Cannot open Control File nothing.ctl"});
    EXPECT_EQ(App().Control().goState, kGoNone);
}

}  // namespace
}  // namespace shelltest
