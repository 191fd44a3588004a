#include "gen/image/RegionFiles.h"

#include <fcntl.h>

#include <vector>

#include "common/CLocale.h"
#include "gen/shell/FileCopy.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCheck.h"
#include "gen/image/ImageFileNames.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

namespace {

constexpr size_t kPiece = 256;
constexpr uint32_t kBaseNameOffset = 8;
constexpr size_t kBaseNameLength = 8;

bool PutU32At(int fd, int64_t offset, uint32_t value) {
    uint8_t b[4];
    PutU32(b, value);
    return platform::WriteAt(fd, b, 4, offset) == 4;
}

}  // namespace

bool IsEightDotThree(const std::string& path) {
    const std::string base = platform::BaseName(path);
    return base.size() == 12 && base[8] == '.' && base.find('.') == 8;
}

bool MakeRegionFiles(const std::string& userTemplate, const std::string& userImage, int ownKind, ImageFileUi& ui) {
    const std::string templatePath = platform::NormalizePath(userTemplate);
    const std::string imagePath = platform::NormalizePath(userImage);
    const std::string first = ReplaceExtension(imagePath, ".rg1");
    std::string second = first;
    second.back() = '2';
    if (!IsEightDotThree(imagePath) || !IsEightDotThree(templatePath)) {
        ui.Message("All filenames must be exactly 8.3 format for rg1 generation");
        return false;
    }
    const std::string names =
        StringFormatC("\"%s\" and \"%s\" from \"%s\" and \"%s\"", platform::BaseName(first).c_str(),
                      platform::BaseName(second).c_str(), platform::BaseName(imagePath).c_str(),
                      platform::BaseName(templatePath).c_str());
    if (!ConfirmPrompt(ui, StringFormatC("make region files %s", names.c_str()))) return false;

    const int64_t offset = CheckImageFileType(templatePath, ownKind, ui);
    if (offset < 0) return false;
    if (offset == 0) {
        ui.Message(StringFormatC("%s has no region header to copy", templatePath.c_str()));
        return false;
    }

    OpenFiles files;
    const int tpl = files.Open(templatePath, O_RDONLY, platform::Share::DenyNone);
    const int img = files.Open(imagePath, O_RDONLY, platform::Share::DenyNone);
    if (tpl < 0 || img < 0) {
        ui.Message(StringFormatC("Cannot open %s", (tpl < 0 ? templatePath : imagePath).c_str()));
        return false;
    }
    uint8_t head[kPiece] = {};
    platform::ReadAt(tpl, head, sizeof head, 0);
    const int p = FindKpGrd(head, sizeof head);
    if (p < 8 || offset < 15 || offset > kRegionFileSize) {
        ui.Message(StringFormatC("%s has no region header to copy", templatePath.c_str()));
        return false;
    }
    const int64_t imageLength = platform::FileSize(img);
    const int64_t firstPart = kRegionFileSize - offset;
    if (imageLength > firstPart + kRegionFileSize) {
        ui.Message(StringFormatC("%s is %lld bytes too long for region files", imagePath.c_str(),
                                 static_cast<long long>(imageLength - firstPart - kRegionFileSize)));
        return false;
    }

    // Both files take their names' places only when both are written.
    platform::AtomicFile out1;
    platform::AtomicFile out2;
    const auto start = platform::AtomicFile::Start::Empty;
    const int r1 = out1.Open(first, start, platform::Share::DenyReadWrite) ? out1.Descriptor() : -1;
    if (r1 < 0) {
        ui.Message(StringFormatC("Cannot open %s", first.c_str()));
        return false;
    }
    int64_t fromTpl = 0;
    int64_t fromImg = 0;
    int64_t at = 0;
    bool ok = CopyFilePart(tpl, &fromTpl, r1, &at, offset, kPiece) == offset;
    ok = ok && CopyFilePart(img, &fromImg, r1, &at, firstPart, kPiece) >= 0;
    // An image shorter than the first part: the rest of the file stays 0xFF.
    if (ok && at < kRegionFileSize) {
        const std::vector<uint8_t> fill(static_cast<size_t>(kRegionFileSize - at), 0xFF);
        ok = platform::WriteAt(r1, fill.data(), fill.size(), at) == static_cast<long>(fill.size());
    }
    const int r2 = ok && out2.Open(second, start, platform::Share::DenyReadWrite) ? out2.Descriptor() : -1;
    int64_t secondLength = 0;
    ok = ok && r2 >= 0;
    if (ok) {
        int64_t at2 = 0;
        secondLength = CopyFilePart(img, &fromImg, r2, &at2, kRegionFileSize, kPiece);
        ok = secondLength >= 0;
    }
    // The container header of the first file describes the new pair.
    const std::string base = platform::BaseName(first).substr(0, kBaseNameLength);
    ok = ok && platform::WriteAt(r1, base.data(), base.size(), kBaseNameOffset) == static_cast<long>(base.size());
    ok = ok && PutU32At(r1, p - 8, static_cast<uint32_t>(kRegionFileSize - p));
    ok = ok && PutU32At(r1, p - 4, static_cast<uint32_t>(secondLength));
    ok = ok && PutU32At(r1, offset - 15, static_cast<uint32_t>(imageLength + 10));
    ok = ok && PutU32At(r1, offset - 4, static_cast<uint32_t>(imageLength));
    const bool secondDone = ok && out2.Commit();
    ok = secondDone && out1.Commit();
    if (!ok) {
        ui.Message(StringFormatC("Cannot write %s", (r2 < 0 || !secondDone ? second : first).c_str()));
        return false;
    }
    return true;
}
