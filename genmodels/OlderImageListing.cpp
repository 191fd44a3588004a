#include "genmodels/OlderImageListing.h"

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
// The raw lines of an airport's entry: its first 20 bytes, then its bytes from the 31st on.
constexpr uint32_t kEntryFirstLineBytes = 20;
constexpr uint32_t kEntrySecondLineFrom = 30;
constexpr size_t kRawLineLimit = 128;
constexpr uint8_t kEntryMarkedBits = 0x38;
constexpr uint32_t kSuaRecordSizes[2] = {24, 22};
constexpr uint32_t kLabelLength = 20;
constexpr uint32_t kSuaTableSizes[4] = {20, 2, 24, 22};

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

// The bytes as " %02x" each, as many as fit the raw line's width.
std::string HexBytes(const uint8_t* bytes, uint32_t count) {
    std::string text;
    for (uint32_t i = 0; i < count && text.size() + 3 <= kRawLineLimit; ++i) text += StringFormatC(" %02x", bytes[i]);
    return text;
}

}  // namespace

OlderImageListing::OlderImageListing(const OlderListingFamily& family) : family_(family) {}
OlderImageListing::~OlderImageListing() = default;

// Raw lines ahead of an airport's runway and frequency lines: its record's bytes at extra debug
// level 1, the two lines of its rwy/com entry's bytes at level 2 and above.
uint32_t OlderImageListing::RawLines(uint32_t extraLevel, const uint8_t* record) const {
    if (extraLevel == 1) return 1;
    uint32_t from = 0;
    uint32_t to = 0;
    return extraLevel >= 2 && family_.entrySpan && family_.entrySpan(*source_, record, &from, &to) ? 2 : 0;
}

// Raw line 1 or 2 of an airport's entry: its first 20 bytes, '*' in front when its first byte
// has bits 3-5 set; then its bytes from the 31st on.
std::string OlderImageListing::EntryBytesLine(const uint8_t* record, uint32_t line) const {
    const ImageLayout& layout = source_->Layout();
    const uint8_t* table = source_->At(layout.detailStart, layout.detailLength);
    uint32_t offset = 0;
    uint32_t end = 0;
    if (!table || !family_.entrySpan(*source_, record, &offset, &end)) return "";
    const uint32_t from = offset + (line == 1 ? 0 : kEntrySecondLineFrom);
    const uint32_t to = line == 1 ? std::min(end, offset + kEntryFirstLineBytes) : end;
    std::string text = from < to ? HexBytes(table + from, to - from) : "";
    if (line == 1 && !text.empty() && (table[offset] & kEntryMarkedBits) != 0) text[0] = '*';
    return text;
}

void OlderImageListing::Close() {
    source_.reset();
    names_.clear();
    nameTexts_.clear();
    nameStarts_.clear();
    loadedName_.clear();
    error_.clear();
}

