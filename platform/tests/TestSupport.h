// Shared fixtures of the platform tests: an App with a quiet headless backend, and a fresh
// folder per test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>

#include "platform/App.h"
#include "platform/HeadlessUi.h"
#include "platform/testsupport/ScratchDir.h"

namespace platform::test {

// An App named "testprog" that records its idle turns and runs extra idle work.
class RecordingApp : public App {
public:
    RecordingApp() { SetAppName("testprog"); }

    bool OnIdle(long count) override {
        idleCounts.push_back(count);
        bool more = App::OnIdle(count);
        if (idle) more = idle(count) || more;
        return more;
    }

    std::vector<long> idleCounts;
    std::function<bool(long)> idle;  // extra idle work: true asks for more
};

class TestApp : public RecordingApp {
public:
    TestApp() {
        auto ui = std::make_unique<HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        headless = ui.get();
        SetUi(std::move(ui));
    }

    HeadlessUi* headless;
};

// A test with a scratch folder of its own, removed at its end.
class TempFolderTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary) << text;
    }
    std::string Read(const std::string& name) { return suitetest::ReadText(Path(name)); }
    suitetest::ScratchDir scratch_{"platformtest"};
    std::string dir_ = scratch_.path;
};

}  // namespace platform::test
