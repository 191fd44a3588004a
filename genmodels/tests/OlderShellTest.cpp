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

}  // namespace
