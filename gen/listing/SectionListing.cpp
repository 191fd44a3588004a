#include "gen/listing/SectionListing.h"

#include <algorithm>

#include "common/CLocale.h"
#include "common/DateText.h"
#include "gen/image/CountryRecord.h"
#include "gen/shell/GenModel.h"
#include "gen/image/Image.h"
#include "gen/listing/ListingRecords.h"
#include "gen/shell/OperationContext.h"
#include "common/PartNumber.h"
#include "gen/image/PositionField.h"
#include "gen/listing/SectionListingParts.h"
#include "gen/listing/ListingWalk.h"

namespace {

constexpr uint32_t kTitleLines = 3;
constexpr size_t kTitleSplit = 20;
constexpr uint32_t kDateSize = 4;

int SectionOfKind(int kind) { return kind == kListApproaches ? kSectionApt : kind - kListApts; }

std::string CountryKey(const ImageInfo& info, uint32_t i) {
    std::string id;
    std::string name;
    UnpackCountryRecord(info.countries[i].data(), &id, &name);
    while (!id.empty() && id.back() == ' ') id.pop_back();
    return id + "-" + name;
}

// The first name to list: a hexadecimal start is a bit position, or with Record Numbers a byte
// offset (in the file, or in the names table when it lies below the table's start).
uint32_t FirstName(const ListingSession& s, const ListingFlags& flags) {
    if (!s.filter.hasStart) return 0;
    uint32_t bit = s.filter.start;
    if (flags.recordNumbers) {
        const uint32_t tableStart = s.info->map.namesStart;
        const uint32_t offset = s.filter.start >= tableStart ? s.filter.start - tableStart : s.filter.start;
        bit = offset * 8;
    }
    const auto& starts = s.info->nameStarts;
    return static_cast<uint32_t>(std::lower_bound(starts.begin(), starts.end(), bit) - starts.begin());
}

void ListTitlePage(const ListingSession& s, int32_t handle, std::string& out) {
    const ImageInfo& info = *s.info;
    const ImageParams& p = *info.params;
    const uint8_t* head = info.headerBytes.data();
    char from[24];
    char to[24];
    char created[24];
    FormatDayMonYear(from, sizeof from, head + p.cycleOffset + 2);
    FormatDayMonYear(to, sizeof to, head + p.cycleOffset + 2 + kDateSize);
    FormatDayMonYear(created, sizeof created, head + p.cycleOffset + 2 + 2 * kDateSize);
    switch (handle) {
        case 0:
            out = UnpackPartNumberText(head + p.partNumberOffset);
            if (out.size() > kTitleSplit) out.insert(kTitleSplit, 1, ' ');
            break;
        case 1:
            out = StringFormatC("CYCLE %04d, VALID FROM %s", static_cast<int>(GetU16(head + p.cycleOffset)), from);
            out = StringFormatC("%s TO %s,", out.c_str(), to);
            break;
        case 2:
            out = StringFormatC("CREATED %s.", created);
            break;
        case 3: {
            uint32_t counts[kSectionCount];
            for (int i = 0; i < kSectionCount; ++i) counts[i] = s.reader->RecordCount(i);
            out = PointCountsLine(counts);
            break;
        }
        default:
            break;
    }
}

void FormatCountryLine(const ListingSession& s, const ListingFlags& flags, uint32_t index, std::string& out) {
    out = CountryListingLine(FormatCountry(*s.info, index), index, flags);
}

void FormatNameLine(const ListingSession& s, const ListingFlags& flags, int32_t handle, std::string& out) {
    const auto bit = static_cast<uint32_t>(handle);
    const unsigned long offset = bit / 8 + (flags.extraLevel == 1 ? s.info->map.namesStart : 0);
    out = NameListingLine(FormatName(*s.info, NamePosition::At(bit)), offset, bit, flags);
}

void WaypointLine(const ListingSession& s, const ListingFlags& flags, int section, int32_t handle, std::string& out) {
    const auto number = static_cast<uint32_t>(handle) >> 1;
    uint8_t record[kMaxImageRecord];
    if (!s.reader->ReadRecord(section, number, record)) {
        out = StringFormatC("%s %x: no such record", s.reader->Params().sections[section].name, number);
    } else if (handle & 1) {
        out = FormatRawRecord(record, s.reader->RecordSize(section));
    } else {
        FormatWaypointLine(*s.reader, flags, section, number, record, out);
    }
}

}  // namespace

bool PointRecordPasses(const ListingSession& s, int section, uint32_t n, uint8_t* record) {
    const ImageReader& reader = *s.reader;
    if (!reader.ReadRecord(section, n, record)) return false;
    const SectionParams& p = reader.Params().sections[section];
    if (!s.filter.PassesCountry(record[p.countryByte])) return false;
    if (!s.filter.icao.empty() && !s.filter.PassesIcao(FormatIdent(reader, section, n, record))) return false;
    if (!s.filter.name.empty() && p.hasNames) {
        const NamePosition facility = GetNamePointer(reader.Params(), p, NameField::Facility, record);
        const NamePosition city = GetNamePointer(reader.Params(), p, NameField::City, record);
        if (!s.filter.NameBegins(FormatName(reader.Info(), facility)) &&
            (city.absent || !s.filter.NameBegins(FormatName(reader.Info(), city)))) {
            return false;
        }
    }
    GeoPoint position;
    DecodePosition(record, &position.lat, &position.lon);
    return s.filter.PassesPoint(position);
}

int32_t NextListingItem(OperationContext& context) {
    ListingRequest request;
    request.kind = context.kind;
    return NextListingItem(context, request);
}

