// What the FLARM tests share: a memory whose listing lines are kept, records made from texts,
// files read from bytes, and a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "platform/testsupport/ScratchDir.h"
#include "sidedata/flarm/FlarmFileKind.h"
#include "sidedata/flarm/FlarmInput.h"
#include "sidedata/flarm/FlarmMemory.h"

namespace flarmtest {

struct Fields {
    std::string id{}, name{}, airfield{}, reg{}, type{}, compId{}, frequency{};
};

// A memory that keeps its listing lines.
struct ListedMemory {
    std::vector<std::string> lines;
    FlarmMemory memory{[this](std::string_view line) { lines.emplace_back(line); }};

    // Commits a record with these fields.
    void Commit(const Fields& f, bool ogn = false) {
        FlarmRecord& r = memory.parse;
        SetFlarmField(r.FlarmID, f.id);
        SetFlarmField(r.NAME, f.name);
        SetFlarmField(r.AIRFIELD, f.airfield);
        SetFlarmField(r.REG, f.reg);
        SetFlarmField(r.TYPE, f.type);
        SetFlarmField(r.COMPID, f.compId);
        SetFlarmField(r.FREQUENCY, f.frequency);
        memory.CommitFlarmRecord(ogn);
    }

    // Reads the bytes as a file of that path (counters cleared, as File>Open does).
    FlarmFileKind Read(const std::string& bytes, const std::string& path = "file") {
        memory.ClearCounters();
        FlarmInput input(bytes, path);
        return ReadFlarmFile(memory, input);
    }

    bool Listed(const std::string& line) const {
        for (const auto& l : lines) {
            if (l == line) return true;
        }
        return false;
    }
};

inline Fields FieldsOf(const FlarmRecord& r) {
    return {r.FlarmID, r.NAME, r.AIRFIELD, r.REG, r.TYPE, r.COMPID, r.FREQUENCY};
}

inline bool operator==(const Fields& a, const Fields& b) {
    return a.id == b.id && a.name == b.name && a.airfield == b.airfield && a.reg == b.reg && a.type == b.type &&
           a.compId == b.compId && a.frequency == b.frequency;
}

inline std::ostream& operator<<(std::ostream& os, const Fields& f) {
    return os << f.id << "|" << f.name << "|" << f.airfield << "|" << f.reg << "|" << f.type << "|" << f.compId
              << "|" << f.frequency;
}

inline std::vector<Fields> AllFields(const FlarmMemory& memory) {
    std::vector<Fields> all;
    for (const FlarmRecord& r : memory.Records()) all.push_back(FieldsOf(r));
    return all;
}

inline std::string ReadBytes(const std::string& path) { return suitetest::ReadText(path); }

inline void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

inline std::string SampleDir() { return SUITE_SOURCE_DIR "/sidedata/flarm/tests/data"; }
// The path of a sample file.
inline std::string SamplePath(std::string_view name) {
    std::string path = SampleDir();
    path += '/';
    path += name;
    return path;
}

// The three aircraft of the real samples, as another reader decodes them (ids upper-cased,
// the umlaut in Windows-1252).
inline std::vector<Fields> SampleRecords() {
    return {{"000000", "M\xFCller", "D-2188", "D-2188", "ASK-13", "", "123.150"},
            {"000001", "", "000000", "000000", "Paraglider", "", ""},
            {"00000F", "", "D-9527", "D-9527", "ASW 27", "X27", ""}};
}

class ScratchFolder : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    suitetest::ScratchDir scratch_{"flarmtest"};
    std::string dir_ = scratch_.path;
};

}  // namespace flarmtest
