#include "genmodels/RwyComEntry90.h"

#include <algorithm>

#include "common/CLocale.h"
#include "genmodels/VlrTable92.h"

namespace {

constexpr uint32_t kTypeMask = 15;
constexpr uint32_t kTypeHighBit = 0x80;
constexpr uint32_t kCodeHighBit = 4;
constexpr uint32_t kOffsetLimit = 0x1000;
constexpr uint8_t kMoreFollows = 0x80;
constexpr uint8_t kPictureFollows = 0x40;
constexpr uint32_t kLongDesignator = 0x80;

// Bytes of the runway item that starts with these bytes.
uint32_t RunwayItemLength(uint32_t rsl, uint32_t rw) {
    return 3 + ((rw & kLongDesignator) ? 1 : 0) + ((rsl & kPictureFollows) ? 4 : 0);
}

}  // namespace

bool FrequencyItemOf90(const DetailFrequency& f, FrequencyItem90* item) {
    static constexpr uint32_t kCodes[8] = {0, 1, 1, 1, 2, 3, 3, 3};
    const auto ftype = static_cast<uint32_t>(f.ftype);
    const uint32_t t = ftype & kTypeMask;
    if (t >= 8) return false;
    item->code = kCodes[t] | ((ftype & kTypeHighBit) ? kCodeHighBit : 0);
    item->offset = static_cast<uint32_t>(f.freq - kFrequencyBase);
    return true;
}

int32_t FrequencyTypeOf90(uint32_t code) {
    const uint32_t low = code & 3;
    return static_cast<int32_t>(((code & kCodeHighBit) ? kTypeHighBit : 0) + (low == 0 ? 0 : low + 2));
}

ImageResult FrequencyItems90(int32_t asno, const std::vector<DetailFrequency>& frequencies,
                             std::vector<FrequencyItem90>* items) {
    items->clear();
    for (const DetailFrequency& f : frequencies) {
        if (items->size() >= kMaxDetailFrequencies) break;
        FrequencyItem90 item;
        if (!FrequencyItemOf90(f, &item)) continue;
        if (f.freq < kFrequencyBase || item.offset >= kOffsetLimit) {
            return ImageResult::Data(StringFormatC("APT=0x%x: frequency %d lies outside 108.00 to 148.95 MHz",
                                                   static_cast<unsigned>(asno), f.freq));
        }
        if (std::find(items->begin(), items->end(), item) == items->end()) items->push_back(item);
    }
    return ImageResult::Ok();
}

ImageResult EncodeRwyComEntry90(int32_t asno, const std::vector<DetailRunway>& runways,
                                const std::vector<FrequencyItem90>& items, std::vector<uint8_t>* entry) {
    // At most the first 80 runways; a copy only when there are more.
    const bool cut = runways.size() > kMaxDetailRunways;
    const std::vector<DetailRunway> first80 =
        cut ? std::vector<DetailRunway>(runways.begin(), runways.begin() + kMaxDetailRunways) : std::vector<DetailRunway>();
    if (ImageResult r = EncodeVlrEntry92(asno, cut ? first80 : runways, {}, entry); !r) return r;
    for (size_t i = 0; i < items.size(); ++i) {
        const FrequencyItem90& f = items[i];
        entry->push_back(static_cast<uint8_t>(f.offset));
        entry->push_back(static_cast<uint8_t>((f.code << 4) | ((f.offset >> 8) & 15) |
                                              (i + 1 < items.size() ? kMoreFollows : 0)));
    }
    return ImageResult::Ok();
}

ImageResult DecodeRwyComEntry90(const uint8_t* table, uint32_t length, uint32_t offset, bool frequencies,
                                RwyComEntry90* out) {
    out->runways.clear();
    out->frequencies.clear();
    VlrEntry92 entry;
    if (ImageResult r = DecodeVlrEntry92(table, length, offset, true, false, &entry); !r) return r;
    uint32_t at = offset;
    for (const VlrRunway92& w : entry.runways) {
        at += RunwayItemLength(w.rsl, w.rw);
        out->runways.push_back(RunwayOfItem92(w));
    }
    bool more = frequencies;
    while (more) {
        if (out->frequencies.size() >= kMaxDetailFrequencies) {
            return ImageResult::Data(StringFormatC("a frequency list goes on beyond %u items", kMaxDetailFrequencies));
        }
        if (at > length || length - at < 2) return ImageResult::Data("a frequency list runs past the rwy/com table");
        FrequencyItem90 f;
        f.offset = table[at] | (static_cast<uint32_t>(table[at + 1] & 15) << 8);
        f.code = (table[at + 1] >> 4) & 7;
        more = (table[at + 1] & kMoreFollows) != 0;
        at += 2;
        out->frequencies.push_back(f);
    }
    out->length = at - offset;
    return ImageResult::Ok();
}
