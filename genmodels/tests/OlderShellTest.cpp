// The older families' programs on the shell: Dallowen's XL Mode command and Fulmaro's compile
// modes, which the family does not have.
#include <gtest/gtest.h>

#include <algorithm>

#include "gen/image/Image.h"
#include "gen/testsupport/ShellTestSupport.h"
#include "genmodels/Dallowen90.h"
#include "genmodels/Fulmaro89.h"
#include "genmodels/ImageFile90.h"

namespace {

using shelltest::ShellTest;

GenModel ModelOf(void (*install)(GenModel&)) {
    GenModel model;
    install(model);
    return model;
}

const platform::MenuItem* FindItem(const std::vector<platform::MenuItem>& items, const std::string& text) {
    for (const platform::MenuItem& item : items) {
        if (item.text == text) return &item;
        if (const platform::MenuItem* found = FindItem(item.items, text)) return found;
    }
    return nullptr;
}

class OlderShell : public ShellTest {
protected:
    void RunUntilIdle() {
        long count = 1;
        for (int limit = 100000; App().State() != kStateIdle && limit > 0; --limit) App().OnIdle(count++);
    }
    // Runs an operation as GO does, to its end.
    void Run(int mode, const std::string& file) {
        View().mode = mode;
        View().fileName = file;
        App().SetState(kStateStartPending);
        RunUntilIdle();
    }
    // A database of two airports in two countries and one VOR, and its image "a.img".
    void MakeImage() {
        WriteFile("batch.txt",
                  "ADD|APT|KSEA|US-UNITED STATES|SEATTLE|SEATTLE-TACOMA INTL|N 47#26.940|W122#18.540|433|JA\r\n"
                  "ADD|APT|CYVR|CA-CANADA|VANCOUVER|VANCOUVER INTL|N 49#11.600|W123#11.000|14|JA\r\n"
                  "ADD|VOR|SEA|US|SEATTLE|SEATTLE VORTAC|N 47#26.120|W122#18.570|116.80|VORTAC\r\n");
        WriteFile(App().GetDbFolder() + "/GEO.DAT", "0<");
        Run(kModeBatchUpdate, "batch.txt");
        App().Settings().SetDefaultTitle("Two Fields");
        Run(kModeCreateImage, "a.img");
    }
    std::vector<std::string> Listing(int kind) {
        RunListing("a.img", kind);
        std::vector<std::string> lines;
        for (int i = 0; i < Doc().GetLineCount(); ++i) lines.push_back(Doc().GetLine(i));
        return lines;
    }