int32_t NextListingItem(OperationContext& context, const ListingRequest& request) {
    ListingSession* found = FindListingSession(context);
    if (!found || !found->Loaded()) return -1;
    ListingSession& s = *found;
    const ListingFlags flags = ListingFlagsOf(context, request.dump, request.decimal);
    const ImageReader& reader = *s.reader;
    const uint32_t start = s.filter.hasStart ? s.filter.start : 0;
    const int kind = request.kind;
    switch (kind) {
        case kListTitle: {
            const int lines = static_cast<int>(kTitleLines) + (flags.debugLevel ? 1 : 0);
            return context.titlePageCounter < lines ? context.titlePageCounter++ : -1;
        }
        case kListCountries:
            return WalkListing(
                context, s.cursor, static_cast<uint32_t>(s.info->countries.size()), start,
                [&](uint32_t i) -> uint32_t {
                    return s.filter.PassesCountry(i) && s.filter.NameBegins(CountryKey(*s.info, i)) ? 1 : 0;
                },
                [](uint32_t i, uint32_t) { return static_cast<int32_t>(i); });
        case kListNames:
            return WalkListing(
                context, s.cursor, static_cast<uint32_t>(s.info->nameStarts.size()), FirstName(s, flags),
                [&](uint32_t i) -> uint32_t {
                    return s.filter.NameBegins(FormatName(*s.info, NamePosition::At(s.info->nameStarts[i]))) ? 1 : 0;
                },
                [&](uint32_t i, uint32_t) { return static_cast<int32_t>(s.info->nameStarts[i]); });
        case kListApts:
        case kListApproaches:
            return WalkListing(
                context, s.cursor, reader.RecordCount(kSectionApt), start,
                [&](uint32_t n) { return AirportLineCount(s, flags, n, kind == kListApproaches); },
                [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 8 | sub); });
        case kListInts:
        case kListNdbs:
        case kListVors: {
            const int section = SectionOfKind(kind);
            const uint32_t lines = flags.extraLevel && !flags.dump ? 2 : 1;
            return WalkListing(
                context, s.cursor, reader.RecordCount(section), start,
                [&](uint32_t n) -> uint32_t {
                    uint8_t record[kMaxImageRecord];
                    return PointRecordPasses(s, section, n, record) ? lines : 0;
                },
                [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 1 | sub); });
        }
        case kListSuas:
            return WalkListing(
                context, s.cursor, reader.SuaCount(), start, [&](uint32_t n) { return SuaLineCount(s, flags, n); },
                [](uint32_t n, uint32_t sub) { return static_cast<int32_t>(n << 10 | sub); });
        case kListFss:
            return WalkListing(
                context, s.cursor, reader.FssCount(), start, [&](uint32_t n) -> uint32_t { return FssPasses(s, n) ? 1 : 0; },
                [](uint32_t n, uint32_t) { return static_cast<int32_t>(n); });
        case kListArtccs:
            return WalkListing(
                context, s.cursor, std::min<uint32_t>(reader.TccCount(), 0x8000), start,
                [&](uint32_t n) { return TccLineCount(s, flags, n); },
                [&](uint32_t n, uint32_t sub) {
                    const uint32_t line = sub < s.tccLines.size() ? s.tccLines[sub] : 0;
                    return static_cast<int32_t>(n << 16 | line);
                });
        default:
            return -1;
    }
}

void ListSection(OperationContext& context, const ListingRequest& request, int32_t handle, std::string& out) {
    out.clear();
    ListingSession* found = FindListingSession(context);
    if (!found || !found->Loaded() || handle < 0) return;
    ListingSession& s = *found;
    const ListingFlags flags = ListingFlagsOf(context, request.dump, request.decimal);
    const auto h = static_cast<uint32_t>(handle);
    switch (request.kind) {
        case kListTitle:
            ListTitlePage(s, handle, out);
            break;
        case kListCountries:
            FormatCountryLine(s, flags, h, out);
            break;
        case kListNames:
            FormatNameLine(s, flags, handle, out);
            break;
        case kListApts:
            FormatAirportLine(s, flags, h >> 8, h & 0xFF, out);
            break;
        case kListInts:
        case kListNdbs:
        case kListVors:
            WaypointLine(s, flags, SectionOfKind(request.kind), handle, out);
            break;
        case kListSuas:
            ListSuaSection(s, flags, h >> 10, h & 0x3FF, out);
            break;
        case kListFss:
            FormatFssLine(s, flags, h, out);
            break;
        case kListArtccs:
            ListTccSection(s, flags, h >> 16, (h >> 8) & 0xFF, h & 0xFF, out);
            break;
        case kListApproaches:
            FormatApproachLines(s, flags, h >> 8, h & 0xFF, out);
            break;
        default:
            break;
    }
    while (!out.empty() && static_cast<unsigned char>(out.back()) <= ' ') out.pop_back();
}

const ImageReader* ListingReader(const OperationContext& context) {
    const ListingSession* s = FindListingSession(context);
    return s && s->Loaded() ? s->reader.get() : nullptr;
}

void InstallImageListings(GenModel& model) {
    model.nextListingItem = [](OperationContext& context) { return NextListingItem(context); };
    model.listSection = [](OperationContext& context, int32_t handle, std::string& out) {
        ListingRequest request;
        request.kind = context.kind;
        ListSection(context, request, handle, out);
    };
    auto opened = model.onImageSourceOpened;
    model.onImageSourceOpened = [opened](OperationContext& context) {
        ShowImageInfo(context);
        if (opened) opened(context);
    };
    auto closed = model.onImageClose;
    model.onImageClose = [closed](OperationContext& context) {
        if (closed) closed(context);
        CloseListingSource(context);
    };
}
