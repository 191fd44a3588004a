#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/shell/CGenDBOpen.h"
#include "platform/FileSystem.h"

#include <fcntl.h>

namespace shelltest {
namespace {

class ShellRunner : public ShellTest {
protected:
    // Runs idle turns until the application is idle again (at most `limit`).
    void RunUntilIdle(int limit = 100000) {
        long count = 1;
        while (App().State() != kStateIdle && limit-- > 0) App().OnIdle(count++);
    }
    // Starts an operation as GO does and runs it until the first idle turn after the start.
    void Go(int mode, const std::string& file, int section = 0) {
        CGenView& v = View();
        v.mode = mode;
        v.fileName = file;
        v.section = section;
        App().SetState(kStateStartPending);
        App().OnIdle(1);
    }
};

// A listing iterator giving `count` handles 0, 1, 2, ...
ListingIterator Handles(int count) {
    return [count, next = 0](OperationContext&) mutable -> int32_t { return next < count ? next++ : -1; };
}

TEST_F(ShellRunner, ListingFillsTheIndexAndEndsWithItsMarkers) {
    struct Case {
        int handles;
        size_t entries;
        int32_t last;
        const char* lastText;
    } cases[] = {
        {0, 1, kListingNoItems, "No Matching Items"},
        {3, 3, 2, "APT 2"},
        {2041, 2041, 2040, "APT 2040"},
        {5000, 2042, kListingMaxLines, "Maximum listable lines - use filters to see later entries"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.handles);
        GenModel model = TestModel();
        model.nextListingItem = Handles(c.handles);
        model.listSection = [](OperationContext& ctx, int32_t handle, std::string& out) {
            out = (ctx.kind == kListApts ? "APT " : "?? ") + std::to_string(handle);
        };
        MakeApp(model);
        WriteFile("test.img", std::string(512, '\0'));
        Go(kModeList, "test.img", 3);
        EXPECT_EQ(App().State(), kStateListing);
        EXPECT_TRUE(View().running);
        EXPECT_EQ(Doc().ShownKind(), 0);  // stored lines while the listing is built
        RunUntilIdle();
        CGenDoc& doc = Doc();
        EXPECT_EQ(doc.ShownKind(), kListApts);
        ASSERT_EQ(doc.ListingIndex().size(), c.entries);
        EXPECT_EQ(doc.ListingIndex().back(), c.last);
        EXPECT_EQ(doc.GetLineCount(), static_cast<int>(c.entries));
        EXPECT_EQ(doc.GetLine(doc.GetLineCount() - 1), c.lastText);
        // A listing that ended by itself stays marked running; STOP/RESET lists "Listing Completed".
        EXPECT_TRUE(View().running);
        App().RouteCommand(kCmdStopReset);
        EXPECT_FALSE(View().running);
        EXPECT_EQ(doc.ShownKind(), 0);
        EXPECT_EQ(doc.Lines().back(), "Listing Completed");
        app_.reset();
    }
}

TEST_F(ShellRunner, AnOperationWithoutADriverEndsAtOnce) {
    MakeApp();
    WriteFile("batch.txt", "ADD|USR|X\r\n");
    Go(kModeBatchUpdate, "batch.txt");
    EXPECT_EQ(App().State(), kStateStep);
    EXPECT_EQ(App().Context().kind, kModeBatchUpdate);
    App().OnIdle(2);
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_FALSE(View().running);
    EXPECT_FALSE(App().OperationNotDone());
    EXPECT_EQ(App().ExitInstance(), kExitOk);
}

TEST_F(ShellRunner, StopResetEndsARunningOperationAndDeletesTheUnfinishedImage) {
    GenModel model = TestModel();
    int calls = 0;
    model.drivers[kModeCreateImage] = [&calls](OperationContext& ctx) {
        ++calls;
        ctx.ReplaceLastLine("Writing image " + std::to_string(calls));
        return false;  // never finishes
    };
    MakeApp(model);
    Go(kModeCreateImage, "new.img");
    ASSERT_EQ(App().State(), kStateStep);
    // The image is written under a temporary name until it is complete.
    ASSERT_GE(App().Context().imageFd, 0);
    EXPECT_FALSE(std::filesystem::exists("new.img"));
    for (long i = 1; i <= 20; ++i) App().OnIdle(i);
    EXPECT_EQ(calls, 20);
    EXPECT_EQ(Doc().Lines().back(), "Writing image 20");
    platform::CommandState state;
    state.id = kCmdSetup;
    App().RouteQuery(state);
    EXPECT_FALSE(state.enabled);
    ASSERT_TRUE(App().RouteCommand(kCmdStopReset));
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_FALSE(View().running);
    EXPECT_EQ(LinesFrom(Doc().Lines().size() - 2),
              (std::vector<std::string>{"Operation Aborted", "new.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("new.img"));
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        EXPECT_EQ(entry.path().filename().string().find("new.img"), std::string::npos) << entry.path();
    }
    App().OnIdle(21);
    EXPECT_EQ(calls, 20);
    EXPECT_EQ(App().ExitInstance(), kExitNotDone);
}

TEST_F(ShellRunner, AStepThatStopsTheOperationEndsItWithoutSuccess) {
    GenModel model = TestModel();
    CGenApp* appPtr = nullptr;
    model.drivers[kModeCompileSua] = [&appPtr](OperationContext&) {
        appPtr->GenView()->StopOperation("Too many SUAs");
        return true;
    };
    int stops = 0;
    model.onStop = [&stops](OperationContext&, int mode) { stops += mode == kModeCompileSua; };
    appPtr = &MakeApp(model);
    WriteFile("sua.txt", "x");
    Go(kModeCompileSua, "sua.txt");
    App().OnIdle(2);
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_EQ(Doc().Lines().back(), "Too many SUAs");
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(App().ExitInstance(), kExitNotDone);
}

TEST_F(ShellRunner, StartWaitsForTheNextIdleTurn) {
    MakeApp();
    App().SetState(kStateStartPending);
    View().mode = kModeCreateIsam;
    View().fileName = "missing.img";
    EXPECT_FALSE(View().running);
    // The layer's own idle work comes first: count 0 asks for another turn without a step.
    EXPECT_TRUE(App().OnIdle(0));
    EXPECT_EQ(App().State(), kStateStartPending);
    App().OnIdle(1);
    EXPECT_TRUE(View().running);
    EXPECT_EQ(App().State(), kStateStep);
}

TEST_F(ShellRunner, DatabaseHeldElsewhereStopsTheStartAndLeavesSetupEnabled) {
    MakeApp();
    // Another program holds a record file.
    std::string path = App().GetDbFolder() + "/apts.dta";
    WriteFile(path, std::string(1024, '\0'));
    int fd = platform::OpenFile(path, O_RDWR, platform::Share::DenyReadWrite);
    ASSERT_GE(fd, 0);
    WriteFile("batch.txt", "x");
    Go(kModeBatchUpdate, "batch.txt");
    platform::CloseFile(fd);
    EXPECT_EQ(Messages(), std::vector<std::string>{"Sorry, Database in Use"});
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_FALSE(View().running);
    EXPECT_EQ(App().DbOpen(), nullptr);
    platform::CommandState state;
    state.id = kCmdSetup;
    App().RouteQuery(state);
    EXPECT_TRUE(state.enabled);
    EXPECT_EQ(App().ExitInstance(), kExitNotDone);
}

TEST_F(ShellRunner, WrongVersionMarkStopsTheStart) {
    MakeApp();
    WriteFile(App().GetDbFolder() + "/ints.dta", std::string(1024, 'x'));
    WriteFile("batch.txt", "x");
    Go(kModeBatchUpdate, "batch.txt");
    EXPECT_EQ(Messages(), std::vector<std::string>{"Sorry, your ISAM db version is incorrect"});
    EXPECT_EQ(App().State(), kStateIdle);
}

TEST_F(ShellRunner, CreateIsamDoesNotOpenTheDatabaseAndTheOthersOpenItOnce) {
    MakeApp();
    WriteFile("image.img", std::string(64, '\0'));
    Go(kModeCreateIsam, "image.img");
    EXPECT_EQ(App().DbOpen(), nullptr);
    RunUntilIdle();
    WriteFile("batch.txt", "x");
    Go(kModeBatchUpdate, "batch.txt");
    CGenDBOpen* first = App().DbOpen();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Status(), 0);
    EXPECT_NE(first->File(kFileUsr), nullptr);
    RunUntilIdle();
    // A second start keeps the same opener without checking the folder again, even while a
    // file is now held elsewhere.
    int fd = platform::OpenFile(App().GetDbFolder() + "/apts.dta", O_RDWR, platform::Share::DenyReadWrite);
    Go(kModeBatchUpdate, "batch.txt");
    if (fd >= 0) platform::CloseFile(fd);
    EXPECT_EQ(App().DbOpen(), first);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ShellRunner, UnattendedControlRunGoesThroughEverySectionAndKeepsTheLastImage) {
    GenModel model = TestModel();
    std::vector<std::string> saved;
    model.saveAs = [&saved](OperationContext&, const std::string& name, bool append) {
        saved.push_back(name + (append ? "+" : ""));
        return true;
    };
    MakeApp(model);
    WriteFile("batch.txt", "x");
    ControlRun& run = App().Control();
    run.sections[0].mode = kModeBatchUpdate;
    run.sections[0].fileName = "batch.txt";
    run.sections[0].goState = kGoSaveAs;
    run.sections[0].saveAs = "out.txt";
    run.sections[0].message = "First section";
    run.sections[1].mode = kModeCreateImage;
    run.sections[1].fileName = "final.img";
    run.sections[1].goState = kGoUnattended;
    run.count = 2;
    run.index = 0;
    run.goState = run.sections[0].goState;
    App().Run();
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(saved, std::vector<std::string>{"out.txt"});
    auto lines = Doc().Lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()),
              (std::vector<std::string>{"", "**** Control File Completed ****", ""}));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "First section"), lines.end());
    EXPECT_TRUE(std::filesystem::exists("final.img"));
    EXPECT_EQ(App().Control().count, 0);
    EXPECT_EQ(App().Control().goState, kGoNone);
    EXPECT_EQ(App().ExitInstance(), kExitOk);
}

