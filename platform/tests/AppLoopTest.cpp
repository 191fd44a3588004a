#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "TestSupport.h"
#include "platform/LayerOptions.h"
#include "platform/MessageTarget.h"

namespace platform {
namespace {

using test::TestApp;

struct Recorder : MessageTarget {
    std::vector<std::tuple<unsigned, WParam, LParam>> got;
    std::vector<unsigned> ticks;
    std::function<void(unsigned)> onTimer;
    bool OnMessage(unsigned m, WParam w, LParam l) override {
        if (m == kMsgTimer) return MessageTarget::OnMessage(m, w, l);
        got.emplace_back(m, w, l);
        return true;
    }
    void OnTimer(unsigned id) override {
        ticks.push_back(id);
        if (onTimer) onTimer(id);
    }
};

TEST(AppLoop, PostedMessagesArriveInOrderAndTheLoopEndsWhenIdle) {
    TestApp app;
    Recorder r;
    EXPECT_TRUE(app.Post(&r, kUserMessage + 100, 0, 0));
    EXPECT_TRUE(r.Post(kUserMessage + 1, 7, -3));
    EXPECT_TRUE(app.Post(&r, kUserMessage + 2));
    EXPECT_EQ(app.Run(), 0);
    ASSERT_EQ(r.got.size(), 3u);
    EXPECT_EQ(r.got[0], std::make_tuple(kUserMessage + 100, WParam{0}, LParam{0}));
    EXPECT_EQ(r.got[1], std::make_tuple(kUserMessage + 1, WParam{7}, LParam{-3}));
    EXPECT_EQ(std::get<0>(r.got[2]), kUserMessage + 2);
}

TEST(AppLoop, IdleCountRisesWhileAskedAndResetsAfterAMessage) {
    TestApp app;
    Recorder r;
    int turns = 0;
    app.idle = [&](long count) {
        ++turns;
        if (turns == 3) app.Post(&r, kUserMessage);  // arrives while idling
        return count < 4 && turns < 10;
    };
    app.Run();
    // 0,1,2 then the posted message resets the count: 0..4, then no more work.
    std::vector<long> expected = {0, 1, 2, 0, 1, 2, 3, 4};
    EXPECT_EQ(app.idleCounts, expected);
    EXPECT_EQ(r.got.size(), 1u);
}

TEST(AppLoop, BaseIdleAsksForOneMoreTurnAfterCountZero) {
    TestApp app;
    EXPECT_TRUE(app.App::OnIdle(0));
    EXPECT_FALSE(app.App::OnIdle(1));
    app.Run();
    EXPECT_EQ(app.idleCounts, (std::vector<long>{0, 1}));
}

TEST(AppLoop, PostFromAnotherThreadWakesTheLoopWhileHeld) {
    TestApp app;
    Recorder r;
    app.KeepAlive();
    std::thread worker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        for (int i = 0; i < 100; ++i) app.Post(&r, kUserMessage + 1, static_cast<WParam>(i));
        app.Release();
    });
    app.Run();
    worker.join();
    ASSERT_EQ(r.got.size(), 100u);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(std::get<1>(r.got[static_cast<size_t>(i)]), WParam(i));
}

TEST(AppLoop, ManyThreadsPostingLoseNothing) {
    TestApp app;
    Recorder r;
    std::vector<std::thread> threads;
    {
        LoopHold hold(&app);
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&app, &r, t] {
                LoopHold inner(&app);
                for (int i = 0; i < 500; ++i) app.Post(&r, kUserMessage, static_cast<WParam>(t), i);
            });
        }
    }
    app.Run();
    for (auto& th : threads) th.join();
    app.DispatchPending();  // anything posted after the loop saw no holds
    ASSERT_EQ(r.got.size(), 2000u);
    // Per thread, order is kept.
    std::vector<LParam> last(4, -1);
    for (auto& [m, w, l] : r.got) {
        EXPECT_GT(l, last[w]);
        last[w] = l;
    }
}

TEST(AppLoop, TimersFireUntilKilled) {
    TestApp app;
    Recorder r;
    r.onTimer = [&](unsigned id) {
        if (id == 1 && r.ticks.size() >= 3) r.KillTimer(1);
    };
    EXPECT_TRUE(r.SetTimer(1, 5));
    EXPECT_TRUE(app.HasTimers());
    auto start = std::chrono::steady_clock::now();
    app.Run();  // ends once the timer is gone
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(r.ticks, (std::vector<unsigned>{1, 1, 1}));
    EXPECT_FALSE(app.HasTimers());
    EXPECT_GE(elapsed, std::chrono::milliseconds(14));
}

