// Damaged images through Create ISAM: thousands of randomly damaged copies of a full image
// read, checked and converted as the steps do (without the database), and a share of them
// through the whole operation. Each ends with a message or with the database complete; none
// crashes, hangs or reads outside the file (the sanitizer build checks the last).
#include "dblib/Transaction.h"
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "gen/testsupport/CreateIsamTestSupport.h"
#include "gen/createisam/CreateIsamAirspace.h"
#include "gen/createisam/CreateIsamDetail.h"
#include "gen/createisam/CreateIsamSteps.h"
#include "gen/image/ImageSeal.h"

namespace cisamtest {
namespace {

// Everything Create ISAM reads of an image, without writing a database. False with the
// message when the image is refused.
bool ReadAsCreateIsam(const ImageParams& params, const std::string& path, std::string* message) {
    Image image(params);
    if (!image.Open(path).ok()) return false;
    IsamImageSource source(params);
    ImageResult r = source.Load(image);
    if (r) r = CheckIsamRecords(source);
    if (!r) {
        *message = r.text;
        return false;
    }
    std::vector<std::string> lines;
    IsamNameResolver names(source, [&](const std::string& line) { lines.push_back(line); });
    std::vector<int32_t> countries(source.CountryCount());
    std::iota(countries.begin(), countries.end(), 0);
    for (uint32_t n = 0; n < source.Section(kSectionApt).recordCount; ++n) {
        const AptRecord apt = IsamAptRecord(source, n, names, countries);
        DecodedAirportDetail detail;
        bool hasEntry = false;
        EXPECT_TRUE(IsamAirportDetail(source, n, apt.alat, apt.along, &detail, &hasEntry).ok());
        for (const DetailApproach& a : detail.approaches) EXPECT_LT(a.idIndex, source.ApproachIds().size());
    }
    for (uint32_t n = 0; n < source.Section(kSectionInt).recordCount; ++n) IsamIntRecord(source, n, countries);
    for (uint32_t n = 0; n < source.Section(kSectionNdb).recordCount; ++n) IsamNdbRecord(source, n, names, countries);
    for (uint32_t n = 0; n < source.Section(kSectionVor).recordCount; ++n) IsamVorRecord(source, n, names, countries);
    if (source.HasTcc()) {
        auto file = PlanTccFile(source, "unused");
        while (file->Next(source, names, 1, &lines)) {
        }
    }
    if (source.HasSua()) {
        auto file = PlanSuaFile(source, "unused");
        while (file->Next(source, names, 1, &lines)) {
        }
    }
    return true;
}

// A copy of the image with damage of one of several kinds.
std::vector<uint8_t> Damage(const std::vector<uint8_t>& good, uint32_t imageEnd, std::mt19937& random) {
    std::vector<uint8_t> bad = good;
    auto below = [&](uint32_t n) { return n ? static_cast<uint32_t>(random() % n) : 0u; };
    switch (below(5)) {
    case 0:  // a few bytes anywhere in the image
        for (uint32_t i = below(8) + 1; i > 0; --i) bad[below(imageEnd)] = static_cast<uint8_t>(random());
        break;
    case 1:  // the header and fixed area: pointers, counts, info blocks
        for (uint32_t i = below(4) + 1; i > 0; --i) bad[below(2100)] = static_cast<uint8_t>(random());
        break;
    case 2:  // the file cut short
        bad.resize(below(imageEnd + 64));
        break;
    case 3: {  // one bit
        const uint32_t at = below(imageEnd);
        bad[at] ^= static_cast<uint8_t>(1u << below(8));
        break;
    }
    default:  // a run of bytes behind the fixed area
        for (uint32_t at = 2069 + below(imageEnd - 2069), n = below(24) + 1; n > 0 && at < bad.size(); --n, ++at) {
            bad[at] = static_cast<uint8_t>(random());
        }
        break;
    }
    return bad;
}

// The damaged copy with the packet count and sumcheck that Create Image would have stored for
// it, so that the damage reaches the decoders behind the seal check (an image that cannot be
// loaded keeps its bytes: it is refused before the check).
void Reseal(const ImageParams& params, std::vector<uint8_t>& bad) {
    imgtest::WriteAll("seal.img", bad);
    Image image(params);
    if (!image.Open("seal.img").ok()) return;
    IsamImageSource source(params);
    if (!source.Load(image)) return;
    SealImageBytes(params, source.Layout(), source.ImageEnd(), bad);
}

class CreateIsamFuzz : public CreateIsamTest, public ::testing::WithParamInterface<const ImageParams*> {
protected:
    // Hundreds of scratch databases: commits need not wait for the disk.
    CreateIsamFuzz() { dbtx::SetSynced(false); }
    ~CreateIsamFuzz() override { dbtx::SetSynced(true); }
};

INSTANTIATE_TEST_SUITE_P(Families, CreateIsamFuzz, ::testing::Values(&ImageParams496, &ImageParams195),
                         [](const auto& info) { return std::to_string(info.param->partNumber); });

TEST_P(CreateIsamFuzz, DamagedImagesGiveMessagesOnly) {
    const ImageParams& params = *GetParam();
    Start(params);
    FillDatabase();
    Create("good.img");
    const std::vector<uint8_t> good = imgtest::ReadAll("good.img");
    std::string message;
    ASSERT_TRUE(ReadAsCreateIsam(params, "good.img", &message)) << message;
    Image image(params);
    ASSERT_TRUE(image.Open("good.img").ok());
    ImageLayout layout(params);
    ASSERT_TRUE(ReadImageLayout(image, &layout).ok());
    const uint32_t imageEnd = std::min<uint32_t>(static_cast<uint32_t>(good.size()), layout.ImageEnd() + 256);
    image.Close();

    std::mt19937 random(params.partNumber);
    int refused = 0;
    for (int i = 0; i < 3000; ++i) {
        imgtest::WriteAll("bad.img", Damage(good, imageEnd, random));
        message.clear();
        if (!ReadAsCreateIsam(params, "bad.img", &message)) {
            ++refused;
            EXPECT_FALSE(message.empty()) << i;
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(refused, 100);

    // A share of them through the whole operation, sealed again after the damage: a message and
    // "Operation Aborted", or the database complete.
    int completed = 0;
    for (int i = 0; i < 300; ++i) {
        std::vector<uint8_t> bad = Damage(good, imageEnd, random);
        Reseal(params, bad);
        imgtest::WriteAll("bad.img", bad);
        const std::vector<std::string> lines = Isam("bad.img");
        const bool complete = std::find(lines.begin(), lines.end(), "Database Complete") != lines.end();
        const bool aborted = std::find(lines.begin(), lines.end(), "Operation Aborted") != lines.end();
        EXPECT_TRUE(complete != aborted) << i;
        completed += complete;
        EXPECT_EQ(App().State(), kStateIdle);
        if (aborted) {
            EXPECT_FALSE(Messages().empty());
        }
        if (HasFailure()) return;
    }
    // Damage that leaves the image readable (a changed position, name or count) is rebuilt.
    EXPECT_GT(completed, 30);
    EXPECT_LT(completed, 270);

    // Damage without a new seal: refused by the seal check (or before it) with the database left
    // as it was, unless the damage left every byte the seal covers as it was.
    Isam("good.img");
    const size_t airports = All<AptRecord>("asno").size();
    int refusedBySeal = 0;
    for (int i = 0; i < 100; ++i) {
        const std::vector<uint8_t> bad = Damage(good, imageEnd, random);
        imgtest::WriteAll("bad.img", bad);
        const size_t messages = Messages().size();
        const std::vector<std::string> lines = Isam("bad.img");
        if (std::find(lines.begin(), lines.end(), "Database Complete") != lines.end()) {
            std::vector<uint8_t> resealed = bad;
            Reseal(params, resealed);
            EXPECT_TRUE(resealed == bad) << i << ": an image whose seal does not match was imported";
        } else {
            ASSERT_GT(Messages().size(), messages) << i;
            refusedBySeal += Messages().back().find("packet count") != std::string::npos ||
                             Messages().back().find("sumcheck byte") != std::string::npos;
            EXPECT_EQ(All<AptRecord>("asno").size(), airports) << i;
        }
        if (HasFailure()) return;
    }
    EXPECT_GT(refusedBySeal, 20);
}

}  // namespace
}  // namespace cisamtest
