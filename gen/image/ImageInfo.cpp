#include "gen/image/ImageInfo.h"

#include <fcntl.h>

#include <algorithm>

#include "common/CLocale.h"
#include "common/LineWriter.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/image/ImageReader.h"
#include "gen/listing/ListingFormat.h"
#include "gen/image/NameCoder.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

namespace {

inline constexpr const char* kApidgenFile = "apidgen.txt";

// A zero-filled block of the bytes [start, end) of the file, cut at the file's end.
std::vector<uint8_t> ReadRange(const Image& image, uint64_t fileLength, uint32_t start, uint32_t end) {
    const uint64_t stop = std::min<uint64_t>(end, fileLength);
    if (stop <= start) return {};
    std::vector<uint8_t> block(static_cast<size_t>(stop - start), 0);
    constexpr size_t kPiece = 16384;
    for (size_t at = 0; at < block.size(); at += kPiece) {
        const size_t n = std::min(kPiece, block.size() - at);
        if (image.Read(start + at, block.data() + at, n) < static_cast<long>(n)) break;
    }
    return block;
}

// The bit positions of the names of the table, one after the other; a name that does not end
// before the table does is not counted.
std::vector<uint32_t> ListNameStarts(const std::vector<uint8_t>& names) {
    std::vector<uint32_t> starts;
    const auto bits = static_cast<uint32_t>(names.size() * 8);
    uint32_t bit = 0;
    std::string text;
    while (bit < bits) {
        uint32_t next = bit;
        if (!DecodeNameText(names.data(), bit, bits, &text, &next) || next <= bit) break;
        starts.push_back(bit);
        bit = next;
    }
    return starts;
}

void WriteApidgen(const std::vector<std::string>& ids) {
    platform::AtomicFile file;
    if (!file.Open(kApidgenFile, platform::AtomicFile::Start::Empty, platform::Share::DenyNone)) return;
    bool written = true;
    {
        LineWriter out(file.Descriptor());
        for (size_t i = 0; i < ids.size(); ++i) out.WriteLineF("%3x %s", static_cast<unsigned>(i), ids[i].c_str());
        written = out.Flush();
    }
    if (written) file.Commit();
}

}  // namespace

std::string ImageInfo::SizeLine() const {
    const uint32_t limit = params->sizeLimit;
    const uint32_t end = map.imageEnd;
    const bool free = end <= limit;
    return StringFormatC("Image size (hex): %06x bytes (%x %s)", static_cast<unsigned>(end),
                         static_cast<unsigned>(free ? limit - end : end - limit), free ? "free" : "oversize");
}

ImageResult LoadImageInfo(const Image& image, uint32_t debugLevel, ImageInfo* info, const InfoLineSink& lines) {
    ImageInfo& in = *info;
    const ImageParams& p = *in.params;
    in.fileLength = image.FileLength();
    if (ImageResult r = ReadImageHeader(image, &in.header); !r) return r;
    in.headerBytes.assign(p.dataStart, 0);
    image.Read(0, in.headerBytes.data(), in.headerBytes.size());
    if (p.readLayout) {
        // The family's own layout; its FSS/TCC and SUA blocks where its reader finds them.
        uint32_t tccBlock = kAbsent24;
        uint32_t suaBlock = kAbsent24;
        if (ImageResult r = p.readLayout(image, &in.layout, &tccBlock, &suaBlock); !r) return r;
        in.header.pointers[kPtrFssBlockA / 3] = tccBlock;
        in.header.pointers[kPtrSuaBlock / 3] = suaBlock;
    } else if (ImageResult r = ReadImageLayout(image, &in.layout); !r) {
        return r;
    }

    std::vector<std::string> debug;
    DumpSectionMap(image, in.header, in.layout, &in.map, debugLevel ? &debug : nullptr);
    for (const std::string& line : debug) lines(line);
    const SectionMap& m = in.map;

    const std::vector<uint8_t> countries = ReadRange(image, in.fileLength, m.countryStart, m.countryEnd);
    in.countries.assign(countries.size() / kCountryRecordSize, {});
    for (size_t i = 0; i < in.countries.size(); ++i) {
        std::copy_n(countries.begin() + static_cast<long>(i * kCountryRecordSize), kCountryRecordSize,
                    in.countries[i].begin());
    }
    in.countryTexts.clear();
    std::vector<std::string> countryTexts;
    for (uint32_t i = 0; i < in.countries.size(); ++i) countryTexts.push_back(FormatCountry(in, i));
    in.countryTexts = std::move(countryTexts);

    in.approachIds.clear();
    if (m.approachIdCount) {
        const std::vector<uint8_t> ids =
            ReadRange(image, in.fileLength, m.approachIdStart, m.approachIdStart + kApproachIdSize * m.approachIdCount);
        for (size_t at = 0; at + kApproachIdSize <= ids.size(); at += kApproachIdSize) {
            in.approachIds.push_back(UnpackApproachId(&ids[at]));
        }
        if (debugLevel & kDebugApidgen) WriteApidgen(in.approachIds);
    }

    in.names = ReadRange(image, in.fileLength, m.namesStart, m.namesEnd);
    in.nameStarts = ListNameStarts(in.names);
    in.nameTexts.assign(in.nameStarts.size(), std::string());
    in.nameDecoded.assign(in.nameStarts.size(), false);
    if (debugLevel) {
        lines(StringFormatC("TXT:ST=%lx, ND=%lx, NAMES=%d", static_cast<unsigned long>(m.namesStart),
                            static_cast<unsigned long>(m.namesEnd), static_cast<int>(in.nameStarts.size())));
    }
    in.detail = ReadRange(image, in.fileLength, m.detailStart, m.detailEnd);

    for (int s = 0; s < kSectionCount; ++s) ReadIdentBuckets(image, in.layout, s, in.buckets[s]);
    in.lastPointer = 0xFFFFFFFF;
    in.lastIndex = kNameIndexUnset;
    return ImageResult::Ok();
}

int32_t NameIndexFromPointer(const ImageInfo& info, const NamePosition& name, const InfoLineSink& lines) {
    if (name.absent) return kNameIndexUnset;
    if (name.bit == info.lastPointer) return info.lastIndex;
    const auto it = std::lower_bound(info.nameStarts.begin(), info.nameStarts.end(), name.bit);
    int32_t index = kNameIndexCorrupt;
    if (it != info.nameStarts.end() && *it == name.bit) {
        index = static_cast<int32_t>(it - info.nameStarts.begin());
    } else if (lines) {
        lines(StringFormatC("******Corrupt name pointer in image file: name %x(%x) not present", name.bit >> 3,
                            name.bit & 7));
    }
    info.lastPointer = name.bit;
    info.lastIndex = index;
    return index;
}
