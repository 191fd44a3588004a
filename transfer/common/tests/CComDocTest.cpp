#include "transfer/common/CComDoc.h"

#include <gtest/gtest.h>

#include "transfer/common/tests/TransferTestSupport.h"

using namespace transfertest;

namespace {

class CComDocTest : public TempFolder {};

TEST_F(CComDocTest, TheListingStandsInForTheLogWhileOpen) {
    CComDoc doc;
    for (int i = 0; i < 2001; ++i) doc.AddLine("line " + std::to_string(i));
    EXPECT_EQ(doc.GetLineCount(), 1751);
    EXPECT_EQ(doc.GetLine(0), "*** Scroll Truncated ***");
    doc.ReplaceLastLine("line 2001 again");
    EXPECT_EQ(doc.GetLine(1750), "line 2001 again") << "same first 6 characters";
    ASSERT_TRUE(doc.SaveAs(Path("log.txt"), false));
    std::string log;
    for (int i = 0; i < doc.GetLineCount(); ++i) log += doc.GetLine(i) + "\r\n";
    const Bytes savedLog = Read("log.txt");
    EXPECT_EQ(std::string(savedLog.begin(), savedLog.end()), log) << "the log, each line ended by CR LF";

    Gar gar;
    gar.Product(48).Count(1).Record(31, Bytes(10, 0xAB)).End();
    doc.ListGarFile(Write("a.gar", gar.bytes));
    ASSERT_TRUE(doc.IsListing());
    EXPECT_EQ(doc.GetLineCount(), 3);
    EXPECT_EQ(doc.GetLine(0), "Alamanac Database - 1 Packets from GPS 195");
    doc.AddLine("collected meanwhile");
    EXPECT_EQ(doc.GetLineCount(), 3);

    ASSERT_TRUE(doc.SaveAs(Path("a.txt"), false));
    const Bytes text = Read("a.txt");
    const std::string saved(text.begin(), text.end());
    EXPECT_EQ(saved.substr(0, 53), "Alamanac Database - 1 Packets from GPS 195\r\n   1:  AB");
    EXPECT_EQ(saved.substr(saved.size() - 4), "\r\n\r\n") << "the blank sub-line is kept";
    EXPECT_FALSE(doc.SaveAs(Path("a.bmp"), true)) << "no screen dump, no bitmap";
    EXPECT_FALSE(std::filesystem::exists(Path("a.bmp")));
    EXPECT_FALSE(doc.SaveAs(Path("nofolder/a.txt"), false));

    doc.ListGarFile("");
    EXPECT_FALSE(doc.IsListing());
    EXPECT_EQ(doc.GetLine(doc.GetLineCount() - 1), "collected meanwhile");
}

}  // namespace
