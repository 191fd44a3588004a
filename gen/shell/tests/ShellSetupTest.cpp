#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "gen/testsupport/ShellTestSupport.h"
#include "common/Bits.h"
#include "gen/shell/CGenFrame.h"
#include "gen/shell/RunSetup.h"
#include "common/PartNumber.h"

namespace shelltest {
namespace {

using Values = std::vector<std::pair<std::string, std::string>>;

class ShellSetup : public ShellTest {
protected:
    void Setup(const std::string& mode, const std::string& file, Values more = {}) {
        Values values{{"Mode", mode}, {"Filename", file}};
        values.insert(values.end(), more.begin(), more.end());
        AddAnswer("Select Required Operation", values, "OK");
    }
    // The lines RunSetup adds.
    std::vector<std::string> RunSetupLines() {
        size_t before = Doc().Lines().size();
        View().RunSetup();
        return LinesFrom(before);
    }
    // Runs the unattended control section through RunSetup.
    void RunSection(const ControlSection& section) {
        ControlRun& run = App().Control();
        run.sections[0] = section;
        run.count = 1;
        run.index = 0;
        run.goState = section.goState;
        View().RunSetup();
    }
};

const std::string kLongName(256, 'n');
const std::vector<std::string> kHeading{"", " ************* Brondel 5.4.10 *************", ""};

TEST_F(ShellSetup, RefusalsShowTheirTextAndStartNothing) {
    struct Case {
        const char* mode;
        const char* file;
        const char* message;
    } cases[] = {
        {"Create Image File from ISAM Database", "", "You must choose a name for the image file"},
        {"Create ISAM Database from Image File", "", "You must choose an image file to supply the data"},
        {"Create ISAM Database from Image File", "none.img", "Cannot open none.img"},
        {"List Selected Image File Section", "", "You must choose an image file to supply the data"},
        {"List Selected Image File Section", "none.img", "Cannot open none.img"},
        {"Perform a Batch Update of ISAM DB", "", "You must choose a batch file to use"},
        {"Perform a Batch Update of ISAM DB", "b.txt", "Cannot open b.txt"},
        {"Compile SUA Text", "", "You must choose a text file to use"},
        {"Compile FSS/TCC Text", "t.txt", "Cannot open t.txt"},
        {"Compile APR Text", "", "You must choose a text file to use"},
        {"Perform a Batch Update of ISAM DB", kLongName.c_str(), "The file name is longer than 255 characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " '" + c.file + "'");
        MakeApp();
        Setup(c.mode, c.file);
        View().RunSetup();
        EXPECT_EQ(Messages(), std::vector<std::string>{c.message});
        // The setup dialog came back (and, unanswered, was cancelled).
        EXPECT_EQ(Dialogs(), (std::vector<std::string>{"Select Required Operation", "Select Required Operation"}));
        EXPECT_EQ(App().State(), kStateIdle);
        EXPECT_TRUE(App().OperationNotDone());
        app_.reset();
        RememberedSetup() = SetupChoice{};
    }
}

TEST_F(ShellSetup, UnattendedRefusalsOfNamesAndModes) {
    GenModel model = TestModel();
    model.compileModes.clear();  // a generator without compilers
    MakeApp(model);
    ControlSection awp;
    awp.mode = kModeCreateImage;
    awp.fileName = "units.awp";
    awp.goState = kGoUnattended;
    RunSection(awp);
    ControlSection sua;
    sua.mode = kModeCompileSua;
    sua.fileName = "sua.txt";
    sua.goState = kGoUnattended;
    WriteFile("sua.txt", "x");
    RunSection(sua);
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Sorry, you cannot create a .awp file with Orvanta",
                                                     "This function not yet available"}));
    EXPECT_EQ(App().Control().goState, kGoNone);
    EXPECT_EQ(App().State(), kStateIdle);
}

