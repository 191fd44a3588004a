// What the tests that run Tessily's Create Image and Create ISAM on a database they fill
// share: the application on the test's database folder with the section files, a run of one
// operation to its end, the directory entries of an image, and the database open for adding.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "dblib/DbDir.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/testsupport/ShellTestSupport.h"
#include "gen696/Settings696.h"
#include "gen696/Tessily696.h"
#include "gen696/tests/SectionFixture696.h"

class ImageRun696 : public shelltest::ShellTest {
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
    static uint32_t U24(const std::vector<uint8_t>& d, size_t at) { return d[at] | d[at + 1] << 8 | d[at + 2] << 16; }
    static uint32_t U32(const std::vector<uint8_t>& d, size_t at) { return U24(d, at) | d[at + 3] << 24; }
    // Start and count of directory entry n.
    static std::pair<uint32_t, uint32_t> Entry(const std::vector<uint8_t>& d, int n) {
        return {U32(d, 512 + 8 * n), U24(d, 512 + 8 * n + 5)};
    }
};

// The database of the test, open for adding records while it lives.
class TestDatabase {
public:
    TestDatabase() : previous_(CGenDBOpen::Active()) {
        opener_.OpenAll();
        CGenDBOpen::SetActive(&opener_);
        for (int f = 0; f < kGenFileCount; ++f) dbif_open(f);
    }
    ~TestDatabase() {
        for (int f = 0; f < kGenFileCount; ++f) dbif_close(f);
        CGenDBOpen::SetActive(previous_);
    }

private:
    CGenDBOpen opener_;
    CGenDBOpen* previous_;
};

