#include "gen/image/ImageCheck.h"

#include <fcntl.h>

#include <cstring>
#include <strings.h>

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/ImageFileNames.h"
#include "common/PartNumber.h"
#include "platform/FileSystem.h"

namespace {

constexpr size_t kSignatureArea = 250;
constexpr size_t kStringsBound = 240;
constexpr size_t kRecordHeader = 15;
constexpr char kSignature[] = "KpGrd";  // with its NUL: 6 bytes

bool IsContainerExtension(const std::string& ext) {
    return strncasecmp(ext.c_str(), ".rg", 3) == 0 || strcasecmp(ext.c_str(), ".awp") == 0 ||
           strcasecmp(ext.c_str(), ".taw") == 0;
}

}  // namespace

int FindKpGrd(const uint8_t* head, size_t n) {
    for (size_t p = 0; p < kSignatureArea && p + sizeof kSignature <= n; ++p) {
        if (std::memcmp(head + p, kSignature, sizeof kSignature) == 0) return static_cast<int>(p);
    }
    return -1;
}

int64_t FindContainerImage(int fd, const uint8_t* head, size_t n) {
    const int p = FindKpGrd(head, n);
    if (p < 0 || static_cast<size_t>(p) + 8 > n) return 0;
    const uint32_t strings = GetU16(head + p + 6);
    size_t at = static_cast<size_t>(p) + 24;
    for (uint32_t i = 0; i < strings; ++i) {
        while (at < kStringsBound && at < n && head[at] != 0) ++at;
        if (at >= kStringsBound || at >= n) return 0;
        ++at;
    }
    const int64_t size = platform::FileSize(fd);
    for (int64_t offset = static_cast<int64_t>(at); offset > 0 && offset + static_cast<int64_t>(kRecordHeader) <= size;) {
        uint8_t record[kRecordHeader];
        if (platform::ReadAt(fd, record, sizeof record, offset) != static_cast<long>(sizeof record)) return 0;
        const uint32_t type = GetU16(record + 5);
        if (type < 2 || type == 50) return offset + static_cast<int64_t>(kRecordHeader);
        offset += static_cast<int64_t>(kRecordHeader) + GetU32(record + 11);
    }
    return 0;
}

ImageFileInfo IdentifyImageFile(const std::string& userPath) {
    const std::string path = platform::NormalizePath(userPath);
    ImageFileInfo info;
    std::memset(info.header, 0, sizeof info.header);
    const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return info;
    info.opened = true;
    const long n = platform::ReadAt(fd, info.header, sizeof info.header, 0);
    const size_t got = n > 0 ? static_cast<size_t>(n) : 0;
    if (IsContainerExtension(FileExtension(path))) {
        const int64_t offset = FindContainerImage(fd, info.header, got);
        if (offset > 0) {
            uint8_t image[kImageHeaderBuffer] = {};
            if (platform::ReadAt(fd, image, sizeof image, offset) > 0) {
                std::memcpy(info.header, image, sizeof image);
                info.offset = offset;
            }
        }
    }
    platform::CloseFile(fd);
    info.row = FindUnitProgramRow(info.header, sizeof info.header);
    if (info.row) info.partNumber = static_cast<int>(info.row->partNumber);
    return info;
}

int64_t CheckImageFileType(const std::string& path, int ownKind, ImageFileUi& ui, ImageFileInfo* out) {
    if (FileExtension(platform::NormalizePath(path)).empty()) return -1;
    ImageFileInfo info = IdentifyImageFile(path);
    if (out) *out = info;
    if (!info.opened) {
        ui.Message(StringFormatC("Cannot open %s", path.c_str()));
        return -1;
    }
    if (!info.row) {
        ui.Message(StringFormatC("%s is not an Orvanta Image file", path.c_str()));
        return -1;
    }
    if (info.row->kind != ownKind) {
        ui.Message(StringFormatC("This file is for a \"%s\" please use program \"%s\"", info.row->unit,
                                 info.row->program));
        return -1;
    }
    return info.offset;
}