TEST_F(ShellSetup, CreateImageNamesGetImgAppendedOnOk) {
    struct Case {
        const char* typed;
        const char* kept;
    } cases[] = {{"out", "out.img"}, {"out.img", "out.img"}, {"0.dat", "0.dat"}, {"my0.dat", "my0.dat"},
                 {"x.awp", "x.awp.img"}, {"", ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        MakeApp();
        Setup("Create Image File from ISAM Database", c.typed);
        View().RunSetup();
        const SetupChoice& r = RememberedSetup();
        EXPECT_EQ(r.mode, kModeCreateImage);
        EXPECT_EQ(r.fileNames[kModeCreateImage], c.kept);
        // A Create Image name is remembered for Create ISAM and List too.
        EXPECT_EQ(r.fileNames[kModeCreateIsam], c.kept);
        EXPECT_EQ(r.fileNames[kModeList], c.kept);
        app_.reset();
        RememberedSetup() = SetupChoice{};
    }
}

TEST_F(ShellSetup, ListAndCreateIsamOpenTheImgOfAwpAndTawNames) {
    MakeApp();
    WriteFile("units.img", std::string(300, '\0'));
    for (const char* typed : {"units.awp", "units.taw"}) {
        SCOPED_TRACE(typed);
        Setup("List Selected Image File Section", typed, {{"Section", "VORs"}});
        AddAnswer("Confirm Operation Details", {}, "GO");
        auto lines = RunSetupLines();
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(RememberedSetup().fileNames[kModeList], "units.img");
        EXPECT_EQ(RememberedSetup().fileNames[kModeCreateIsam], "units.img");
        EXPECT_EQ(View().fileName, "units.img");
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[3], "The 'VORs' section of file 'units.img' will be listed");
        EXPECT_EQ(App().State(), kStateStartPending);
        App().SetState(kStateIdle);
    }
}

TEST_F(ShellSetup, ANameWithAFolderBecomesTheCurrentDirectoryAndStaysValid) {
    MakeApp();
    std::filesystem::create_directory("images");
    WriteFile("images/in.img", std::string(300, '\0'));
    Setup("List Selected Image File Section", "images/in.img");
    AddAnswer("Confirm Operation Details", {}, "GO");
    View().RunSetup();
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::path(Dir()) / "images");
    EXPECT_EQ(View().fileName, Dir() + "/images/in.img");
    EXPECT_EQ(App().State(), kStateStartPending);
}

TEST_F(ShellSetup, OverwriteIsAskedOnlyWhenAttended) {
    MakeApp();
    WriteFile("old.img", "data");
    Setup("Create Image File from ISAM Database", "old.img");
    AddAnswer("Are you SURE", {}, "No");
    View().RunSetup();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Are you SURE you want to overwrite old.img"});
    EXPECT_EQ(App().State(), kStateIdle);

    Setup("Create Image File from ISAM Database", "old.img");
    AddAnswer("Are you SURE", {}, "Yes");
    AddAnswer("Optional Filters for Image Creation", {}, "OK");
    AddAnswer("Confirm Operation Details", {}, "GO");
    View().RunSetup();
    EXPECT_EQ(App().State(), kStateStartPending);
    App().SetState(kStateIdle);

    // Unattended: an image of the family is replaced without a question.
    std::string image(300, '\0');
    PackPartNumber(reinterpret_cast<uint8_t*>(&image[33]), MakePartNumberText("OLD", 677));
    WriteFile("old.img", image);
    size_t asked = Messages().size();
    ControlSection section;
    section.mode = kModeCreateImage;
    section.fileName = "old.img";
    section.goState = kGoUnattended;
    RunSection(section);
    EXPECT_EQ(Messages().size(), asked);
    EXPECT_EQ(App().State(), kStateStartPending);
}

