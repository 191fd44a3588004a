#include "gen696/Listing696.h"

#include <algorithm>

#include "common/CLocale.h"
#include "common/DateText.h"
#include "common/SixBitCode.h"
#include "common/SixBitText.h"
#include <cstring>
#include "gen/listing/ListingSession.h"
#include "gen/listing/ListingWalk.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen696/Settings696.h"

namespace {

constexpr int kSectionNames = 3;
constexpr uint32_t kTitleLines = 3;
constexpr uint32_t kAreaBytes = 9;
constexpr size_t kAreaChars = 12;
constexpr uint32_t kCountsOffset = 131;
constexpr uint32_t kDateSize = 4;

const GenSettings& SettingsOf(const OperationContext& context) {
    static const GenSettings defaults;
    return context.settings ? *context.settings : defaults;
}

void TitleLine(const ListedImage696& image, uint32_t line, std::string& out) {
    const uint8_t* head = image.Header();
    char from[24];
    char to[24];
    char created[24];
    FormatDayMonYear(from, sizeof from, head + kCountsOffset);
    FormatDayMonYear(to, sizeof to, head + kCountsOffset + kDateSize);
    FormatDayMonYear(created, sizeof created, head + kCountsOffset + 2 * kDateSize);
    switch (line) {
    case 0: {
        char area[kAreaChars + 1];
        uint8_t bytes[kAreaBytes];
        std::copy(head + kAreaOffset696, head + kAreaOffset696 + kAreaBytes, bytes);
        UnpackSixBitText(bytes, kAreaBytes, kAreaChars, area);
        const char* title = reinterpret_cast<const char*>(head + kTitleOffset696);
        out = std::string(area) + " " + std::string(title, strnlen(title, kHeaderSize696 - kTitleOffset696));
        break;
    }
    case 1:
        out = StringFormatC("CYCLE %04d, VALID FROM %s", static_cast<int>(U16At(head + kCycleOffset696)), from);
        out += StringFormatC(" TO %s,", to);
        break;
    case 2:
        out = StringFormatC("CREATED %s.", created);
        break;
    case 3: {
        uint32_t counts[4];
        for (int t = 0; t < 4; ++t) counts[t] = image.PointCount(t);
        out = PointCountsLine(counts);
        break;
    }
    default:
        break;
    }
}

int PointTypeOfKind(int kind) { return kind == kListApproaches ? kApt696 : kind - kListApts; }

bool PointListed(const ListingState696& s, int type, uint32_t n) {
    const ListedImage696& image = *s.image;
    const uint8_t* record = image.Point(type, n);
    if (!record) return false;
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition696(record, &lat, &lon);
    // Idents and names are decoded only for the filters that read them.
    const bool names = !s.filter.name.empty();
    const bool passes = s.filter.PointPasses(
        RecordCountry696(record), s.filter.ident.empty() ? std::string() : image.Ident(type, n, record),
        names ? FirstName696(image, type, record) : std::string(), names ? SecondName696(image, type, record) : std::string(),
        Box696::Point(lat, lon));
    return s.filter.Listed(passes);
}

}  // namespace

void OpenImageSource696(OperationContext& context, ListingState696& state) {
    CloseImage696(state);
    if (context.imageFd < 0) {
        if (!context.imageName.empty()) context.AddLine("Cannot open " + context.imageName);
        return;
    }
    auto image = std::make_unique<ListedImage696>();
    std::string error;
    if (!image->Load(context.imageFd, context.imageName, &error)) {
        context.AddLine(error);
        context.AddLine("");
        return;
    }
    const GenSettings& settings = SettingsOf(context);
    if (settings.debugLevel) {
        for (const std::string& line : image->Source().SectionMapLines()) context.AddLine(line);
        const ListedImage696::Span names = image->Bytes(kSectionNames);
        context.AddLine(StringFormatC("TXT:ST=%lx, ND=%lx, NAMES=%d", static_cast<unsigned long>(names.start),
                                      static_cast<unsigned long>(names.start + names.size),
                                      static_cast<int>(image->NameStarts().size())));
    }
    state.image = std::move(image);
    const Settings696& t = TessilySettings();
    state.filter = ListingFilter696::From(settings, ListingCountryNumber696(state, settings.countryFilter),
                                          t.invertFilters != 0, t.suaKind);
}

