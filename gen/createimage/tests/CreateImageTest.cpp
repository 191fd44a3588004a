// Create Image run through the generator's operation runner, per family: the database made by
// the batch update becomes an image whose records, names, details, sumcheck and cut are read
// back; progress lines; the empty database; brief airports, the limit rectangle and approaches;
// Optimise Countries; refusals that abort; STOP/RESET.
#include <gtest/gtest.h>

#include <filesystem>

#include "gen/testsupport/CreateImageTestSupport.h"
#include "common/CLocale.h"
#include "gen/createimage/CreateImage.h"
#include "gen/createimage/CreateImageBuild.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/image/NameCoder.h"

namespace cimgtest {
namespace {

constexpr const char* kSmallDatabase =
    "ADD|APT|EGLL|GB United Kingdom|LONDON|HEATHROW|N512839|W0002741|83\r\n"
    "ADD|APT|KJFK|US United States|NEW YORK|KENNEDY|N403823|W0734644|13\r\n"
    "ADD|INT|ALPHA|GB|N512000|W0010000\r\n"
    "ADD|NDB|BIG|GB|BIGGIN|BIGGIN HILL|N511948|E0000203|429.0\r\n"
    "ADD|VOR|LON|GB|LONDON|LONDON VOR|N512914|W0002800|113.60|VORDME\r\n"
    "ADD|RWY|EGLL|GB|12000X150|09L|hard|pc lts|0\r\n"
    "ADD|FRQ|EGLL|GB|TOWER|118.50|R:090-270 BELOW 3000\r\n";

// The finishing rules of each family as the image format states them.
struct FinishRules {
    uint32_t chunk;         // sumcheck chunk, and the unit of the file cut
    uint32_t field;         // sumcheck field at offset 0, left out of chunk 0
    bool counted;           // field byte 0 counts the chunks up to the image end
    uint32_t prefill;       // the file's length before the cut
    uint32_t packetOffset;  // u16 packet count
    bool halvedPackets;     // packets of 256 bytes: half the 128-byte blocks, rounded up
};

const FinishRules& RulesOf(const ImageParams& p) {
    static const FinishRules k496{0x40000, 16, false, 0x400000, 57, true};
    static const FinishRules kIIIPilot{0x10000, 25, true, 0x170000, 66, false};
    static const FinishRules k195{0x20000, 16, false, 0x200000, 57, false};
    return p.partNumber == 677 ? k496 : p.partNumber == 19 ? kIIIPilot : k195;
}

// Check of chunk i: the two's complement of the 8-bit sum of its bytes (chunk 0 without the
// field); bytes behind the end of the cut file are the 0xFF of the pre-fill.
uint8_t ChunkCheckOf(const FinishRules& r, const std::vector<uint8_t>& file, size_t i) {
    uint8_t sum = 0;
    for (size_t at = i * r.chunk + (i == 0 ? r.field : 0); at < (i + 1) * r.chunk; ++at) {
        sum = static_cast<uint8_t>(sum + (at < file.size() ? file[at] : 0xFF));
    }
    return static_cast<uint8_t>(-sum);
}

// The sumcheck field: one check per chunk; with a count, byte 0 is the number of chunks up to the
// image end, the checks follow, and chunk 0's check also covers the count byte.
std::vector<uint8_t> SumcheckFieldOf(const FinishRules& r, const std::vector<uint8_t>& file, uint32_t end) {
    std::vector<uint8_t> field(r.field, 0);
    const size_t first = r.counted ? 1 : 0;
    for (size_t i = 0; first + i < field.size() && i * r.chunk < r.prefill; ++i) {
        field[first + i] = ChunkCheckOf(r, file, i);
    }
    if (r.counted) {
        field[0] = static_cast<uint8_t>((end + r.chunk - 1) / r.chunk);
        field[1] = static_cast<uint8_t>(field[1] - field[0]);
    }
    return field;
}

class Families : public CreateImageTest, public ::testing::WithParamInterface<const ImageParams*> {};

TEST_P(Families, DatabaseBecomesAnImageThatReadsBack) {
    const ImageParams& p = *GetParam();
    Start(p);
    Batch(kSmallDatabase);
    const std::vector<std::string> lines = Create();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2], "Image Complete");
    EXPECT_EQ(lines.back(), "");
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(App().Model().createImageSteps.size(), p.approaches ? 34u : 32u);
    EXPECT_EQ(Echoed("Counting Approach IDs 1"), p.approaches);
    // Without TCC.DAT and SUA.DAT their steps never run.
    for (const char* skipped : {"Counting FSS/TCCS 1", "Counting SUAS 1", "Writing FSS/TCC Section to image file 1",
                                "Writing SUA Section to image file 1"}) {
        EXPECT_FALSE(Echoed(skipped)) << skipped;
    }

