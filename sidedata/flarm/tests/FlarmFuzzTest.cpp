// The six readers on damaged copies of the samples and of files of every kind: whatever the
// damage, reading ends without a fault (the sanitizer build watches) and every stored record
// has a six-digit hexadecimal id.
#include <gtest/gtest.h>

#include <random>

#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/DbTextFile.h"
#include "sidedata/flarm/FlarmViewFile.h"
#include "sidedata/flarm/HexFlnFile.h"
#include "sidedata/flarm/ShiftedXmlFile.h"
#include "sidedata/flarm/tests/FlarmTestSupport.h"

using namespace flarmtest;

namespace {

std::vector<std::string> Fixtures() {
    ListedMemory m;
    m.Read(ReadBytes(SamplePath("data.fln")));
    for (int i = 0; i < 30; ++i) {
        char id[8];
        std::snprintf(id, sizeof id, "%06X", 0xDD0000 + i * 37);
        m.Commit({id, "Pilot \xFC" + std::to_string(i), "Field", "D-" + std::to_string(1000 + i), "Discus",
                  i % 2 ? "X" + std::to_string(i) : "", "12" + std::to_string(i % 10) + ".5"},
                 i % 3 == 0);
    }
    m.memory.version = "00ab12";
    std::vector<std::string> files = {ReadBytes(SamplePath("data.fln")), ReadBytes(SamplePath("lx.fln"))};
    std::string out;
    WriteButterflyFile(m.memory, out);
    files.push_back(out);
    for (auto write : {WriteFlarmViewFile, WriteHexFlnFile, WriteShiftedXmlFile}) {
        out.clear();
        write(m.memory, out);
        files.push_back(out);
    }
    out.clear();
    WriteDbTextFile(m.memory, "db.txt", out);
    files.push_back(out);
    files.emplace_back(
        "#DEVICE_TYPE,DEVICE_ID,AIRCRAFT_MODEL,REGISTRATION,CN,TRACKED,IDENTIFIED\n"
        "'F','DD0001','ASK-21','D-1234','AB','Y','Y'\n'O','DD0002','Paraglider','','','Y','N'\n"
        "'I','DD0003','LS-4','D-5678','K4','N','Y'\n");
    return files;
}

// One damage of a few kinds: flipped bytes, a cut, a dropped or repeated piece, a long line.
std::string Damage(const std::string& file, std::mt19937& rng) {
    std::string d = file;
    auto pick = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng() % n); };
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits && !d.empty(); ++e) {
        size_t at = pick(d.size());
        switch (rng() % 6) {
        case 0: d[at] = static_cast<char>(rng()); break;
        case 1: d[at] = "\0\n\x0b'|<>&:0F"[rng() % 11]; break;
        case 2: d.resize(at); break;
        case 3: d.erase(at, pick(64)); break;
        case 4: d.insert(at, d.substr(at, pick(200))); break;
        case 5: d.insert(at, std::string(pick(600), static_cast<char>(rng()))); break;
        }
    }
    return d;
}

}  // namespace

TEST(FlarmFuzz, DamagedFilesOfEveryKindReadWithoutFault) {
    std::mt19937 rng(20261210);
    std::vector<std::string> files = Fixtures();
    ASSERT_EQ(files.size(), 8u);
    int kinds[7] = {};
    for (const std::string& f : files) ++kinds[DetectFileKind(std::string_view(f).substr(0, 16))];
    for (int k = 0; k < 6; ++k) EXPECT_GT(kinds[k], 0) << FlarmFileKindNames[k];
    for (int round = 0; round < 1500; ++round) {
        for (const std::string& f : files) {
            std::string damaged = Damage(f, rng);
            ListedMemory m;
            m.memory.listing = round % 5 == 0;
            FlarmFileKind kind = m.Read(damaged, round % 2 ? "OGNdb.txt" : "x.txt");
            ASSERT_LE(kind, kKindUnknown);
            for (const FlarmRecord& r : m.memory.Records()) {
                ASSERT_EQ(std::strlen(r.FlarmID), 6u);
                ASSERT_TRUE(IsHexId(r.FlarmID));
            }
            // What was read can always be written again.
            if (m.memory.HasRecords()) {
                m.memory.version = "00ab12";
                std::string out;
                WriteButterflyFile(m.memory, out);
                WriteShiftedXmlFile(m.memory, out);
            }
        }
    }
}
