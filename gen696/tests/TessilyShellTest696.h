// Fixture of the tests that run Tessily's operations in its application: minimal section files
// in db50, the header's dates kept, and a way to run one operation to its end.
#pragma once

#include <filesystem>
#include <string>

#include "dblib/DbDir.h"
#include "gen/testsupport/ShellTestSupport.h"
#include "gen696/Settings696.h"
#include "gen696/Tessily696.h"
#include "gen696/tests/SectionFixture696.h"

class TessilyShellTest696 : public shelltest::ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        TessilySettings() = Settings696{};
        TessilySettings().keepHeaderDates = 1;
        WriteSectionFiles696(16, true);
        SetDbDir((std::filesystem::current_path() / "db50").string());
    }
    // The application starts on the database the test has filled.
    void Start() {
        GenModel model;
        InstallTessily(model);
        MakeApp(std::move(model));
    }
    void TearDown() override {
        TessilySettings() = Settings696{};
        ShellTest::TearDown();
    }
    void Run(int mode, const std::string& file) {
        AddAnswer("Your ISAM database", {}, "Yes");
        View().mode = mode;
        View().fileName = file;
        App().SetState(kStateStartPending);
        for (long i = 1; i < 100000 && App().State() != kStateIdle; ++i) App().OnIdle(i);
    }
};