    const ImageBack back = ReadImageBack(p, "test.img");
    const ImageLayout& l = back.layout;
    const uint32_t end = l.ImageEnd();
    EXPECT_EQ(lines[lines.size() - 3], StringFormatC("Image ends at %06lx", static_cast<unsigned long>(end)));
    // Cut behind the chunk that holds the image end, one more whole chunk of 0xFF included.
    const FinishRules& rules = RulesOf(p);
    EXPECT_EQ(back.file.size(), std::min(end / rules.chunk * rules.chunk + rules.chunk, rules.prefill));
    for (uint32_t absent : {kPtrFssBlockA, kPtrFssBlockB, kPtrSuaBlock}) {
        EXPECT_EQ(back.U24(p.pointerBlockOffset + absent), kAbsent24);
    }
    EXPECT_EQ(l.countryCount, 2u);
    const uint32_t expected[kSectionCount] = {2, 1, 1, 1};
    for (int s = 0; s < kSectionCount; ++s) EXPECT_EQ(l.sections[s].recordCount, expected[s]) << s;

    // Records in ident order with their names and positions to 2048 units.
    const std::vector<AptRecord> apts = All<AptRecord>("aident");
    ASSERT_EQ(apts.size(), 2u);
    for (uint32_t n = 0; n < 2; ++n) {
        int32_t lat = 0, lon = 0;
        DecodePosition(back.Record(kSectionApt, n), &lat, &lon);
        EXPECT_LT(std::abs(static_cast<int64_t>(lat) - apts[n].alat), 2048);
        EXPECT_LT(std::abs(static_cast<int64_t>(lon) - apts[n].along), 2048);
    }
    EXPECT_EQ(back.RecordName(kSectionApt, 0, NameField::Facility), "HEATHROW");
    EXPECT_EQ(back.RecordName(kSectionApt, 0, NameField::City), "LONDON");
    EXPECT_EQ(back.RecordName(kSectionApt, 1, NameField::Facility), "KENNEDY");
    EXPECT_EQ(back.RecordName(kSectionNdb, 0, NameField::Facility), "BIGGIN HILL");
    EXPECT_EQ(back.RecordName(kSectionVor, 0, NameField::City), "LONDON");

    // EGLL has an entry with runways and a restricted frequency; KJFK the placeholder
    // runway's summary (surface-and-lighting 5, length 0).
    const uint8_t* egll = back.Record(kSectionApt, 0);
    const uint8_t* kjfk = back.Record(kSectionApt, 1);
    const uint32_t detail = p.sections[kSectionApt].detailByte;
    EXPECT_TRUE(egll[8] & 0x80);
    EXPECT_EQ(GetU16(egll + detail), 0u);
    EXPECT_EQ(back.file[l.detailStart] & 0x03, 0x03);
    EXPECT_FALSE(kjfk[8] & 0x80);
    EXPECT_EQ(GetU16(kjfk + detail), 5u * 256);

