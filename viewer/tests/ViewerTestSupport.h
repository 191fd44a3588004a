// A viewer database in a scratch folder that is the current folder for the test.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "dblib/CAmbreloDBOpen.h"
#include "dblib/DbDir.h"
#include "dblib/RecordFile.h"
#include "dblib/tests/RecordTestSupport.h"

namespace viewertest {

class ViewerFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        char cwd[4096];
        ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
        oldCwd = cwd;
        ASSERT_EQ(::chdir(dir.Path().c_str()), 0);
        ::setenv("XDG_CONFIG_HOME", dir.File(".config").c_str(), 1);
        SetDbDir(".");
    }
    void TearDown() override {
        db.reset();
        SetDbDir(kDbDirName);
        EXPECT_EQ(::chdir(oldCwd.c_str()), 0);
    }

    // The opener with every record file made (missing ones created empty).
    CAmbreloDBOpen& Db() {
        if (!db) {
            db = std::make_unique<CAmbreloDBOpen>();
            db->OpenAll();
        }
        return *db;
    }

    // Adds a record to a file: fill sets the fields of the record object.
    template <class R, class Fill>
    void Add(int fileNumber, Fill fill) {
        auto& file = dynamic_cast<R&>(*Db().File(fileNumber));
        ASSERT_EQ(file.Open(), 0);
        file.CopyIn(std::vector<uint8_t>(file.RecordLength()).data());
        fill(file);
        ASSERT_EQ(file.Insert(), 0);
        file.Close();
    }

    rectest::TempFolder dir;
    std::string oldCwd;
    std::unique_ptr<CAmbreloDBOpen> db;
};

}  // namespace viewertest
