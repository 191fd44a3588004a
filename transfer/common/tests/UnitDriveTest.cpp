// Drives of the transfer programs: letters and paths, the mount table, the search for a unit's
// drive in a stand-in of the mount table, label links and device tree, folder making, the
// read-only attribute and the chunked file copy.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Settings.h"
#include "platform/testsupport/ScratchDir.h"
#include "transfer/common/FileAttributes.h"
#include "transfer/common/FileCopy.h"
#include "transfer/common/MountInfo.h"
#include "transfer/common/TransferFile.h"
#include "transfer/common/UnitDrive.h"
#include "transfer/common/UnitDriveSearch.h"

namespace {

using suitetest::ReadAll;
using suitetest::ScratchDir;
namespace fs = std::filesystem;

TEST(UnitDrive, LettersComeFromTheDrivesSectionAndPathsAreTakenAsTheyAre) {
    ScratchDir dir("drive-letters");
    const char* old = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_CONFIG_HOME", dir.path.c_str(), 1);
    platform::Settings settings;
    settings.SetKey("Key");
    settings.SetProgram("Norvesk");
    ASSERT_TRUE(settings.WriteString("Drives", "E", "/media/me/GARMIN"));
    ASSERT_TRUE(settings.WriteString("Drives", "F", "C:\\cards\\one"));
    struct Case {
        std::string field;
        bool letter;
        std::string root;
        std::string label;
    };
    for (const Case& c : std::vector<Case>{{"E", true, "/media/me/GARMIN", "E:"},
                                           {"e:", true, "/media/me/GARMIN", "E:"},
                                           {"f", true, "C:/cards/one", "F:"},
                                           {"G", true, "", "G:"},
                                           {"/media/card", false, "/media/card", "/media/card"},
                                           {"cards\\two", false, "cards/two", "cards/two"},
                                           {"E:x", false, "E:x", "E:x"},
                                           {"1", false, "1", "1"}}) {
        SCOPED_TRACE(c.field);
        const UnitDrive drive = DriveFromField(c.field, settings);
        EXPECT_EQ(drive.IsLetter(), c.letter);
        EXPECT_EQ(drive.root, c.root);
        EXPECT_EQ(drive.Label(), c.label);
    }
    if (old) {
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_CONFIG_HOME");
    }
    // A unit folder below the root, in the case the drive already spells it.
    fs::create_directories(dir.File(".SYSTEM/avtn"));
    const UnitDrive unit{"E", dir.path};
    EXPECT_EQ(unit.Path(".System\\AVTN"), dir.File(".SYSTEM/avtn"));
    EXPECT_EQ(unit.Path("ldr_sys"), dir.File("ldr_sys"));
    EXPECT_EQ(unit.Path(""), dir.path);
}

TEST(FileCopy, CopiesInChunksOf128KBAndReplacesTheTargetKeepingItsMode) {
    ScratchDir dir("filecopy");
    std::vector<uint8_t> data(300000 + 100);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 251);
    suitetest::WriteAll(dir.File("data.bin"), data);
    suitetest::WriteAll(dir.File("target.bin"), std::vector<uint8_t>(10, 1));
    ::chmod(dir.File("target.bin").c_str(), 0444);
    TransferFile input;
    ASSERT_TRUE(input.OpenRead(dir.File("data.bin")));
    FileCopy copy(131072);
    ASSERT_TRUE(copy.Start(input, dir.File("target.bin"), 100, 300000));
    std::vector<uint32_t> copied;
    std::vector<ChunkResult> results;
    for (int turn = 0; turn < 5 && (results.empty() || results.back() == ChunkResult::More); ++turn) {
        results.push_back(copy.Chunk());
        copied.push_back(copy.Copied());
        if (results.back() == ChunkResult::More) {
            EXPECT_EQ(ReadAll(dir.File("target.bin")).size(), 10u);  // the old file stays until the end
        }
    }
    EXPECT_EQ(results, (std::vector<ChunkResult>{ChunkResult::More, ChunkResult::More, ChunkResult::Done}));
    EXPECT_EQ(copied, (std::vector<uint32_t>{131072, 262144, 300000}));
    EXPECT_EQ(copied.back() / 1024, 292u);
    EXPECT_EQ(ReadAll(dir.File("target.bin")), std::vector<uint8_t>(data.begin() + 100, data.end()));
    struct stat st {};
    ASSERT_EQ(::stat(dir.File("target.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 2);  // no temporary file left
}

TEST(FileCopy, AShortDataFileEndsTheCopyAndLeavesNoPartFile) {
    ScratchDir dir("filecopy-short");
    suitetest::WriteAll(dir.File("data.bin"), std::vector<uint8_t>(1000, 5));
    TransferFile input;
    ASSERT_TRUE(input.OpenRead(dir.File("data.bin")));
    FileCopy copy(131072);
    ASSERT_TRUE(copy.Start(input, dir.File("out.bin"), 200, 5000));
    EXPECT_EQ(copy.Chunk(), ChunkResult::ReadFailed);
    EXPECT_EQ(copy.lastRead, 800u);
    EXPECT_EQ(copy.lastAsked, 5000u);
    copy.Abandon();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path), {}), 1);
    // A folder that does not exist cannot take the file.
    EXPECT_FALSE(copy.Start(input, dir.File("none/out.bin"), 0, 10));
}