TEST_F(ShellRunner, ARefusedOrUnreadableUnattendedSectionEndsTheRun) {
    std::filesystem::create_directory("folder.txt");
    WriteFile("locked.txt", "ADD|APT|KSEA|K|\r\n");
    std::filesystem::permissions("locked.txt", std::filesystem::perms::none);
    const bool rootReads = ::access("locked.txt", R_OK) == 0;
    struct Case {
        const char* file;
        const char* message;
        int status;
    } cases[] = {
        {"", "You must choose a batch file to use", kExitNotDone},
        {"missing.txt", "Cannot open missing.txt", kExitFatal},
        {"folder.txt", "Cannot open folder.txt", kExitFatal},
        {"locked.txt", "Cannot open locked.txt", kExitFatal},
    };
    for (const Case& c : cases) {
        if (rootReads && std::string(c.file) == "locked.txt") continue;
        SCOPED_TRACE(c.file);
        MakeApp();
        ControlRun& run = App().Control();
        run.sections[0].mode = kModeBatchUpdate;
        run.sections[0].fileName = c.file;
        run.sections[0].goState = kGoUnattended;
        run.count = 1;
        run.goState = kGoUnattended;
        App().Run();
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
        // The setup dialog is shown (and, with no answer, cancelled): the run went interactive.
        EXPECT_EQ(Dialogs(), std::vector<std::string>{"Select Required Operation"});
        EXPECT_EQ(App().Control().goState, kGoNone);
        EXPECT_EQ(App().ExitInstance(), c.status);
        EXPECT_FALSE(Echoed("Database Update Complete"));
    }
}

