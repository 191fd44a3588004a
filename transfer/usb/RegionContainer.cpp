#include "transfer/usb/RegionContainer.h"

#include <algorithm>
#include <cstring>

#include "common/CLocale.h"
#include "common/PartNumber.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/TransferFile.h"

namespace {

constexpr size_t kHeaderBytes = 256;
constexpr size_t kRecordBytes = 15;
constexpr int kLoaderRegion = 12;

// Skips `count` zero-ended texts from `position` within `limit` bytes; -1 when they run past.
int SkipTexts(const uint8_t* bytes, int position, unsigned count, int limit) {
    for (unsigned i = 0; i < count; ++i) {
        while (position < limit && bytes[position] != 0) ++position;
        if (position >= limit) return -1;
        ++position;
    }
    return position;
}

struct RecordHeader {
    bool valid = false;
    int region = 0;
    uint32_t length = 0;
};

RecordHeader ReadRecordHeader(TransferFile& file, int64_t at) {
    RecordHeader h;
    uint8_t record[kRecordBytes];
    file.Seek(at);
    if (file.Read(record, kRecordBytes) < kRecordBytes || record[4] != 'R') return h;
    h.valid = true;
    h.region = record[5] | record[6] << 8;
    h.length = record[11] | record[12] << 8 | record[13] << 16 | static_cast<uint32_t>(record[14]) << 24;
    return h;
}

}  // namespace

int ContainerModel(const uint8_t* header, size_t size) {
    if (size < 8 || (std::memcmp(header, "pWa.d", 6) != 0 && std::memcmp(header, "wAt.d", 6) != 0)) return -1;
    const int position = SkipTexts(header, 24, header[6] | header[7] << 8, static_cast<int>(size));
    if (position < 0 || position + 6 >= static_cast<int>(size)) return 0;
    return header[position + 5] | header[position + 6] << 8;
}

int FirstRegionRecord(const uint8_t* header, size_t size) {
    for (size_t p = 0; p < 250 && p + 8 <= size; ++p) {
        if (std::memcmp(header + p, "KpGrd", 6) == 0) {
            return SkipTexts(header, static_cast<int>(p) + 24, header[p + 6] | header[p + 7] << 8, static_cast<int>(size));
        }
    }
    return -1;
}

void RegionContainer::Read(TransferFile& file, std::initializer_list<uint32_t> dropped) {
    rows.clear();
    model = 0;
    uint8_t header[kHeaderBytes] = {};
    file.Rewind();
    const size_t n = file.Read(header, sizeof header);
    const int m = ContainerModel(header, n);
    if (m > 0) model = m;
    const int first = FirstRegionRecord(header, n);
    if (first < 0) return;
    const int64_t size = file.Size();
    for (int64_t at = first; rows.size() < kMaxRows;) {
        const RecordHeader h = ReadRecordHeader(file, at);
        if (!h.valid) break;
        const int64_t dataEnd = at + static_cast<int64_t>(kRecordBytes) + h.length;
        if (dataEnd > size) break;
        if (std::find(dropped.begin(), dropped.end(), static_cast<uint32_t>(h.region)) == dropped.end()) {
            rows.push_back({static_cast<uint32_t>(h.region), static_cast<uint32_t>(at),
                            static_cast<uint32_t>(at + kRecordBytes), h.length});
        }
        at = dataEnd;
    }
    file.Rewind();
}

bool ExtractUsbLoader(const std::string& container, const std::string& loaderPath, int unitProductId, std::string& trace) {
    trace = StringFormatC("looking for rgn=12 mdl=%d in file %s", unitProductId, container.c_str());
    TransferFile file;
    if (!file.OpenRead(container)) return false;
    uint8_t header[kHeaderBytes] = {};
    const size_t n = file.Read(header, sizeof header);
    const int model = ContainerModel(header, n);
    if (model >= 0 && model != unitProductId && !(model == 48 && unitProductId == 128)) {
        trace += StringFormatC(" (fail: mdl=%d)", model);
        return false;
    }
    TransferFile loader;
    if (!loader.OpenWrite(loaderPath, true)) return false;
    const int first = FirstRegionRecord(header, n);
    int pieces = 0;
    int value = -1;
    for (int64_t at = first; first >= 0;) {
        const RecordHeader h = ReadRecordHeader(file, at);
        if (!h.valid) break;
        if (h.region < 2) {
            // The image behind the records must carry its part number.
            uint8_t image[kHeaderBytes] = {};
            const size_t got = file.Read(image, sizeof image);
            value = DecodePartNumber(image, got, 33);
            if (value < 0) value = DecodePartNumber(image, got, 150);
            break;
        }
        if (h.region == kLoaderRegion) pieces = CopyRecordBytes(file, loader, h.length);
        at += static_cast<int64_t>(kRecordBytes) + h.length;
    }
    if (pieces == 0 || value < 0) {
        trace += StringFormatC(" (fail: val=%d)", pieces);
        return false;
    }
    trace += " (found)";
    return true;
}