TEST(MakeDriveFolders, CreatesEveryMissingLevelAndReusesOnesInAnyCase) {
    ScratchDir dir("drive-folders");
    std::filesystem::create_directories(dir.File(".SYSTEM"));
    std::string failed;
    ASSERT_TRUE(MakeDriveFolders(dir.path, ".System\\AVTN\\FliteCharts", failed));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File(".SYSTEM/AVTN/FliteCharts")));
    EXPECT_FALSE(std::filesystem::exists(dir.File(".System")));
    suitetest::WriteAll(dir.File("plain"), std::vector<uint8_t>(1));
    EXPECT_FALSE(MakeDriveFolders(dir.path, "plain\\sub", failed));
    EXPECT_EQ(failed, dir.File("plain"));
}

// A mount table as /proc/self/mountinfo gives it.
const char* const kMountInfo =
    "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
    "40 22 8:33 / /media/me/SPARE rw,nosuid shared:5 - vfat /dev/sdc1 rw,uid=1000\n"
    "41 22 8:17 / /media/me/GARMIN\\040UNIT rw,nosuid shared:6 - vfat /dev/sdb1 rw,uid=1000\n"
    "43 22 8:17 /sub /media/a/bind rw - vfat /dev/sdb1 rw\n"
    "44 22 0:40 / /run/tmp rw - tmpfs tmpfs rw\n"
    "broken line\n"
    "45 22 8:49 / /media/me/fixed rw - vfat /dev/sdd1 rw\n";

TEST(ReadMountInfo, EntriesInMountPointOrderWithEscapesDecoded) {
    ScratchDir dir("mountinfo");
    suitetest::WriteAll(dir.File("mountinfo"), std::vector<uint8_t>(kMountInfo, kMountInfo + std::strlen(kMountInfo)));
    const std::vector<MountEntry> entries = ReadMountInfo(dir.File("mountinfo"));
    std::vector<std::string> points;
    for (const MountEntry& e : entries) points.push_back(e.mountPoint);
    EXPECT_EQ(points, (std::vector<std::string>{"/", "/media/a/bind", "/media/me/GARMIN UNIT", "/media/me/SPARE",
                                                "/media/me/fixed", "/run/tmp"}));
    EXPECT_EQ(entries[2].device, "8:17");
    EXPECT_EQ(entries[2].fsType, "vfat");
    EXPECT_EQ(entries[2].source, "/dev/sdb1");
    EXPECT_EQ(entries[5].source, "tmpfs");
    EXPECT_TRUE(ReadMountInfo(dir.File("missing")).empty());
}

// A stand-in of the machine: devices, their label links, their place in the device tree, and
// the mount points with the unit's folders.
class UnitDriveSearchTest : public ::testing::Test {
protected:
    ScratchDir dir{"drive-search"};
    UnitDriveSources sources{dir.File("mountinfo"), dir.File("by-label"), dir.File("dev-block")};

