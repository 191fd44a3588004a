#include "genmodels/Listing92.h"

#include <algorithm>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/DateText.h"
#include "common/Frequency.h"
#include "common/ListingLine.h"
#include "common/PartNumber.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/ImageReader.h"
#include "gen/image/Image.h"
#include "gen/image/NameCoder.h"
#include "gen/listing/ListingFormat.h"
#include "gen/listing/SectionListing.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"
#include "genmodels/CreateIsam92.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/OlderModelCoding.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/VlrTable92.h"
#include "platform/MessageBox.h"

namespace {

constexpr int kTitleKind = 1;
constexpr int kCountryKind = 2;
constexpr int kNamesKind = 3;
constexpr int kFirstPointKind = 4;
constexpr int kLastPointKind = 7;
constexpr int kAirspaceKinds = 8;
constexpr uint32_t kNameEndCodeBits = 4;
constexpr int kIdentColumn = 5;
constexpr int kPositionColumn = 11;
constexpr int kValueColumn = 35;
constexpr const char* kKindNames[kSectionCount] = {"APT", "INT", "NDB", "VOR"};
// The byte whose bit 5 marks a name whose last two characters stand apart.
constexpr uint32_t kNameFlagByte[kSectionCount] = {5, 0, 14, 12};
// The raw lines of an airport's VLR entry: its first 20 bytes, then its bytes from the 31st on.
constexpr uint32_t kVlrFirstLineBytes = 20;
constexpr uint32_t kVlrSecondLineFrom = 30;
constexpr size_t kRawLineLimit = 128;
constexpr uint8_t kVlrMarkedBits = 0x38;
constexpr uint32_t kSuaRecordSizes[2] = {24, 22};

const GenSettings& Settings(const OperationContext& c) {
    static const GenSettings kNone;
    return c.settings ? *c.settings : kNone;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string DateText(const uint8_t* date) {
    char text[32];
    FormatDayMonYear(text, sizeof text, date);
    return text;
}

// The airport's VLR entry as the framework's runway and frequency tables.
void LoadTables(const IsamImageSource& source, uint32_t n, AirportTables* tables) {
    *tables = AirportTables{};
    tables->record = static_cast<int32_t>(n);
    const uint8_t* record = source.Record(kSectionApt, n);
    uint32_t offset = 0;
    if (!AptEntryOffset92(record, &offset)) {
        RunwayEntry& r = tables->runways[0];
        r.present = true;
        r.length = record[16];
        r.surfaceLights = record[17];
        tables->runwayCount = 1;
        return;
    }
    const ImageLayout& layout = source.Layout();
    VlrEntry92 entry;
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    const ImageResult decoded = table ? DecodeVlrEntry92(table, layout.detailLength, offset, true,
                                                         (record[5] & kAptHasComms92) != 0, &entry)
                                      : ImageResult::Data("the VLR table lies outside the file");
    if (!decoded) tables->error = decoded.text;
    for (const VlrRunway92& w : entry.runways) {
        RunwayEntry& r = tables->runways[tables->runwayCount++];
        r.present = true;
        r.length = w.length;
        r.surfaceLights = w.rsl & 0x3F;
        r.designator = w.rw;
        r.picture = w.diagram;
    }
    for (const DetailFrequency& f : entry.frequencies) {
        FrequencyEntry& e = tables->frequencies[tables->frequencyLines++];
        e.present = true;
        e.type = static_cast<uint8_t>(f.ftype);
        e.code = static_cast<uint32_t>(f.freq - 10800);
        e.flags = static_cast<uint32_t>(f.flags) >> 12;
        e.extension = f.restriction;
    }
}

// Raw lines ahead of an airport's runway and frequency lines: its record's bytes at extra debug
// level 1, the two lines of its VLR entry's bytes at level 2 and above.
uint32_t RawLines(uint32_t extraLevel, const uint8_t* record) {
    if (extraLevel == 1) return 1;
    return extraLevel >= 2 && (record[5] & (kAptHasVlr92 | kAptHasComms92)) != 0 ? 2 : 0;
}

// The bytes as " %02x" each, as many as fit the raw line's width.
std::string HexBytes(const uint8_t* bytes, uint32_t count) {
    std::string text;
    for (uint32_t i = 0; i < count && text.size() + 3 <= kRawLineLimit; ++i) text += StringFormatC(" %02x", bytes[i]);
    return text;
}

// Raw line 1 or 2 of an airport's VLR entry, '*' in front when its first byte has bits 3-5 set.
std::string VlrBytesLine(const IsamImageSource& source, const uint8_t* record, uint32_t line) {
    const ImageLayout& layout = source.Layout();
    const uint8_t* table = source.At(layout.detailStart, layout.detailLength);
    uint32_t offset = 0;
    if (!table || !AptEntryOffset92(record, &offset) || offset >= layout.detailLength) return "";
    VlrEntry92 entry;
    const bool decoded = DecodeVlrEntry92(table, layout.detailLength, offset, true,
                                          (record[5] & kAptHasComms92) != 0, &entry).ok();
    const uint32_t end = decoded ? offset + entry.length : layout.detailLength;
    const uint32_t from = offset + (line == 1 ? 0 : kVlrSecondLineFrom);
    const uint32_t to = line == 1 ? std::min(end, offset + kVlrFirstLineBytes) : end;
    std::string text = from < to ? HexBytes(table + from, to - from) : "";
    if (line == 1 && !text.empty() && (table[offset] & kVlrMarkedBits) != 0) text[0] = '*';
    return text;
}

}  // namespace

Listing92::Listing92() = default;
Listing92::~Listing92() = default;

void Listing92::Close() {
    source_.reset();
    names_.clear();
    nameTexts_.clear();
    nameStarts_.clear();
    loadedName_.clear();
    error_.clear();
}

void Listing92::Open(OperationContext& c) {
    c.ResetListingPosition();
    filterCountry_ = -1;
    if (!c.image || !c.image->IsOpen()) {
        Close();
        return;
    }
    if (!source_ || loadedName_ != c.imageName) {
        Close();
        source_ = std::make_unique<IsamImageSource>(c.image->Params());
        ImageResult r = source_->Load(*c.image);
        if (r) r = CheckImageRecords92(*source_);
        loadedName_ = c.imageName;
        if (!r) {
            error_ = r.text;
            c.AddLine(error_);
        } else {
            const ImageLayout& layout = source_->Layout();
            const uint8_t* text = source_->At(layout.namesStart, layout.namesLength);
            names_.assign(text, text + layout.namesLength);
            if (Settings(c).gridSwitch) CheckNamePointers(c);
            DecodeNames();
        }
    }
    // The framework lists its own map before the airspace sections.
    if (error_.empty() && c.kind < kAirspaceKinds) ListSectionMap(c);
    const std::string& filter = Settings(c).countryFilter;
    if (!filter.empty() && error_.empty()) {
        filterCountry_ = -2;  // a country the image lacks lists nothing
        for (uint32_t i = 0; i < source_->CountryCount(); ++i) {
            std::string id;
            std::string name;
            source_->Country(i, &id, &name);
            while (!id.empty() && id.back() == ' ') id.pop_back();
            if (id == filter) {
                filterCountry_ = static_cast<int>(i);
                break;
            }
        }
    }
}

void Listing92::ListSectionMap(OperationContext& c) const {
    const IsamImageSource& src = *source_;
    const ImageLayout& layout = src.Layout();
    if (Settings(c).debugLevel != 0) {
        const uint8_t* head = src.At(0, kImage92HeaderSize);
        c.AddLine(StringFormatC("Serial Number (or Time Stamp):0x%08lx", static_cast<unsigned long>(GetU32(head + 59))));
        c.AddLine("Figures following '=' are hex addresses, and following '/' are decimal counts");
        for (int k = 0; k < kSectionCount; ++k) c.AddLine(layout.DescribeSection(k));
        c.AddLine(StringFormatC("CNT:RECS=%lx/%ld", static_cast<unsigned long>(layout.countryStart),
                                static_cast<long>(layout.countryCount)));
        c.AddLine(StringFormatC("TXT:ST=%lx, ND=%lx, VLR:ST=%lx, ND=%lx", static_cast<unsigned long>(layout.namesStart),
                                static_cast<unsigned long>(layout.NamesEnd()),
                                static_cast<unsigned long>(layout.detailStart),
                                static_cast<unsigned long>(layout.DetailEnd())));
        if (src.HasTcc()) {
            const IsamTccSection& t = src.Tcc();
            const unsigned long at = t.position;
            c.AddLine(StringFormatC("FSS:ST=%lx, RECS=%lx/%ld, FREQ_ST=%lx/%ld", at, at + t.v[1],
                                    static_cast<long>((t.v[2] - t.v[1]) / 9), at, static_cast<long>(t.v[1] / 2)));
            c.AddLine(StringFormatC("TCC:ST=%lx, RECS=%lx/%ld, FREQS=%lx/%ld, STNS=%lx/%ld", at, at + t.v[5],
                                    static_cast<long>((t.v[6] - t.v[5]) / 18), at + t.v[2],
                                    static_cast<long>((t.v[3] - t.v[2]) / 2), at + t.v[3],
                                    static_cast<long>((t.v[4] - t.v[3]) / 6)));
        }
    }
    if (!src.HasSua()) return;
    const IsamSuaSection& a = src.Sua();
    const uint32_t sizes[4] = {20, 2, 24, 22};
    uint32_t end = a.start;
    uint32_t infoEnd = 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) {
        end = std::max(end, a.offset[i] + sizes[i] * a.count[i]);
        if (a.offset[i] > a.start) infoEnd = std::min(infoEnd, a.offset[i]);
    }
    if (infoEnd == 0xFFFFFFFF) infoEnd = a.start;
    if (Settings(c).debugLevel != 0) {
        using S = IsamSuaSection;
        c.AddLine(StringFormatC("SUA:ST=%lx, ND=%lx, X1=%lx, A=%lx/%d, B=%lx/%d, INF:ST=%lx, ND=%lx, X2=%x/%d, X5=%x/%d",
                                static_cast<unsigned long>(a.start), static_cast<unsigned long>(end),
                                static_cast<unsigned long>(src.Params().suaBlock),
                                static_cast<unsigned long>(a.offset[S::kTableA]), static_cast<int>(a.count[S::kTableA]),
                                static_cast<unsigned long>(a.offset[S::kTableB]), static_cast<int>(a.count[S::kTableB]),
                                static_cast<unsigned long>(a.start), static_cast<unsigned long>(infoEnd),
                                a.offset[S::kNumbers], static_cast<int>(a.count[S::kNumbers]), a.offset[S::kCells],
                                static_cast<int>(a.count[S::kCells])));
    }
    const bool fits = end <= kImage92Size;
    c.AddLine(StringFormatC("Image size (hex): %06x bytes (%x %s)", end, fits ? kImage92Size - end : end - kImage92Size,
                            fits ? "free" : "too big"));
    c.AddLine("");
}

