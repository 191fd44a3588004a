// The update of a unit reached as a drive, step by step on folders standing in for the unit and
// the input's folder, and the GPX elements taken out of a unit's Current.gpx.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/testsupport/ScratchDir.h"
#include "transfer/usb/DriveGpx.h"
#include "transfer/usb/DriveUpdate.h"
#include "transfer/usb/UsbTables.h"

namespace {

using suitetest::ReadAll;
using suitetest::ScratchDir;
using suitetest::WriteAll;
namespace fs = std::filesystem;

// The log as the program's document keeps it.
class LogHost : public DriveUpdateHost {
public:
    void Log(const std::string& line) override { lines.push_back(line); }
    void ReplaceLastLine(const std::string& line) override {
        lines.back() = line;
        progress.push_back(line);
    }
    void EndUpdate(const std::string& text) override {
        lines.push_back(text);
        ended = text;
    }
    std::vector<std::string> lines;
    std::vector<std::string> progress;
    std::string ended;
};

std::vector<uint8_t> Bytes(size_t size, int seed) {
    std::vector<uint8_t> data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<uint8_t>(i * 13 + seed);
    return data;
}

class DriveUpdateTest : public ::testing::Test {
protected:
    ScratchDir dir{"drive-update"};
    LogHost host;
    DriveUpdate update{host};
    std::vector<int> steps;  // the step numbers the driver gave
    int idleTurns = 0;        // turns of the chunked copies

    void SetUp() override {
        fs::create_directories(dir.File("unit/Garmin"));
        fs::create_directories(dir.File("unit/.System/AVTN"));
        fs::create_directories(dir.File("in"));
    }
    DriveUpdateRequest Request(int region, bool programMode = false, uint32_t offset = 0, uint32_t length = 0) {
        DriveUpdateRequest request;
        request.drive = UnitDrive{dir.File("unit"), dir.File("unit")};
        request.inputFile = dir.File("in/data.img");
        request.row = FindDriveFile(region);
        request.programMode = programMode;
        request.dataOffset = offset;
        request.dataLength = length;
        return request;
    }
    // Runs the update as the idle handler does.
    void Run(const DriveUpdateRequest& request) {
        update.Begin(request);
        for (int step; (step = update.DriveUpdateStep()) != 0;) {
            steps.push_back(step);
            while (update.Copying() && update.CopyFileChunk() != 0) ++idleTurns;
            if (update.Copying()) ++idleTurns;
        }
    }
};

TEST_F(DriveUpdateTest, BacksUpTheUnitsFileAndReplacesItInChunksOf4096) {
    const std::vector<uint8_t> data = Bytes(10000, 1), old = Bytes(5000, 2);
    WriteAll(dir.File("in/data.img"), data);
    WriteAll(dir.File("unit/.System/AVTN/avtn_db.bin"), old);
    fs::create_directories(dir.File("in/Aerabackup_1"));
    fs::create_directories(dir.File("in/Aerabackup_2"));
    Run(Request(50, false, 0, 10000));
    EXPECT_EQ(host.ended, "Update Complete");
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Connecting to GPS", "Backing up existing GPS files  4",
                                                    "Creating update files", "Copying files to GPS  9",
                                                    "Update Complete", ""}));
    // 5000 bytes backed up in two turns, 10,000 copied in three: 4096, 4096, 1808.
    EXPECT_EQ(host.progress, (std::vector<std::string>{"Backing up existing GPS files  4", "Backing up existing GPS files  4",
                                                       "Copying files to GPS  4", "Copying files to GPS  8",
                                                       "Copying files to GPS  9"}));
    EXPECT_EQ(ReadAll(dir.File("unit/.System/AVTN/avtn_db.bin")), data);
    EXPECT_EQ(ReadAll(dir.File("in/Aerabackup_3/avtn_db.bin")), old);
    // The work file is gone; nothing but the unit's file is left on the unit.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("in")), {}), 4);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("unit/.System/AVTN")), {}), 1);
}

TEST_F(DriveUpdateTest, ProgramModeMakesTheFolderAndBacksNothingUp) {
    const std::vector<uint8_t> data = Bytes(3000, 3);
    WriteAll(dir.File("in/data.img"), data);
    fs::remove_all(dir.File("unit"));
    fs::create_directories(dir.File("unit"));
    Run(Request(1, true, 0, 3000));
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 6, 7, 9, 10}));
    EXPECT_EQ(host.lines, (std::vector<std::string>{"Making G1000 avdb card", "Creating update files",
                                                    "Copying files to SD Card  2", "Update Complete", ""}));
    EXPECT_EQ(ReadAll(dir.File("unit/ldr_sys/avtn_db.bin")), data);
    EXPECT_FALSE(fs::exists(dir.File("in/Aerabackup_1")));
}

TEST_F(DriveUpdateTest, ARegionOfAContainerGoesToItsFileAndAReadOnlyFileIsReplaced) {
    std::vector<uint8_t> container = Bytes(9000, 4);
    WriteAll(dir.File("in/data.img"), container);
    WriteAll(dir.File("unit/terrain.odb"), Bytes(10, 5));
    ASSERT_EQ(::chmod(dir.File("unit/terrain.odb").c_str(), 0444), 0);
    Run(Request(39, false, 1000, 6000));
    EXPECT_EQ(host.ended, "Update Complete");
    EXPECT_EQ(ReadAll(dir.File("unit/terrain.odb")), std::vector<uint8_t>(container.begin() + 1000, container.begin() + 7000));
    EXPECT_EQ(ReadAll(dir.File("in/Aerabackup_1/terrain.odb")), Bytes(10, 5));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("unit/terrain.odb").c_str(), &st), 0);
    EXPECT_TRUE(st.st_mode & S_IWUSR);
}