    void SetUp() override {
        for (const char* folder : {"by-label", "dev-block", "dev", "mnt"}) fs::create_directories(dir.File(folder));
    }
    // A disk (with one partition) in the device tree: on a USB bus or not, removable or not.
    void Disk(const std::string& name, const std::string& majorMinor, bool usb, bool removable) {
        const std::string disk = dir.File(std::string("devices/") + (usb ? "pci0/usb1/1-1/" : "pci0/ata1/") + name);
        fs::create_directories(disk + "/" + name + "1");
        suitetest::WriteAll(disk + "/" + name + "1/partition", {'1', '\n'});
        suitetest::WriteAll(disk + "/removable", {removable ? uint8_t('1') : uint8_t('0'), '\n'});
        fs::create_symlink(disk + "/" + name + "1", dir.File("dev-block/" + majorMinor));
        suitetest::WriteAll(dir.File("dev/" + name + "1"), {});
    }
    void Label(const std::string& label, const std::string& device) {
        fs::create_symlink("../dev/" + device, dir.File("by-label/" + label));
    }
    std::string Unit(const std::string& name, bool garmin = true, bool avtn = true) {
        const std::string root = dir.File("mnt/" + name);
        fs::create_directories(root);
        if (garmin) fs::create_directories(root + "/GARMIN");
        if (avtn) fs::create_directories(root + "/.system/Avtn");
        return root;
    }
    void Mounts(const std::vector<std::pair<std::string, std::string>>& mounts) {
        std::string text;
        int id = 30;
        for (const auto& [majorMinor, point] : mounts) {
            const std::string device = dir.File("dev/" + point.substr(point.rfind('=') + 1));
            text += std::to_string(id++) + " 1 " + majorMinor + " / " + point.substr(0, point.rfind('=')) +
                    " rw - vfat " + device + " rw\n";
        }
        suitetest::WriteAll(dir.File("mountinfo"), std::vector<uint8_t>(text.begin(), text.end()));
    }
};

