// An image being built: writes held in memory reach the file whole at the cut and at Close,
// and a disc that cannot take them is reported where the building step can report it.
#include <gtest/gtest.h>

#include <filesystem>

#include <signal.h>
#include <sys/resource.h>

#include <cstring>

#include "gen/testsupport/ImageTestUtil.h"

using namespace imgtest;

namespace {

// The bytes a file gets from the same writes: gaps and growth are 0xFF.
void ModelWrite(std::vector<uint8_t>& model, uint64_t offset, const std::vector<uint8_t>& data) {
    if (model.size() < offset + data.size()) model.resize(offset + data.size(), 0xFF);
    std::copy(data.begin(), data.end(), model.begin() + static_cast<long>(offset));
}

std::vector<uint8_t> Pattern(size_t n, uint8_t seed) {
    std::vector<uint8_t> p(n);
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(seed + i * 13);
    return p;
}

TEST(ImageWrite, TheFileHoldsEveryWrittenByteAfterTheCut) {
    struct Write {
        uint64_t offset;
        size_t length;
    };
    struct Case {
        const char* what;
        const ImageParams* params;
        uint32_t prefill;  // bytes pre-filled; 0: the family's whole pre-fill
        std::vector<Write> writes;
        uint32_t imageEnd;
        uint64_t fileLength;
    };
    const Case cases[] = {
        {"header, a write across two pages, a record near the end of the cut",
         &ImageParams496,
         0,
         {{0, 102}, {Image::kFlushPage - 5, 10}, {0x7FFF0, 16}, {0x3000, 2}},
         0x40000,
         0x80000},
        {"an image longer than its pre-fill keeps what was written, the gap 0xFF",
         &ImageParamsIIIPilot,
         0,
         {{0x16FFF0, 32}, {0x170100, 7}, {1, 1}},
         0x170107,
         0x170107},
        {"writes over more pages than are held in memory, out of order, a page written again after it left",
         &ImageParams496,
         0,
         {{0x50000, 8}, {0x10, 4}, {0x20000, 3}, {0x3FFFE, 4}, {0x60000, 2}, {0x30000, 1}, {0x12, 6}, {0x50004, 8}},
         0x60002,
         0x80000},
        {"a file shorter than the cut is completed with 0xFF",
         &ImageParams496,
         Image::kFlushPage,
         {{0x100, 4}},
         0x40000,
         0x80000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.File("w.img");
        Image image(*c.params);
        ASSERT_TRUE(image.Create(path).ok());
        const uint32_t blocks = c.prefill ? c.prefill / Image::kPrefillBlock : image.PrefillBlockCount();
        for (uint32_t i = 0; i < blocks; ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
        std::vector<uint8_t> model(uint64_t{blocks} * Image::kPrefillBlock, 0xFF);
        EXPECT_TRUE(ReadAll(image.WritingPath()) == model) << "the pre-fill is in the file when its step ends";
        EXPECT_FALSE(std::filesystem::exists(path)) << "the image takes its name when it is complete";
        uint8_t seed = 1;
        for (const Write& w : c.writes) {
            const std::vector<uint8_t> data = Pattern(w.length, seed++);
            ASSERT_TRUE(image.Write(w.offset, data.data(), data.size()).ok());
            ModelWrite(model, w.offset, data);
            std::vector<uint8_t> back(w.length + 4, 0);
            EXPECT_EQ(image.Read(w.offset, back.data(), back.size()),
                      static_cast<long>(std::min<uint64_t>(back.size(), model.size() - w.offset)));
            EXPECT_TRUE(std::equal(data.begin(), data.end(), back.begin())) << "read back at " << w.offset;
        }
        EXPECT_EQ(image.FileLength(), model.size());
        ASSERT_TRUE(image.Cut(c.imageEnd).ok());
        model.resize(c.fileLength, 0xFF);
        EXPECT_EQ(image.FileLength(), c.fileLength);
        const std::vector<uint8_t> file = ReadAll(image.WritingPath());
        ASSERT_EQ(file.size(), c.fileLength);
        EXPECT_TRUE(file == model);
        image.Close();
        EXPECT_TRUE(ReadAll(path) == model);
        EXPECT_EQ(ReadAll(path).size(), c.fileLength);
    }
}

TEST(ImageWrite, CloseKeepsTheBytesAndAReadOnlyImageRefusesWrites) {
    TempDir dir;
    const std::string path = dir.File("c.img");
    Image image(ImageParams496);
    ASSERT_TRUE(image.Create(path).ok());
    const uint8_t data[3] = {1, 2, 3};
    ASSERT_TRUE(image.Write(5, data, 3).ok());
    // An offset no image can reach is refused, not allocated.
    const ImageResult far = image.Write(Image::kMaxBuildLength, data, 3);
    EXPECT_EQ(far.code, ImageCode::InternalError);
    EXPECT_EQ(far.text, "Program error: cannot write image at 4000000");
    image.Close();
    EXPECT_EQ(ReadAll(path), (std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3}));

    ASSERT_TRUE(image.Open(path).ok());
    EXPECT_EQ(image.FileLength(), 8u);
    EXPECT_EQ(image.ReadU24(5), 0x030201u);
    const ImageResult r = image.WriteU16(0, 7);
    EXPECT_EQ(r.code, ImageCode::InternalError);
    EXPECT_EQ(r.text, "Program error: cannot write image at 0");
    EXPECT_EQ(image.PrefillBlock(0).text, "Initialisation failed - check disc space");
}

// Limits the size of files this process writes, as a full disc would; writes beyond the limit
// fail instead of raising a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

TEST(ImageWrite, AFullDiscIsReportedByThePrefillAndByTheCut) {
    TempDir dir;
    {
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(dir.File("p.img")).ok());
        FileSizeLimit limit(0x100000);
        // The pre-fill reaches the file a page at a time: the page behind the limit fails.
        const uint32_t failing = (0x100000 + Image::kFlushPage) / Image::kPrefillBlock - 1;
        ImageResult r;
        uint32_t i = 0;
        for (; i < image.PrefillBlockCount(); ++i) {
            r = image.PrefillBlock(i);
            if (!r) break;
        }
        EXPECT_EQ(i, failing);
        EXPECT_EQ(r.code, ImageCode::InternalError);
        EXPECT_EQ(r.text, "Initialisation failed - check disc space");
    }
    {
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(dir.File("c.img")).ok());
        FileSizeLimit limit(0x400000);
        for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) ASSERT_TRUE(image.PrefillBlock(i).ok());
        // An image too long for the family: its last bytes cannot be stored.
        const std::vector<uint8_t> data = Pattern(16, 9);
        ASSERT_TRUE(image.Write(0x400000, data.data(), data.size()).ok());
        const ImageResult r = image.Cut(0x400010);
        EXPECT_EQ(r.code, ImageCode::InternalError);
        EXPECT_EQ(r.text, "Program error: cannot write image at 400000");
    }
}

