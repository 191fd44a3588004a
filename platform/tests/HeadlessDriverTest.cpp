// The test-driver statements in the headless backend: they run when the loop would end, in
// order, each as a user's action, and a shot lists the texts the views draw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/DeviceContext.h"
#include "platform/DriverScript.h"
#include "platform/Frame.h"
#include "platform/View.h"
#include "platform/tests/TestSupport.h"

namespace platform {
namespace {

class TwoLines : public View {
public:
    void OnDraw(DeviceContext& dc) override {
        dc.TextOut(0, 0, "first line");
        dc.TextOut(0, 16, "second \xB0 line");
    }
    void OnLButtonDown(unsigned, Point point) override { clicks.push_back(point); }
    bool OnKeyDown(const Key& key) override {
        keys.push_back(key);
        return true;
    }
    std::vector<Point> clicks;
    std::vector<Key> keys;
};

class HeadlessDriverTest : public test::TempFolderTest {};

TEST_F(HeadlessDriverTest, StatementsRunWhenTheProgramWaits) {
    test::TestApp app;
    Frame frame;
    auto owned = std::make_unique<TwoLines>();
    TwoLines* view = owned.get();
    frame.AddView(std::move(owned));
    frame.SetActiveView(view);
    std::vector<std::string> ran;
    frame.Commands().Add(700, [&] { ran.push_back("700"); });
    frame.SetMenu({Popup("&File", {Item("&Print...", 701)})});
    frame.Commands().Add(701, [&] { ran.push_back("print"); });
    app.SetMainFrame(&frame);
    ASSERT_TRUE(frame.Create("Test"));

    ::setenv("SUITE_QT_SHOTS", Path("shots").c_str(), 1);
    Write("drive.txt", "# comment\r\ncommand 700\ncommand File/Print...\nkey Ctrl+Down\n"
                       "click \"second\"\nshot view\ncommand 999\nclose\n");
    std::string error;
    ASSERT_TRUE(app.headless->LoadDriver(Path("drive.txt"), error)) << error;
    app.Run();
    ::unsetenv("SUITE_QT_SHOTS");

    EXPECT_EQ(ran, (std::vector<std::string>{"700", "print"}));
    ASSERT_EQ(view->keys.size(), 1u);
    EXPECT_EQ(view->keys[0].code, kKeyDown);
    EXPECT_TRUE(view->keys[0].ctrl);
    ASSERT_EQ(view->clicks.size(), 1u);
    EXPECT_GT(view->clicks[0].y, 16);  // on the second text
    const std::string shot = Read("shots/view.txt");
    EXPECT_NE(shot.find("\tfirst line\n"), std::string::npos) << shot;
    EXPECT_NE(shot.find("\tsecond \xC2\xB0 line\n"), std::string::npos) << "UTF-8";
    EXPECT_TRUE(app.QuitRequested()) << "close ends the program";
}

TEST(DriverScript, MalformedFilesAndKeys) {
    struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"shot\n", "drive:1: 'shot' needs an argument"},
        {"close\npress OK\n", "drive:2: unknown statement 'press'"},
    };
    for (const auto& c : cases) {
        DriverScript script;
        std::string error;
        EXPECT_FALSE(script.Parse(c.text, "drive", error));
        EXPECT_EQ(error, c.error);
    }
    Key key;
    EXPECT_TRUE(ParseKeyName("Shift+F2", key));
    EXPECT_EQ(key.code, kKeyF1 + 1);
    EXPECT_TRUE(key.shift);
    EXPECT_FALSE(ParseKeyName("Hyper+X", key));
    EXPECT_FALSE(ParseKeyName("F13", key));
}

}  // namespace
}  // namespace platform
