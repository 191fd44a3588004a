// The merge by FlarmID, the counters and totals, and the aircraft model table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <utility>

#include "sidedata/flarm/AircraftModelCache.h"
#include "sidedata/flarm/AircraftModelTable.h"
#include "sidedata/flarm/tests/FlarmTestSupport.h"

using namespace flarmtest;

TEST(FlarmMerge, LaterRecordsFillWhatEarlierOnesLackedAndEmptyFieldsNeverErase) {
    ListedMemory m;
    m.Commit({"dd1234", "Pilot One", "", "D-1234", "", "", ""});
    m.Commit({"DD1234", "", "Home", "", "ASK-21", "AB", "122.500"});
    m.Commit({"DD1234", "", "", "", "", "", ""});
    ASSERT_EQ(m.memory.Records().size(), 1u);
    EXPECT_EQ(AllFields(m.memory)[0], (Fields{"DD1234", "Pilot One", "Home", "D-1234", "ASK-21", "AB", "122.500"}));
    EXPECT_EQ(m.memory.Counters().newMerged, 1);
    EXPECT_EQ(m.memory.Counters().modified, 2);
}

TEST(FlarmMerge, RecordsAreKeptInIdOrderWhateverTheReadingOrder) {
    ListedMemory m;
    for (const char* id : {"FFFFFF", "00000a", "A00000", "000009", "9FFFFF", "00000A"}) m.Commit({id});
    std::vector<std::string> ids;
    for (const auto& f : AllFields(m.memory)) ids.push_back(f.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"000009", "00000A", "9FFFFF", "A00000", "FFFFFF"}));
}

TEST(FlarmMerge, OgnFlagStaysSetOnceSet) {
    ListedMemory m;
    m.Commit({"000001"}, true);
    m.Commit({"000001"}, false);
    m.Commit({"000002"}, false);
    m.Commit({"000002"}, true);
    m.Commit({"000003"}, false);
    std::vector<int> flags;
    for (const FlarmRecord& r : m.memory.Records()) flags.push_back(r.ogn);
    EXPECT_EQ(flags, (std::vector<int>{1, 1, 0}));
}

TEST(FlarmMerge, IdFilterCountsAndStoresOnlyMatchingIds) {
    ListedMemory m;
    m.memory.idFilter = "DD";
    m.Commit({"DD0001", "", "", "", "", "X"});
    m.Commit({"dd0002"});
    m.Commit({"D00003"});
    m.Commit({"0DD004"});
    EXPECT_EQ(m.memory.Counters().read, 2);
    EXPECT_EQ(m.memory.Counters().tail, 1);
    EXPECT_EQ(m.memory.Records().size(), 2u);
}

TEST(FlarmMerge, RecordWithoutSixHexDigitIdIsPassedOverAndListed) {
    ListedMemory m;
    m.Commit({"12345"});
    m.Commit({"12345G"});
    m.Commit({"ABCDEF"});
    EXPECT_EQ(m.memory.Records().size(), 1u);
    EXPECT_EQ(m.memory.Counters().read, 1);
    EXPECT_TRUE(m.Listed("FlarmID \"12345G\" is not 6 hex digits: record passed over"));
}

TEST(FlarmMerge, IdKeyIsTheValueOfExactlySixHexDigits) {
    // Each id with its key, or -1 when it is not one.
    const std::pair<const char*, int64_t> cases[] = {
        {"000000", 0},  {"FFFFFF", 0xFFFFFF}, {"A1b2C3", 0xA1B2C3}, {"09afAF", 0x09AFAF}, {"12345", -1},
        {"1234567", -1}, {"12 456", -1},      {"@@@@@@", -1},       {"GGGGGG", -1},       {"gggggg", -1},
        {"//////", -1}, {"::::::", -1},       {"``````", -1},       {"\xC1\xC1\xC1\xC1\xC1\xC1", -1}, {"12345\xE6", -1},
    };
    for (const auto& [text, expected] : cases) {
        char id[8] = {};
        std::memcpy(id, text, std::strlen(text));
        uint32_t key = 0;
        EXPECT_EQ(FlarmIdKey(id, key), expected >= 0) << text;
        if (expected >= 0) {
            EXPECT_EQ(key, expected) << text;
            EXPECT_EQ(FlarmIdValue(id), expected) << text;
        }
    }
}

