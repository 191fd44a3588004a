// A database folder for the manager's tests: a temporary working folder with db50, opened as
// the manager opens it at start-up, and released again.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "dblib/CKestraneDBOpen.h"
#include "dblib/DbDir.h"
#include "dblib/KestraneDatabase.h"
#include "dblib/tests/RecordTestSupport.h"
#include "manager/ChangeJournal.h"
#include "platform/FileSystem.h"

class ManagerTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char cwd[4096];
        ASSERT_TRUE(::getcwd(cwd, sizeof cwd));
        oldCwd = cwd;
        ASSERT_EQ(::chdir(dir.Path().c_str()), 0);  // the journal goes to the current folder
        ASSERT_TRUE(platform::MakeDirectory(dir.File("db50")));
        SetDbDir(FindDbDirUnder(dir.Path()));
        CKestraneDBOpen check;
        ASSERT_EQ(check.Status(), 0);
        ASSERT_EQ(check.OpenDatabase(nullptr, 0, 0), 0);
        ForgetJournalTexts();
    }
    void TearDown() override {
        KestraneDb().Release();
        SetDbDir(kDbDirName);
        EXPECT_EQ(::chdir(oldCwd.c_str()), 0);
    }

    rectest::TempFolder dir;
    std::string oldCwd;
};
