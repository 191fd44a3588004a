#include "gen/listing/ListingRecords.h"

#include <cstring>

#include "common/CLocale.h"
#include "common/CoordinateFormat.h"
#include "common/Frequency.h"
#include "gen/image/Image.h"
#include "gen/listing/ListingFormatText.h"
#include "gen/image/NamePointer.h"
#include "gen/image/PositionField.h"

namespace {

constexpr int kAirportFlagColumn = 42;
constexpr int kAirportNameColumn = 45;
constexpr int kNdbMarkColumn = 41;
constexpr int kNdbNameColumn = 43;
constexpr int kVorWeatherColumn = 42;
constexpr int kVorClassColumn = 45;
constexpr int kVorRangeColumn = 52;
constexpr int kVorNameColumn = 56;
constexpr uint32_t kPrivate = 0x80;
constexpr uint32_t kMilitary = 0x40;

// The byte and bit of the record's name-marker (the city field's "@").
bool NameMarker(int section, const uint8_t* record) {
    switch (section) {
        case kSectionApt:
            return (record[8] & 0x40) != 0;
        case kSectionNdb:
            return (record[14] & 0x20) != 0;
        case kSectionVor:
            return (record[12] & 0x20) != 0;
        default:
            return false;
    }
}

bool SamePointer(const NamePosition& a, const NamePosition& b) {
    return a.absent == b.absent && (a.absent || a.bit == b.bit);
}

const char* VorClass(const uint8_t* record) {
    const uint32_t d = record[15];
    const bool dmeOnly = (record[5] & 0x04) != 0;
    if (dmeOnly) return (d & 0x20) ? "DME" : "VORDME";
    switch (d & 0xA0) {
        case 0x80:
            return "VORTAC";
        case 0xA0:
            return "TACAN";
        default:
            return "VOR";
    }
}

const char* VorRange(const uint8_t* record) {
    static const char* const kRanges[4] = {"Low", "High", "Term", ""};
    return kRanges[record[15] & 3];
}

}  // namespace

int FormatPointPrefix(const char* typeName, const std::string& ident, int32_t latitude, int32_t longitude,
                      uint32_t number, const ListingFlags& flags, ListingLine& line) {
    line.Clear();
    line.Append(0, typeName);
    if (flags.recordNumbers && !flags.dump) {
        char text[24];
        *listfmt::PutHex(text, number, 4) = '\0';
        line.Append(0, text);
    }
    line.Append(kIdentColumn, ident.c_str());
    char position[kPositionPairTextSize];
    FormatPositionPair(position, latitude, longitude, flags.decimal, flags.RawCoordinates());
    return line.Append(kPositionColumn, position);
}

int FormatRecordPrefix(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number,
                       const uint8_t* record, ListingLine& line) {
    int32_t lat = 0;
    int32_t lon = 0;
    DecodePosition(record, &lat, &lon);
    return FormatPointPrefix(reader.Params().sections[section].name, FormatIdent(reader, section, number, record), lat,
                             lon, number, flags, line);
}

void FormatRecordNames(const ImageReader& reader, const ListingFlags& flags, int section, const uint8_t* record,
                       int column, uint32_t airportFlags, ListingLine& line) {
    const ImageInfo& info = reader.Info();
    const ImageParams& params = reader.Params();
    const SectionParams& s = params.sections[section];
    char scratch[16];
    const char* country = CountryText(info, record[s.countryByte], scratch);
    if (!s.hasNames) {
        line.Append(column + 1, country);
        return;
    }
    const NamePosition facility = GetNamePointer(params, s, NameField::Facility, record);
    const NamePosition city = GetNamePointer(params, s, NameField::City, record);
    const NamePosition& shown = (flags.dump || !city.absent) ? city : facility;
    char text[kListingNameLimit + 1];
    const size_t length = FormatNameTo(info, shown, text);
    if (NameMarker(section, record) && length >= 2) {
        // The marker goes before the name's last two characters.
        std::memmove(text + length - 1, text + length - 2, 3);
        text[length - 2] = flags.dump ? '@' : ' ';
    }
    int at = line.Append(column + 1, text);
    if (flags.dump || !SamePointer(facility, shown)) {
        FormatNameTo(info, facility, text);
        at = line.Append(at, " (");
        at = line.Append(at, text);
        at = line.Append(at, ")");
    }
    if (section == kSectionApt && (airportFlags & (kPrivate | kMilitary))) {
        at = line.Append(at, (airportFlags & kPrivate) ? " [PRV]" : " [MIL]");
    }
    at = line.Append(at, " ");
    line.Append(at, country);
}

void FormatAirportRecordLine(const ImageReader& reader, const ListingFlags& flags, uint32_t number,
                             const uint8_t* record, int infoFlags, std::string& out) {
    ListingLine line;
    FormatRecordPrefix(reader, flags, kSectionApt, number, record, line);
    const int elevation = (static_cast<int>(record[6] | (record[7] & 0x0Fu) << 8) - 500) * 10;
    char text[24];
    char* end = listfmt::PutSigned(text, elevation, 5);
    *end++ = '\'';
    *end = '\0';
    line.Append(kValueColumn, text);
    char* letter = text;
    if (record[5] & 0x10) *letter++ = 'J';
    if (record[5] & 0x04) *letter++ = 'A';
    if (record[5] & 0x08) *letter++ = 'M';
    *letter = '\0';
    line.Append(kAirportFlagColumn, text);
    FormatRecordNames(reader, flags, kSectionApt, record, kAirportNameColumn,
                      infoFlags < 0 ? 0 : static_cast<uint32_t>(infoFlags), line);
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

void FormatWaypointLine(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number,
                        const uint8_t* record, std::string& out) {
    ListingLine line;
    const int column = FormatRecordPrefix(reader, flags, section, number, record, line);
    char frequency[kFrequencyTextSize];
    switch (section) {
        case kSectionNdb:
            FormatFrequency(frequency, static_cast<int32_t>(GetU16(record + 8) & 0x7FFF), 10);
            line.Append(kValueColumn, frequency);
            if (record[9] & 0x80) line.Append(kNdbMarkColumn, "L");
            FormatRecordNames(reader, flags, section, record, kNdbNameColumn, 0, line);
            break;
        case kSectionVor:
            FormatFrequency(frequency, (record[13] + 2160) * 5, 100);
            line.Append(kValueColumn, frequency);
            if (record[15] & 0x40) line.Append(kVorWeatherColumn, "WX");
            line.Append(kVorClassColumn, VorClass(record));
            line.Append(kVorRangeColumn, VorRange(record));
            FormatRecordNames(reader, flags, section, record, kVorNameColumn, 0, line);
            break;
        default:
            FormatRecordNames(reader, flags, section, record, column, 0, line);
            break;
    }
    out.assign(line.Text(), static_cast<size_t>(line.Trim()));
}

std::string FormatWaypointLineOf(const ImageReader& reader, const ListingFlags& flags, int section, uint32_t number) {
    uint8_t record[kMaxImageRecord];
    if (!reader.ReadRecord(section, number, record)) {
        return StringFormatC("%s %x: no such record", reader.Params().sections[section].name, number);
    }
    std::string line;
    FormatWaypointLine(reader, flags, section, number, record, line);
    return line;
}

std::string FormatRawRecord(const uint8_t* record, uint32_t size) {
    std::string text(3 * static_cast<size_t>(size), ' ');
    for (uint32_t i = 0; i < size; ++i) listfmt::PutHex(&text[3 * static_cast<size_t>(i) + 1], record[i], 2, '0');
    return text;
}
