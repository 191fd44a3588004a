// Damaged images and section files, made by flipping, cutting and overwriting bytes of sound
// ones: the readers refuse or accept them without reading outside what they hold.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "gen696/ImageFile696.h"
#include "gen696/SectionFile696.h"
#include "gen696/SourceImage696.h"

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Mutated(const std::vector<uint8_t>& sound, std::mt19937& rng) {
    std::vector<uint8_t> d = sound;
    switch (rng() % 4) {
    case 0: d.resize(rng() % (d.size() + 1)); break;
    case 1:
        for (int k = 0, n = 1 + static_cast<int>(rng() % 4); k < n && !d.empty(); ++k) {
            d[rng() % d.size()] ^= static_cast<uint8_t>(1 << (rng() % 8));
        }
        break;
    case 2:
        for (int k = 0; k < 4 && !d.empty(); ++k) d[rng() % d.size()] = static_cast<uint8_t>(rng());
        break;
    default:
        if (!d.empty()) d[rng() % d.size()] = '<';
        break;
    }
    return d;
}

class ReaderFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("fuzz696-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    void Write(const fs::path& p, const std::vector<uint8_t>& d) {
        std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(d.data()), static_cast<long>(d.size()));
    }
    fs::path dir;
};

TEST_F(ReaderFuzz, DamagedImagesAreRefusedOrLoadedWithinTheFile) {
    // A sound image: header, directory, three sections and the seal.
    const fs::path path = dir / "sound.img";
    {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        ImageFile696 image(fd);
        ASSERT_TRUE(image.ZeroDirectory());
        std::vector<uint8_t> header(512, 0);
        ASSERT_TRUE(image.Append(header.data(), header.size()));
        ASSERT_TRUE(image.MoveEnd(kSectionsStart696));
        ASSERT_TRUE(image.SetDirectoryEntry(0, 512, 104, 8));
        for (int s : {1, 2, 41}) {
            const std::vector<uint8_t> data(60, static_cast<uint8_t>(s));
            ASSERT_TRUE(image.SetDirectoryEntry(s, image.End() + (s == 41 ? 3 : 0), 30, 2));
            ASSERT_TRUE(image.Append(data.data(), data.size()));
        }
        const uint32_t length = image.End() + 4;
        ASSERT_TRUE(image.WriteAt(kLengthOffset696, &length, 4));
        ASSERT_TRUE(image.SealImageCrc());
        ::close(fd);
    }
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> sound((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    {
        const int fd = ::open(path.c_str(), O_RDONLY);
        SourceImage696 source;
        std::string error;
        EXPECT_TRUE(source.Load(fd, "sound.img", &error)) << error;
        EXPECT_EQ(source.Directory()[41].start + 3, sound.size() - 4 - 60 + 3);
        ::close(fd);
    }
    std::mt19937 rng(696);
    int refused = 0;
    for (int i = 0; i < 1500; ++i) {
        const std::vector<uint8_t> bad = Mutated(sound, rng);
        Write(dir / "bad.img", bad);
        const int fd = ::open((dir / "bad.img").c_str(), O_RDONLY);
        SourceImage696 source;
        std::string error;
        if (!source.Load(fd, "bad.img", &error)) {
            EXPECT_FALSE(error.empty());
            ++refused;
        } else {
            for (const ImageDirectoryEntry& e : source.Directory()) {
                EXPECT_LE(static_cast<uint64_t>(e.start) + static_cast<uint64_t>(e.count) * e.size + 3, bad.size());
            }
        }
        ::close(fd);
    }
    EXPECT_GT(refused, 1000);
}

TEST_F(ReaderFuzz, DamagedSectionFilesStopTheCopyWithAMessage) {
    std::string sound;
    sound += FormatDatHeader("SUA+", 512 + 8 * 41, 37, 1, 40) + std::string(40, 'a');
    std::string rec(30, '\0');
    for (int k = 21; k < 27; ++k) rec[k] = '\xff';
    sound += FormatDatHeader("SUA+", 512 + 8 * 39, 2, 30, 60) + rec + rec;
    sound += FormatDatHeader("SUA+", 512 + 8 * 69, 9, 1, 9) + std::string(9, 'b');
    sound += FormatDatHeader("SUA+", 0, 0, 0, 0);
    const std::vector<uint8_t> soundBytes(sound.begin(), sound.end());
    SectionLinks696 links;
    std::mt19937 rng(96);
    for (int i = 0; i < 1500; ++i) {
        const std::vector<uint8_t> bad = i == 0 ? soundBytes : Mutated(soundBytes, rng);
        Write(dir / "SUA+.DAT", bad);
        const fs::path img = dir / "out.img";
        const int fd = ::open(img.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0644);
        {
            ImageFile696 image(fd);
            image.MoveEnd(kSectionsStart696);
            DatFileCopy696 copy;
            std::string error;
            DatFileCopy696::Result r = DatFileCopy696::Result::Again;
            for (int calls = 0; r == DatFileCopy696::Result::Again && calls < 100000; ++calls) {
                r = copy.Piece(dir.string(), kSuaFile696, image, links, 0, 14, &error);
            }
            if (i == 0) {
                EXPECT_EQ(r, DatFileCopy696::Result::Done) << error;
            }
            if (r == DatFileCopy696::Result::Failed) {
                EXPECT_FALSE(error.empty());
            }
            EXPECT_NE(r, DatFileCopy696::Result::Again);
        }
        ::close(fd);
        std::string error;
        VisitDatRecords696(dir.string(), kSuaFile696, {39, 40}, [](int, const uint8_t*, size_t) {}, &error);
    }
}

}  // namespace