    // The stored sumcheck and packet count are those of the finished file.
    const std::vector<uint8_t> field = SumcheckFieldOf(rules, back.file, end);
    EXPECT_TRUE(std::equal(field.begin(), field.end(), back.file.begin()));
    long blocks = 0;
    for (size_t at = 0; at < end; at += 128) {
        blocks += std::any_of(back.file.begin() + at, back.file.begin() + std::min(at + 128, back.file.size()),
                              [](uint8_t b) { return b != 0xFF; });
    }
    EXPECT_EQ(back.U16(rules.packetOffset), static_cast<uint32_t>(rules.halvedPackets ? (blocks + 1) / 2 : blocks));
    EXPECT_FALSE(App().OperationNotDone());
}

INSTANTIATE_TEST_SUITE_P(CreateImage, Families, ::testing::Values(&ImageParams496, &ImageParamsIIIPilot, &ImageParams195),
                         [](const auto& info) { return std::string(info.param->partNumber == 677 ? "B496"
                                                                   : info.param->partNumber == 19 ? "IIIPilot"
                                                                                                  : "F195"); });

// A generator with a table of its own: the driver runs the model's rows and finishing step, and
// a row that answers Skip leaves no line.
TEST_F(CreateImageTest, RunsTheStepTableAndFinishingStepOfTheModel) {
    GenModel model = shelltest::TestModel();
    model.imageParams = &ImageParams496;
    InstallImageOperations(model);
    std::vector<std::string> calls;
    int first = 0;
    model.createImageSteps = {
        {[&](OperationContext&) {
             calls.push_back("first");
             return ++first < 60 ? StepStatus::Again : StepStatus::Next;
         },
         "Writing the first part"},
        {[&](OperationContext&) {
             calls.push_back("skipped");
             return StepStatus::Skip;
         },
         "Writing the skipped part"},
        {[&](OperationContext&) {
             calls.push_back("last");
             return StepStatus::Next;
         },
         "Writing the last part"},
    };
    model.finishImage = [&](OperationContext& c) {
        calls.push_back("finish");
        c.AddLine("Finished");
        c.app->CloseImageFile();
        return StepStatus::Done;
    };
    MakeApp(std::move(model));
    shelltest::ShownLines shown(Ui());
    const std::vector<std::string> lines = Create();
    std::vector<std::string> expected(60, "first");
    expected.insert(expected.end(), {"skipped", "last", "finish"});
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(lines, (std::vector<std::string>{"Writing the first part 60", "Writing the last part 1", "Finished"}));
    EXPECT_TRUE(shown.Has("Writing the first part 54"));
    EXPECT_FALSE(shown.Has("Writing the skipped part 1"));
    EXPECT_FALSE(App().OperationNotDone());
}

TEST_F(CreateImageTest, ABatchFileThatCannotBeReadFailsTheUpdate) {
    Start();
    std::filesystem::create_directory("folder.txt");
    const size_t from = Doc().Lines().size();
    Run(kModeBatchUpdate, "folder.txt");
    const std::vector<std::string> lines = LinesFrom(from);
    EXPECT_NE(std::find(lines.begin(), lines.end(), "*** Batch file read failed: Is a directory ***"), lines.end());
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "Database Update Complete"), lines.end());
    EXPECT_EQ(App().ExitInstance(), kExitFatal);
}

TEST_F(CreateImageTest, EmptyDatabaseAsksAndMakesAnEmptyImage) {
    Start();
    // The headless default of the Yes/No question is Yes.
    const std::vector<std::string> lines = Create();
    EXPECT_EQ(Messages(), std::vector<std::string>{"Your ISAM database (on your PC) is empty, do you want to continue ?"});
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    EXPECT_EQ(back.file.size(), 0x40000u);
    for (int s = 0; s < kSectionCount; ++s) {
        const uint32_t info = ImageParams496.sections[s].infoStart;
        EXPECT_EQ(back.U16(info), 0u);
        EXPECT_EQ(back.U16(info + kInfoPointerBlock), 0u);
        for (uint32_t b = 0; b < kBucketCount; ++b) ASSERT_EQ(back.U16(info + 2 + 2 * b), 0xFFFFu);
    }
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 7, lines.end()),
              (std::vector<std::string>{"Image Complete", "", "*****************WARNING*************************",
                                        "The ISAM database was empty, possibly because you",
                                        "forgot to perform a Create ISAM operation first.",
                                        "BEWARE: your new image is also empty",
                                        "*************************************************"}));
}