TEST_F(ShellSetup, UnattendedCreateImageNeverWritesOverAnotherFileOrAnInput) {
    MakeApp();
    std::string quenmarImage(300, '\0');
    PackPartNumber(reinterpret_cast<uint8_t*>(&quenmarImage[42]), MakePartNumberText("OLD", 19));
    WriteFile("batch.txt", "ADD|APT|KSEA|K|\r\n");
    WriteFile("other.img", quenmarImage);
    WriteFile("empty.img", "");
    const std::string notImage = " exists and is not an image of this unit family: it is not overwritten";
    struct Case {
        const char* file;
        int fileNameMode;  // the mode of the section that named the file
        std::string message;
    } cases[] = {
        {"batch.txt", kModeCreateImage, "batch.txt" + notImage},
        {"other.img", kModeCreateImage, "other.img" + notImage},
        {"empty.img", kModeCreateImage, "empty.img" + notImage},
        // A Filename= missing or misspelt in the section: the name of an earlier section's input.
        {"batch.txt", kModeBatchUpdate,
         "No Filename= for the image: batch.txt, the input of an earlier section, is not overwritten"},
        {"new.img", kModeList,
         "No Filename= for the image: new.img, the input of an earlier section, is not overwritten"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const size_t before = Messages().size();
        ControlSection section;
        section.mode = kModeCreateImage;
        section.fileName = c.file;
        section.fileNameMode = c.fileNameMode;
        section.goState = kGoUnattended;
        RunSection(section);
        ASSERT_EQ(Messages().size(), before + 1);
        EXPECT_EQ(Messages().back(), c.message);
        EXPECT_EQ(App().State(), kStateIdle);
        EXPECT_EQ(App().ExitInstance(), kExitNotDone);
    }
    EXPECT_EQ(ReadFile("batch.txt"), "ADD|APT|KSEA|K|\r\n");
    EXPECT_EQ(ReadFile("other.img"), quenmarImage);
    EXPECT_FALSE(std::filesystem::exists("new.img"));
    // A new file named in its own section is made.
    ControlSection section;
    section.mode = kModeCreateImage;
    section.fileName = "new.img";
    section.fileNameMode = kModeCreateImage;
    section.goState = kGoUnattended;
    RunSection(section);
    EXPECT_EQ(App().State(), kStateStartPending);
}

TEST_F(ShellSetup, ConfirmationLinesOfEveryMode) {
    MakeApp();
    WriteFile("in.img", std::string(300, '\0'));
    WriteFile("b.txt", "x");
    WriteFile("s.txt", "x");
    const Values rect{{"South West Limit", "N510000 W0010000"}, {"North East Limit", "N520000 E0010000"}};
    const std::string corners = " SW = N510000 W0010000, NE = N520000 E0010000";
    struct Case {
        const char* mode;
        const char* file;
        Values setup;
        const char* compileCaption;  // null: no compile dialog
        Values compile;
        std::vector<std::string> lines;
    } cases[] = {
        {"Create Image File from ISAM Database", "out", {}, "Optional Filters for Image Creation", rect,
         {"You have chosen to create a new Binary Image File", "'out.img' from the ISAM database.",
          "Using filters: " + corners + ", Brief APTs included",
          "The title page of the new image will read \"CUSTOMISED DB\""}},
        {"Create Image File from ISAM Database", "plain.img", {}, "Optional Filters for Image Creation", {},
         {"You have chosen to create a new Binary Image File", "'plain.img' from the ISAM database.",
          "The title page of the new image will read \"CUSTOMISED DB\""}},
        {"Create ISAM Database from Image File", "in.img", {}, nullptr, {},
         {"You have chosen to create a new ISAM Database", "from the binary image file 'in.img'"}},
        {"Perform a Batch Update of ISAM DB", "b.txt", {{"Listing", "1"}}, nullptr, {},
         {"You have chosen to update the ISAM Database", "from the batch update file 'b.txt'"}},
        {"List Selected Image File Section", "in.img", {{"Section", "Image Title"}}, nullptr, {},
         {"The 'Eprom Title' section of file 'in.img' will be listed"}},
        {"Compile SUA Text", "s.txt", {}, "Optional Filters for SUA Compilation",
         {{"Maximum Base", "18000"}, rect[0], rect[1]},
         {"You have chosen to create file \"NewSUA.dat\"", "Using filters: " + corners + ", MAXBASE = 18000",
          "from the text file 's.txt'"}},
        {"Compile FSS/TCC Text", "s.txt", {}, "Optional Filters for TCC Compilation", {},
         {"You have chosen to create file \"NewTcc.dat\"", "from the text file 's.txt'"}},
        {"Compile APR Text", "s.txt", {}, nullptr, {},
         {"You have chosen to update the ISAM approach files", "from the text file 's.txt'"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        App().Settings().limitRect.Clear();
        App().Settings().maxBase = 0;
        Setup(c.mode, c.file, c.setup);
        if (c.compileCaption) AddAnswer(c.compileCaption, c.compile, "OK");
        AddAnswer("Confirm Operation Details", {}, "GO");
        auto lines = RunSetupLines();
        std::vector<std::string> expected = kHeading;
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.push_back("CLICK THE 'GO' BUTTON WHEN READY");
        expected.push_back("");
        EXPECT_EQ(lines, expected);
        EXPECT_TRUE(Messages().empty());
        EXPECT_EQ(Ui().AnswersLeft(), 0u);
        EXPECT_EQ(App().State(), kStateStartPending);
        App().SetState(kStateIdle);
    }
    EXPECT_TRUE(View().listing == false);  // the last run was Compile APR without the box
}

TEST_F(ShellSetup, GoStartsTheOperationOnTheNextIdleTurn) {
    MakeApp();
    WriteFile("b.txt", "x");
    Setup("Perform a Batch Update of ISAM DB", "b.txt", {{"Listing", "1"}});
    AddAnswer("Confirm Operation Details", {}, "GO");
    App().Run();  // the start message opens the setup; GO; the next idle turn starts
    EXPECT_TRUE(View().listing);
    EXPECT_TRUE(App().Settings().listing);
    EXPECT_EQ(App().Context().kind, kModeBatchUpdate);
    EXPECT_NE(App().DbOpen(), nullptr);
    EXPECT_EQ(App().State(), kStateIdle);  // no driver: ended at once
    EXPECT_EQ(App().ExitInstance(), kExitOk);
}

TEST_F(ShellSetup, CancelInTheConfirmationStartsNothing) {
    MakeApp();
    WriteFile("b.txt", "x");
    Setup("Perform a Batch Update of ISAM DB", "b.txt");
    AddAnswer("Confirm Operation Details", {}, "Cancel");
    View().RunSetup();
    EXPECT_EQ(App().State(), kStateIdle);
    EXPECT_EQ(Dialogs().size(), 3u);  // setup, confirmation, setup again
}

TEST_F(ShellSetup, MaximumBaseMustBeAMultipleOf100) {
    MakeApp();
    WriteFile("s.txt", "x");
    Setup("Compile SUA Text", "s.txt");
    AddAnswer("Optional Filters", {{"Maximum Base", "150"}}, "OK");
    AddAnswer("Optional Filters", {{"Maximum Base", "0"}}, "OK");
    AddAnswer("Confirm Operation Details", {}, "GO");
    View().RunSetup();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Maximum Base must be a multiple of 100"});
    EXPECT_EQ(App().Settings().maxBase, 0);
    EXPECT_EQ(App().State(), kStateStartPending);
}

TEST_F(ShellSetup, TitleDialogAndItsResetOnEveryOpening) {
    MakeApp();
    AddAnswer("Select Required Operation", {{"Mode", "Create Image File from ISAM Database"}, {"Filename", "t"}},
              "Title");
    AddAnswer("Title Page", {{"Title", "EUROPE WINTER 2024 EDITION PLUS MORE"}}, "OK");
    AddAnswer("Select Required Operation", {}, "OK");
    AddAnswer("Optional Filters", {}, "OK");
    AddAnswer("Confirm Operation Details", {}, "Cancel");
    auto lines = RunSetupLines();
    // Cut to 31 characters.
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "The title page of the new image will read \"EUROPE WINTER 2024 EDITION PLUS\""),
              lines.end());
    Setup("Create Image File from ISAM Database", "t");
    AddAnswer("Optional Filters", {}, "OK");
    AddAnswer("Confirm Operation Details", {}, "Cancel");
    lines = RunSetupLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "The title page of the new image will read \"CUSTOMISED DB\""),
              lines.end());
}

