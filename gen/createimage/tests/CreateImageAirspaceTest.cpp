// TCC.DAT and SUA.DAT in Create Image: the header lines, the checks that keep a damaged file
// out of the image, the rename of freshly compiled files, and the sections copied behind the
// VOR area with their records relocated (names, offsets, airport numbers), per family.
#include <gtest/gtest.h>

#include <filesystem>

#include "gen/testsupport/CreateImageTestSupport.h"
#include "common/CLocale.h"
#include "gen/createimage/CreateImageAirspace.h"

namespace cimgtest {
namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

TEST(AirspaceHeaderLine, TccFieldsTagAndEnd) {
    struct Case {
        const char* text;
        bool tagged;
        bool ok;
        uint32_t lineLength;
    } cases[] = {
        {"TCC_02|42|2|c|e|14|16|29|2b<body", true, true, 28},
        {"42|2|c|e|14|16|29|2b<", false, true, 21},
        {"42|2|c|e|14|16|29|2b<", true, false, 0},         // the 495/496 line needs its tag
        {"TCC_02|42|2|c|e|14|16|29|2b<", false, false, 0}, // the others have none
        {"TCC_02|42|2|c|e|14|16|29<", true, false, 0},     // seven values
        {"TCC_02|42|2|c|e|14|16|29|2b", true, false, 0},   // no '<'
        {"TCC_02|42|2|c|e|14|16|29|2g<", true, false, 0},  // not hexadecimal
        {"TCC_02|42||c|e|14|16|29|2b<", true, false, 0},   // empty value
        {"TCC_02|100000000|2|c|e|14|16|29|2b<", true, false, 0},  // beyond 32 bits
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<uint8_t> text = Bytes(c.text);
        TccSectionHeader h;
        uint32_t length = 0;
        EXPECT_EQ(ParseTccHeaderLine(text.data(), text.size(), c.tagged, &h, &length), c.ok);
        if (c.ok) {
            EXPECT_EQ(length, c.lineLength);
            EXPECT_EQ(h.v[0], 0x42u);
            EXPECT_EQ(h.v[7], 0x2Bu);
        }
    }
    const std::vector<uint8_t> sua = Bytes("SUA_02|1|36|1|34|1|4|1|1d|0|4|4a<");
    SuaSectionHeader h;
    uint32_t length = 0;
    ASSERT_TRUE(ParseSuaHeaderLine(sua.data(), sua.size(), true, &h, &length));
    EXPECT_EQ(length, sua.size());
    EXPECT_EQ(h.v[SuaSectionHeader::O0], 0x36u);
    EXPECT_EQ(h.v[SuaSectionHeader::L], 0x4Au);
    EXPECT_FALSE(ParseSuaHeaderLine(sua.data(), sua.size() - 3, true, &h, &length));
}

TEST(AirspacePieces, TablesMustFollowOneAnotherWithWholeRecords) {
    TccSectionHeader t{{0x42, 2, 0xC, 0xE, 0x14, 0x16, 0x29, 0x2B}};
    const std::vector<AirspacePiece> pieces = TccPieces(ImageParams496, t);
    ASSERT_EQ(pieces.size(), 5u);
    EXPECT_EQ(pieces[1].layout, &kFssRecord496);
    EXPECT_EQ(pieces[3].layout, &kTccRecord496);
    EXPECT_EQ(pieces[3].offsetBase, 0x14u);
    EXPECT_TRUE(TccPieces(ImageParamsIIIPilot, t).empty());  // 10 bytes are not whole 9-byte FSS records
    t.v[3] = 0x15;                                           // a table ending before the one before it
    EXPECT_TRUE(TccPieces(ImageParams496, t).empty());

    SuaSectionHeader s{{1, 0x36, 1, 0x34, 1, 4, 1, 0x1D, 0, 4, 0x4A}};
    EXPECT_EQ(SuaPieces(ImageParams496, s).size(), 4u);
    s.v[SuaSectionHeader::L] = 0x4B;  // a body longer than its tables
    EXPECT_TRUE(SuaPieces(ImageParams496, s).empty());
}

// A TCC.DAT of one FSS and one TCC record, and an SUA.DAT of one record in each area table,
// in the family's record layout.
struct AirspaceFiles {
    std::string tcc, sua;
    uint32_t fssAt, tccAt, listsAt;       // TCC.DAT body offsets
    uint32_t suaAAt, suaBAt;              // SUA.DAT body offsets
};

AirspaceFiles MakeAirspaceFiles(const ImageParams& p, int32_t fssName, int32_t tccName, int32_t suaName,
                                int32_t airport) {
    const AirspaceLayouts& L = AirspaceLayoutsOf(p);
    const bool tagged = p.nameOffsetBits == 20;
    AirspaceFiles f;
    // TCC.DAT: x 2, a, z 2, y 6, m 2, b, r 2, g 23.
    uint32_t v[8];
    v[1] = 2;
    v[2] = v[1] + L.fss->size;
    v[3] = v[2] + 2;
    v[4] = v[3] + 6;
    v[5] = v[4] + 2;
    v[6] = v[5] + L.tcc->size;
    v[7] = v[6] + 2;
    v[0] = v[7] + 23;
    std::vector<uint8_t> body(v[0], 0x11);
    std::fill(body.begin() + v[1], body.begin() + v[2], 0);
    std::fill(body.begin() + v[5], body.begin() + v[6], 0);
    PutU16(&body[v[1] + 6], static_cast<uint32_t>(fssName));
    PutU16(&body[v[5] + 10], static_cast<uint32_t>(tccName));
    PutU24(&body[v[5] + 14], 1);
    f.tcc = StringFormatC("%s%x|%x|%x|%x|%x|%x|%x|%x<", tagged ? "TCC_02|" : "", v[0], v[1], v[2], v[3], v[4], v[5],
                          v[6], v[7]) +
            std::string(body.begin(), body.end());
    f.fssAt = v[1];
    f.tccAt = v[5];
    f.listsAt = v[4];
    // SUA.DAT: m 4, a, b, one record number, one grid cell.
    const uint32_t e = 4, o2 = e, o3 = o2 + L.suaA->size, o1 = o3 + L.suaB->size, o0 = o1 + 2, l = o0 + 20;
    std::vector<uint8_t> s(l, 0x22);
    std::fill(s.begin() + o2, s.begin() + o1, 0);
    PutU16(&s[o2 + 18], static_cast<uint32_t>(suaName));
    PutU16(&s[o2 + 20], 0xFFFF);
    PutU24(&s[o2 + 14], 0x800002);  // height header flag, vertices at 2
    PutU16(&s[o2 + L.suaA->airportByte], static_cast<uint32_t>(airport));
    PutU16(&s[o3 + 18], 0xFFFF);
    PutU16(&s[o3 + 20], static_cast<uint32_t>(suaName));
    f.sua = StringFormatC("%s%x|%x|%x|%x|%x|%x|%x|%x|%x|%x|%x<", tagged ? "SUA_02|" : "", 1, o0, 1, o1, 1, o2, 1, o3, 0,
                          e, l) +
            std::string(s.begin(), s.end());
    f.suaAAt = o2;
    f.suaBAt = o3;
    return f;
}

class AirspaceFamilies : public CreateImageTest, public ::testing::WithParamInterface<const ImageParams*> {};

TEST_P(AirspaceFamilies, SectionsAreCopiedBehindTheVorAreaWithRelocatedRecords) {
    const ImageParams& p = *GetParam();
    const AirspaceLayouts& L = AirspaceLayoutsOf(p);
    Start(p);
    Batch("ADD|APT|EGLL|GB United Kingdom|LONDON|HEATHROW|N512839|W0002741|83\r\n"
          "ADD|APT|EGKK|GB|LONDON|GATWICK|N510853|W0001124|202\r\n"
          "ADD|VOR|LON|GB|LONDON|LONDON VOR|N512914|W0002800|113.60\r\n");
    const int32_t heathrow = NameSerial("HEATHROW");
    const int32_t gatwick = NameSerial("GATWICK");
    int32_t egll = -1;
    for (const AptRecord& a : All<AptRecord>("asno")) {
        if (std::string(a.aident, 4) == "EGLL") egll = a.asno;
    }
    const AirspaceFiles files = MakeAirspaceFiles(p, heathrow, gatwick, heathrow, egll);
    WriteFile("db50/TCC.DAT", files.tcc);
    WriteFile("db50/SUA.DAT", files.sua);
    const std::vector<std::string> lines = Create();
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(Echoed("Counting FSS/TCCS 3"));  // two records and the end
    EXPECT_TRUE(Echoed("Counting SUAS 3"));

    const ImageBack back = ReadImageBack(p, "test.img");
    const uint32_t vorEnd = back.layout.sections[kSectionVor].AreaEnd();
    // Block A: FSS count, FSS start, section start P (right behind the VOR area).
    const uint32_t tccAt = back.U24(p.fssBlockA + 5);
    EXPECT_EQ(tccAt, vorEnd);
    EXPECT_EQ(back.U16(p.fssBlockA), 1u);
    EXPECT_EQ(back.U24(p.fssBlockA + 2), tccAt + files.fssAt);
    EXPECT_EQ(back.U24(p.pointerBlockOffset + kPtrFssBlockA), p.fssBlockA);
    const uint8_t* fss = &back.file[tccAt + files.fssAt];
    const AirspaceNameSlot& fn = L.fss->names[0];
    EXPECT_EQ(back.SlotName(fss, fn.lowByte, fn.highBit, fn.startBit), "HEATHROW");
    const uint8_t* tcc = &back.file[tccAt + files.tccAt];
    const AirspaceNameSlot& tn = L.tcc->names[0];
    EXPECT_EQ(back.SlotName(tcc, tn.lowByte, tn.highBit, tn.startBit), "GATWICK");
    EXPECT_EQ(GetU24(tcc + 14), tccAt + files.listsAt + 1);
    EXPECT_EQ(back.file[tccAt], 0x11);  // raw parts copied as they are

    // The SUA section follows the FSS/TCC section; its block ends with the section start.
    const uint32_t suaAt = back.U24(p.suaBlock + 20);
    EXPECT_EQ(suaAt, back.U24(p.fssBlockB + 2) + 23);  // behind the one TCC grid cell
    const uint8_t* a = &back.file[suaAt + files.suaAAt];
    const uint8_t* b = &back.file[suaAt + files.suaBAt];
    EXPECT_EQ(back.SlotName(a, 18, L.suaA->names[0].highBit, L.suaA->names[0].startBit), "HEATHROW");
    EXPECT_EQ(back.SlotName(a, 20, L.suaA->names[1].highBit, L.suaA->names[1].startBit), "<none>");
    EXPECT_EQ(back.SlotName(b, 20, L.suaB->names[1].highBit, L.suaB->names[1].startBit), "HEATHROW");
    const uint32_t offsetMask = (1u << L.suaA->offsetBits) - 1;
    EXPECT_EQ(GetU24(a + 14) & offsetMask, suaAt + 2);
    EXPECT_EQ(GetU24(a + 14) & 0x800000, 0x800000u);
    // EGLL sorts after EGKK: record 1 of the APT section.
    EXPECT_EQ(GetU16(a + L.suaA->airportByte), 1u);
    // The image ends with the SUA body.
    const uint32_t end = suaAt + static_cast<uint32_t>(files.sua.size() - files.sua.find('<') - 1);
    EXPECT_EQ(lines[lines.size() - 3], StringFormatC("Image ends at %06lx", static_cast<unsigned long>(end)));
}

INSTANTIATE_TEST_SUITE_P(CreateImage, AirspaceFamilies, ::testing::Values(&ImageParams496, &ImageParams195),
                         [](const auto& info) { return std::string(info.param->partNumber == 677 ? "B496" : "F195"); });

TEST_F(CreateImageTest, DamagedAirspaceFilesAreLeftOut) {
    Start();
    Batch("ADD|APT|EGLL|GB United Kingdom|LONDON|HEATHROW|N512839|W0002741|83\r\n");
    const AirspaceFiles files = MakeAirspaceFiles(ImageParams496, 0, 0, 0, 0);
    // A TCC.DAT of another family (no tag), and an SUA.DAT cut short of its body.
    const AirspaceFiles other = MakeAirspaceFiles(ImageParams195, 0, 0, 0, 0);
    WriteFile("db50/TCC.DAT", other.tcc);
    WriteFile("db50/SUA.DAT", files.sua.substr(0, files.sua.size() - 1));
    Create();
    EXPECT_EQ(Messages(), (std::vector<std::string>{kTccCorruptText, kSuaCorruptText}));
    EXPECT_FALSE(Echoed("Counting FSS/TCCS 1"));
    EXPECT_FALSE(Echoed("Writing SUA Section to image file 1"));
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    for (uint32_t absent : {kPtrFssBlockA, kPtrFssBlockB, kPtrSuaBlock}) {
        EXPECT_EQ(back.U24(ImageParams496.pointerBlockOffset + absent), kAbsent24);
    }
    for (uint32_t i = ImageParams496.fssBlockA; i < ImageParams496.countryTableStart; ++i) ASSERT_EQ(back.file[i], 0xFF);
}

TEST_F(CreateImageTest, FreshlyCompiledFilesReplaceTheOldOnesWhenTheUserAgrees) {
    Start();
    Batch("ADD|APT|EGLL|GB United Kingdom|LONDON|HEATHROW|N512839|W0002741|83\r\n");
    const int32_t name = NameSerial("HEATHROW");
    const AirspaceFiles files = MakeAirspaceFiles(ImageParams496, name, name, name, 0);
    WriteFile("db50/SUA.DAT", "garbage");
    WriteFile("db50/NewSua.dat", files.sua);
    WriteFile("db50/TCC.DAT", files.tcc);
    WriteFile("db50/NewTcc.dat", "new but declined");
    AddAnswer("File NewSUA.dat is present", {}, "Yes");
    AddAnswer("File NewTCC.dat is present", {}, "No");
    Create();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"File NewSUA.dat is present in db50, do you want me to rename it ?",
                                                    "File NewTCC.dat is present in db50, do you want me to rename it ?"}));
    EXPECT_FALSE(std::filesystem::exists("db50/NewSua.dat"));
    EXPECT_EQ(imgtest::ReadAll("db50/SUA.DAT").size(), files.sua.size());
    EXPECT_TRUE(std::filesystem::exists("db50/NewTcc.dat"));
    const ImageBack back = ReadImageBack(ImageParams496, "test.img");
    EXPECT_NE(back.U24(ImageParams496.pointerBlockOffset + kPtrSuaBlock), kAbsent24);
    EXPECT_NE(back.U24(ImageParams496.pointerBlockOffset + kPtrFssBlockA), kAbsent24);
}

}  // namespace
}  // namespace cimgtest
