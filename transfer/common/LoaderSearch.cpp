#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "common/CLocale.h"
#include "common/PartNumber.h"
#include "platform/FileSystem.h"
#include "transfer/common/ImageChecks.h"

namespace {

bool IsVrpUnit(int productId) { return productId == 595 || productId == 887; }

// Skips `count` zero-ended strings from `position` within the first `limit` bytes; -1 when
// they run past it.
int SkipStrings(const uint8_t* buffer, int position, unsigned count, int limit) {
    for (unsigned i = 0; i < count; ++i) {
        while (position < limit && buffer[position] != 0) ++position;
        if (position >= limit) return -1;
        ++position;
    }
    return position;
}

bool Matches(const std::string& name, const char* extension) {
    const size_t n = std::strlen(extension);
    if (name.size() <= n) return false;
    for (size_t i = 0; i < n; ++i) {
        const char c = name[name.size() - n + i];
        if (std::tolower(static_cast<unsigned char>(c)) != extension[i]) return false;
    }
    return true;
}

constexpr size_t kRecordHeader = 15;

}  // namespace

bool ImageChecks::NeedsLoader(int productId) {
    switch (productId) {
        case 128: case 145: case 260: case 364: case 365: case 402: case 406: case 595: case 887:
            return true;
        default:
            return false;
    }
}

std::string ImageChecks::LoaderFileName() const {
    return StringFormatC(IsVrpUnit(unitProductId) ? "vrp%s.bin" : "ldr%s.bin", LoaderModelWord(unitProductId));
}

int CopyRecordBytes(TransferFile& source, TransferFile& target, uint32_t length) {
    uint8_t piece[kBlockSize];
    int pieces = 0;
    while (length > 0) {
        const size_t want = length < kBlockSize ? length : kBlockSize;
        const size_t n = source.Read(piece, want);
        if (n == 0) break;
        ++pieces;
        target.Write(piece, n);
        if (n < want) break;
        length -= static_cast<uint32_t>(n);
    }
    return pieces;
}

void ImageChecks::AddList(const std::string& name) {
    struct stat st;
    const std::string path = StringFormatC("%s/%s", folder.c_str(), name.c_str());
    if (::stat(path.c_str(), &st) != 0) return;
    const std::string entry = StringFormatC("%010u|%s", static_cast<unsigned>(st.st_mtime), name.c_str());
    if (reporter_.DebugLevel() == 4) reporter_.Log(StringFormatC("AddList: %s", entry.c_str()));
    loaderCandidates_.push_back(entry);
}

int ImageChecks::SearchLoaderFile() {
    ClearLoaderCandidates();
    const std::vector<std::string> names = platform::ListDirectory(folder);
    for (const char* extension : {".awp", ".rg1", ".rgn"}) {
        for (const std::string& name : names) {
            if (!Matches(name, extension) || platform::IsDirectory(folder + "/" + name)) continue;
            AddList(name);
        }
    }
    int result = 0;
    std::string chosen;
    while (result == 0) {
        int best = -1;
        unsigned long bestTime = 0;
        for (size_t i = 0; i < loaderCandidates_.size(); ++i) {
            const unsigned long time = std::strtoul(loaderCandidates_[i].c_str(), nullptr, 10);
            if (time > bestTime) {
                bestTime = time;
                best = static_cast<int>(i);
            }
        }
        if (best < 0) break;
        const std::string& entry = loaderCandidates_[best];
        chosen = entry.substr(entry.find('|') + 1);
        result = FindLoader(chosen);
        if (result == 0) loaderCandidates_.erase(loaderCandidates_.begin() + best);
    }
    const char* word = IsVrpUnit(unitProductId) ? "VRPs" : "Loader";
    if (result != 0 && reporter_.AskYesNo(StringFormatC("Is it OK to upload the %s from file: %s ?", word, chosen.c_str()))) {
        reporter_.Log(StringFormatC("%s found in file %s", word, chosen.c_str()));
        return result;
    }
    reporter_.Log(StringFormatC("No %s available", word));
    return 0;
}

int ImageChecks::FindLoader(const std::string& source) {
    if (reporter_.DebugLevel() == 4) reporter_.Log(StringFormatC("FindLoader: %s", source.c_str()));
    TransferFile loader;
    if (!loader.OpenWrite(folder + "/" + LoaderFileName(), true) || source.empty()) return 0;
    TransferFile file;
    if (!file.OpenRead(folder + "/" + source)) return 0;
    std::memset(header, 0, sizeof header);
    const size_t headerLength = file.Read(header, sizeof header);

    if (headerLength >= 6 && (std::memcmp(header, "pWa.d", 6) == 0 || std::memcmp(header, "wAt.d", 6) == 0)) {
        const unsigned count = header[6] | header[7] << 8;
        // The string list must end inside the bytes read, with the id after it.
        const int position = SkipStrings(header, 24, count, static_cast<int>(headerLength));
        if (position < 0 || position + 6 >= static_cast<int>(headerLength)) return 0;
        const int id = header[position + 5] | header[position + 6] << 8;
        const bool suits = id == unitProductId || (id == 48 && unitProductId == 128) || (id == 0 && unitProductId != 128);
        if (!suits) return 0;
    }

    int result = 0;
    int found = -1;
    for (int p = 0; p < 250 && p + 6 <= static_cast<int>(headerLength); ++p) {
        if (std::memcmp(header + p, "KpGrd", 6) == 0) {
            found = p;
            break;
        }
    }
    if (found >= 0 && found + 8 <= 240) {
        const unsigned count = header[found + 6] | header[found + 7] << 8;
        const int first = SkipStrings(header, found + 24, count, 240);
        if (first >= 0) {
            const int64_t size = file.Size();
            int64_t at = first;
            while (at + static_cast<int64_t>(kRecordHeader) <= size) {
                file.Seek(at);
                uint8_t record[kRecordHeader];
                if (file.Read(record, kRecordHeader) < kRecordHeader) break;
                const int kind = record[5] | record[6] << 8;
                const uint32_t length = record[11] | record[12] << 8 | record[13] << 16 |
                                        static_cast<uint32_t>(record[14]) << 24;
                if (kind == 0) break;
                if (kind == 12 || (kind == 79 && IsVrpUnit(unitProductId))) {
                    result = CopyRecordBytes(file, loader, length);
                }
                at += static_cast<int64_t>(kRecordHeader) + length;
            }
            std::memset(header, 0, sizeof header);
            file.Read(header, sizeof header);
        }
    }
    if (!DecodePartNumber(33)) result = 0;
    return result;
}