void CloseImage696(ListingState696& state) {
    state.image.reset();
    state.cursor = ListingCursor();
    state.airportOf = -1;
    state.airwayOf = -1;
    state.shapeOf = -1;
    state.shape.clear();
    state.tccEntriesLoaded = false;
    state.tccEntries.clear();
    state.tccOf = -1;
}

int ListingCountryNumber696(const ListingState696& state, const std::string& countryFilter) {
    if (countryFilter.empty()) return -1;
    if (!state.Loaded()) return kCountryNotInImage696;
    std::string key = countryFilter.substr(0, 2);
    if (key.size() < 2) key += ' ';
    for (char& c : key) c = SixBitTextChar(c);
    const ListedImage696& image = *state.image;
    for (uint32_t i = 0; i < image.CountryCount(); ++i) {
        if (image.CountryId(i) == key) return static_cast<int>(i);
    }
    return kCountryNotInImage696;
}

int32_t NextListedRecord696(OperationContext& context, ListingState696& s) {
    if (!s.Loaded()) return -1;
    const ListingFlags flags = ListingFlagsOf(context, false, false);
    const ListedImage696& image = *s.image;
    s.filter.country = context.countryNumber;
    const int kind = context.kind;
    switch (kind) {
    case kListTitle: {
        const int lines = static_cast<int>(kTitleLines) + (flags.debugLevel ? 1 : 0);
        return context.titlePageCounter < lines ? context.titlePageCounter++ : -1;
    }
    case kListCountries:
        return WalkListing(
            context, s.cursor, image.CountryCount(), 0,
            [&](uint32_t i) -> uint32_t { return s.filter.country == -1 || static_cast<int>(i) == s.filter.country; },
            [](uint32_t i, uint32_t) { return static_cast<int32_t>(i); });
    case kListNames: {
        const std::vector<uint32_t>& starts = image.NameStarts();
        const uint32_t first =
            s.filter.hasStart
                ? static_cast<uint32_t>(std::lower_bound(starts.begin(), starts.end(), s.filter.start * 8) - starts.begin())
                : 0;
        return WalkListing(
            context, s.cursor, static_cast<uint32_t>(starts.size()), first,
            [&](uint32_t i) -> uint32_t { return s.filter.NameBegins(image.NameAtBit(starts[i])); },
            [&](uint32_t i, uint32_t) { return static_cast<int32_t>(starts[i]); });
    }
    case kListApproaches:
        return WalkListing(
            context, s.cursor, image.PointCount(kApt696), 0,
            [&](uint32_t n) -> uint32_t {
                const uint8_t* record = image.Point(kApt696, n);
                if (!record || !(record[11] & 0x80) || !PointListed(s, kApt696, n)) return 0;
                return ApproachLineCount696(s, flags, n);
            },
            [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 8 | sub); });
    case kListApts:
    case kListInts:
    case kListNdbs:
    case kListVors: {
        const int type = PointTypeOfKind(kind);
        const uint32_t lines = kind != kListApts && flags.extraLevel ? 2 : 1;
        const int shift = kind == kListApts ? 8 : 1;
        return WalkListing(
            context, s.cursor, image.PointCount(type), 0,
            [&](uint32_t n) -> uint32_t {
                if (!PointListed(s, type, n)) return 0;
                return kind == kListApts ? AirportLineCount696(s, flags, n) : lines;
            },
            [shift](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << shift | sub); });
    }
    case kListSuas:
        return WalkListing(
            context, s.cursor, SuaCount696(image), s.filter.hasStart ? s.filter.start : 0,
            [&](uint32_t n) { return SuaLineCount696(s, flags, n); },
            [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 10 | sub); });
    case kListFss:
        return WalkListing(
            context, s.cursor, FssCount696(image), 0, [&](uint32_t n) -> uint32_t { return FssListed696(s, n); },
            [](uint32_t n, uint32_t) { return static_cast<int32_t>(n); });
    case kListArtccs:
        return WalkListing(
            context, s.cursor, TccCount696(image), 0, [&](uint32_t n) { return TccLineCount696(s, flags, n); },
            [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 8 | sub); });
    case kListAirways696:
        return WalkListing(
            context, s.cursor, AirwayCount696(image), s.filter.hasStart ? s.filter.start : 0,
            [&](uint32_t n) { return AirwayLineCount696(s, n); },
            [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 9 | sub); });
    default:
        return -1;
    }
}

