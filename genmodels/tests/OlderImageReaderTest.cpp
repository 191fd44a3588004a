// The readers of 90/95 XL and GPS 89 images against damaged files: every table bounded by the
// file, the damage reported, nothing read outside the bytes (run under the sanitizers).
#include <gtest/gtest.h>

#include <vector>

#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "genmodels/CreateIsam89.h"
#include "genmodels/CreateIsam90.h"
#include "genmodels/ImageFile89.h"
#include "genmodels/ImageFile90.h"
#include "platform/testsupport/ScratchDir.h"

namespace {

using suitetest::ScratchDir;
using suitetest::ReadAll;
using suitetest::WriteAll;

uint32_t Next(uint32_t& seed) {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
}

// An image of the family with a few records of random content, written by the family's header
// writer; then, now and then, one byte of its fixed area or a cut of its end damaged.
std::vector<uint8_t> MakeImage(const ImageParams& params, const std::string& path, uint32_t& seed) {
    Image image(params);
    EXPECT_TRUE(image.Create(path));
    ImageLayout& layout = image.Layout();
    layout.SetFixed(false, false);
    layout.countryCount = Next(seed) % 4;
    if (&params == &ImageParams90) {
        layout.namesLength = Next(seed) % 40;
        layout.detailLength = Next(seed) % 60;
    }
    for (SectionDescriptor& d : layout.sections) {
        if (!d.params->infoPointerOffset) continue;
        d.recordCount = Next(seed) % 6;
        d.cityCount = d.params->hasNames ? d.recordCount : 0;
    }
    layout.Compute();
    std::vector<uint8_t> bytes(layout.ImageEnd() - layout.countryStart);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(Next(seed));
    EXPECT_TRUE(image.Write(params.prefillSize - 1, "\xff", 1));
    EXPECT_TRUE(image.Write(layout.countryStart, bytes.data(), bytes.size()));
    for (const SectionDescriptor& d : layout.sections) {
        if (!d.params->infoPointerOffset) continue;
        std::vector<uint8_t> info(2 + 2 * kBucketCount, 0xFF);
        PutU16(info.data(), d.recordCount);
        if (d.recordCount) PutU16(info.data() + 2, 0);
        EXPECT_TRUE(image.Write(d.infoStart, info.data(), info.size()));
    }
    if (&params == &ImageParams90) {
        EXPECT_TRUE(WriteImageHeader90(image, Header90Input{}, nullptr));
    } else {
        EXPECT_TRUE(WriteImageHeader89(image, Header89Input{}, nullptr));
    }
    EXPECT_TRUE(image.Commit());
    image.Close();
    std::vector<uint8_t> file = ReadAll(path);
    switch (Next(seed) % 3) {
    case 0: file[Next(seed) % 900] = static_cast<uint8_t>(Next(seed)); break;
    case 1: file.resize(Next(seed) % file.size()); break;
    default: break;
    }
    return file;
}

TEST(OlderImageReader, DamagedImagesAreReportedWithinTheirBytes) {
    struct Family {
        const ImageParams* params;
        ImageResult (*check)(const IsamImageSource&);
    } families[] = {{&ImageParams90, CheckImageRecords90}, {&ImageParams89, CheckImageRecords89}};
    ScratchDir dir("olderreader");
    uint32_t seed = 90;
    for (const Family& f : families) {
        int loaded = 0;
        for (int round = 0; round < 60; ++round) {
            const std::string path = dir.File("damaged.img");
            WriteAll(path, MakeImage(*f.params, dir.File("made.img"), seed));
            Image image(*f.params);
            if (!image.Open(path)) continue;
            IsamImageSource source(*f.params);
            if (!source.Load(image)) continue;
            ++loaded;
            for (int s = 0; s < kSectionCount; ++s) {
                const SectionDescriptor& d = source.Section(s);
                EXPECT_NE(source.At(d.recordsStart, uint64_t{d.params->recordSize} * d.recordCount), nullptr);
                EXPECT_NE(source.At(d.gridIndexStart, 2ull * d.recordCount), nullptr);
                for (uint32_t n = 0; n < d.recordCount; ++n) source.Ident(s, n);
            }
            // A failed check names the damage.
            const ImageResult checked = f.check(source);
            if (!checked) {
                EXPECT_NE(checked.text.find("Damaged image"), std::string::npos) << checked.text;
            }
        }
        // Most images get past the layout checks, so that the record checks run.
        EXPECT_GT(loaded, 10) << f.params->partNumber;
    }
}

}  // namespace
