// Save As run by the generator application: text saves of every listing kind against the
// listing golden files, the save dialog with its types, the overwrite-or-append question, the
// reserved names, files that cannot be opened or written, and the control-file save.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "gen/testsupport/ShellTestSupport.h"
#include "gen/listing/SaveAs.h"
#include "gen/testsupport/ListingExample.h"

namespace shelltest {
namespace {

const std::string kGoldenDir = std::string(SUITE_SOURCE_DIR) + "/tests/e2e/golden/";

// The golden file's lines as a save writes them: each ended by CR LF, empty lines left out.
std::string GoldenAsSaved(const std::string& name) {
    std::ifstream in(kGoldenDir + name, std::ios::binary);
    std::string line;
    std::string text;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) text += line + "\r\n";
    }
    return text;
}

class SaveAsShell : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        listtest::BuildExample(Dir() + "/example.img");
        GenModel model = TestModel();
        model.imageParams = &ImageParams496;
        InstallImageListings(model);
        InstallSaveAs(model);
        MakeApp(model);
    }
    // Starts a listing as GO does and runs it to its end.
    void List(int kind, const std::string& file = "example.img") {
        RunListing(file, kind);
        ASSERT_EQ(Doc().ShownKind(), kind);
    }
    void Settings(int recordNumbers, uint32_t debug, uint32_t extra) {
        GenSettings& s = App().Settings();
        s.recordNumbers = recordNumbers;
        s.debugLevel = debug;
        s.extraDebugLevel = extra;
    }
    void SaveDialog(const std::string& name, const std::string& type) {
        AddAnswer("Save As", {{"File name", name}, {"Files of type", type}}, "Save");
    }
    bool LastLineIs(const std::string& text) { return !Doc().Lines().empty() && Doc().Lines().back() == text; }
};

TEST_F(SaveAsShell, TextSavesOfEveryListingKindAreTheListingsGoldenFiles) {
    struct Case {
        const char* golden;
        int kind;
        int recordNumbers;
        uint32_t debug;
        uint32_t extra;
        const char* saveAs;
    };
    const Case cases[] = {
        {"listing_title.txt", kListTitle, 0, 1, 0, "title.txt"},
        {"listing_countries.txt", kListCountries, 1, 0, 0, "countries.txt"},
        {"listing_names.txt", kListNames, 1, 1, 0, "names.txt"},
        {"listing_apts.txt", kListApts, 0, 0, 0, "apts.txt"},
        {"listing_apts_raw.txt", kListApts, 1, 0, 2, "aptsraw.txt"},
        {"listing_ints.txt", kListInts, 0, 0, 0, "ints.txt"},
        {"listing_ndbs.txt", kListNdbs, 1, 0, 1, "ndbs.txt"},
        {"listing_vors.txt", kListVors, 0, 0, 0, "vors.txt"},
        {"listing_suas.txt", kListSuas, 0, 0, 0, "suas.txt"},
        {"listing_suas_debug.txt", kListSuas, 1, 2, 2, "suasdebug.txt"},
        {"listing_fss.txt", kListFss, 0, 0, 0, "fss.txt"},
        {"listing_tccs.txt", kListArtccs, 0, 0, 0, "tccs.txt"},
        {"listing_approaches.txt", kListApproaches, 1, 0, 0, "approaches.txt"},
        // Dumps of the airspace and approach listings: their dump forms, whatever the settings.
        {"listing_tccs_dump.txt", kListArtccs, 1, 0, 2, "tcctcc.all"},
        {"listing_approaches_dump.txt", kListApproaches, 1, 0, 3, "approachesapr.all"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.golden);
        Settings(c.recordNumbers, c.debug, c.extra);
        List(c.kind);
        ASSERT_TRUE(SaveListingAs(App(), c.saveAs, ExistingFile::Ask));
        EXPECT_EQ(ReadFile(c.saveAs), GoldenAsSaved(c.golden));
        EXPECT_TRUE(LastLineIs(std::string("Saved As \"") + c.saveAs + "\""));
    }
    EXPECT_TRUE(Messages().empty());
}

TEST_F(SaveAsShell, TheDialogOffersTheListingsTypesAndAddsTheChosenPattern) {
    List(kListInts);
    SaveDialog("points", "Batch File [*bat.txt]");
    App().Model().saveAsCommand(App());
    const std::string batch = ReadFile("pointsbat.txt");
    EXPECT_EQ(batch, "ADD|INT|ABCDE|K -USA|N 40\xB0" "29.984|W073\xB0" "30.077\r\n"
                     "ADD|INT|DUMBA|K -USA|N 40\xB0" "59.976|W072\xB0" "00.016\r\n"
                     "ADD|INT|ZZ9|F -FRANCE|N 00\xB0" "00.000|E179\xB0" "53.985\r\n");
    ASSERT_FALSE(Ui().Interactions().empty());

    // The same name again: NO appends, YES overwrites, CANCEL leaves the file alone.
    SaveDialog("pointsbat.txt", "Batch File [*bat.txt]");
    AddAnswer("File Exists", {}, "No");
    App().Model().saveAsCommand(App());
    EXPECT_EQ(ReadFile("pointsbat.txt"), batch + batch);
    SaveDialog("pointsbat.txt", "Batch File [*bat.txt]");
    AddAnswer("File Exists", {}, "Cancel");
    App().Model().saveAsCommand(App());
    EXPECT_EQ(ReadFile("pointsbat.txt"), batch + batch);
    SaveDialog("pointsbat.txt", "Batch File [*bat.txt]");
    AddAnswer("File Exists", {}, "Yes");
    App().Model().saveAsCommand(App());
    EXPECT_EQ(ReadFile("pointsbat.txt"), batch);
    const std::vector<std::string> messages = Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), std::string(kFileExistsQuestion)), 3);

    // Cancel in the dialog saves nothing.
    const size_t lines = Doc().Lines().size();
    AddAnswer("Save As", {}, "Cancel");
    App().Model().saveAsCommand(App());
    EXPECT_EQ(Doc().Lines().size(), lines);
}

