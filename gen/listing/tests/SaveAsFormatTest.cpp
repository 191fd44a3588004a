// The forms of Save As chosen by the file name: the types each listing offers, the reserved
// names, the flags and the pattern added to a name without extension.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gen/shell/OperationContext.h"
#include "gen/listing/SaveAsFormat.h"

namespace {

std::vector<std::string> Offered(int kind) {
    std::vector<std::string> texts;
    for (int row : SaveAsTypesOffered(kind)) texts.push_back(kSaveAsTypeTable[row].filter);
    return texts;
}

TEST(SaveAsFormat, TypesOfferedByListingKind) {
    const std::vector<std::string> textOnly = {"Text File [*.txt]", "All Files [*.*]"};
    for (int kind : {kListNone, kListTitle, kListCountries, kListNames}) EXPECT_EQ(Offered(kind), textOnly) << kind;
    for (int kind = kListApts; kind <= kListVors; ++kind) {
        EXPECT_EQ(Offered(kind), (std::vector<std::string>{"Batch File [*bat.txt]", "Text Dump File [*txt.all]",
                                                           "Batch Dump [*bat.all]", "SBS Waypoint File[*sbs.txt]",
                                                           "SBS Waypoint Dump[*sbs.all]", "Text File [*.txt]",
                                                           "All Files [*.*]"}))
            << kind;
    }
    EXPECT_EQ(Offered(kListSuas), (std::vector<std::string>{"SUA Dump [*sua.all]", "SBS SUA Dump [*sbs.out]",
                                                            "Text File [*.txt]", "All Files [*.*]"}));
    EXPECT_EQ(Offered(kListFss)[0], "FSS/TCC Dump [*tcc.all]");
    EXPECT_EQ(Offered(kListArtccs)[0], "FSS/TCC Dump [*tcc.all]");
    EXPECT_EQ(Offered(kListApproaches)[0], "Approach Dump [*apr.all]");
    EXPECT_EQ(Offered(kListAirways)[0], "Airways Dump [*awy.all]");
    EXPECT_EQ(Offered(kListAirways).size(), 3u);
}

TEST(SaveAsFormat, ReservedNames) {
    struct Case {
        int kind;
        const char* path;
        const char* message;  // "" when the name may be used
    };
    const Case cases[] = {
        {kListNone, "out.txt", ""},
        {kListNone, "outbat.txt", "Screen not convertible to Batch format"},
        {kListTitle, "listtxt.all", "Format reserved for APT/INT/NDB/VOR dumps"},
        {kListCountries, "pointssbs.txt", "Format reserved for APT/INT/NDB/VOR dumps"},
        {kListNames, "areasbs.out", "Format reserved for SUA dumps"},
        {kListInts, "pointsbat.txt", ""},
        {kListInts, "pointstxt.all", ""},
        {kListVors, "pointssbs.all", ""},
        {kListApts, "areasua.all", "Format reserved for SUA dumps"},
        {kListApts, "areasbs.out", "Format reserved for SUA dumps"},
        {kListSuas, "areasua.all", ""},
        {kListSuas, "areasbs.out", ""},
        {kListSuas, "areabat.txt", "Screen not convertible to Batch format"},
        {kListSuas, "areatcc.all", "Format reserved for FSS or TCC dumps"},
        {kListFss, "fsstcc.all", ""},
        {kListArtccs, "tcctcc.all", ""},
        {kListNdbs, "fsstcc.all", "Format reserved for FSS or TCC dumps"},
        {kListApproaches, "approachesapr.all", ""},
        {kListVors, "approachesapr.all", "Format reserved for Approach dumps"},
        // The airway form wins over every other refusal.
        {kListNone, "xbat.awy.all", "Format reserved for Airway dumps"},
        {kListAirways, "routesawy.all", ""},
        {kListAirways, "routestxt.all", ""},
        // Only the file's own name counts, not its folder's.
        {kListNone, "batch.files/out.txt", ""},
        {kListNone, "dumps\\sua.all\\out.txt", ""},
        // Case matters.
        {kListNone, "OUTBAT.TXT", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SaveAsReservedMessage(c.kind, c.path), c.message) << c.kind << " " << c.path;
}

TEST(SaveAsFormat, NameFlagsChooseTheForm) {
    struct Case {
        const char* path;
        bool batch;
        bool dump;
        bool sbs;
    };
    const Case cases[] = {
        {"list.txt", false, false, false},     {"pointsbat.txt", true, false, false},
        {"pointstxt.all", false, true, false}, {"pointsbat.all", true, true, false},
        {"areasua.all", true, true, false},    {"pointssbs.txt", true, false, true},
        {"pointssbs.all", true, true, true},   {"areasbs.out", false, true, true},
        // A folder's name chooses nothing.
        {"bat.d/ints.txt", false, false, false}, {"x.all/sbs.out/ints.txt", false, false, false},
    };
    for (const Case& c : cases) {
        const SaveAsNameFlags f = SaveAsNameFlags::Of(c.path);
        EXPECT_EQ(f.BatchForm(), c.batch) << c.path;
        EXPECT_EQ(f.Dump(), c.dump) << c.path;
        EXPECT_EQ(f.sbs, c.sbs) << c.path;
    }
}

TEST(SaveAsFormat, PatternOfTheChosenTypeAndRegionNames) {
    EXPECT_EQ(WithTypePattern("dir.x/points", kSaveBatch), "dir.x/pointsbat.txt");
    EXPECT_EQ(WithTypePattern("points", kSaveText), "points.txt");
    EXPECT_EQ(WithTypePattern("points.lst", kSaveBatch), "points.lst");
    EXPECT_EQ(WithTypePattern(".profile", kSaveBatch), ".profilebat.txt");  // a '.' first does not count
    EXPECT_EQ(WithTypePattern("areas", kSaveSbsSuaDump), "areas");
    EXPECT_EQ(WithTypePattern("areas", kSaveAllFiles), "areas");

    EXPECT_TRUE(IsRegionFileName("maps/REGION01.rg1"));
    EXPECT_FALSE(IsRegionFileName(".rg1"));
    EXPECT_FALSE(IsRegionFileName("region.rg2"));
    EXPECT_FALSE(IsRegionFileName("maps.rg1/region.txt"));
}

}  // namespace
