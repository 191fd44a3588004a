#include "genmodels/VlrTable92.h"

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/createisam/CreateIsamDetail.h"

namespace {

constexpr uint8_t kMoreFollows = 0x80;
constexpr uint8_t kDiagramFollows = 0x40;
constexpr uint32_t kStoredSurface = 0x37;
constexpr uint32_t kLongDesignator = 0x80;

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

uint32_t RunwayDiagramWord92(const DetailRunway& r) {
    if (r.rflags == -1 || (r.rpicst == 0 && r.rpic == 0)) return static_cast<uint32_t>(r.rpic);
    const auto flags = static_cast<uint32_t>(r.rflags);
    const auto start = static_cast<uint32_t>(r.rpicst);
    const auto pic = static_cast<uint32_t>(r.rpic);
    uint32_t word = ((flags & 255) << 23) + ((start & 0x7FF) << 11) + ((pic * 32) & 0x7FF) + ((start >> 11) & 31);
    if (word & (1u << 21)) word += 1u << 22;
    return word;
}

DetailRunway RunwayOfItem92(const VlrRunway92& item) {
    DetailRunway w;
    w.rlen = static_cast<int32_t>(item.length) * 100;
    w.rsl = static_cast<int32_t>(item.rsl & 0x7F);
    w.rw = static_cast<int32_t>(item.rw);
    w.rflags = -1;
    w.rpic = static_cast<int32_t>(item.diagram);
    return w;
}

bool NeedsVlrEntry92(const std::vector<DetailRunway>& runways, const std::vector<DetailFrequency>& frequencies) {
    return !frequencies.empty() || (!runways.empty() && runways.front().rw != 0);
}

ImageResult EncodeVlrEntry92(int32_t asno, const std::vector<DetailRunway>& runways,
                             const std::vector<DetailFrequency>& frequencies, std::vector<uint8_t>* entry) {
    entry->clear();
    const std::vector<DetailRunway>& list = RunwaysOrPlaceholder(runways);
    if (list.size() > kMaxDetailRunways || frequencies.size() > kMaxDetailFrequencies) {
        return ImageResult::Data(StringFormatC("APT=0x%x: %zu runways and %zu frequencies (limit %u each)",
                                               static_cast<unsigned>(asno), list.size(), frequencies.size(),
                                               kMaxDetailRunways));
    }
    for (size_t i = 0; i < list.size(); ++i) {
        const DetailRunway& r = list[i];
        const uint32_t diagram = RunwayDiagramWord92(r);
        const auto rw = static_cast<uint32_t>(r.rw);
        entry->push_back(static_cast<uint8_t>(r.rlen / 100));
        entry->push_back(static_cast<uint8_t>((static_cast<uint32_t>(r.rsl) & kStoredSurface) |
                                              (diagram ? kDiagramFollows : 0) | (i + 1 < list.size() ? kMoreFollows : 0)));
        entry->push_back(static_cast<uint8_t>(rw));
        if (rw & kLongDesignator) entry->push_back(static_cast<uint8_t>(rw >> 8));
        if (diagram) PutU32(*entry, diagram);
    }
    if (ImageResult r = AppendFrequencyItems(frequencies, asno, entry); !r) return r;
    if (entry->size() > kMaxVlrEntry92) {
        return ImageResult::Data(StringFormatC("APT=0x%x: code_rwcom b=%zu is too big (limit %u bytes)",
                                               static_cast<unsigned>(asno), entry->size(), kMaxVlrEntry92));
    }
    return ImageResult::Ok();
}

ImageResult DecodeVlrEntry92(const uint8_t* table, uint32_t length, uint32_t offset, bool runways, bool frequencies,
                             VlrEntry92* out) {
    out->runways.clear();
    out->frequencies.clear();
    if (offset > length) return ImageResult::Data(StringFormatC("VLR offset %x lies past the table", offset));
    uint32_t at = offset;
    auto left = [&](uint32_t n) { return at <= length && n <= length - at; };
    bool more = runways;
    while (more) {
        if (out->runways.size() >= kMaxDetailRunways) {
            return ImageResult::Data(StringFormatC("a runway list goes on beyond %u runways", kMaxDetailRunways));
        }
        if (!left(3)) return ImageResult::Data("a runway list runs past the VLR table");
        VlrRunway92 w;
        w.length = table[at];
        w.rsl = table[at + 1];
        w.rw = table[at + 2];
        at += 3;
        if (w.rw & kLongDesignator) {
            if (!left(1)) return ImageResult::Data("a runway list runs past the VLR table");
            w.rw |= static_cast<uint32_t>(table[at++]) << 8;
        }
        if (w.rsl & kDiagramFollows) {
            if (!left(4)) return ImageResult::Data("a runway list runs past the VLR table");
            w.diagram = GetU32(table + at);
            at += 4;
        }
        more = (w.rsl & kMoreFollows) != 0;
        out->runways.push_back(w);
    }
    if (frequencies) {
        if (ImageResult r = ReadFrequencyItems(table, length, &at, &out->frequencies); !r) return r;
    }
    out->length = at - offset;
    return ImageResult::Ok();
}