TEST_F(ShellSetup, ControlRunConfirmationNamesTheLiveAirspaceFiles) {
    MakeApp();
    WriteFile("s.txt", "x");
    ControlSection section;
    section.mode = kModeCompileSua;
    section.fileName = "s.txt";
    section.maxBase = "500";
    section.goState = kGoUnattended;
    section.message = "Weekly airspace";
    size_t before = Doc().Lines().size();
    RunSection(section);
    auto lines = LinesFrom(before);
    std::vector<std::string> expected{"", "Weekly airspace", ""};
    expected.insert(expected.end(), kHeading.begin(), kHeading.end());
    expected.insert(expected.end(), {"You have chosen to create file \"SUA.dat\"", "Using filters:   MAXBASE = 500",
                                     "from the text file 's.txt'", ""});
    EXPECT_EQ(lines, expected);
    EXPECT_TRUE(Dialogs().empty());
    EXPECT_EQ(App().State(), kStateStartPending);
}

// ---- Rectangles ----------------------------------------------------------------------------

TEST_F(ShellSetup, RectangleParseErrors) {
    MakeApp();
    struct Case {
        const char* sw;
        const char* ne;
        const char* message;  // null: accepted
    } cases[] = {
        {"N510000 W0010000", "N520000 E0010000", nullptr},
        {"", "", nullptr},
        {"N510000 W0010000", "", "You must enter both corners of your rectangle"},
        {"", "N520000 E0010000", "You must enter both corners of your rectangle"},
        {"N520000 W0010000", "N520000 E0010000", "The SW latitude must be South of the NW Latitude"},
        {"N530000 W0010000", "N520000 E0010000", "The SW latitude must be South of the NW Latitude"},
        {"X510000 W0010000", "N520000 E0010000", "Error in SW Co-ordinates"},
        {"N510000", "N520000 E0010000", "Error in SW Co-ordinates"},
        {"N510000 W0010000", "N52 E001", "Error in NE Co-ordinates"},
        {"N 51~30.5 W 1~20.25", "N 52~00.0 E 1~00.0", nullptr},
    };
    GenSettings& s = App().Settings();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sw) + " / " + c.ne);
        size_t shown = Messages().size();
        GeoRect rect{1, 2, 3, 4};
        s.rectangleError = false;
        ParseFilterRectangle(rect, c.sw, c.ne, s);
        EXPECT_EQ(s.rectangleError, c.message != nullptr);
        if (c.message) {
            ASSERT_EQ(Messages().size(), shown + 1);
            EXPECT_EQ(Messages().back(), c.message);
        } else {
            EXPECT_EQ(Messages().size(), shown);
            EXPECT_EQ(rect.SwSet(), *c.sw != '\0');
        }
    }
    GeoRect rect;
    ParseFilterRectangle(rect, "N510000 W0010000", "N520000 E0010000", s);
    std::string sw = "old", ne = "old";
    FormatRectangleTexts(rect, sw, ne, s);
    EXPECT_EQ(sw, "N510000 W0010000");
    EXPECT_EQ(ne, "N520000 E0010000");
    GeoRect none;
    sw = ne = "kept";
    FormatRectangleTexts(none, sw, ne, s);
    EXPECT_EQ(sw, "kept");
    s.debugLevel = 4;
    FormatRectangleTexts(rect, sw, ne, s);
    EXPECT_EQ(sw.front(), '[');
}