TEST_F(SaveAsShell, ReservedNamesAreRefused) {
    Doc().AddLine("Database Update Complete");
    EXPECT_FALSE(SaveListingAs(App(), "outbat.txt", ExistingFile::Ask));
    EXPECT_FALSE(std::filesystem::exists("outbat.txt"));
    // The lines of an operation save as text.
    ASSERT_TRUE(SaveListingAs(App(), "out.txt", ExistingFile::Ask));
    EXPECT_NE(ReadFile("out.txt").find("Database Update Complete\r\n"), std::string::npos);

    List(kListApts);
    EXPECT_FALSE(SaveListingAs(App(), "areasua.all", ExistingFile::Ask));
    EXPECT_FALSE(SaveListingAs(App(), "areasbs.out", ExistingFile::Ask));
    EXPECT_FALSE(std::filesystem::exists("areasua.all"));
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Screen not convertible to Batch format",
                                                    "Format reserved for SUA dumps", "Format reserved for SUA dumps"}));
}

TEST_F(SaveAsShell, FilesThatCannotBeOpenedOrWrittenAreReported) {
    List(kListVors);
    const size_t lines = Doc().Lines().size();
    EXPECT_FALSE(SaveListingAs(App(), "missing/folder/vors.txt", ExistingFile::Ask));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "The file \"missing/folder/vors.txt\" could not be opened");
    if (std::filesystem::exists("/dev/full")) {
        EXPECT_FALSE(SaveListingAs(App(), "/dev/full", ExistingFile::Append));
        ASSERT_EQ(Messages().size(), 2u);
        EXPECT_EQ(Messages()[1].rfind("The file \"/dev/full\" could not be written (", 0), 0u) << Messages()[1];
    }
    EXPECT_EQ(Doc().Lines().size(), lines) << "no \"Saved As\" line";
}

// A save that cannot be written whole, overwriting or appending, leaves the old file as it was.
TEST_F(SaveAsShell, AFailedSaveLeavesTheOldFile) {
    List(kListVors);
    const std::string old(6000, 'o');
    for (const ExistingFile existing : {ExistingFile::Overwrite, ExistingFile::Append}) {
        WriteFile("vors.txt", old);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const sighandler_t handler = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = existing == ExistingFile::Append ? old.size() + 10 : 10;
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool saved_ok = SaveListingAs(App(), "vors.txt", existing);
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, handler);
        EXPECT_FALSE(saved_ok);
        EXPECT_EQ(ReadFile("vors.txt"), old);
        for (const auto& entry : std::filesystem::directory_iterator(".")) {
            EXPECT_EQ(entry.path().filename().string().find(".vors.txt"), std::string::npos) << entry.path();
        }
    }
    ASSERT_EQ(Messages().size(), 2u);
    for (const std::string& m : Messages()) EXPECT_EQ(m.rfind("The file \"vors.txt\" could not be written (", 0), 0u) << m;
}

TEST_F(SaveAsShell, TheControlFileSaveTakesItsAppendValue) {
    List(kListVors);
    OperationContext& c = App().Context();
    ASSERT_TRUE(App().Model().saveAs(c, "vorsbat.txt", false));
    const std::string once = ReadFile("vorsbat.txt");
    EXPECT_EQ(once.substr(0, 12), "ADD|VOR|BOS|");
    ASSERT_TRUE(App().Model().saveAs(c, "vorsbat.txt", true));
    EXPECT_EQ(ReadFile("vorsbat.txt"), once + once);
    ASSERT_TRUE(App().Model().saveAs(c, "vorsbat.txt", false));
    EXPECT_EQ(ReadFile("vorsbat.txt"), once);
    EXPECT_TRUE(Messages().empty()) << "no question in a control-file save";
}

TEST_F(SaveAsShell, ABatchDumpOfAPointListingHoldsEveryPointKind) {
    Settings(1, 0, 2);
    List(kListNdbs);
    ASSERT_TRUE(SaveListingAs(App(), "allbat.all", ExistingFile::Ask));
    const std::string text = ReadFile("allbat.all");
    EXPECT_EQ(text.substr(0, 12), "ADD|APT|EDDT");
    EXPECT_NE(text.find("\r\nADD|INT|ZZ9|"), std::string::npos);
    EXPECT_NE(text.find("\r\nADD|VOR|TGL|"), std::string::npos);
    EXPECT_EQ(App().Settings().recordNumbers, 1);
    EXPECT_EQ(App().Settings().extraDebugLevel, 2u);
    // The screen listing still shows its own lines afterwards.
    EXPECT_EQ(Doc().GetLine(0).substr(0, 4), "   0");
}

}  // namespace
}  // namespace shelltest