TEST(FlarmMerge, NormalisingCutsTrailingBlanksAndControlCharacters) {
    ListedMemory m;
    m.Commit({"abcdef", "Name \t ", "Field\n", "REG  ", "Type ", "AB ", "123.5  "});
    EXPECT_EQ(AllFields(m.memory)[0], (Fields{"ABCDEF", "Name", "Field", "REG", "Type", "AB", "123.5"}));
    // Controls and DEL inside become blanks, bytes from 0x80 stay, texts are cut at the field's
    // size; a lower-case id is upper-cased.
    m.Commit({"0a0bfc", "\ta\x01" "b\x7f\xFC\x80  \x1f", "1234567890123456789012345 ", "\x7fR\tG\x01\x02\x03\x04",
              " \xA0x\x0b", "\t\x01", "1\x7f" "2\t3\r4"});
    EXPECT_EQ(AllFields(m.memory)[0], (Fields{"0A0BFC", " a b \xFC\x80", "12345678901234567890123", " R G",
                                              " \xA0x", "", "1 2 3 4"}));
}

TEST(FlarmMerge, ListFlagListsEachRecordInsteadOfMerging) {
    ListedMemory m;
    m.memory.listing = true;
    m.Commit({"00000f", "Name", "Field", "D-1234", "ASK-21", "X27", "123.150"});
    EXPECT_FALSE(m.memory.HasRecords());
    ASSERT_EQ(m.lines.size(), 1u);
    char expected[200];
    std::snprintf(expected, sizeof expected, "%s %-23s %-23s %-6s %-23s %-3s %-7s", "00000F", "Name", "Field",
                  "D-1234", "ASK-21", "X27", "123.150");
    EXPECT_EQ(m.lines[0], expected);
}

TEST(FlarmMerge, TotalsFollowTheirRule) {
    struct Case {
        std::vector<Fields> records;
        bool listing;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        // New merged (2) not below Tail (1): totals only.
        {{{"000001", "", "", "", "", "AB"}, {"000002"}}, false, {"Totals: Read=2, Tail=1, Tail absent=1"}},
        // New merged (0) below Tail (1) after reading the same ids again.
        {{{"000001", "", "", "", "", "AB"}},
         false,
         {"Totals: Read=1, Tail=1, Tail absent=0", "New merged=0, Modified=1"}},
        // Nothing read.
        {{}, false, {"New merged=0, Modified=0"}},
        {{}, true, {}},
    };
    for (const Case& c : cases) {
        ListedMemory m;
        if (&c == &cases[1]) {
            m.Commit(c.records[0]);
            m.memory.ClearCounters();
        }
        m.memory.listing = c.listing;
        for (const Fields& f : c.records) m.Commit(f);
        m.lines.clear();
        m.memory.ReportFlarmTotals();
        EXPECT_EQ(m.lines, c.lines);
    }
}

TEST(AircraftModels, LookupTakesExactThenPrefixThenSubstringElseOne) {
    const struct {
        const char* type;
        unsigned code;
        bool exact;
    } cases[] = {
        {"ASW-2", 0x012, false},     // "ASW-20": the first that begins with it
        {"Discus", 0x028, true},     // equal, before "Discus 2" and the others
        {"Model 10B", 0x10B, true},
        {"Model 027", 0x027, true},
        {"", 1, true},
        {"ASK-13 with engine", 0x00C, false},  // the text begins with "ASK-13"
        {"Revelation", 0x040, false},          // inside "JS-1 Revelation"
        {"ASW 27", 1, false},                  // no match at all
        {"discus", 1, false},                  // case counts
        {"Eurofox", 0x14C, true},
    };
    for (const auto& c : cases) {
        AircraftModelMatch match = FindAircraftModel(c.type);
        EXPECT_EQ(match.code, c.code) << c.type;
        EXPECT_EQ(match.exact, c.exact) << c.type;
    }
}

