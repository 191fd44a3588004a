// The lines of the APT, INT, NDB and VOR records of a 696 listing.
#include <cstring>

#include "common/CoordinateFormat.h"
#include "common/Frequency.h"
#include "gen/listing/ListingFormatText.h"
#include "gen/listing/ListingRecords.h"
#include "gen696/Listing696.h"
#include "gen696/Words696.h"

namespace {

constexpr int kAirportFuelColumn = 42;
constexpr int kAirportNameColumn = 45;
constexpr int kNdbMarkColumn = 41;
constexpr int kNdbNameColumn = 43;
constexpr int kVorWeatherColumn = 42;
constexpr int kVorKindColumn = 45;
constexpr int kVorRangeColumn = 52;
constexpr int kVorNameColumn = 56;
constexpr uint32_t kNoTimeZone = 31;

const auto& kVorKinds = kVorKinds696;
const auto& kVorRanges = kVorRanges696;

uint32_t Pointer(const uint8_t* record, uint32_t at) { return U24At(record + at); }

// The brief bit of a record: APT byte 22 bit 2, NDB byte 11 bit 7, VOR byte 22 bit 3.
bool Brief(int type, const uint8_t* record) {
    switch (type) {
    case kApt696: return (record[22] & 0x04) != 0;
    case kNdb696: return (record[11] & 0x80) != 0;
    case kVor696: return (record[22] & 0x08) != 0;
    default: return false;
    }
}

// The airport's use class, time zone and daylight-saving mark.
std::string AirportExtras(const uint8_t* record) {
    std::string text;
    const uint32_t use = record[7] >> 2 & 7;
    static const char* const kUse[5] = {"", "", "MIL", "PRV", "HEL"};
    if (use > 1) text += std::string(" [") + (use <= 4 ? kUse[use] : "UNK") + "]";
    if ((record[15] & 0x3F) != kNoTimeZone) {
        const int zone = 12 - static_cast<int>(record[15] & 31);
        char digits[8];
        text += zone < 0 ? " UTC-" : " UTC+";
        text.append(digits, listfmt::PutUnsigned(digits, static_cast<unsigned>(zone < 0 ? -zone : zone)));
        if (record[15] & 0x20) text += "+DST";
    }
    return text;
}

// The names part of an APT, NDB or VOR line from `column` (one further in the dump form, whose
// columns are those Save As reads back), with the extras before the country.
void AppendNames(const ListedImage696& image, const ListingFlags& flags, int type, const uint8_t* record, int column,
                 const std::string& extras, ListingLine& line) {
    if (flags.dump) ++column;
    const PointLayout696& layout = kPointLayouts696[type];
    const uint32_t first = Pointer(record, layout.firstName);
    const uint32_t second = Pointer(record, layout.secondName);
    const bool showSecond = !image.IsBlankName(second);
    std::string shown = image.NamePointerText(showSecond ? second : first);
    if (Brief(type, record) && shown.size() >= 2) shown.insert(shown.size() - 2, 1, flags.recordNumbers ? '@' : ' ');
    int at = line.Append(column, shown.c_str());
    if (showSecond || flags.recordNumbers) {
        at = line.Append(at, " (");
        at = line.Append(at, image.NamePointerText(first).c_str());
        at = line.Append(at, ")");
    }
    at = line.Append(at, extras.c_str());
    at = line.Append(at, " ");
    line.Append(at, image.CountryText(RecordCountry696(record)).c_str());
}

// An INT's name, then its parent in parentheses ("VRP " before it for a reporting point).
void AppendIntersectionNames(const ListedImage696& image, const ListingFlags& flags, const uint8_t* record,
                             int column, ListingLine& line) {
    const PointLayout696& layout = kPointLayouts696[kInt696];
    const uint32_t name = Pointer(record, layout.secondName);
    const uint32_t parent = Pointer(record, layout.firstName);
    std::string text;
    if (!image.IsBlankName(name)) {
        text = image.NamePointerText(name);
    } else if (flags.recordNumbers) {
        text = "UNSET";
    }
    std::string inner;
    if (!image.IsBlankName(parent)) {
        inner = std::string("(") + ((record[8] & 1) ? "VRP " : "") + image.NamePointerText(parent) + ")";
    } else if (flags.recordNumbers) {
        inner = "(UNSET)";
    }
    if (!inner.empty()) text += (text.empty() ? "" : " ") + inner;
    int at = line.Append(column + 1, text.c_str());
    if (!text.empty()) at = line.Append(at, " ");
    line.Append(at, image.CountryText(RecordCountry696(record)).c_str());
}

}  // namespace

std::string FirstName696(const ListedImage696& image, int type, const uint8_t* record) {
    return image.NamePointerText(Pointer(record, kPointLayouts696[type].firstName));
}

std::string SecondName696(const ListedImage696& image, int type, const uint8_t* record) {
    return image.NamePointerText(Pointer(record, kPointLayouts696[type].secondName));
}

int FormatListingIdent696(const ListedImage696& image, const ListingFlags& flags, int type, uint32_t n,
                          const uint8_t* record, ListingLine& line) {
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition696(record, &lat, &lon);
    return FormatPointPrefix(kPointSections696[type].name, image.Ident(type, n, record), lat, lon, n, flags, line);
}

void FormatPointLine696(const ListedImage696& image, const ListingFlags& flags, int type, uint32_t n,
                        const uint8_t* record, std::string& out) {
    ListingLine line;
    const int column = FormatListingIdent696(image, flags, type, n, record, line);
    char text[kFrequencyTextSize];
    switch (type) {
    case kApt696: {
        char* end = listfmt::PutSigned(text, static_cast<int>(U16At(record + 10) & 0x7FFF) - 5000, 5);
        *end++ = '\'';
        line.Append(kValueColumn, text, static_cast<size_t>(end - text));
        char* fuel = text;
        if (record[22] & 1) *fuel++ = 'J';
        if (record[22] & 2) *fuel++ = 'A';
        *fuel = '\0';
        line.Append(kAirportFuelColumn, text);
        AppendNames(image, flags, type, record, kAirportNameColumn, AirportExtras(record), line);
        break;
    }
    case kInt696:
        AppendIntersectionNames(image, flags, record, column, line);
        break;
    case kNdb696:
        FormatFrequency(text, static_cast<int32_t>(U16At(record + 10) & 0x7FFF), 10);
        line.Append(kValueColumn, text);
        if (record[7] & 0x20) line.Append(kNdbMarkColumn, "L");
        AppendNames(image, flags, type, record, kNdbNameColumn, "", line);
        break;
    case kVor696: {
        FormatFrequency(text, (record[13] + 2160) * 5, 100);
        line.Append(kValueColumn, text);
        if (record[7] & 0x04) line.Append(kVorWeatherColumn, "WX");
        line.Append(kVorKindColumn, kVorKinds[record[7] >> 5]);
        line.Append(kVorRangeColumn, kVorRanges[record[7] >> 3 & 3]);
        char variation[16];
        std::snprintf(variation, sizeof variation, " [%+.2d]", static_cast<int>(static_cast<int8_t>(record[19])));
        AppendNames(image, flags, type, record, kVorNameColumn, variation, line);
        break;
    }
    default:
        break;
    }
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

std::string RecordBytesLine696(const uint8_t* record, uint32_t size) { return FormatRawRecord(record, size); }