// An image that fails or is dropped before it is complete leaves an older file of its name as it
// was, and no temporary file behind; a complete one replaces it.
TEST(ImageWrite, AFailedOrAbandonedImageLeavesTheOldFile) {
    TempDir dir;
    const std::string path = dir.File("old.img");
    const std::vector<uint8_t> old = Pattern(5000, 3);
    auto folderHoldsOnlyTheImage = [&] {
        const auto folder = std::filesystem::path(path).parent_path();
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            EXPECT_EQ(entry.path().filename(), "old.img");
        }
    };
    WriteAll(path, old);
    enum class End { FailedWrite, Abandoned, Committed };
    for (const End end : {End::FailedWrite, End::Abandoned, End::Committed}) {
        SCOPED_TRACE(static_cast<int>(end));
        Image image(ImageParams496);
        ASSERT_TRUE(image.Create(path).ok());
        {
            FileSizeLimit limit(end == End::FailedWrite ? 0x100000 : RLIM_INFINITY);
            ImageResult r;
            for (uint32_t i = 0; i < image.PrefillBlockCount() && r; ++i) r = image.PrefillBlock(i);
            EXPECT_EQ(static_cast<bool>(r), end != End::FailedWrite);
            if (end == End::FailedWrite) {
                EXPECT_FALSE(image.Commit());
            }
        }
        if (end == End::Abandoned) image.Abandon();
        if (end == End::Committed) {
            ASSERT_TRUE(image.Cut(0x1000).ok());
            ASSERT_TRUE(image.Commit().ok());
            EXPECT_EQ(image.FileLength(), 0x40000u);
        }
        image.Close();
        if (end != End::Committed) {
            EXPECT_TRUE(ReadAll(path) == old);
        }
        folderHoldsOnlyTheImage();
    }
    EXPECT_EQ(ReadAll(path), std::vector<uint8_t>(0x40000, 0xFF));
}

}  // namespace