void Listing92::DecodeNames() {
    nameTexts_.clear();
    nameStarts_.clear();
    const auto end = static_cast<uint32_t>(names_.size() * 8);
    std::string text;
    for (uint32_t bit = 0, next = 0; bit < end; bit = next) {
        // Bits that end without an end code are the zero padding of the last byte.
        if (!DecodeNameText(names_.data(), bit, end, &text, &next)) break;
        nameTexts_.push_back(text);
        nameStarts_.push_back(bit);
    }
}

std::vector<uint32_t> Listing92::ReferencedNames() const {
    const ImageParams& p = source_->Params();
    std::vector<uint32_t> bits;
    for (int section : {kSectionApt, kSectionNdb, kSectionVor}) {
        for (uint32_t n = 0; n < source_->Section(section).recordCount; ++n) {
            uint32_t names[2];
            NameBitAddresses(p, p.sections[section], source_->Record(section, n), &names[0], &names[1]);
            bits.insert(bits.end(), names, names + 2);
        }
    }
    if (!source_->HasSua()) return bits;
    const AirspaceLayouts& air = AirspaceLayoutsOf(p);
    const IsamSuaSection& sua = source_->Sua();
    const int tables[2] = {IsamSuaSection::kTableA, IsamSuaSection::kTableB};
    for (int k = 0; k < 2; ++k) {
        for (uint32_t n = 0; n < sua.count[tables[k]]; ++n) {
            const uint8_t* record = source_->At(uint64_t{sua.offset[tables[k]]} + uint64_t{kSuaRecordSizes[k]} * n,
                                                kSuaRecordSizes[k]);
            if (!record) break;
            for (const AirspaceNameSlot* slot : {&SuaAgencyName(air), &SuaAreaName(air)}) {
                const NamePosition name = AirspaceName(p, *slot, record);
                if (!name.absent) bits.push_back(name.bit);
            }
        }
    }
    return bits;
}

