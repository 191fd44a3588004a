#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestSupport.h"
#include "platform/Settings.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("plat_cfg_" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        const char* old = std::getenv("XDG_CONFIG_HOME");
        if (old) saved_ = old;
        hadOld_ = old != nullptr;
        ::setenv("XDG_CONFIG_HOME", dir_.c_str(), 1);
        settings_.SetKey("Local AppWizard-Generated Applications");
        settings_.SetProgram("Brondel");
    }
    void TearDown() override {
        if (hadOld_) ::setenv("XDG_CONFIG_HOME", saved_.c_str(), 1);
        else ::unsetenv("XDG_CONFIG_HOME");
        fs::remove_all(dir_);
    }
    std::string FileText() const {
        std::ifstream in(settings_.FilePath(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
    std::string saved_;
    bool hadOld_ = false;
    Settings settings_;
};

TEST_F(SettingsTest, RoundTripThroughTheIniFile) {
    EXPECT_EQ(settings_.FilePath(), (dir_ / "Local AppWizard-Generated Applications" / "Brondel.ini").string());
    EXPECT_EQ(settings_.ReadString("Settings", "WindowPos", "none"), "none");
    EXPECT_EQ(settings_.ReadInt("Settings", "Port", 4), 4);

    ASSERT_TRUE(settings_.WriteString("Settings", "WindowPos", "0,1,-1,-1,-1,-1,10,20,810,620"));
    ASSERT_TRUE(settings_.WriteInt("Settings", "Port", -3));
    ASSERT_TRUE(settings_.WriteString("Delays", "Erase", "1500"));
    ASSERT_TRUE(settings_.WriteString("Settings", "WindowPos", "2,3,-1,-1,-1,-1,0,0,640,480"));

    EXPECT_EQ(settings_.ReadString("Settings", "WindowPos"), "2,3,-1,-1,-1,-1,0,0,640,480");
    EXPECT_EQ(settings_.ReadString("settings", "windowpos"), "2,3,-1,-1,-1,-1,0,0,640,480");
    EXPECT_EQ(settings_.ReadInt("Settings", "Port", 0), -3);
    EXPECT_EQ(settings_.ReadInt("Delays", "Erase", 0), 1500);
    EXPECT_EQ(FileText(),
              "[Settings]\r\nWindowPos=2,3,-1,-1,-1,-1,0,0,640,480\r\nPort=-3\r\n\r\n[Delays]\r\nErase=1500\r\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "Local AppWizard-Generated Applications"), {}), 1);

    EXPECT_TRUE(settings_.Remove("Settings", "Port"));
    EXPECT_FALSE(settings_.Find("Settings", "Port").has_value());
    EXPECT_TRUE(settings_.Find("Settings", "WindowPos").has_value());
}

TEST_F(SettingsTest, ValuesWithAnyBytesSurvive) {
    const std::string values[] = {"", "C:\\db50\\x.img", " lead", "trail ", "\"quoted\"", "two\r\nlines",
                                  "tab\there", std::string("nul\0byte", 8), "deg \xB0 sign", "a=b;c"};
    for (const std::string& v : values) {
        ASSERT_TRUE(settings_.WriteString("S", "V", v));
        EXPECT_EQ(settings_.ReadString("S", "V", "?"), v);
    }
}

TEST_F(SettingsTest, DamagedFileLosesNothingAndBadNamesAreRefused) {
    fs::create_directories(fs::path(settings_.FilePath()).parent_path());
    std::ofstream(settings_.FilePath(), std::ios::binary)
        << "junk before sections\n[Settings\nno equals here\n[Settings]\nWindowPos=1,2\n=empty name\nPort= 12x\n";
    EXPECT_EQ(settings_.ReadString("Settings", "WindowPos"), "1,2");
    EXPECT_EQ(settings_.ReadInt("Settings", "Port", 9), 9);  // not a number
    EXPECT_TRUE(settings_.WriteInt("Settings", "Port", 12));
    EXPECT_EQ(settings_.ReadInt("Settings", "Port", 9), 12);
    EXPECT_EQ(settings_.ReadString("Settings", "WindowPos"), "1,2");
    // The rewrite keeps the lines it could not read.
    std::string text = FileText();
    EXPECT_NE(text.find("junk before sections\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("no equals here\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("=empty name\r\n"), std::string::npos) << text;

    EXPECT_FALSE(settings_.WriteString("", "x", "1"));
    EXPECT_FALSE(settings_.WriteString("Settings", "a=b", "1"));
    EXPECT_FALSE(settings_.WriteString("Sec]", "x", "1"));
    EXPECT_FALSE(settings_.WriteString("Settings", "line\nbreak", "1"));
}

TEST_F(SettingsTest, UnwritableFolderFailsAndKeepsTheOldFile) {
    ASSERT_TRUE(settings_.WriteString("Settings", "A", "1"));
    fs::path folder = fs::path(settings_.FilePath()).parent_path();
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    bool wrote = settings_.WriteString("Settings", "A", "2");
    fs::permissions(folder, fs::perms::owner_all);
    if (::geteuid() != 0) {
        EXPECT_FALSE(wrote);
        EXPECT_EQ(settings_.ReadString("Settings", "A"), "1");
    }
}

TEST_F(SettingsTest, AppSetsTheKeyAndProgramName) {
    test::TestApp app;
    app.SetAppName("Quenmar");
    app.SetRegistryKey("Local AppWizard-Generated Applications");
    ASSERT_TRUE(app.Profile().WriteInt("Settings", "X", 1));
    EXPECT_TRUE(fs::exists(dir_ / "Local AppWizard-Generated Applications" / "Quenmar.ini"));
    Settings unset;
    EXPECT_EQ(unset.FilePath(), "");
    EXPECT_FALSE(unset.WriteInt("Settings", "X", 1));
}

}  // namespace
}  // namespace platform