void OlderImageListing::Open(OperationContext& c) {
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
        if (r) r = family_.checkRecords(*source_);
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
    if (error_.empty() && c.kind < kAirspaceKinds) family_.sectionMap(c, *source_);
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

void OlderImageListing::DecodeNames() {
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

std::vector<uint32_t> OlderImageListing::ReferencedNames() const {
    const ImageParams& p = source_->Params();
    std::vector<uint32_t> bits;
    for (int section : {kSectionApt, kSectionNdb, kSectionVor}) {
        if (!p.sections[section].hasNames) continue;
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

void OlderImageListing::CheckNamePointers(OperationContext& c) {
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

std::string OlderImageListing::NameText(uint32_t bit) const {
    const auto it = std::lower_bound(nameStarts_.begin(), nameStarts_.end(), bit);
    if (it == nameStarts_.end() || *it != bit) return "<**name ptr corrupt**>";
    std::string text = nameTexts_[static_cast<size_t>(it - nameStarts_.begin())];
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool OlderImageListing::Passes(OperationContext& c, int section, uint32_t n) const {
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

uint32_t OlderImageListing::SubLines(uint32_t extraLevel, uint32_t airport) const {
    const uint32_t raw = RawLines(extraLevel, source_->Record(kSectionApt, airport));
    if (!family_.loadTables) return raw;
    AirportTables tables;
    family_.loadTables(*source_, airport, &tables);
    return raw + tables.LineCount();
}

int32_t OlderImageListing::Next(OperationContext& c) {
    if (!source_ || !error_.empty()) return -1;
    const int kind = c.kind;
    const bool debug = Settings(c).debugLevel != 0;
    if (kind == kTitleKind) return c.titlePageCounter < (debug ? 4 : 3) ? c.titlePageCounter++ : -1;
    const uint32_t tableCount = kind == kCountryKind ? source_->CountryCount()
                                : kind == kNamesKind  ? static_cast<uint32_t>(nameTexts_.size())
                                                      : 0;
    if (kind == kCountryKind || kind == kNamesKind) {
        const std::string& filter = Settings(c).nameFilter;
        const bool filtered = kind == kCountryKind && family_.countryNameFilter && !filter.empty();
        for (int32_t n = c.currentRecord + 1; static_cast<uint32_t>(n) < tableCount; ++n) {
            c.currentRecord = n;
            if (!filtered || StartsWith(family_.countryLine(*source_, static_cast<uint32_t>(n), false), filter)) return n;
        }
        return -1;
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

std::string OlderImageListing::NamesPart(int section, const uint8_t* record, bool recordNumbers) const {
    const ImageParams& p = source_->Params();
    uint32_t facility = 0;
    uint32_t city = 0;
    NameBitAddresses(p, p.sections[section], record, &facility, &city);
    std::string text;
    if (!p.sections[section].hasNames) facility = city = 0xFFFFFFFF;
    if (facility != 0xFFFFFFFF) text = NameText(facility);
    if (!text.empty() && (record[kNameFlagByte[section]] & 0x20) && text.size() >= 2) {
        text.insert(text.size() - 2, 1, recordNumbers ? '\x40' : ' ');
    }
    if (city != 0xFFFFFFFF && (city != facility || recordNumbers)) text += "(" + NameText(city) + ")";
    const uint32_t country = record[p.sections[section].countryByte];
    std::string id;
    std::string name;
    if (country < source_->CountryCount()) source_->Country(country, &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return (text.empty() ? "" : text + " ") + name + "-" + id;
}

void OlderImageListing::Line(OperationContext& c, int32_t handle, std::string& out) {
    out.clear();
    if (!source_ || !error_.empty() || handle < 0) return;
    const GenSettings& s = Settings(c);
    const bool numbers = s.recordNumbers != 0;
    const int kind = c.kind;
    if (kind == kTitleKind) {
        // The cycle, then the three dates of four bytes each.
        const ImageParams& p = source_->Params();
        const uint8_t* head = source_->At(0, p.headerSize);
        const uint8_t* cycle = head + p.cycleOffset;
        const std::string part = UnpackPartNumberText(head + p.partNumberOffset);
        switch (handle) {
        case 0: out = part.substr(0, kLabelLength) + " " + part.substr(kLabelLength); break;
        case 1:
            out = StringFormatC("CYCLE %04u, VALID FROM %s TO %s,", static_cast<unsigned>(GetU16(cycle)),
                                DateText(cycle + 2).c_str(), DateText(cycle + 6).c_str());
            break;
        case 2: out = "CREATED " + DateText(cycle + 10); break;
        default: out = family_.countsLine(*source_);
        }
        return;
    }
    if (kind == kCountryKind) {
        out = family_.countryLine(*source_, static_cast<uint32_t>(handle), numbers);
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
                                     : EntryBytesLine(record, sub);
        return;
    }
    if (sub > 0) {
        AirportTables tables;
        family_.loadTables(*source_, n, &tables);
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
        line.Format(kValueColumn, "%5d'", family_.aptElevation(record));
        std::string letters;
        if (family_.aptLetters && (record[5] & 0x10)) letters += 'J';
        if (family_.aptLetters && (record[5] & 0x04)) letters += 'A';
        if (family_.aptLetters && (record[5] & 0x08)) letters += 'M';
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
        FormatFrequency(text, OlderVorFrequency(record[family_.vorFrequencyByte]), 100);
        line.Append(kValueColumn, text);
        if (record[5] & 0x04) line.Append(45, "DME");
        line.Append(56, NamesPart(section, record, numbers).c_str());
        break;
    }
    line.Trim();
    out = line.Text();
}

void InstallOlderImageListing(GenModel& model, const OlderListingFamily& family) {
    // The airspace sections (SUA, FSS, TCC) are the framework's 18-bit records: its listings
    // serve them.
    InstallImageListings(model);
    const ListingIterator frameworkNext = model.nextListingItem;
    const ListingFormatter frameworkLine = model.listSection;
    auto listing = std::make_shared<OlderImageListing>(family);
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

uint32_t ListSuaSectionMap(OperationContext& c, const IsamImageSource& source, uint32_t imageEnd) {
    if (!source.HasSua()) return imageEnd;
    using S = IsamSuaSection;
    const S& a = source.Sua();
    uint32_t end = a.start;
    uint32_t infoEnd = 0xFFFFFFFF;
    for (int i = 0; i < 4; ++i) {
        end = std::max(end, a.offset[i] + kSuaTableSizes[i] * a.count[i]);
        if (a.offset[i] > a.start) infoEnd = std::min(infoEnd, a.offset[i]);
    }
    if (infoEnd == 0xFFFFFFFF) infoEnd = a.start;
    if (Settings(c).debugLevel != 0) {
        c.AddLine(StringFormatC("SUA:ST=%lx, ND=%lx, X1=%lx, A=%lx/%d, B=%lx/%d, INF:ST=%lx, ND=%lx, X2=%x/%d, X5=%x/%d",
                                static_cast<unsigned long>(a.start), static_cast<unsigned long>(end),
                                static_cast<unsigned long>(source.Params().suaBlock),
                                static_cast<unsigned long>(a.offset[S::kTableA]), static_cast<int>(a.count[S::kTableA]),
                                static_cast<unsigned long>(a.offset[S::kTableB]), static_cast<int>(a.count[S::kTableB]),
                                static_cast<unsigned long>(a.start), static_cast<unsigned long>(infoEnd),
                                a.offset[S::kNumbers], static_cast<int>(a.count[S::kNumbers]), a.offset[S::kCells],
                                static_cast<int>(a.count[S::kCells])));
    }
    return end;
}

void ListImageSize(OperationContext& c, uint32_t end, uint32_t limit) {
    const bool fits = end <= limit;
    c.AddLine(StringFormatC("Image size (hex): %06x bytes (%x %s)", end, fits ? limit - end : end - limit,
                            fits ? "free" : "too big"));
    c.AddLine("");
}

std::string FourKindCounts(const IsamImageSource& source) {
    uint32_t n[kSectionCount];
    for (int k = 0; k < kSectionCount; ++k) n[k] = source.Section(k).recordCount;
    return StringFormatC("(%u APTs, %u INTs, %u NDBs, %u VORs, %u TOTAL)", n[0], n[1], n[2], n[3],
                         n[0] + n[1] + n[2] + n[3]);
}

std::string CountryLineIdName(const IsamImageSource& source, uint32_t n, bool) {
    std::string id;
    std::string name;
    source.Country(n, &id, &name);
    return StringFormatC("%4x %-2s %s", static_cast<unsigned>(n), id.c_str(), name.c_str());
}

int32_t AptElevation92(const uint8_t* record) { return OlderElevationFeet(GetU16(record + 6) & 0xFFF); }

const uint8_t* StartAirportTables(const IsamImageSource& source, uint32_t n, AirportTables* tables) {
    *tables = AirportTables{};
    tables->record = static_cast<int32_t>(n);
    return source.Record(kSectionApt, n);
}

void SummaryRunwayLine(const uint8_t* record, AirportTables* tables) {
    RunwayEntry& r = tables->runways[0];
    r.present = true;
    r.length = record[16];
    r.surfaceLights = record[17];
    tables->runwayCount = 1;
}
