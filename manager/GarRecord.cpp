#include "manager/GarRecord.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>

#include "manager/FieldText.h"

namespace {

constexpr int kOldLength[6] = {0, 58, 124, 125, 127, 127};
constexpr int kTextStart[10] = {0, 0, 0, 0, 0, 0, 48, 52, 52, 62};
constexpr uint8_t kAttribute[10] = {0, 0, 0, 0, 0, 0, 0x60, 0x70, 0x70, 0x80};
constexpr size_t kKept[6] = {31, 40, 31, 28, 31, 31};  // new layout texts kept on reading
constexpr int kMaxRecord = 255;

// Little-endian words; on a little-endian machine a plain copy.
void PutU16(uint8_t* at, uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        const uint16_t word = static_cast<uint16_t>(value);
        std::memcpy(at, &word, 2);
    } else {
        at[0] = static_cast<uint8_t>(value);
        at[1] = static_cast<uint8_t>(value >> 8);
    }
}

void PutU32(uint8_t* at, uint32_t value) {
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(at, &value, 4);
    } else {
        PutU16(at, value);
        PutU16(at + 2, value >> 16);
    }
}

uint32_t GetU32(const uint8_t* at) {
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

float FloatOf(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t BitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Whether the record holds `width` bytes at `offset`.
bool Holds(int size, int offset, int width) { return offset >= 0 && offset + width <= size; }

// The text of a field up to its terminator, within the field and the record.
std::string FieldText(const uint8_t* record, int size, int offset, int width) {
    if (offset >= size) return {};
    const int end = std::min(size, offset + width);
    const uint8_t* from = record + offset;
    const uint8_t* nul = static_cast<const uint8_t*>(std::memchr(from, 0, static_cast<size_t>(end - offset)));
    const uint8_t* stop = nul ? nul : record + end;
    return std::string(reinterpret_cast<const char*>(from), static_cast<size_t>(stop - from));
}

// A field blank-padded (or cut) to its width.
void PutPadded(uint8_t* at, std::string_view text, size_t width) {
    std::memset(at, ' ', width);
    if (!text.empty()) std::memcpy(at, text.data(), std::min(text.size(), width));
}

// The length of the city without its "@ST" end; the state (two blanks when none) goes to
// `state`, byte by byte (two bytes read back as one would wait for both writes to be done).
size_t SplitCity(std::string_view city, uint8_t* state) {
    state[0] = state[1] = ' ';
    const size_t at = city.find('@');
    if (at == std::string_view::npos) return city.size();
    for (size_t i = 0; i < 2 && at + 1 + i < city.size(); ++i) state[i] = static_cast<uint8_t>(city[at + 1 + i]);
    return at;
}

void AppendState(std::string& city, const uint8_t* record, int size, int offset) {
    if (!Holds(size, offset, 1) || record[offset] == ' ' || record[offset] == 0) return;
    city += '@';
    city += FieldText(record, size, offset, 2);
}

}  // namespace

uint32_t GarUnknownAltitudeBits() { return BitsOf(1.0e25f); }

bool GarNewLayout(int format) { return format >= 6 && format <= 9; }

int GarFixedPart(int format) { return GarNewLayout(format) ? kTextStart[format] : 18; }

void GarInitRecord(uint8_t* record, int format) {
    std::memset(record, 0, 256);
    if (!GarNewLayout(format)) {
        PutU16(record + 118, 32767);
        return;
    }
    if (format >= 7) record[0] = 0x01;
    record[3] = kAttribute[format];
    std::memset(record + 12, 0xFF, 12);
    const uint32_t unknown = GarUnknownAltitudeBits();
    PutU32(record + 32, unknown);
    PutU32(record + 36, unknown);
    PutU32(record + 40, unknown);
    if (format >= 7) PutU32(record + 48, 0xFFFFFFFFu);
    if (format == 9) PutU32(record + 52, unknown);
}

void GarSetWaypointType(uint8_t* record, int format, int type) {
    if (!GarNewLayout(format)) {
        if (format >= 2) record[123] = static_cast<uint8_t>(type);
        return;
    }
    const int cls = type == 4 ? 0 : type < 4 ? 0x40 + type : 0x3F + type;
    record[format == 6 ? 0 : 1] = static_cast<uint8_t>(cls);
}

void GarSetPosition(uint8_t* record, int format, int32_t latitude, int32_t longitude, uint32_t time) {
    const bool newer = GarNewLayout(format);
    PutU32(record + (newer ? 24 : 6), static_cast<uint32_t>(latitude));
    PutU32(record + (newer ? 28 : 10), static_cast<uint32_t>(longitude));
    if (!newer) PutU32(record + 14, time);
    else if (format == 9) PutU32(record + 56, time);
}

void GarSetCountryAltitude(uint8_t* record, int format, const char* country, uint32_t altitudeBits) {
    if (GarNewLayout(format)) {
        std::memcpy(record + 46, country, 2);
        PutU32(record + 32, altitudeBits);
        return;
    }
    if (format < 2) return;
    std::memcpy(record + 120, country, 2);
    const float altitude = FloatOf(altitudeBits);
    int value = 32767;
    if (altitudeBits != GarUnknownAltitudeBits() && std::isfinite(altitude))
        value = static_cast<int>(std::clamp(std::trunc(altitude), -32768.0f, 32766.0f));
    PutU16(record + 118, static_cast<uint32_t>(value));
}

void GarSetSymbol(uint8_t* record, int format, uint32_t symbol) {
    const uint8_t high = static_cast<uint8_t>(symbol >> 16), middle = static_cast<uint8_t>(symbol >> 8),
                  low = static_cast<uint8_t>(symbol);
    if (GarNewLayout(format)) {
        record[4] = high;
        record[5] = middle;
        record[2] = low;
    } else if (format >= 2) {
        record[124] = high;
        record[125] = middle;
        record[126] = low;
    }
}

void GarFixComment(uint8_t* comment) {
    bool ended = false;
    for (int i = 0; i < 30; ++i) {
        if (comment[i] != '_' && comment[i] != 0) continue;
        comment[i] = ended ? ' ' : 0;
        ended = true;
    }
}

int GarPutTexts(uint8_t* record, int format, const GarTexts& texts) {
    return GarPutTexts(record, format,
                       GarTextViews{texts.ident, texts.comment, texts.name, texts.city, texts.address, texts.crossRoad});
}

int GarPutTexts(uint8_t* record, int format, const GarTextViews& texts) {
    const bool newer = GarNewLayout(format);
    const size_t citySize = newer || format >= 2 ? SplitCity(texts.city, record + (newer ? 44 : 116)) : 0;
    if (!newer) {
        PutPadded(record, texts.ident, 6);
        uint8_t* comment = record + 18;
        std::memset(comment, ' ', 40);
        const size_t length = std::min<size_t>(texts.comment.size(), 40);
        if (length != 0) std::memcpy(comment, texts.comment.data(), length);
        if (length < 40) comment[length] = 0;
        GarFixComment(comment);
        if (format >= 2) {
            PutPadded(record + 62, texts.name, 30);
            PutPadded(record + 92, texts.city.substr(0, citySize), 24);
        }
        return kOldLength[std::clamp(format, 1, 5)] + 3;
    }
    const std::string_view parts[6] = {texts.ident, texts.comment, texts.name, texts.city.substr(0, citySize),
                                       texts.address, texts.crossRoad};
    int position = kTextStart[format];
    for (int i = 0; i < 6; ++i) {
        // Room is kept for the terminators of this text and those after it.
        const int room = kMaxRecord - position - (6 - i);
        const size_t length = std::min(parts[i].size(), static_cast<size_t>(std::max(room, 0)));
        if (length != 0) std::memcpy(record + position, parts[i].data(), length);
        position += static_cast<int>(length);
        record[position++] = 0;
    }
    return position + 3;
}

int GarPutWaypointTexts(uint8_t* record, int format, const char (&ident)[8], const char (&comment)[32]) {
    const size_t identLength = FieldLength(ident), commentLength = FieldLength(comment);
    if (!GarNewLayout(format)) {
        GarTextViews texts;
        texts.ident = {ident, identLength};
        texts.comment = {comment, commentLength};
        return GarPutTexts(record, format, texts);
    }
    // Both fields fit whole, with every terminator, before the record's end: no room to keep,
    // and each copied whole.
    static_assert(62 + 8 + 32 + 6 <= kMaxRecord);
    record[44] = record[45] = ' ';
    uint8_t* at = record + kTextStart[format];
    std::memcpy(at, ident, 8);
    at += identLength;
    *at++ = 0;
    std::memcpy(at, comment, 32);
    at += commentLength;
    *at++ = 0;
    std::memset(at, 0, 4);
    return static_cast<int>(at + 4 - record) + 3;
}

int GarPutRoutePointTexts(uint8_t* record, int format, const char (&ident)[8], const char (&first)[32],
                          bool firstIsComment, const char (&second)[32]) {
    const size_t identLength = FieldLength(ident), firstLength = FieldLength(first);
    const std::string_view city(second, FieldLength(second));
    if (!GarNewLayout(format)) {
        GarTextViews texts;
        texts.ident = {ident, identLength};
        (firstIsComment ? texts.comment : texts.name) = {first, firstLength};
        texts.city = city;
        return GarPutTexts(record, format, texts);
    }
    // The three fields fit whole, with every terminator, before the record's end: no room to
    // keep, and each copied whole.
    static_assert(62 + 8 + 32 + 32 + 6 <= kMaxRecord);
    const size_t cityLength = SplitCity(city, record + 44);
    uint8_t* at = record + kTextStart[format];
    std::memcpy(at, ident, 8);
    at += identLength;
    *at++ = 0;
    if (!firstIsComment) *at++ = 0;
    std::memcpy(at, first, 32);
    at += firstLength;
    *at++ = 0;
    if (firstIsComment) *at++ = 0;
    std::memcpy(at, second, 32);
    at += cityLength;
    *at++ = 0;
    at[0] = at[1] = 0;
    return static_cast<int>(at + 2 - record) + 3;
}

GarTexts GarGetTexts(const uint8_t* record, int size, int format) {
    GarTexts texts;
    if (!GarNewLayout(format)) {
        texts.ident = FieldText(record, size, 0, 6);
        texts.comment = FieldText(record, size, 18, 40);
        if (format >= 2) {
            texts.name = FieldText(record, size, 62, 30);
            texts.city = FieldText(record, size, 92, 24);
            AppendState(texts.city, record, size, 116);
        }
        return texts;
    }
    std::string* parts[6] = {&texts.ident, &texts.comment, &texts.name, &texts.city, &texts.address, &texts.crossRoad};
    int position = kTextStart[format];
    for (int i = 0; i < 6 && position < size; ++i) {
        *parts[i] = FieldText(record, size, position, size - position);
        position += static_cast<int>(parts[i]->size()) + 1;
        if (parts[i]->size() > kKept[i]) parts[i]->resize(kKept[i]);
    }
    AppendState(texts.city, record, size, 44);
    return texts;
}

void GarGetPosition(const uint8_t* record, int size, int format, int32_t& latitude, int32_t& longitude,
                    uint32_t& time) {
    latitude = longitude = 0;
    time = 0;
    const bool newer = GarNewLayout(format);
    const int at = newer ? 24 : 6;
    if (Holds(size, at, 8)) {
        latitude = static_cast<int32_t>(GetU32(record + at));
        longitude = static_cast<int32_t>(GetU32(record + at + 4));
    }
    if (!newer) {
        if (Holds(size, 14, 4)) time = GetU32(record + 14);
    } else if ((format == 9 || (Holds(size, 3, 1) && record[3] >= 0x80)) && Holds(size, 56, 4)) {
        time = GetU32(record + 56);
    }
}

int GarGetWaypointType(const uint8_t* record, int size, int format) {
    if (GarNewLayout(format)) {
        const int at = format == 6 ? 0 : 1;
        if (!Holds(size, at, 1)) return 4;
        const int cls = record[at];
        if (cls == 0) return 4;
        if (cls >= 0x44) return cls - 0x3F;
        if (cls >= 0x40) return cls - 0x40;
        return cls;
    }
    if (format >= 2 && Holds(size, 123, 1)) return record[123];
    return 4;
}

void GarGetCountryAltitude(const uint8_t* record, int size, int format, std::string& country,
                           uint32_t& altitudeBits) {
    country.clear();
    altitudeBits = 0;
    if (GarNewLayout(format)) {
        country = FieldText(record, size, 46, 2);
        if (Holds(size, 32, 4)) altitudeBits = GetU32(record + 32);
        return;
    }
    if (format < 2) return;
    country = FieldText(record, size, 120, 2);
    if (!Holds(size, 118, 2)) return;
    const int16_t altitude = static_cast<int16_t>(record[118] | record[119] << 8);
    altitudeBits = altitude == 32767 ? GarUnknownAltitudeBits() : BitsOf(static_cast<float>(altitude));
}

uint32_t GarGetSymbol(const uint8_t* record, int size, int format) {
    if (GarNewLayout(format)) {
        if (!Holds(size, 2, 4)) return 0x120003;
        return static_cast<uint32_t>(record[4]) << 16 | record[5] << 8 | record[2];
    }
    if (format < 2 || !Holds(size, 124, 3)) return 0x120003;
    return static_cast<uint32_t>(record[124]) << 16 | record[125] << 8 | record[126];
}

int GarPutRouteHeader(uint8_t* record, int format, int routeNumber, const std::string& title) {
    std::memset(record, 0, 256);
    if (format == 2) {
        record[0] = static_cast<uint8_t>(routeNumber);
        return 1;
    }
    const bool newer = GarNewLayout(format);
    uint8_t* text = record + (newer ? 0 : 1);
    const size_t room = newer ? 20 : 19;
    std::memset(text, format == 1 ? '_' : ' ', room);
    if (!newer) record[0] = static_cast<uint8_t>(routeNumber);
    if ((newer || format == 4) && !title.empty()) {
        const size_t length = std::min(title.size(), room);
        std::memcpy(text, title.data(), length);
        if (length < room) text[length] = 0;
    }
    record[20] = 0;
    return 21;
}

int GarPutRouteLink(uint8_t* record) {
    std::memset(record, 0, 256);
    PutU16(record, 3);
    std::memset(record + 8, 0xFF, 12);
    return 21;
}

std::string GarGetRouteTitle(const uint8_t* record, int size, int format) {
    const bool newer = GarNewLayout(format);
    std::string title = FieldText(record, size, newer ? 0 : 1, size);
    const char fill = format == 1 ? '_' : ' ';
    while (!title.empty() && (title.back() == ' ' || title.back() == fill)) title.pop_back();
    return title;
}