void ListSection696(OperationContext& context, ListingState696& s, int32_t code, std::string& out) {
    FormatListedLine696(s, context.kind, ListingFlagsOf(context, false, false), code, out);
}

void ListDumpLine696(OperationContext& context, ListingState696& s, int kind, int32_t code, bool decimal,
                     std::string& out) {
    ListingFlags flags = ListingFlagsOf(context, true, decimal);
    // Point lines are converted to batch text from their record-number form.
    if (kind >= kListApts && kind <= kListVors) flags.recordNumbers = true;
    FormatListedLine696(s, kind, flags, code, out);
}

void FormatListedLine696(ListingState696& s, int kind, const ListingFlags& flags, int32_t code, std::string& out) {
    out.clear();
    if (!s.Loaded() || code < 0) return;
    const ListedImage696& image = *s.image;
    const auto c = static_cast<uint32_t>(code);
    switch (kind) {
    case kListTitle:
        TitleLine(image, c, out);
        break;
    case kListCountries:
        out = CountryListingLine(image.CountryText(c), c, flags);
        break;
    case kListNames:
        out = NameListingLine(image.NameAtBit(c), c / 8, c, flags);
        break;
    case kListApts:
    case kListInts:
    case kListNdbs:
    case kListVors: {
        const int type = PointTypeOfKind(kind);
        const int shift = kind == kListApts ? 8 : 1;
        const uint32_t n = c >> shift;
        const uint32_t sub = c & ((1u << shift) - 1);
        const uint8_t* record = image.Point(type, n);
        if (!record) break;
        if (type == kApt696) {
            FormatAirportLine696(s, flags, n, sub, out);
        } else if (sub == 0) {
            FormatPointLine696(image, flags, type, n, record, out);
        } else {
            out = RecordBytesLine696(record, kPointSections696[type].recordSize);
        }
        break;
    }
    case kListApproaches:
        FormatApproachLine696(s, flags, c >> 8, c & 0xFF, out);
        break;
    case kListSuas:
        FormatSuaLine696(s, flags, c >> 10, c & 0x3FF, out);
        break;
    case kListFss:
        FormatFssLine696(image, flags, c, out);
        break;
    case kListArtccs:
        FormatTccLine696(s, flags, c >> 8, c & 0xFF, out);
        break;
    case kListAirways696:
        FormatAirwayLine696(s, flags, c >> 9, c & 0x1FF, out);
        break;
    default:
        break;
    }
    while (!out.empty() && static_cast<unsigned char>(out.back()) <= ' ') out.pop_back();
}

void InstallListing696(GenModel& model) {
    auto state = std::make_shared<ListingState696>();
    model.onImageSourceOpened = [state](OperationContext& context) { OpenImageSource696(context, *state); };
    model.onImageClose = [state](OperationContext&) { CloseImage696(*state); };
    model.nextListingItem = [state](OperationContext& context) { return NextListedRecord696(context, *state); };
    model.listSection = [state](OperationContext& context, int32_t code, std::string& out) {
        ListSection696(context, *state, code, out);
    };
    model.batchKeepsOtherRunwayEnd = true;
    model.listDumpLine = [state](OperationContext& context, int kind, int32_t code, bool decimal, std::string& out) {
        ListDumpLine696(context, *state, kind, code, decimal, out);
    };
    model.listingCountryNumber = [state](OperationContext&, const std::string& country) {
        return ListingCountryNumber696(*state, country);
    };
}