TEST_F(CreateImageTest, EmptyDatabaseRefusedAbortsAndDeletesTheImage) {
    Start();
    AddAnswer("is empty", {}, "No");
    const std::vector<std::string> lines = Create();
    EXPECT_EQ(lines, (std::vector<std::string>{"Operation Aborted", "test.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("test.img"));
    EXPECT_TRUE(App().OperationNotDone());
}

TEST_F(CreateImageTest, ProgressLinesOnCallsOneAndFiftyFourAndAtTheEnd) {
    Start();
    std::string lines;
    for (int i = 0; i < 99; ++i) {
        lines += StringFormatC("ADD|INT|I%c%c|GB United Kingdom|N%02d0000|W%03d0000\r\n", 'A' + i / 26, 'A' + i % 26,
                               10 + i % 60, i % 60);
    }
    Batch(lines);
    shelltest::ShownLines shown(Ui());
    const std::vector<std::string> added = Create();
    // 99 intersections and the call that finds the end: 100 calls.
    EXPECT_TRUE(shown.Has("Counting INTS 1"));
    EXPECT_TRUE(shown.Has("Counting INTS 54"));
    EXPECT_TRUE(shown.Has("Counting INTS 100"));
    EXPECT_FALSE(shown.Has("Counting INTS 2"));
    EXPECT_FALSE(shown.Has("Counting INTS 99"));
    EXPECT_TRUE(shown.Has("Initialising image file 54"));
    // The listing keeps one line per step, its last count.
    EXPECT_EQ(std::count(added.begin(), added.end(), "Counting INTS 100"), 1);
    EXPECT_EQ(std::count(added.begin(), added.end(), "Initialising image file 32768"), 1);
    EXPECT_EQ(std::count_if(added.begin(), added.end(), [](const std::string& s) { return s.rfind("Counting INTS", 0) == 0; }),
              1);
}

// The names file's lowest-numbered name stands for "no name" only when it is shorter than two
// characters and heads the names table; a short name numbered later stays a name.
struct FirstNameCase {
    const char* title;
    const char* batch;
    const char* city;  // of EGLL, the first airport in ident order
};

class FirstName : public CreateImageTest, public ::testing::WithParamInterface<FirstNameCase> {};

TEST_P(FirstName, OnlyTheLowestNumberedShortNameHeadingTheTableIsAbsent) {
    Start();
    Batch(GetParam().batch);
    const std::vector<std::string> lines = Create();
    ASSERT_GE(lines.size(), 2u);
    ASSERT_EQ(lines[lines.size() - 2], "Image Complete");
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    EXPECT_EQ(back.RecordName(kSectionApt, 0, NameField::City), GetParam().city);
}

INSTANTIATE_TEST_SUITE_P(
    CreateImage, FirstName,
    ::testing::Values(FirstNameCase{"MadeFirst", "ADD|APT|EGLL|GB United Kingdom|A|A|N512839|W0002741|83\r\n", "<none>"},
                      FirstNameCase{"MadeLater",
                                    "ADD|APT|KJFK|US United States|ZULU|ZULU FIELD|N403823|W0734644|13\r\n"
                                    "ADD|APT|EGLL|GB United Kingdom|A|ALPHA FIELD|N512839|W0002741|83\r\n",
                                    "A"}),
    [](const auto& info) { return std::string(info.param.title); });

// The names table follows the database's names index: names made out of that order, names
// alike in their first eight bytes, a shorter one before its longer form, and bytes above 0x7F
// after the letters.
TEST_F(CreateImageTest, TheNamesTableFollowsTheNamesIndex) {
    Start();
    Batch("ADD|APT|KJFK|US United States|NEW YORK CITY|\xC9" "COLE FIELD|N403823|W0734644|13\r\n"
          "ADD|APT|KLGA|US United States|NEW YORK|NEW YORK CITY NORTH|N404638|W0735221|21\r\n"
          "ADD|APT|EGLL|GB United Kingdom|LONDON|HEATHROW|N512839|W0002741|83\r\n"
          "ADD|APT|EGKK|GB United Kingdom|ZZ|GATWICK|N510852|W0001125|202\r\n");
    const std::vector<std::string> lines = Create();
    ASSERT_GE(lines.size(), 2u);
    ASSERT_EQ(lines[lines.size() - 2], "Image Complete");
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    // Each name of the index in the form the table codes it, one behind the other.
    std::vector<std::string> expected;
    for (const NameRecord& n : All<NameRecord>("nname")) {
        uint8_t coded[64] = {};
        const uint32_t end = EncodeNameText(NameText(n.nname, sizeof n.nname).c_str(), 0, coded);
        std::string text;
        uint32_t next = 0;
        ASSERT_TRUE(DecodeNameText(coded, 0, end, &text, &next));
        expected.push_back(text);
    }
    ASSERT_GE(expected.size(), 8u);
    std::vector<std::string> table;
    for (uint32_t bit = 0; table.size() < expected.size();) {
        std::string text;
        ASSERT_TRUE(DecodeNameText(&back.file[back.layout.namesStart], bit, back.layout.namesLength * 8, &text, &bit));
        table.push_back(text);
    }
    EXPECT_EQ(table, expected);
}

TEST_F(CreateImageTest, BriefAirportsLimitRectangleAndApproaches) {
    Start();
    Batch(std::string(kSmallDatabase) + "ADD|VOR|JFK|US|NEW YORK|KENNEDY VOR|N403800|W0734600|115.90\r\n");
    const int32_t egll = All<AptRecord>("aident")[0].asno;
    const int32_t alpha = All<IntRecord>("isno")[0].isno;
    const int32_t runway = All<RwyRecord>("rsno")[0].rsno;
    int32_t jfkVor = -1;
    for (const VorRecord& v : All<VorRecord>("vsno")) {
        if (std::string(v.vident, 3) == "JFK") jfkVor = v.vsno;
    }
    ASSERT_GE(jfkVor, 0);
    const AptRecord heathrow = All<AptRecord>("aident")[0];
    LwptRecord local{};
    local.lsno = 1;
    local.laptno = egll;
    local.ltyp = 0xC0;
    local.llat = heathrow.alat + 0x10000;
    local.llong = heathrow.along - 0x10000;
    std::memcpy(local.lid, "FF09", 4);
    Add(local);
    // Usable: an intersection, a runway and a local waypoint, all in the image.
    ApprRecord usable{};
    usable.psno = 1;
    usable.paptno = egll;
    usable.pseq = 0;
    usable.ptyp = 0x10;
    std::memcpy(usable.pid, "ILS09", 5);
    usable.pnsno = -1;
    usable.pwtyp[0] = 0x21;
    usable.pwrecno[0] = alpha;
    usable.pwtyp[1] = 0xA2;
    usable.pwrecno[1] = runway;
    usable.pwtyp[2] = 0xC3;
    usable.pwrecno[2] = local.lsno;
    Add(usable);
    // Not usable: its VOR lies outside the limit rectangle.
    ApprRecord outside = usable;
    outside.psno = 2;
    outside.pseq = 1;
    std::memcpy(outside.pid, "VOR27", 5);
    outside.pwtyp[0] = 0x61;
    outside.pwrecno[0] = jfkVor;
    outside.pwtyp[1] = outside.pwtyp[2] = 0;
    Add(outside);

    // A rectangle around the British Isles.
    GenSettings& s = App().Settings();
    s.limitRect = {0x20000000, -0x08000000, 0x2A000000, 0x02000000};
    s.briefApts = true;
    Create();
    {
        const ImageBack back = ReadImageBack(ImageParams496, "test.img");
        const ImageLayout& l = back.layout;
        // KJFK is kept, brief (summary only); the VOR outside is left out.
        EXPECT_EQ(l.sections[kSectionApt].recordCount, 2u);
        EXPECT_FALSE(back.Record(kSectionApt, 1)[8] & 0x80);
        EXPECT_EQ(l.sections[kSectionVor].recordCount, 1u);
        // Both approach IDs are in the table, but only the usable approach is written.
        EXPECT_EQ(l.approachIdCount, 2u);
        const uint8_t* entry = &back.file[l.detailStart];
        EXPECT_EQ(entry[0] & 0x1F, 0x01 | 0x02 | 0x04 | 0x10);
        // Behind the runway (5 bytes), the frequency with its restriction and table A (8 bytes)
        // comes the approach list: one approach, then its three waypoint slots.
        const uint32_t entryLength = l.sections[kSectionApt].facilityIndexStart - l.detailStart;
        const uint8_t* list = entry + entryLength - (3 + 3 + 2 + 2);
        EXPECT_EQ(list[0], 0x10);             // type, no further approach
        EXPECT_EQ(GetU16(list + 1), 0u);      // "ILS09" sorts before "VOR27"
        EXPECT_EQ(list[3], 0x21);             // intersection in slot 1: record 0
        EXPECT_EQ(GetU16(list + 4), 0u);
        EXPECT_EQ(list[6], 0xA2);             // runway in slot 2: the first runway
        EXPECT_EQ(list[7], 0u);
        EXPECT_EQ(list[8], 0xC3);             // local waypoint in slot 3: table A entry 0
        EXPECT_EQ(list[9], 0u);
    }
    // Without brief airports, KJFK is not in the image at all.
    s.briefApts = false;
    Create();
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    EXPECT_EQ(back.layout.sections[kSectionApt].recordCount, 1u);
    EXPECT_EQ(back.RecordName(kSectionApt, 0, NameField::Facility), "HEATHROW");
}

// An operation that one message box ended: aborted, its image deleted.
void ExpectAbortedWith(const std::vector<std::string>& messages, const std::vector<std::string>& lines,
                       const std::string& message) {
    EXPECT_EQ(messages, std::vector<std::string>{message});
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Operation Aborted", "test.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("test.img"));
}

TEST_F(CreateImageTest, AnApproachWaypointInNoSlotAbortsNamingTheAirport) {
    Start();
    Batch(kSmallDatabase);
    const AptRecord egll = All<AptRecord>("aident")[0];
    ApprRecord bad{};
    bad.psno = 1;
    bad.paptno = egll.asno;
    std::memcpy(bad.pid, "RNV27", 5);
    bad.pwtyp[0] = 0x25;  // slot 5 of 4
    bad.pwrecno[0] = All<IntRecord>("isno")[0].isno;
    Add(bad);
    const std::vector<std::string> lines = Create();
    ExpectAbortedWith(Messages(), lines,
                      StringFormatC("approach wpt posn=4 out of range (APT=0x%x)", static_cast<unsigned>(egll.asno)));
}

TEST_F(CreateImageTest, ARestrictionChainNamingAMissingRecordAbortsNamingIt) {
    Start();
    Batch(kSmallDatabase);
    // EGLL's restricted tower frequency, and a second one whose chain goes on to record 77
    // after a first record that asks for more bytes than it holds.
    const FreqRecord tower = All<FreqRecord>("fsno")[0];
    RestrRecord first{};
    first.rcsno = 50;
    first.rcnxt = 77;
    first.rcres[0] = 11;  // 12 bytes: a second record must follow
    Add(first);
    FreqRecord approach = tower;
    approach.fsno = tower.fsno + 10;
    approach.frsno = 50;
    Add(approach);
    ExpectAbortedWith(Messages(), Create(), "Failed to read restrictions record 77");
}

// 300 countries, of which only ten are used by a record.
std::string ManyCountries() {
    std::string lines;
    for (int i = 0; i < 300; ++i) {
        const char id[3] = {static_cast<char>('A' + i / 26), static_cast<char>('A' + i % 26), 0};
        lines += StringFormatC("ADD|INT|X%c%c|%s Land %d|N%02d0000|E%03d0000\r\n", id[0], id[1], id, i, i % 80, i % 60);
    }
    for (int i = 10; i < 300; ++i) {
        lines += StringFormatC("DEL|INT|X%c%c|%c%c\r\n", 'A' + i / 26, 'A' + i % 26, 'A' + i / 26, 'A' + i % 26);
    }
    return lines;
}

TEST_F(CreateImageTest, MoreThan256CountriesRefusedWithoutOptimise) {
    Start();
    Batch(ManyCountries());
    AddAnswer("There are 300 countries", {}, "No");
    const std::vector<std::string> lines = Create();
    // No names: the empty-database question comes first (its default is Yes).
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Your ISAM database (on your PC) is empty, do you want to continue ?",
                              "There are 300 countries, and the image format does not allow more than 256, do you want "
                              "to try \"Optimise\" mode ?",
                              "The image format does not allow more than 256 countries"}));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Operation Aborted", "test.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("test.img"));
}