TEST_F(UnitDriveSearchTest, TakesTheFirstRemovableGarminDriveWithTheUnitsFolders) {
    Disk("sdb", "8:17", true, false);   // a card reader on USB
    Disk("sdc", "8:33", false, true);   // a removable disk elsewhere
    Disk("sda", "8:1", false, false);   // a fixed disk
    Disk("loop0", "7:0", false, false); // an image mounted by hand
    struct Case {
        const char* what;
        std::string labelled;  // device carrying the label "GARMIN"
        std::vector<std::pair<std::string, std::string>> mounts;  // major:minor, mount point=device
        std::string expected;
    };
    const std::string unit = Unit("unit"), other = Unit("other"), bare = Unit("bare", false, true),
                      half = Unit("half", true, false);
    const std::vector<Case> cases = {
        {"usb", "sdb1", {{"8:17", unit + "=sdb1"}}, unit},
        {"removable", "sdc1", {{"8:33", unit + "=sdc1"}}, unit},
        {"loop", "loop01", {{"7:0", unit + "=loop01"}}, unit},
        {"fixed disk", "sda1", {{"8:1", unit + "=sda1"}}, ""},
        {"other label", "sdc1", {{"8:17", unit + "=sdb1"}}, ""},
        {"no Garmin folder", "sdb1", {{"8:17", bare + "=sdb1"}}, ""},
        {"no .System/AVTN", "sdb1", {{"8:17", half + "=sdb1"}}, ""},
        {"mounted twice", "sdb1", {{"8:17", unit + "=sdb1"}, {"8:17", other + "=sdb1"}}, other},
        {"unknown device", "sdb1", {{"9:9", unit + "=sdb1"}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.File("by-label"));
        fs::create_directories(dir.File("by-label"));
        Label("GARMIN", c.labelled);
        Label("garmin", "sdb1");  // a label in another case names nothing
        Mounts(c.mounts);
        EXPECT_EQ(FindUnitDrive(sources), c.expected);
    }
}

TEST_F(UnitDriveSearchTest, NothingWithoutALabelOrAMountTable) {
    Disk("sdb", "8:17", true, true);
    const std::string unit = Unit("unit");
    Mounts({{"8:17", unit + "=sdb1"}});
    EXPECT_EQ(FindUnitDrive(sources), "");
    Label("GARMIN", "sdb1");
    EXPECT_EQ(FindUnitDrive(sources), unit);
    fs::remove(dir.File("mountinfo"));
    EXPECT_EQ(FindUnitDrive(sources), "");
}

TEST(FileAttributes, AFileNobodyMayWriteIsReadOnlyUntilMadeNormal) {
    ScratchDir dir("attributes");
    suitetest::WriteAll(dir.File("f"), {1});
    for (const auto& [mode, readOnly] : std::vector<std::pair<mode_t, bool>>{{0444, true}, {0400, true},
                                                                             {0644, false}, {0464, false}}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(dir.File("f").c_str(), mode), 0);
        uint32_t attributes = 99;
        ASSERT_TRUE(ReadFileAttributes(dir.File("f"), attributes));
        EXPECT_EQ(attributes, readOnly ? kAttributeReadOnly : 0u);
        ASSERT_TRUE(SetNormalAttributes(dir.File("f")));
        ASSERT_TRUE(ReadFileAttributes(dir.File("f"), attributes));
        EXPECT_EQ(attributes, 0u);
        struct stat st {};
        ASSERT_EQ(::stat(dir.File("f").c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, mode | 0200);
    }
    uint32_t attributes = 0;
    EXPECT_FALSE(ReadFileAttributes(dir.File("missing"), attributes));
    EXPECT_FALSE(SetNormalAttributes(dir.File("missing")));
}

// As root, with the tools and the kernel's vfat: a 16 MiB vfat image labelled GARMIN,
// loop-mounted, is the unit's drive; its files carry the FAT read-only attribute.
class VfatImageTest : public ::testing::Test {
protected:
    ScratchDir dir{"vfat"};
    bool mounted = false;

    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting needs root";
        if (std::system("command -v mkfs.vfat >/dev/null 2>&1") != 0) GTEST_SKIP() << "mkfs.vfat (dosfstools) is missing";
        const std::string image = dir.File("card.img");
        fs::create_directories(dir.File("mnt"));
        const std::string make = "truncate -s 16M '" + image + "' && mkfs.vfat -n GARMIN '" + image + "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) GTEST_SKIP() << "cannot make a vfat image";
        const std::string mount = "mount -o loop '" + image + "' '" + dir.File("mnt") + "' >/dev/null 2>&1";
        if (std::system(mount.c_str()) != 0) GTEST_SKIP() << "vfat cannot be loop-mounted here";
        mounted = true;
    }
    void TearDown() override {
        if (mounted) static_cast<void>(std::system(("umount '" + dir.File("mnt") + "'").c_str()));
    }
};

TEST_F(VfatImageTest, IsFoundAsTheUnitsDriveAndKeepsTheReadOnlyAttribute) {
    UnitDriveSources sources;
    // Without udev there are no label links: the loop device's own link stands in.
    if (!fs::exists("/dev/disk/by-label/GARMIN")) {
        std::string device;
        for (const MountEntry& entry : ReadMountInfo(sources.mountInfo)) {
            if (entry.mountPoint == dir.File("mnt")) device = entry.source;
        }
        ASSERT_FALSE(device.empty());
        fs::create_directories(dir.File("labels"));
        fs::create_symlink(device, dir.File("labels/GARMIN"));
        sources.labels = dir.File("labels");
    }
    EXPECT_EQ(FindUnitDrive(sources), "");  // not yet a unit's drive
    fs::create_directories(dir.File("mnt/Garmin"));
    fs::create_directories(dir.File("mnt/.System/AVTN"));
    EXPECT_EQ(FindUnitDrive(sources), dir.File("mnt"));

    const std::string file = dir.File("mnt/.System/AVTN/avtn_db.bin");
    suitetest::WriteAll(file, {1, 2, 3});
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    uint32_t attributes = 0;
    ASSERT_TRUE(ReadFileAttributes(file, attributes));
    EXPECT_TRUE(attributes & kAttributeReadOnly);
    ASSERT_TRUE(SetNormalAttributes(file));
    ASSERT_TRUE(ReadFileAttributes(file, attributes));
    EXPECT_FALSE(attributes & kAttributeReadOnly);
}

}  // namespace