TEST(AircraftModels, TableHas333NamesAndCodesPastItReadAsModelNames) {
    EXPECT_STREQ(AircraftModelTable[0], "Astir CS");
    EXPECT_STREQ(AircraftModelTable[0x026], "Model 026");
    EXPECT_STREQ(AircraftModelTable[0x14A], "Model 14A");
    EXPECT_EQ(AircraftModelName(0x14C), "Eurofox");
    EXPECT_EQ(AircraftModelName(0x14D), "Model 14D");
    EXPECT_EQ(AircraftModelName(0x3FFF), "Model 3FFF");
    // Every name maps back to its own code unless an earlier entry has the same name.
    for (unsigned code = 0; code < kAircraftModelCount; ++code) {
        EXPECT_EQ(FindAircraftModel(AircraftModelTable[code]).code, code) << AircraftModelTable[code];
    }
}

TEST(AircraftModels, InexactMatchIsToldOnlyWhenAsked) {
    FlarmRecord r{};
    SetFlarmField(r.TYPE, "ASW-2");
    std::vector<std::string> lines;
    auto sink = [&](const std::string& l) { lines.push_back(l); };
    AircraftModelCache cache;
    EXPECT_EQ(LookupAircraftModel(r, sink, &cache), 0x012u);
    EXPECT_EQ(LookupAircraftModel(r, sink, &cache), 0x012u);
    EXPECT_EQ(LookupAircraftModel(r), 0x012u);
    EXPECT_EQ(lines, (std::vector<std::string>(2, "Used \"ASW-20\" for \"ASW-2\"")));
    SetFlarmField(r.TYPE, "Discus");
    LookupAircraftModel(r, sink);
    EXPECT_EQ(lines.size(), 2u);
}

TEST(AircraftModels, CacheGivesWhatTheSearchGivesForManyTexts) {
    // Every name, cut and lower-cased variants, texts of the longest length kept and longer: the
    // cache grows several times and is asked again in another order.
    std::vector<std::string> texts = {"", "Model 1A3", "x", "12345678901234567890123", std::string(23, 'A')};
    for (unsigned code = 0; code < kAircraftModelCount; ++code) {
        std::string name = AircraftModelTable[code];
        texts.push_back(name);
        texts.push_back(name.substr(0, 3));
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        texts.push_back(lower);
    }
    AircraftModelCache cache;
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < texts.size(); ++i) {
            const std::string& text = texts[pass == 0 ? i : texts.size() - 1 - i];
            FlarmRecord r{};
            SetFlarmField(r.TYPE, text);
            AircraftModelMatch expected = FindAircraftModel(r.TYPE);
            AircraftModelMatch cached = cache.Find(r.TYPE);
            ASSERT_EQ(cached.code, expected.code) << text;
            ASSERT_EQ(cached.exact, expected.exact) << text;
        }
    }
}

TEST(FlarmMerge, ManyIdsInAnyOrderMergeAsAnOrderedMapWould) {
    // Ascending, then scattered with repeats, then ascending again over the same ids: every path
    // of the set (in order, binary search, appended out of order and sorted between files) meets
    // the others.
    ListedMemory m;
    std::map<std::string, std::string> reference;
    auto commit = [&](unsigned id, int round) {
        char text[8];
        std::snprintf(text, sizeof text, "%06X", id);
        std::string name = round % 2 ? "" : "N" + std::to_string(round);
        m.Commit({text, name});
        if (!name.empty() || !reference.count(text)) reference[text] = name.empty() ? reference[text] : name;
    };
    for (unsigned i = 0; i < 3000; ++i) commit(i * 5, 0);
    m.memory.Records();
    for (unsigned i = 0; i < 6000; ++i) commit(i * 2654435761u % 20000u, 1 + static_cast<int>(i % 3));
    EXPECT_EQ(m.memory.Records().size(), reference.size());
    for (unsigned i = 0; i < 20000; i += 3) commit(i, 4);
    const auto& records = m.memory.Records();
    ASSERT_EQ(records.size(), reference.size());
    size_t i = 0;
    for (const auto& [id, name] : reference) {
        EXPECT_EQ(records[i].FlarmID, id);
        EXPECT_EQ(records[i].NAME, name) << id;
        ++i;
    }
}

