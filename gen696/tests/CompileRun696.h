// What the tests of Tessily's airway and approach compilers share: an empty database in a
// scratch folder, the compile mode of the model run over a text to its end, and the listing's
// error line.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gen/compile/CompileSession.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/testsupport/BatchTestSupport.h"

class CompileRun696 : public batchtest::BatchDbTest {
protected:
    CompileRun696(void (*install)(GenModel&), int mode) : mode_(mode) { install(model_); }

    void SetUp() override {
        BatchDbTest::SetUp();
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_);
        c_.model = &model_;
        c_.settings = &settings_;
        c_.doc = &doc_;
    }
    void TearDown() override {
        EndCompileSession(c_);
        std::filesystem::current_path(previous_);
        BatchDbTest::TearDown();
    }

    // Compiles a text to its end; the listing's lines.
    std::vector<std::string> Compile(const std::string& text) {
        std::ofstream("in.txt", std::ios::binary) << text;
        doc_.ClearLines();
        EXPECT_TRUE(model_.openers[mode_](c_, "in.txt"));
        c_.ResetSteps();
        for (int calls = 0; calls < 20000; ++calls) {
            if (model_.drivers[mode_](c_)) {
                BatchCloseFiles();
                return doc_.Lines();
            }
        }
        ADD_FAILURE() << "did not end";
        return {};
    }

    static bool Has(const std::vector<std::string>& lines, const std::string& text) {
        return std::find(lines.begin(), lines.end(), text) != lines.end();
    }
    // Whether the lines report the error text in the compilers' error frame.
    static bool HasError(const std::vector<std::string>& lines, const std::string& text) {
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find("Error: " + text + " ****") != std::string::npos;
        });
    }

    // Damaged copies of a sound text (characters changed, lines dropped, doubled or cut) give
    // either a complete compilation or an error that leaves the database as it was.
    void FuzzText(const std::string& sound, int rounds) {
        std::mt19937 rng(28);
        for (int round = 0; round < rounds; ++round) {
            const auto before = Snapshot();
            std::string text = sound;
            for (int k = 0, n = 1 + static_cast<int>(rng() % 3); k < n && !text.empty(); ++k) {
                const size_t at = rng() % text.size();
                const size_t end = std::min(text.find('\n', at), text.size());
                switch (rng() % 4) {
                case 0: text[at] = " [](){}-:/0159AWYPTNIRs\xb0"[rng() % 26]; break;
                case 1: text.erase(at, end - at); break;
                case 2: text.insert(at, text.substr(at, end - at)); break;
                default: text[at] = static_cast<char>(rng()); break;
                }
            }
            const std::vector<std::string> lines = Compile(text);
            if (Has(lines, "Compilation Complete")) continue;
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(),
                                    [](const std::string& l) { return l.find("Error: ") != std::string::npos; }))
                << text << ::testing::PrintToString(lines);
            EXPECT_TRUE(Snapshot() == before) << text;
            EndCompileSession(c_);
        }
    }

    template <class Record>
    static void Add(const Record& r) {
        BatchUseFile<Record>();
        ASSERT_TRUE(dbif_add(r));
    }
    // A country record.
    static void AddCountry(int32_t csno, const char* id, const char* name) {
        CountryRecord c{};
        c.csno = csno;
        std::strcpy(c.cid, id);
        std::strcpy(c.cname, name);
        Add(c);
    }

    // An intersection, NDB or VOR with its serial number, ident (stored form) and country.
    template <class Record>
    static void AddPoint(int32_t Record::*serial, char (Record::*ident)[8], int32_t Record::*country, int32_t number,
                         const char* text, int32_t csno) {
        Record r{};
        r.*serial = number;
        std::strcpy(r.*ident, text);
        r.*country = csno;
        Add(r);
    }
    static void AddInt(int32_t isno, const char* ident, int32_t country = 0) {
        AddPoint(&IntRecord::isno, &IntRecord::iident, &IntRecord::icountry, isno, ident, country);
    }
    static void AddNdb(int32_t bsno, const char* ident, int32_t country = 0) {
        AddPoint(&NdbRecord::bsno, &NdbRecord::bident, &NdbRecord::bcountry, bsno, ident, country);
    }
    static void AddVor(int32_t vsno, const char* ident, int32_t country = 0) {
        AddPoint(&VorRecord::vsno, &VorRecord::vident, &VorRecord::vcountry, vsno, ident, country);
    }

    std::filesystem::path previous_;
    GenModel model_;
    GenSettings settings_;
    CGenDoc doc_;
    OperationContext c_;
    int mode_;
};
