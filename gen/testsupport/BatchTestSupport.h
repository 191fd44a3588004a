// Fixture of the batch update tests: an empty database in a temporary folder, opened through
// the generators' database access, and helpers that apply lines and read records back.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "dblib/DbDir.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchLine.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/batch/BatchUpdate.h"
#include "gen/shell/GenExit.h"
#include "gen/testsupport/RecordTestSupport.h"
#include "platform/testsupport/ScratchDir.h"

namespace batchtest {

struct ExitCalled {
    int status;
};

class BatchDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<suitetest::ScratchDir>("batchtest");
        dir_ = scratch_->path;
        std::filesystem::create_directory(dir_ + "/db50");
        SetDbDir(dir_ + "/db50");
        SetGenExitHandler([](int status) { throw ExitCalled{status}; });
        opener_ = std::make_unique<CGenDBOpen>();
        ASSERT_EQ(opener_->Status(), 0);
        opener_->OpenAll();
        CGenDBOpen::SetActive(opener_.get());
        InitBatchSerials(next_);
        BatchCloseFiles();
    }

    void TearDown() override {
        CGenDBOpen::SetActive(nullptr);
        opener_.reset();
        SetGenExitHandler({});
        scratch_.reset();
    }

    // Applies one line as the batch update does; -1 for a comment line.
    int Apply(const std::string& text, int32_t now = 1000, const BatchHandlerTable& handlers = DefaultBatchHandlers()) {
        BatchLine line;
        if (!PrepareBatchLine(text, line)) return -1;
        BatchSession session;
        int code = DispatchBatchLine(line, next_, session, now, handlers);
        BatchCloseFiles();
        return code;
    }

    // Every record of a file in serial order.
    template <class Record>
    std::vector<Record> All() {
        return recordtest::AllRecords<Record>(IndexZero(Record::File::kFileNumber));
    }

    static const char* IndexZero(int file) {
        static const char* const names[] = {"asno", "csno", "fsno", "isno", "nsno", "bsno", "rsno", "vsno",
                                            "usno", "rcsno", "psno", "lsno", "wsno", "wpsno", "rtsno"};
        return names[file];
    }

    // The name text of a name number ("" when none).
    std::string NameOf(int32_t nsno) {
        for (const NameRecord& n : All<NameRecord>()) {
            if (n.nsno == nsno) return std::string(n.nname, strnlen(n.nname, sizeof n.nname));
        }
        return "";
    }

    // The bytes of every file in the database folder, to show that nothing changed.
    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& e : std::filesystem::directory_iterator(dir_ + "/db50")) {
            std::ifstream in(e.path(), std::ios::binary);
            std::ostringstream s;
            s << in.rdbuf();
            files[e.path().filename().string()] = s.str();
        }
        return files;
    }

    std::unique_ptr<suitetest::ScratchDir> scratch_;
    std::string dir_;
    std::unique_ptr<CGenDBOpen> opener_;
    int32_t next_[kGenFileCount] = {};
};

inline std::string Ident(const char (&field)[8]) { return std::string(field, strnlen(field, 8)); }

}  // namespace batchtest