TEST_F(DriveUpdateTest, FailuresAbortTheUpdateAndLoseNothing) {
    const std::vector<uint8_t> old = Bytes(100, 6);
    struct Case {
        const char* what;
        std::function<void(DriveUpdateRequest&)> arrange;
        std::string ended;
    };
    const std::vector<Case> cases = {
        {"no drive", [&](DriveUpdateRequest& r) { r.drive.root = dir.File("none"); },
         "Unable to select Aera directory \"" + dir.File("none") + "\" - Operation Aborted"},
        {"unmapped letter", [&](DriveUpdateRequest& r) { r.drive = UnitDrive{"E", ""}; },
         "Unable to select Aera directory \"E:\" - Operation Aborted"},
        {"nineteen backups",
         [&](DriveUpdateRequest&) {
             for (int n = 1; n <= 19; ++n) fs::create_directories(dir.File("in/Aerabackup_" + std::to_string(n)));
         },
         "Unable to create directory \"" + dir.File("in/Aerabackup_19") + "\" - Operation Aborted"},
        {"input shorter than its region", [&](DriveUpdateRequest& r) { r.dataLength = 20000; },
         "Read failed - Operation Aborted"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.File("in"));
        fs::create_directories(dir.File("in"));
        WriteAll(dir.File("in/data.img"), Bytes(10000, 7));
        WriteAll(dir.File("unit/.System/AVTN/avtn_db.bin"), old);
        host = LogHost();
        DriveUpdateRequest request = Request(50, false, 0, 10000);
        c.arrange(request);
        Run(request);
        EXPECT_EQ(host.ended, c.ended);
        EXPECT_EQ(host.lines.back(), "");
        EXPECT_EQ(ReadAll(dir.File("unit/.System/AVTN/avtn_db.bin")), old);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("unit/.System/AVTN")), {}), 1);
        // No work file is left beside the input.
        for (const auto& entry : fs::directory_iterator(dir.File("in"))) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(name == "data.img" || name.rfind("Aerabackup_", 0) == 0) << name;
        }
    }
}

TEST_F(DriveUpdateTest, AnUpdateAbandonedMidCopyLeavesTheUnitsFileAsItWas) {
    const std::vector<uint8_t> old = Bytes(100, 8);
    WriteAll(dir.File("in/data.img"), Bytes(50000, 9));
    WriteAll(dir.File("unit/.System/AVTN/avtn_db.bin"), old);
    update.Begin(Request(50, false, 0, 50000));
    // The step that starts the copy onto the unit gives 10.
    while (update.DriveUpdateStep() != 10) {
        while (update.Copying() && update.CopyFileChunk() != 0) {
        }
    }
    ASSERT_TRUE(update.Copying());
    EXPECT_EQ(update.CopyFileChunk(), 1);
    update.Abandon();  // STOP/RESET
    EXPECT_EQ(ReadAll(dir.File("unit/.System/AVTN/avtn_db.bin")), old);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("unit/.System/AVTN")), {}), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("in")), {}), 2);  // the input and the backup folder
}

TEST(ExtractGpxElements, TheHeadThenTheChosenElementsThenTheEnd) {
    const std::string current =
        "<?xml?><gpx><metadata><time>t</time></metadata>"
        "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt>\n<rte><name>R</name><rtept lat=\"1\"></rtept></rte>"
        "<wpt lat=\"3\" lon=\"4\"><name>B</name></wpt><trk><trkseg></trkseg></trk></gpx>";
    struct Case {
        int database;
        std::string text;
        bool ok;
        std::string out;
    };
    const std::string head = "<?xml?><gpx><metadata><time>t</time></metadata>";
    for (const Case& c : std::vector<Case>{
             {1, current, true,
              head + "<wpt lat=\"1\" lon=\"2\"><name>A</name></wpt><wpt lat=\"3\" lon=\"4\"><name>B</name></wpt></gpx>"},
             {2, current, true, head + "<rte><name>R</name><rtept lat=\"1\"></rtept></rte></gpx>"},
             {5, current, true, head + "<trk><trkseg></trkseg></trk></gpx>"},
             {1, head + "<rte></rte></gpx>", true, head + "</gpx>"},
             {1, "<gpx><wpt lat=\"1\"></wpt></gpx>", false, "Unable to find \"</metadata>\" tag"},
             {2, head + "<rte><name>R</name></gpx>", false, "End tag </rte> absent"},
             // An element before the head's end is not taken.
             {1, "<gpx><wpt lat=\"0\"></wpt><metadata></metadata></gpx>", true, "<gpx><wpt lat=\"0\"></wpt><metadata></metadata></gpx>"},
         }) {
        SCOPED_TRACE(c.text);
        std::string out, error;
        EXPECT_EQ(ExtractGpxElements(c.text, *GpxElementOf(c.database), out, error), c.ok);
        EXPECT_EQ(c.ok ? out : error, c.out);
    }
    EXPECT_EQ(GpxElementOf(0), nullptr);
    EXPECT_EQ(GpxElementOf(7), nullptr);
}

}  // namespace
