#include "gen/createimage/AirportDetailSource.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/shell/CGenDBOpen.h"

namespace {

// Records read per call.
constexpr int kPieceRecords = 512;
// A restriction holds at most 256 bytes (its first byte is the count minus 1): 32 records.
constexpr int kMaxRestrictionLinks = 32;

// The entries of one airport in a list ordered by airport.
template <class Entry>
std::pair<typename std::vector<Entry>::const_iterator, typename std::vector<Entry>::const_iterator> OfAirport(
    const std::vector<Entry>& list, int32_t asno) {
    const auto first = std::lower_bound(list.begin(), list.end(), asno,
                                        [](const Entry& e, int32_t a) { return e.asno < a; });
    auto last = first;
    while (last != list.end() && last->asno == asno) ++last;
    return {first, last};
}

// The walk's next record handed to `keep`; false at the end of the file.
template <class Record, class Keep>
bool ReadOne(DbWalk& walk, const char* index, Keep keep) {
    Record record{};
    if (!walk.Next(index, record)) return false;
    keep(record);
    return true;
}

}  // namespace

bool AirportDetailSource::LoadPiece(const int32_t* nextSerial) {
    if (phase_ == Phase::Runways && runways_.empty()) {
        runways_.reserve(static_cast<size_t>(std::max(nextSerial[kFileRwy3], 0)));
        frequencies_.reserve(static_cast<size_t>(std::max(nextSerial[kFileFreq3], 0)));
        links_.Reserve(static_cast<size_t>(std::max(nextSerial[kFileRestr], 0)));
    }
    for (int n = 0; n < kPieceRecords && phase_ != Phase::Done; ++n) {
        bool read = false;
        switch (phase_) {
        case Phase::Runways:
            read = ReadOne<RwyRecord>(walk_, "raptno", [this](const RwyRecord& r) {
                runways_.push_back({r.raptno, r.rsno, {r.rlen, r.rwidth, r.rsl, r.rw, r.rflags, r.rpicst, r.rpic}});
            });
            break;
        case Phase::Frequencies:
            read = ReadOne<FreqRecord>(walk_, "faptno", [this](const FreqRecord& f) {
                frequencies_.push_back({f.faptno, f.ftype, f.freq, f.flags, f.frsno});
            });
            break;
        case Phase::Restrictions:
            read = ReadOne<RestrRecord>(walk_, "rcsno", [this](const RestrRecord& rec) {
                Link link{rec.rcnxt, {}};
                std::copy(std::begin(rec.rcres), std::end(rec.rcres), link.bytes);
                links_.Insert(rec.rcsno, link);
            });
            break;
        case Phase::Done: break;
        }
        if (!read) phase_ = static_cast<Phase>(static_cast<int>(phase_) + 1);
    }
    return phase_ == Phase::Done;
}

void AirportDetailSource::Runways(int32_t asno, std::vector<DetailRunway>* runways,
                                  std::vector<int32_t>* serials) const {
    const auto [first, last] = OfAirport(runways_, asno);
    for (auto it = first; it != last && runways->size() <= kMaxDetailRunways; ++it) {
        runways->push_back(it->runway);
        serials->push_back(it->rsno);
    }
}

ImageResult AirportDetailSource::Frequencies(int32_t asno, std::vector<DetailFrequency>* frequencies) const {
    const auto [first, last] = OfAirport(frequencies_, asno);
    size_t n = 0;
    for (auto it = first; it != last && n <= kMaxDetailFrequencies; ++it, ++n) {
        // An entry already in the list lends its restriction's memory.
        if (n == frequencies->size()) frequencies->emplace_back();
        DetailFrequency& f = (*frequencies)[n];
        f.ftype = it->ftype;
        f.freq = it->freq;
        f.flags = it->flags;
        f.restriction.clear();
        if (it->frsno > 0) {
            if (ImageResult r = Restriction(it->frsno, &f.restriction); !r) return r;
        }
    }
    frequencies->resize(n);
    return ImageResult::Ok();
}

// The bytes of the restriction chain that starts at rcsno `first` (first byte = count - 1).
ImageResult AirportDetailSource::Restriction(int32_t first, std::vector<uint8_t>* bytes) const {
    size_t need = 0;
    int32_t rcsno = first;
    for (int link = 0; rcsno > 0 && link < kMaxRestrictionLinks; ++link) {
        const Link* rec = links_.Find(rcsno);
        if (!rec) return ImageResult::Data(StringFormatC("Failed to read restrictions record %d", rcsno));
        bytes->insert(bytes->end(), std::begin(rec->bytes), std::end(rec->bytes));
        need = static_cast<size_t>((*bytes)[0]) + 1;
        if (bytes->size() >= need) break;
        rcsno = rec->next;
    }
    if (bytes->size() > need) bytes->resize(need);
    return ImageResult::Ok();
}