void Listing92::CheckNamePointers(OperationContext& c) {
    const auto end = static_cast<uint32_t>(names_.size() * 8);
    const bool ask = Settings(c).debugLevel != 0;
    for (uint32_t bit : ReferencedNames()) {
        if (bit < kNameEndCodeBits || bit >= end) continue;
        if (GetBits(bit - kNameEndCodeBits, kNameEndCodeBits, names_.data()) == kNameEndCode) continue;
        if (ask) {
            std::string text;
            uint32_t next = 0;
            DecodeNameText(names_.data(), bit, end, &text, &next);
            const int answer = platform::ShowMessage(
                StringFormatC("Text at 0x%lx(%ld):%s: not preceded by a terminator - fix ?",
                              static_cast<unsigned long>(bit / 8), static_cast<long>(bit), text.c_str()),
                {platform::Buttons::YesNoCancel, platform::Icon::Question});
            if (answer == platform::kIdCancel) return;
            if (answer != platform::kIdYes) continue;
        }
        PutBits(bit - kNameEndCodeBits, kNameEndCodeBits, names_.data(), kNameEndCode);
    }
}

std::string Listing92::NameText(uint32_t bit) const {
    const auto it = std::lower_bound(nameStarts_.begin(), nameStarts_.end(), bit);
    if (it == nameStarts_.end() || *it != bit) return "<**name ptr corrupt**>";
    std::string text = nameTexts_[static_cast<size_t>(it - nameStarts_.begin())];
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool Listing92::Passes(OperationContext& c, int section, uint32_t n) const {
    const GenSettings& s = Settings(c);
    const uint8_t* record = source_->Record(section, n);
    const SectionParams& params = source_->Params().sections[section];
    if (filterCountry_ != -1 && record[params.countryByte] != filterCountry_) return false;
    if (!s.icaoFilter.empty() && !StartsWith(source_->Ident(section, n), s.icaoFilter)) return false;
    if (!s.nameFilter.empty() && params.hasNames) {
        uint32_t facility = 0;
        uint32_t city = 0;
        NameBitAddresses(source_->Params(), params, record, &facility, &city);
        const bool match = (facility != 0xFFFFFFFF && StartsWith(NameText(facility), s.nameFilter)) ||
                           (city != 0xFFFFFFFF && StartsWith(NameText(city), s.nameFilter));
        if (!match) return false;
    }
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition(record, &lat, &lon);
    return InsideLimitBox(lat, lon, s.limitRect);
}

uint32_t Listing92::SubLines(uint32_t extraLevel, uint32_t airport) const {
    AirportTables tables;
    LoadTables(*source_, airport, &tables);
    return RawLines(extraLevel, source_->Record(kSectionApt, airport)) + tables.LineCount();
}

int32_t Listing92::Next(OperationContext& c) {
    if (!source_ || !error_.empty()) return -1;
    const int kind = c.kind;
    const bool debug = Settings(c).debugLevel != 0;
    if (kind == kTitleKind) return c.titlePageCounter < (debug ? 4 : 3) ? c.titlePageCounter++ : -1;
    const uint32_t tableCount = kind == kCountryKind ? source_->CountryCount()
                                : kind == kNamesKind  ? static_cast<uint32_t>(nameTexts_.size())
                                                      : 0;
    if (kind == kCountryKind || kind == kNamesKind) {
        const int32_t n = c.currentRecord + 1;
        if (static_cast<uint32_t>(n) >= tableCount) return -1;
        c.currentRecord = n;
        return n;
    }
    if (kind < kFirstPointKind || kind > kLastPointKind) return -1;
    const int section = kind - kFirstPointKind;
    const bool apt = section == kSectionApt;
    const uint32_t count = source_->Section(section).recordCount;
    uint32_t n = 0;
    if (c.currentRecord >= 0) {
        if (apt) {
            const auto h = static_cast<uint32_t>(c.currentRecord);
            if ((h & 255) < SubLines(Settings(c).extraDebugLevel, h >> 8)) return ++c.currentRecord;
            n = (h >> 8) + 1;
        } else {
            n = static_cast<uint32_t>(c.currentRecord) + 1;
        }
    }
    for (; n < count; ++n) {
        if (!Passes(c, section, n)) continue;
        c.currentRecord = static_cast<int32_t>(apt ? n << 8 : n);
        return c.currentRecord;
    }
    c.currentRecord = static_cast<int32_t>(apt ? count << 8 : count);
    return -1;
}

std::string Listing92::NamesPart(int section, const uint8_t* record, bool recordNumbers) const {
    const ImageParams& p = source_->Params();
    uint32_t facility = 0;
    uint32_t city = 0;
    NameBitAddresses(p, p.sections[section], record, &facility, &city);
    std::string text = facility == 0xFFFFFFFF ? "" : NameText(facility);
    if ((record[kNameFlagByte[section]] & 0x20) && text.size() >= 2) {
        text.insert(text.size() - 2, 1, recordNumbers ? '\x40' : ' ');
    }
    if (city != 0xFFFFFFFF && (city != facility || recordNumbers)) text += "(" + NameText(city) + ")";
    const uint32_t country = record[p.sections[section].countryByte];
    std::string id;
    std::string name;
    if (country < source_->CountryCount()) source_->Country(country, &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return text + " " + name + "-" + id;
}

void Listing92::Line(OperationContext& c, int32_t handle, std::string& out) {
    out.clear();
    if (!source_ || !error_.empty() || handle < 0) return;
    const GenSettings& s = Settings(c);
    const bool numbers = s.recordNumbers != 0;
    const int kind = c.kind;
    if (kind == kTitleKind) {
        const uint8_t* head = source_->At(0, kImage92HeaderSize);
        const std::string part = UnpackPartNumberText(head + 29);
        switch (handle) {
        case 0: out = part.substr(0, kImage92LabelLength) + " " + part.substr(kImage92LabelLength); break;
        case 1:
            out = StringFormatC("CYCLE %04u, VALID FROM %s TO %s,", static_cast<unsigned>(GetU16(head + 12)),
                                DateText(head + 14).c_str(), DateText(head + 18).c_str());
            break;
        case 2: out = "CREATED " + DateText(head + 22); break;
        default: {
            uint32_t n[kSectionCount];
            for (int k = 0; k < kSectionCount; ++k) n[k] = source_->Section(k).recordCount;
            out = StringFormatC("(%u APTs, %u INTs, %u NDBs, %u VORs, %u TOTAL)", n[0], n[1], n[2], n[3],
                                n[0] + n[1] + n[2] + n[3]);
        }
        }
        return;
    }
    if (kind == kCountryKind) {
        std::string id;
        std::string name;
        source_->Country(static_cast<uint32_t>(handle), &id, &name);
        out = StringFormatC("%4x %-2s %s", static_cast<unsigned>(handle), id.c_str(), name.c_str());
        return;
    }
    if (kind == kNamesKind) {
        out = StringFormatC("%5x %s", static_cast<unsigned>(nameStarts_[static_cast<size_t>(handle)] / 8),
                            nameTexts_[static_cast<size_t>(handle)].c_str());
        return;
    }
    const int section = kind - kFirstPointKind;
    const uint32_t n = section == kSectionApt ? static_cast<uint32_t>(handle) >> 8 : static_cast<uint32_t>(handle);
    const uint32_t sub = section == kSectionApt ? static_cast<uint32_t>(handle) & 255 : 0;
    const uint8_t* record = source_->Record(section, n);
    ListingLine& line = SharedListingLine();
    line.Clear();
    const uint32_t raw = sub > 0 ? RawLines(s.extraDebugLevel, record) : 0;
    if (sub > 0 && sub <= raw) {
        out = s.extraDebugLevel == 1 ? HexBytes(record, source_->Params().sections[section].recordSize)
                                     : VlrBytesLine(*source_, record, sub);
        return;
    }
    if (sub > 0) {
        AirportTables tables;
        LoadTables(*source_, n, &tables);
        ListingFlags flags;
        flags.recordNumbers = numbers;
        flags.debugLevel = s.debugLevel;
        flags.extraLevel = s.extraDebugLevel;
        flags.rawReferences = s.rawReferenceSwitch != 0;
        GeoPoint airport;
        UnpackPosition(record, &airport.lat, &airport.lon);
        if (!FormatRunwayFrequencyLine(tables, sub - raw - 1, airport, flags, line)) line.Clear();
        line.Trim();
        out = line.Text();
        return;
    }
    if (numbers) {
        line.Format(0, "%4x", n);
    } else {
        line.Append(0, kKindNames[section]);
    }
    line.Append(kIdentColumn, source_->Ident(section, n).c_str());
    line.Append(kPositionColumn, FormatRecordPosition(record, s.debugLevel).c_str());
    char text[32];
    switch (section) {
    case kSectionApt: {
        line.Format(kValueColumn, "%5d'", OlderElevationFeet(GetU16(record + 6) & 0xFFF));
        std::string letters;
        if (record[5] & 0x10) letters += 'J';
        if (record[5] & 0x04) letters += 'A';
        if (record[5] & 0x08) letters += 'M';
        line.Append(42, letters.c_str());
        line.Append(46, NamesPart(section, record, numbers).c_str());
        break;
    }
    case kSectionInt:
        line.Append(kValueColumn, UnpackCountryName92(source_->At(source_->Layout().countryStart, 0),
                                                      source_->CountryCount(), record[8]).c_str());
        break;
    case kSectionNdb:
        FormatFrequency(text, static_cast<int32_t>(GetU16(record + 8) & 0x7FFF), 10);
        line.Append(kValueColumn, text);
        if (record[9] & 0x80) line.Append(41, "L");
        line.Append(43, NamesPart(section, record, numbers).c_str());
        break;
    default:
        FormatFrequency(text, OlderVorFrequency(record[13]), 100);
        line.Append(kValueColumn, text);
        if (record[5] & 0x04) line.Append(45, "DME");
        line.Append(56, NamesPart(section, record, numbers).c_str());
        break;
    }
    line.Trim();
    out = line.Text();
}

void InstallListing92(GenModel& model) {
    // The airspace sections (SUA, FSS, TCC) are the framework's 18-bit records: its listings
    // serve them.
    InstallImageListings(model);
    const ListingIterator frameworkNext = model.nextListingItem;
    const ListingFormatter frameworkLine = model.listSection;
    auto listing = std::make_shared<Listing92>();
    auto opened = model.onImageSourceOpened;
    model.onImageSourceOpened = [listing, opened](OperationContext& c) {
        if (c.kind >= kAirspaceKinds && opened) opened(c);
        listing->Open(c);
    };
    auto closing = model.onImageClose;
    model.onImageClose = [listing, closing](OperationContext& c) {
        if (closing) closing(c);
        listing->Close();
    };
    model.nextListingItem = [listing, frameworkNext](OperationContext& c) {
        return c.kind >= kAirspaceKinds ? frameworkNext(c) : listing->Next(c);
    };
    model.listSection = [listing, frameworkLine](OperationContext& c, int32_t handle, std::string& out) {
        if (c.kind >= kAirspaceKinds) {
            frameworkLine(c, handle, out);
        } else {
            listing->Line(c, handle, out);
        }
    };
}