int32_t Deg(double d) { return static_cast<int32_t>(static_cast<int64_t>(d * 4294967296.0 / 360.0)); }

TEST(ShellLimitBox, InsideTheRectangleWithWrappingLongitudes) {
    GeoRect box{Deg(50), Deg(-10), Deg(55), Deg(10)};
    GeoRect dateline{Deg(-20), Deg(170), Deg(10), Deg(-170)};  // crosses 180
    GeoRect swOnly{Deg(50), Deg(-10), 0, 0};
    struct Case {
        const GeoRect* box;
        double lat, lon;
        bool inside;
    } cases[] = {
        {&box, 52, 0, true},     {&box, 49, 0, false},    {&box, 56, 0, false},   {&box, 52, -11, false},
        {&box, 52, 11, false},   {&box, 50, -10, true},   {&box, 55, 10, true},   {&box, 52, 179, false},
        {&dateline, 0, 175, true}, {&dateline, 0, -175, true}, {&dateline, 0, 180, true},
        {&dateline, 0, 0, false},  {&dateline, 0, 165, false}, {&dateline, 0, -165, false},
        {&swOnly, 60, 100, true},  {&swOnly, 40, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lat) + "," + std::to_string(c.lon));
        EXPECT_EQ(InsideLimitBox(Deg(c.lat), Deg(c.lon), *c.box), c.inside);
    }
    GeoRect none;
    EXPECT_TRUE(InsideLimitBox(Deg(-80), Deg(-179), none));
}

TEST(ShellFiltersText, CountsTheNamedFilters) {
    GenSettings s;
    std::string text;
    EXPECT_EQ(FormatFiltersText(text, kModeCreateImage, s), 0);
    EXPECT_EQ(text, "Using filters: ");
    s.maxBase = 500;
    EXPECT_EQ(FormatFiltersText(text, kModeCompileTcc, s), 0);
    EXPECT_EQ(FormatFiltersText(text, kModeCompileSua, s), 1);
    EXPECT_EQ(text, "Using filters:   MAXBASE = 500");
    s.limitRect = {Deg(50), Deg(-10), Deg(55), Deg(10)};
    s.briefApts = false;
    EXPECT_EQ(FormatFiltersText(text, kModeCreateImage, s), 2);
    EXPECT_EQ(text, "Using filters:  SW = N500000 W0100000, NE = N550000 E0100000");
}

// ---- Part-number pattern -------------------------------------------------------------------