    bool XlChecked() {
        platform::CommandState state;
        state.id = kCmdXlMode90;
        EXPECT_TRUE(App().QueryCommand(state));
        return state.checked;
    }
};

TEST_F(OlderShell, XlModeCommandFollowsTheSwitchesAndFlipsTheMode) {
    struct Case {
        std::vector<std::string> args;
        bool on;
    } cases[] = {{{}, true}, {{"-A"}, false}, {{"-X"}, true}, {{"-X", "-A"}, false}};
    for (const Case& c : cases) {
        app_.reset();
        MakeApp(ModelOf(InstallDallowen), c.args);
        const auto& menu = App().MainFrame()->Menu();
        const platform::MenuItem* view = FindItem(menu, "&View");
        ASSERT_NE(view, nullptr);
        ASSERT_FALSE(view->items.empty());
        EXPECT_EQ(view->items.back().text, "&XL Mode");
        EXPECT_EQ(view->items.back().id, kCmdXlMode90);
        const std::string* prompt = App().Commands().Prompt(kCmdXlMode90);
        ASSERT_NE(prompt, nullptr);
        EXPECT_EQ(*prompt, "Include SUA data in Create Operations");
        EXPECT_EQ(XlChecked(), c.on) << c.args.size();
        EXPECT_EQ(XlMode90(App()), c.on);
        // Each choice flips the mode, and the image the next operation makes with it.
        for (bool on : {!c.on, c.on}) {
            ASSERT_TRUE(App().ExecuteCommand(kCmdXlMode90));
            EXPECT_EQ(XlChecked(), on);
            EXPECT_EQ(App().Model().imageParams, on ? &ImageParams90Xl : &ImageParams90);
            ASSERT_NE(Doc().GetImage(), nullptr);
            EXPECT_EQ(&Doc().GetImage()->Params(), App().Model().imageParams);
        }
    }
}

TEST_F(OlderShell, TheOtherProgramsHaveNoXlModeCommand) {
    MakeApp(ModelOf(InstallFulmaro));
    EXPECT_EQ(FindItem(App().MainFrame()->Menu(), "&XL Mode"), nullptr);
    EXPECT_NE(FindItem(App().MainFrame()->Menu(), "Optimise &Countries"), nullptr);
}

TEST_F(OlderShell, FulmaroOptimiseIsNeverCheckedAndOptimiseCountriesFlips) {
    MakeApp(ModelOf(InstallFulmaro));
    const auto checked = [this](unsigned id) {
        platform::CommandState state;
        state.id = id;
        EXPECT_TRUE(App().QueryCommand(state));
        return state.checked;
    };
    const bool optimise = App().Settings().optimise;
    for (int turn = 0; turn < 2; ++turn) {
        EXPECT_FALSE(checked(kCmdOptimise));
        ASSERT_TRUE(App().ExecuteCommand(kCmdOptimise));
        EXPECT_EQ(App().Settings().optimise, optimise);
        EXPECT_EQ(checked(kCmdOptimiseCountries), turn == 1);
        ASSERT_TRUE(App().ExecuteCommand(kCmdOptimiseCountries));
        EXPECT_EQ(checked(kCmdOptimiseCountries), turn == 0);
    }
}

TEST_F(OlderShell, FulmaroCompileModesSayTheyAreNotSupported) {
    for (int mode = kModeCompileSua; mode <= kModeCompileApr; ++mode) {
        app_.reset();
        MakeApp(ModelOf(InstallFulmaro));
        WriteFile("sua.txt", "SUA(a)  AREA {Class C P0}  0 to  4000 (CONTROL 0)\r\n");
        const size_t before = Doc().Lines().size();
        EXPECT_TRUE(App().Model().OffersMode(mode));
        EXPECT_FALSE(App().OpenOperation(Doc(), "sua.txt", mode)) << mode;
        EXPECT_EQ(LinesFrom(before), std::vector<std::string>{kNotSupported89}) << mode;
        EXPECT_EQ(App().State(), kStateIdle);
    }
}

TEST_F(OlderShell, TitlePageAndCountriesOfEachFamily) {
    struct Case {
        void (*install)(GenModel&);
        const char* part;
        const char* counts;
        std::vector<std::string> countries;
        std::vector<std::string> numbered;
        std::vector<std::string> filtered;  // name filter "UN"
    } cases[] = {
        {InstallDallowen, "TWO FIELDS           006-D0004-02", "(2 APTs, 0 INTs, 0 NDBs, 1 VORs, 3 TOTAL)",
         {"   0 CA CANADA", "   1 US UNITED STA"}, {"   0 CA CANADA", "   1 US UNITED STA"},
         {"   0 CA CANADA", "   1 US UNITED STA"}},
        {InstallFulmaro, "   TWO FIELDS        006-D0010-00", "(2 APTs, 1 VORs, 3 TOTAL)",
         {"CANADA-CA", "UNITED STA-US"}, {"  0: CANADA-CA", "  1: UNITED STA-US"}, {"UNITED STA-US"}},
    };
    for (const Case& c : cases) {
        app_.reset();
        MakeApp(ModelOf(c.install));
        MakeImage();
        App().Settings().debugLevel = 1;
        const std::vector<std::string> title = Listing(kListTitle);
        ASSERT_GE(title.size(), 4u);
        EXPECT_EQ(title[0], c.part);
        // The three dates are the day of the build.
        const std::string from = "CYCLE " + title[1].substr(6, 4) + ", VALID FROM ";
        ASSERT_EQ(title[1].substr(0, from.size()), from);
        const std::string date = title[1].substr(from.size(), title[1].find(' ', from.size()) - from.size());
        EXPECT_EQ(title[1], from + date + " TO " + date + ",");
        EXPECT_EQ(title[2], "CREATED " + date);
        EXPECT_EQ(title[3], c.counts);
        App().Settings().debugLevel = 0;
        EXPECT_EQ(Listing(kListTitle).size(), 3u);
        EXPECT_EQ(Listing(kListCountries), c.countries);
        App().Settings().recordNumbers = 1;
        EXPECT_EQ(Listing(kListCountries), c.numbered);
        App().Settings().recordNumbers = 0;
        App().Settings().nameFilter = "UN";
        EXPECT_EQ(Listing(kListCountries), c.filtered);
    }
}

}  // namespace
