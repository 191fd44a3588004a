// Shared fixtures of the platform tests: an App with a quiet headless backend.
#pragma once

#include <functional>
#include <memory>

#include "platform/App.h"
#include "platform/HeadlessUi.h"

namespace platform::test {

class TestApp : public App {
public:
    TestApp() {
        auto ui = std::make_unique<HeadlessUi>();
        ui->SetStreams(nullptr, nullptr);
        headless = ui.get();
        SetUi(std::move(ui));
        SetAppName("testprog");
    }

    bool OnIdle(long count) override {
        idleCounts.push_back(count);
        bool more = App::OnIdle(count);
        if (idle) more = idle(count) || more;
        return more;
    }

    HeadlessUi* headless;
    std::vector<long> idleCounts;
    std::function<bool(long)> idle;  // extra idle work: true asks for more
};

}  // namespace platform::test