TEST(FlarmMerge, CountersAndOgnFlagsMatchAnOrderedMapWhateverTheOrder) {
    struct Stored {
        std::string name, airfield;
        int ogn = 0;
    };
    // Two files of ids; the second is read after the first has been walked in order.
    struct Case {
        const char* what;
        std::vector<unsigned> first, second;
    };
    auto run = [](unsigned count, unsigned step, unsigned start, bool scattered, bool repeats) {
        std::vector<unsigned> ids;
        for (unsigned i = 0; i < count; ++i) {
            unsigned k = scattered ? i * 2654435761u % count : i;
            ids.push_back(start + k * step);
            if (repeats && i % 7 == 0) ids.push_back(start + k * step);
        }
        return ids;
    };
    std::vector<unsigned> descending = run(500, 3, 0, false, false);
    std::reverse(descending.begin(), descending.end());
    const Case cases[] = {
        {"ascending with repeats, then the same", run(500, 2, 0, false, true), run(500, 2, 0, false, false)},
        {"scattered with repeats, then new ids between", run(500, 2, 0, true, true), run(500, 2, 1, false, true)},
        {"ascending, then scattered over old and new", run(500, 2, 0, false, false), run(700, 1, 300, true, true)},
        {"descending, then descending", descending, descending},
        {"nothing, then scattered", {}, run(300, 5, 7, true, true)},
    };
    for (const Case& c : cases) {
        ListedMemory m;
        std::map<std::string, Stored> reference;
        int round = 0;
        for (const std::vector<unsigned>* file : {&c.first, &c.second}) {
            m.memory.ClearCounters();
            int added = 0;
            int met = 0;
            for (size_t i = 0; i < file->size(); ++i) {
                char id[8];
                std::snprintf(id, sizeof id, "%06X", (*file)[i]);
                // Names on every other record, airfields on every third, the OGN flag on every fifth.
                std::string name = i % 2 ? "" : "N" + std::to_string(round) + "." + std::to_string(i);
                std::string airfield = i % 3 ? "" : "A" + std::to_string(i);
                bool ogn = i % 5 == 1;
                m.Commit({id, name, airfield}, ogn);
                auto [at, isNew] = reference.try_emplace(id);
                (isNew ? added : met) += 1;
                if (!name.empty()) at->second.name = name;
                if (!airfield.empty()) at->second.airfield = airfield;
                at->second.ogn |= ogn ? 1 : 0;
            }
            EXPECT_EQ(m.memory.Counters().newMerged, added) << c.what << " file " << round;
            EXPECT_EQ(m.memory.Counters().modified, met) << c.what << " file " << round;
            const auto& records = m.memory.Records();
            ASSERT_EQ(records.size(), reference.size()) << c.what;
            size_t i = 0;
            for (const auto& [id, s] : reference) {
                const FlarmRecord& r = records[i++];
                EXPECT_EQ(r.FlarmID, id) << c.what;
                EXPECT_EQ(r.NAME, s.name) << c.what << " " << id;
                EXPECT_EQ(r.AIRFIELD, s.airfield) << c.what << " " << id;
                EXPECT_EQ(r.ogn, s.ogn) << c.what << " " << id;
            }
            ++round;
        }
    }
}