TEST(AppLoop, TwoTimersKeepTheirRatesAndAKilledTickIsNotDelivered) {
    TestApp app;
    Recorder r;
    int slow = 0, fast = 0;
    r.onTimer = [&](unsigned id) {
        if (id == 2) ++fast;
        if (id == 3) {
            ++slow;
            r.KillTimer(2);
            r.KillTimer(3);
        }
    };
    r.SetTimer(2, 2);
    r.SetTimer(3, 40);
    app.Run();
    EXPECT_EQ(slow, 1);
    EXPECT_GE(fast, 3);
    EXPECT_FALSE(r.KillTimer(2));  // already gone
}

TEST(AppLoop, DestroyedTargetGetsNoQueuedMessagesOrTimers) {
    TestApp app;
    Recorder keep;
    {
        Recorder gone;
        app.Post(&gone, kUserMessage);
        gone.SetTimer(9, 1);
    }
    app.Post(&keep, kUserMessage + 5);
    app.Run();
    EXPECT_EQ(keep.got.size(), 1u);
    EXPECT_FALSE(app.HasTimers());
}

TEST(AppLoop, QuitEndsTheLoopWithItsExitCode) {
    TestApp app;
    Recorder r;
    app.Post(nullptr, kMsgQuit, 3);
    app.Post(&r, kUserMessage);  // after the quit: not dispatched
    r.SetTimer(1, 1);            // a live timer does not keep it running
    EXPECT_EQ(app.Run(), 3);
    EXPECT_TRUE(r.got.empty());
    EXPECT_EQ(app.ExitCode(), 3);
}

TEST(AppLoop, MainTakesLayerOptionsAndRunsInitInstance) {
    struct Prog : TestApp {
        bool InitInstance() override {
            seen = Args();
            SetExitCode(5);
            return true;
        }
        std::vector<std::string> seen;
    };
    Prog app;
    app.SetCommandLineDecl({"brondel", "", "", {{"-F", SwitchValue::Next, "FILE", ""}, {"-d", SwitchValue::Number, "N", ""}}});
    const char* argv[] = {"/usr/bin/brondel", "-F", "ctl.txt", "--headless", "-d", "8"};
    EXPECT_EQ(app.Main(6, const_cast<char**>(argv)), 5);
    EXPECT_EQ(app.seen, (std::vector<std::string>{"-F", "ctl.txt", "-d", "8"}));
    EXPECT_TRUE(app.Options().headless);
    EXPECT_EQ(app.CommandLine(), "-F ctl.txt -d 8");
}

TEST(AppLoop, MainRefusesAMissingAnswerFile) {
    TestApp app;
    testing::internal::CaptureStderr();
    const char* argv[] = {"prog", "--answers", "/nonexistent/answers.txt"};
    EXPECT_EQ(app.Main(3, const_cast<char**>(argv)), 2);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("/nonexistent/answers.txt"), std::string::npos) << err;
}

TEST(LayerOptions, TakenOffTheCommandLine) {
    struct Case {
        std::vector<std::string> in;
        bool ok;
        std::vector<std::string> rest;
        bool headless;
        std::string answers;
    };
    const Case cases[] = {
        {{"-F", "a.ctl"}, true, {"-F", "a.ctl"}, false, ""},
        {{"--headless", "-d"}, true, {"-d"}, true, ""},
        {{"-x", "--answers", "ans.txt", "-r"}, true, {"-x", "-r"}, false, "ans.txt"},
        {{"--answers=a b.txt"}, true, {}, false, "a b.txt"},
        {{"--", "--headless"}, true, {"--", "--headless"}, false, ""},
        {{"--answers"}, false, {}, false, ""},
        {{"--answers="}, false, {}, false, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.in;
        LayerOptions o;
        LayerOptionsResult r = TakeLayerOptions(args, o);
        EXPECT_EQ(r.ok, c.ok) << c.in.front();
        if (!c.ok) {
            EXPECT_FALSE(r.error.empty());
            continue;
        }
        EXPECT_EQ(args, c.rest);
        EXPECT_EQ(o.headless, c.headless);
        EXPECT_EQ(o.answersFile, c.answers);
    }
}

}  // namespace
}  // namespace platform
