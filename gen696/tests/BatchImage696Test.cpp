// Tessily's batch update into an image: the 696 fields reach the image's records and airport
// blocks, and the database that Create ISAM rebuilds from that image makes the same image.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gen696/PointRecords696.h"
#include "gen696/PointSections696.h"
#include "gen696/tests/ImageRun696.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

class BatchImage696 : public ImageRun696 {
protected:
    static uint32_t Count(const std::vector<uint8_t>& d, int n) { return Entry(d, n).second; }
    static const uint8_t* Record(const std::vector<uint8_t>& d, int type, uint32_t k) {
        const PointSections696& s = kPointSections696[type];
        return &d[U32(d, 512 + 8 * s.recs) + k * s.recordSize];
    }
};

TEST_F(BatchImage696, BatchLinesReachTheImageAndComeBackTheSame) {
    const char* const lines[] = {
        "ADD|APT|KSEA|US-UNITED STATES|SEATTLE|SEATTLE-TACOMA INTL|N472656|W1221832|433|[HEL]|JA|UTC-8+DST",
        "ADD|RWY|KSEA|US-UNITED STATES|11900X150|16L-34R|HARD|FT LTS|<L-R> 0",
        "ADD|RWY|KSEA|US-UNITED STATES|8500X150|16C|Water|pc lts|<R-L>",
        "ADD|FRQ|KSEA|US-UNITED STATES|Tower|119.905|R:RX 090-270 BELOW 3000 \"NIGHT ONLY\"",
        "ADD|FRQ|KSEA|US-UNITED STATES|ATIS|118.00|M",
        "ADD|FRQ|KSEA|US-UNITED STATES|R/CTAF|122.80|R:",
        "ADD|INT|ALDER|US-UNITED STATES|LAKE|SEATTLE|N473000|W1221000|VRP",
        "ADD|NDB|BF|US-UNITED STATES|@SEATTLE|BOEING|N473148|W1221807|362.0|L",
        "ADD|VOR|SEA|US-UNITED STATES|SEATTLE|SEATTLE|N472606|W1221833|116.80|VORTAC|HIGH|[020]",
        "ADD|USR|HOME|N472000|W1222000|MY HOUSE",
    };
    {
        std::ofstream out("batch.txt", std::ios::binary);
        for (const char* l : lines) out << l << "\r\n";
    }
    Start();
    Run(kModeBatchUpdate, "batch.txt");
    for (const std::string& l : Doc().Lines()) EXPECT_EQ(l.find('*'), std::string::npos) << l;

    Run(kModeCreateImage, "a.img");
    const std::vector<uint8_t> a = suitetest::ReadAll("a.img");
    ASSERT_GT(a.size(), 1344u) << ::testing::PrintToString(Doc().Lines());
    ASSERT_EQ(Count(a, kPointSections696[0].recs), 1u);
    AptRecord apt{};
    UnpackApt696(Record(a, 0, 0), &apt);
    EXPECT_EQ(apt.autc, 12 + 8 + 32);
    EXPECT_EQ((Record(a, 0, 0)[7] >> 2) & 7, 4);   // the helicopter code
    VorRecord vor{};
    UnpackVor696(Record(a, 3, 0), &vor);
    EXPECT_EQ(vor.vtr, 5 * 32 + 8);
    EXPECT_EQ(vor.vmag, 20);
    IntRecord in{};
    UnpackInt696(Record(a, 1, 0), &in);
    EXPECT_EQ(in.iflags & 256, 256);

    std::filesystem::rename("a.img", "keep.img");
    Run(kModeCreateIsam, "keep.img");
    Run(kModeCreateImage, "b.img");
    EXPECT_EQ(suitetest::ReadAll("b.img"), a) << ::testing::PrintToString(Doc().Lines());
}

}  // namespace