TEST_F(ShellRunner, OpenImageSourceEmptiesDuffSuasAndListsProgAtDebugLevel) {
    MakeApp();
    App().Settings().debugLevel = 1;
    WriteFile("duff_suas.txt", "old outline\r\n");
    WriteFile("test.img", std::string(64, '\0'));
    size_t before = Doc().Lines().size();
    EXPECT_TRUE(App().OpenImageSource("test.img", Doc(), kListApts));
    auto lines = LinesFrom(before);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("Prog=", 0), 0u);
    EXPECT_EQ(lines[1], "File=test.img");
    EXPECT_EQ(std::filesystem::file_size("duff_suas.txt"), 0u);
    // The same name again keeps the file open and lists nothing more.
    EXPECT_TRUE(App().OpenImageSource("test.img", Doc(), kListApts));
    EXPECT_EQ(Doc().Lines().size(), before + 2);
}

TEST_F(ShellRunner, ImageFileThatCannotBeCreatedIsFatal) {
    MakeApp();
    try {
        App().OpenImageTarget("no/such/folder/x.img", Doc());
        FAIL() << "no exit";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, kExitFatal);
    }
    EXPECT_EQ(Messages(), std::vector<std::string>{"*** Failed to open/create image file ***"});
    try {
        App().OpenBatchSource("missing.txt", Doc());
        FAIL() << "no exit";
    } catch (const ExitCalled& e) {
        EXPECT_EQ(e.status, kExitFatal);
    }
    EXPECT_EQ(Messages().back(), "*** Cannot open stream for batch file ***");
}

TEST_F(ShellRunner, OperationTitleIsPaddedAndListingModesSwap) {
    MakeApp();
    App().SetOperationTitle("EUROPE", true);
    EXPECT_EQ(App().Settings().operationTitle, "   EUROPE           ");
    EXPECT_TRUE(App().Settings().listing);
    App().SetOperationTitle("A TITLE LONGER THAN TWENTY", false);
    EXPECT_EQ(App().Settings().operationTitle, "   A TITLE LONGER THAN TWENTY");
    int rn = 1;
    uint32_t dl = 16, xl = 3;
    App().SwapListingModes(rn, dl, xl);
    EXPECT_EQ(App().Settings().recordNumbers, 1);
    EXPECT_EQ(App().Settings().debugLevel, 16u);
    EXPECT_EQ(App().Settings().extraDebugLevel, 3u);
    EXPECT_EQ(rn, 0);
    EXPECT_EQ(dl, 0u);
}

}  // namespace
}  // namespace shelltest