// Twelve characters packed as the header holds them: 6 bits each (code - 32), bytes reversed.
std::vector<uint8_t> Packed(const char* text) {
    uint8_t bytes[9] = {};
    for (int k = 0; k < 12; ++k) PutBits(6 * k, 6, bytes, static_cast<uint32_t>(text[k] - 32));
    std::vector<uint8_t> header(20, 0xEE);
    for (int i = 0; i < 9; ++i) header[4 + i] = bytes[8 - i];
    return header;
}

TEST_F(ShellSetup, PartNumberPattern) {
    MakeApp();
    struct Case {
        const char* text;
        const char* answer;  // null: not asked
        bool accepted;
        int first, second;
    } cases[] = {
        {"006-D0677-XX", nullptr, true, 677, 0},
        {"006-D0552-02", nullptr, true, 552, 2},
        {"006-DAB77-XX", "Yes", true, 0, 0},
        {"007-D0677-XX", "No", false, -1, -1},
        {"ABCDEFGHIJKL", nullptr, false, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        View().partNumbers[0] = View().partNumbers[1] = -1;
        size_t shown = Messages().size();
        if (c.answer) AddAnswer("unrecognised part number", {}, c.answer);
        auto header = Packed(c.text);
        EXPECT_EQ(CheckPartNumberPattern(View(), header.data(), header.size(), 4), c.accepted);
        EXPECT_EQ(Messages().size(), shown + (c.answer ? 1 : 0));
        if (c.answer) {
            EXPECT_EQ(Messages().back(), std::string("Image File has unrecognised part number '") + c.text +
                                             "'\n - Do you want to continue ?");
        }
        EXPECT_EQ(View().partNumbers[0], c.first);
        EXPECT_EQ(View().partNumbers[1], c.second);
    }
    auto header = Packed("006-D0677-XX");
    EXPECT_FALSE(CheckPartNumberPattern(View(), header.data(), 10, 4));  // beyond the buffer
}

// ---- Filters and debug dialogs -------------------------------------------------------------

TEST_F(ShellSetup, FiltersDialogCutsAndUpperCases) {
    MakeApp();
    AddAnswer("Listing Filters",
              {{"Country Code", "GBR"}, {"ICAO Filter", "egll"}, {"Name Filter", std::string(40, 'N')},
               {"South West Limit", "N510000"}, {"North East Limit", "N520000 E0010000"}},
              "OK");
    AddAnswer("Listing Filters", {{"South West Limit", "N510000 W0010000"}}, "OK");
    App().RouteCommand(kCmdViewFilters);
    const GenSettings& s = App().Settings();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Error in SW Co-ordinates"});
    EXPECT_EQ(s.countryFilter, "GB");
    EXPECT_EQ(s.icaoFilter, "EGLL");
    EXPECT_EQ(s.nameFilter, std::string(31, 'N'));
    EXPECT_TRUE(s.filterRect.SwSet() && s.filterRect.NeSet());
    EXPECT_EQ(App().MainFrame()->StatusPanes()[CGenFrame::kPaneCountry].text, "Country=GB");
    // Cancel keeps everything.
    App().RouteCommand(kCmdViewFilters);
    EXPECT_EQ(s.countryFilter, "GB");
}

TEST_F(ShellSetup, DebugDialogAndMenuToggles) {
    MakeApp();
    AddAnswer("Program Debug Trace Levels", {{"Normal", "16"}, {"Extra", "2"}}, "OK");
    App().RouteCommand(kCmdDebugLevel);
    EXPECT_EQ(App().Settings().debugLevel, 16u);
    EXPECT_EQ(App().Settings().extraDebugLevel, 2u);
    struct Toggle {
        unsigned id;
        bool initially;
    } toggles[] = {{kCmdRecordNumbers, false}, {kCmdOptimise, true}, {kCmdOptimiseCountries, false}};
    for (const Toggle& t : toggles) {
        platform::CommandState state;
        state.id = t.id;
        App().RouteQuery(state);
        EXPECT_EQ(state.checked, t.initially);
        App().RouteCommand(t.id);
        App().RouteQuery(state);
        EXPECT_EQ(state.checked, !t.initially);
    }
    AddAnswer("About", {}, "OK");
    App().RouteCommand(platform::kCmdAppAbout);
    EXPECT_EQ(Dialogs().back(), "About Brondel");
}

}  // namespace
}  // namespace shelltest
