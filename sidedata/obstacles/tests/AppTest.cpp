#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ObstacleTestSupport.h"
#include "platform/Command.h"
#include "platform/LogView.h"
#include "sidedata/obstacles/CTrevossaApp.h"
#include "sidedata/obstacles/CTrevossaView.h"

namespace obstacles::test {
namespace {

// The window program driven by answers, as a user would: File > Setup at start, View >
// Filters with Min AGL 300, Save As; then STOP/RESET and Debug Level.
TEST(TrevossaApp, SetupFiltersAndSaveAsDrivenByAnswers) {
    std::filesystem::path dir = std::filesystem::path(::testing::TempDir()) / ("trevossa-app-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    for (auto& [name, bytes] : unitfile::Fixtures()) {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
    }
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    {
        CTrevossaApp app;
        auto ui = std::make_unique<platform::HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        platform::HeadlessUi& headless = *ui;
        app.SetUi(std::move(ui));
        app.SetArgs({"-B"});
        headless.AddAnswer({"Select AWP or TAW File", {{"File name", (dir / "fixed39.awp").string()}}, "Open"});
        ASSERT_TRUE(app.InitInstance());
        app.Run();
        auto* view = dynamic_cast<CTrevossaView*>(app.ActiveView());
        ASSERT_NE(view, nullptr);
        CTrevossaDoc& doc = *view->GetDoc();
        ASSERT_TRUE(doc.IsOpen());
        EXPECT_EQ(doc.Kind(), kKindFixedObstacles);
        EXPECT_EQ(doc.Lines().size(), 11u);  // six header lines and five obstacles

        headless.AddAnswer({"Set Textual and AGL Filters", {{"Min AGL", "300"}}, "OK"});
        EXPECT_TRUE(app.RouteCommand(kCmdFilters));
        headless.AddAnswer({"Save As", {{"File name", (dir / "saved").string()}}, "Save"});
        EXPECT_TRUE(app.RouteCommand(platform::kCmdFileSaveAs));
        std::ifstream in(dir / "saved.txt", std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("ADD|INT|1234|XW-EURO|"), std::string::npos);
        EXPECT_EQ(text.find("262 unlit"), std::string::npos);  // below 300 ft AGL: left out
        EXPECT_NE(text.find(" 1234 328 unlit {1234A}"), std::string::npos);

        // Metres from the Program Defaults; the batch format off from the View menu.
        headless.AddAnswer({"Set Program Defaults", {{"Height units", "Metres"}, {"Country string", "QQ-TEST"}}, "OK"});
        EXPECT_TRUE(app.RouteCommand(kCmdProgramDefaults));
        EXPECT_EQ(doc.heightUnits, HeightUnits::Metres);
        EXPECT_EQ(doc.country, "QQ-TEST");
        EXPECT_TRUE(app.RouteCommand(kCmdBatchFormat));
        EXPECT_FALSE(doc.batchFormat);

        // STOP/RESET closes the file; then it has nothing to stop.
        EXPECT_TRUE(app.RouteCommand(kCmdStopReset));
        EXPECT_FALSE(doc.IsOpen());
        EXPECT_TRUE(doc.Lines().empty());
        EXPECT_FALSE(app.RouteCommand(kCmdStopReset));
        EXPECT_FALSE(app.RouteCommand(platform::kCmdFileSaveAs));  // an empty listing

        headless.AddAnswer({"Program Debug Trace Level", {{"Debug Level", "16"}}, "OK"});
        EXPECT_TRUE(app.RouteCommand(platform::kCmdLogDebugLevel));
        EXPECT_EQ(app.Options().debugLevel, 16);
        EXPECT_EQ(headless.AnswersLeft(), 0u);
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace obstacles::test