TEST_F(CreateImageTest, MoreThan256CountriesWithOptimiseKeepsTheUsedOnes) {
    Start();
    Batch(ManyCountries());
    AddAnswer("There are 300 countries", {}, "Yes");
    Create();
    EXPECT_TRUE(App().Settings().optimiseCountries);
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    EXPECT_EQ(back.layout.countryCount, 10u);
    EXPECT_EQ(back.layout.sections[kSectionInt].recordCount, 10u);
}

TEST_F(CreateImageTest, AnIdentTheCodeCannotHoldAbortsNamingTheRecord) {
    Start();
    Batch(kSmallDatabase);
    IntRecord bad{};
    bad.isno = 100;
    std::memcpy(bad.iident, "AB#C", 4);
    bad.ilat = 0x1000000;
    bad.icountry = All<CountryRecord>("csno")[0].csno;
    Add(bad);
    const std::vector<std::string> lines = Create();
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("\"AB#C\""), std::string::npos) << Messages()[0];
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
              (std::vector<std::string>{"Operation Aborted", "test.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("test.img"));
}

TEST_F(CreateImageTest, StopResetDeletesTheHalfWrittenImageAndTheNextRunWorks) {
    Start();
    Batch(kSmallDatabase);
    View().mode = kModeCreateImage;
    View().fileName = "test.img";
    View().title = "TEST";
    App().SetState(kStateStartPending);
    for (long n = 1; n <= 5000; ++n) App().OnIdle(n);
    ASSERT_EQ(App().State(), kStateStep);
    EXPECT_FALSE(std::filesystem::exists("test.img")) << "written under a temporary name until complete";
    ASSERT_TRUE(App().RouteCommand(kCmdStopReset));
    EXPECT_EQ(LinesFrom(Doc().Lines().size() - 2), (std::vector<std::string>{"Operation Aborted", "test.img deleted"}));
    EXPECT_FALSE(std::filesystem::exists("test.img"));
    const std::vector<std::string> lines = Create();
    EXPECT_EQ(lines[lines.size() - 2], "Image Complete");
    EXPECT_EQ(ReadImageBack(ImageParams496, "test.img").layout.sections[kSectionApt].recordCount, 2u);

    // Stopped again over the finished image: that image stays as it was, and no temporary file.
    const std::vector<uint8_t> finished = imgtest::ReadAll("test.img");
    App().SetState(kStateStartPending);
    for (long n = 1; n <= 5000; ++n) App().OnIdle(n);
    ASSERT_EQ(App().State(), kStateStep);
    ASSERT_TRUE(App().RouteCommand(kCmdStopReset));
    EXPECT_EQ(Doc().Lines().back(), "Operation Aborted");
    EXPECT_TRUE(imgtest::ReadAll("test.img") == finished);
    for (const auto& entry : std::filesystem::directory_iterator(".")) {
        EXPECT_EQ(entry.path().filename().string().find(".test.img."), std::string::npos) << entry.path();
    }
}

}  // namespace
}  // namespace cimgtest
