#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "ObstacleTestSupport.h"
#include "sidedata/obstacles/UnitFile.h"

namespace obstacles::test {
namespace {

using unitfile::Bytes;
using unitfile::Container;
using unitfile::Section;

TEST(FindDataSection, ContainersBareFilesAndClassification) {
    Bytes obstacleData = Fixture("bare38.taw");
    Bytes fixedData = Bytes(200, 0);
    unitfile::PutText(fixedData, 120, "006-D0123");
    // Header strings that run to byte 240: 24 + 216 bytes of strings.
    std::vector<std::string> longStrings(8, std::string(26, 'x'));  // 8 x 27 = 216
    std::vector<std::string> shortStrings(8, std::string(25, 'x'));  // 8 x 26 = 208: ends at 232
    struct Case {
        const char* what;
        Bytes file;
        int kind;
        size_t offset;
    } cases[] = {
        {"types 12 and 50 passed over", Container({"a"}, {{12, Bytes(5)}, {50, Bytes(3)}, {51, Bytes(9)}}), 51,
         24 + 2 + 15 + 5 + 15 + 3 + 15},
        {"signature not at the start", Container({}, {{79, Bytes(4)}}, 100), 79, 100 + 24 + 15},
        {"signature past byte 250", Container({}, {{79, Bytes(4)}}, 250), 0, 0},
        {"header strings reach byte 240", Container(longStrings, {{51, Bytes(9)}}), 0, 0},
        {"header strings end before 240", Container(shortStrings, {{51, Bytes(9)}}), 51, 232 + 15},
        {"string count far too big", [] {
             Bytes b = Container({"a"}, {{51, Bytes(9)}});
             unitfile::PutU32(b, 6, 0xFFFFFFFF);
             return b;
         }(), 0, 0},
        {"section type 0", Container({}, {{0, Bytes(4)}, {51, Bytes(4)}}), 0, 0},
        {"only skipped sections", Container({}, {{12, Bytes(4)}, {50, Bytes(4)}}), 0, 0},
        {"skipped section longer than the file", [] {
             Bytes b = Container({}, {{12, Bytes(4)}, {51, Bytes(4)}});
             unitfile::PutU32(b, 24 + 11, 0x7FFFFFFF);
             return b;
         }(), 0, 0},
        {"bare kind 38", obstacleData, 38, 0},
        {"kind 53 holding kind-38 data", Container({}, {{53, obstacleData}}), 38, 24 + 15},
        {"kind 53 holding kind-39 data", Container({}, {{53, fixedData}}), 39, 24 + 15},
        {"kind 39 holding other data", Container({}, {{39, Bytes(300, 7)}}), 0, 0},
        {"kind 53 too short to classify", Container({}, {{53, Bytes(3)}}), 0, 0},
        {"neither container nor bare", Bytes(100, 0x41), 0, 0},
        {"empty file", Bytes(), 0, 0},
        {"bare start, 5 bytes", Bytes{0, 0, 0, 0, 10}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataSection s = FindDataSection(c.file);
        s.kind = ClassifyDataSection(c.file, s);
        EXPECT_EQ(s.kind, c.kind);
        if (c.kind != 0) {
            EXPECT_EQ(s.offset, c.offset);
        }
        EXPECT_LE(s.offset + s.length, c.file.size());
    }
}

TEST(Fixtures, CheckedInFilesAreWhatTheWriterMakes) {
    const std::string folder = SUITE_SOURCE_DIR "/sidedata/tests/data/";
    bool rewrite = std::getenv("SUITE_WRITE_FIXTURES") != nullptr;
    for (const auto& [name, bytes] : unitfile::Fixtures()) {
        SCOPED_TRACE(name);
        if (rewrite) {
            std::ofstream out(folder + name, std::ios::binary);
            out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        }
        std::ifstream in(folder + name, std::ios::binary);
        ASSERT_TRUE(in) << "missing; make it with SUITE_WRITE_FIXTURES=1";
        Bytes stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(stored == bytes);
    }
}

}  // namespace
}  // namespace obstacles::test
