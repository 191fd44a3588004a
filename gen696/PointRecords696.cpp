#include "gen696/PointRecords696.h"

#include <cstring>

#include "common/CLocale.h"
#include "gen/image/IdentCoder.h"

const PointLayout696 kPointLayouts696[4] = {
    {"APT", 29, 12, 16, 9, 4},
    {"INT", 19, 16, 13, 10, 5},
    {"NDB", 20, 12, 15, 9, 4},
    {"VOR", 23, 10, 14, 9, 4},
};

SectionParams PointLayout696::Ident() const {
    SectionParams p{};
    p.name = name;
    p.recordSize = recordSize;
    p.identLastByte = identEnd;
    p.identLength = identLength;
    return p;
}

namespace {

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
uint32_t Get16(const uint8_t* p) { return p[0] | (p[1] << 8); }

void PutPointer(uint8_t* rec, uint32_t at, const NamePointer696& p) {
    const uint32_t v = (p.offset & 0x1FFFFF) | static_cast<uint32_t>(p.bit & 7) << 21;
    rec[at] = static_cast<uint8_t>(v);
    rec[at + 1] = static_cast<uint8_t>(v >> 8);
    rec[at + 2] = static_cast<uint8_t>(v >> 16);
}

ImageResult Head(const PointLayout696& l, const char* ident, int32_t lat, int32_t lon, const PointHead696& h,
                 uint8_t* rec) {
    std::memset(rec, 0, l.recordSize);
    PackPosition696(rec, lat, lon);
    rec[6] |= static_cast<uint8_t>((h.country & 0x7F) << 1);
    rec[7] |= static_cast<uint8_t>((h.country >> 7) & 3);
    PutPointer(rec, l.firstName, h.first);
    PutPointer(rec, l.secondName, h.second);
    if (!h.ident.empty()) return PackIdentCode(l.Ident(), h.ident, rec);
    return PackIdentCode(l.Ident(), ImageIdent(ident), rec);
}

}  // namespace

void PackPosition696(uint8_t* rec, int32_t lat, int32_t lon) {
    const uint32_t x = static_cast<uint32_t>(lon);
    const uint32_t y = static_cast<uint32_t>(lat);
    Put16(rec, x >> 16);
    Put16(rec + 2, (y >> 15) & 0xFFFF);
    rec[4] = static_cast<uint8_t>(y >> 7);
    rec[5] = static_cast<uint8_t>(x >> 7);
    rec[6] = static_cast<uint8_t>((rec[6] & 0xFE) | ((x >> 15) & 1));
}

void UnpackPosition696(const uint8_t* rec, int32_t* lat, int32_t* lon) {
    *lon = static_cast<int32_t>(Get16(rec) << 16 | (rec[6] & 1u) << 15 | static_cast<uint32_t>(rec[5]) << 7);
    uint32_t y = Get16(rec + 2) << 8 | rec[4];
    if (y & 0x800000) y |= 0xFF000000u;
    *lat = static_cast<int32_t>(y << 7);
}

uint32_t RecordCountry696(const uint8_t* rec) { return (rec[6] >> 1) | (rec[7] & 3u) << 7; }

NamePointer696 RecordNamePointer696(const uint8_t* rec, uint32_t at) {
    const uint32_t v = rec[at] | rec[at + 1] << 8 | rec[at + 2] << 16;
    return {v & 0x1FFFFF, static_cast<int>(v >> 21)};
}

int32_t IndexCell696(int32_t angle) {
    const int32_t cell = angle / kGridCell696;
    return angle < 0 ? cell - 1 : cell;
}

ImageResult PackApt696(const AptRecord& a, const PointHead696& h, uint32_t info, bool hasBlock, uint8_t* rec) {
    if (ImageResult r = Head(kPointLayouts696[kApt696], a.aident, a.alat, a.along, h, rec); !r) return r;
    const bool older = a.a212025 == -1;
    const uint32_t wordA = older ? 0 : static_cast<uint32_t>(a.a212025);
    const uint32_t wordB = older ? 0 : static_cast<uint32_t>(a.a221507);
    const uint32_t utc = older ? 31 : static_cast<uint32_t>(a.autc);
    const uint32_t fuel = static_cast<uint32_t>(a.afuel);
    const uint32_t code = (fuel & 0x40) ? 2 : (fuel & 0x80) ? 3 : (fuel & 0x100) ? 4 : 1;
    rec[7] |= static_cast<uint8_t>(code << 2 | (wordB & 0xE0));
    int32_t height = a.aheight + 5000;
    if (height < 0) height = 0;
    if (height > 0x7FFF) height = 0x7FFF;
    Put16(rec + 10, static_cast<uint32_t>(height) | (hasBlock ? 0x8000u : 0));
    rec[15] = static_cast<uint8_t>((utc & 0x3F) | ((wordB >> 8) & 0xC0));
    rec[19] = static_cast<uint8_t>(((info >> 16) & 0x7F) << 1);
    rec[20] = static_cast<uint8_t>(wordA >> 8);
    rec[21] = static_cast<uint8_t>(wordA >> 16);
    rec[22] = static_cast<uint8_t>(((wordB >> 16) & 0xF8) | ((fuel >> 5) & 1) << 2 | ((fuel >> 2) & 1) << 1 |
                                   ((fuel >> 4) & 1));
    Put16(rec + 23, info & 0xFFFF);
    rec[25] = static_cast<uint8_t>(wordA);
    Put16(rec + 26, 0xFFFF);
    rec[28] = 3;
    return ImageResult::Ok();
}

ImageResult PackInt696(const IntRecord& i, const PointHead696& h, uint8_t* rec) {
    if (ImageResult r = Head(kPointLayouts696[kInt696], i.iident, i.ilat, i.ilong, h, rec); !r) return r;
    if (i.iflags > 0) {
        rec[7] |= static_cast<uint8_t>(i.iflags & 0xF0);
        rec[8] |= static_cast<uint8_t>((i.iflags >> 8) & 3);
    }
    SetAirwayReference696(kInt696, rec, kNoAirway696);
    return ImageResult::Ok();
}

ImageResult PackNdb696(const NdbRecord& b, const PointHead696& h, uint8_t* rec) {
    if (ImageResult r = Head(kPointLayouts696[kNdb696], b.bident, b.blat, b.blong, h, rec); !r) return r;
    if (b.bfreq < 0 || b.bfreq > 0x7FFF) {
        return ImageResult::Data(StringFormatC("NDB %.8s: frequency %d does not fit its 15 bits", b.bident, b.bfreq));
    }
    rec[7] |= static_cast<uint8_t>((b.bcompat & 4) << 3);
    if (b.bflags != -1) rec[7] |= static_cast<uint8_t>(b.bflags & 0xD0);
    Put16(rec + 10, static_cast<uint32_t>(b.bfreq) | ((b.bcompat & 1) ? 0x8000u : 0));
    SetAirwayReference696(kNdb696, rec, kNoAirway696);
    return ImageResult::Ok();
}

uint8_t VorClassCode696(int32_t vdme) {
    const uint32_t d = static_cast<uint32_t>(vdme);
    const bool dme = d & 0x4;
    const bool b13 = d & 0x2000;
    const bool b15 = d & 0x8000;
    uint32_t kind = 1;
    if (dme) {
        kind = b13 ? 2 : 4;
    } else if (b15) {
        kind = b13 ? 3 : 5;
    }
    return static_cast<uint8_t>(kind * 32 + ((d >> 8) & 3) * 8 + ((d & 0x4000) ? 4 : 0));
}

ImageResult PackVor696(const VorRecord& v, const PointHead696& h, uint8_t* rec) {
    if (ImageResult r = Head(kPointLayouts696[kVor696], v.vident, v.vlat, v.vlong, h, rec); !r) return r;
    const int32_t freq = (v.vfreq - 10800) / 5;
    if (freq < 0 || freq > 255) {
        return ImageResult::Data(StringFormatC("VOR %.8s: frequency %d.%02d outside 108.00-120.75", v.vident,
                                               v.vfreq / 100, v.vfreq % 100));
    }
    const int32_t wordB = v.v221817;
    rec[7] |= static_cast<uint8_t>(wordB >= 0 ? (v.vtr & 0xFC) : VorClassCode696(v.vdme));
    rec[13] = static_cast<uint8_t>(freq);
    if (wordB >= 0) {
        Put16(rec + 17, static_cast<uint32_t>(wordB) & 0xFFFF);
        rec[19] = static_cast<uint8_t>(v.vmag);
        rec[22] = static_cast<uint8_t>((wordB >> 16) & 0xFC);
    }
    rec[22] |= static_cast<uint8_t>((v.vdme & 1) << 3);
    SetAirwayReference696(kVor696, rec, kNoAirway696);
    return ImageResult::Ok();
}

uint32_t AirwayReference696(PointType696 type, const uint8_t* rec) {
    switch (type) {
    case kInt696: return Get16(rec + 11) | ((rec[7] >> 2) & 3u) << 16;
    case kNdb696: return Get16(rec + 18) | ((rec[7] >> 2) & 3u) << 16;
    case kVor696: return Get16(rec + 20) | (rec[22] & 3u) << 16;
    default: return kNoAirway696;
    }
}

void SetAirwayReference696(PointType696 type, uint8_t* rec, uint32_t ref) {
    const uint8_t high = static_cast<uint8_t>((ref >> 16) & 3);
    switch (type) {
    case kInt696: Put16(rec + 11, ref & 0xFFFF); rec[7] = static_cast<uint8_t>((rec[7] & ~0x0C) | high << 2); break;
    case kNdb696: Put16(rec + 18, ref & 0xFFFF); rec[7] = static_cast<uint8_t>((rec[7] & ~0x0C) | high << 2); break;
    case kVor696: Put16(rec + 20, ref & 0xFFFF); rec[22] = static_cast<uint8_t>((rec[22] & ~0x03) | high); break;
    default: break;
    }
}

std::string UnpackIdent696(const PointLayout696& l, const uint8_t* x1, uint32_t recno, const uint8_t* rec) {
    uint32_t bucket = 0;
    for (uint32_t e = 0; e < 164; ++e) {
        const uint32_t v = x1[3 * e] | x1[3 * e + 1] << 8 | x1[3 * e + 2] << 16;
        if (v < 0x3FFFF && v <= recno) bucket = e;
    }
    const uint32_t code = bucket / 4 + 1;
    std::string text;
    text += code <= 26 ? static_cast<char>('A' + code - 1) : code >= 32 && code <= 41 ? static_cast<char>('0' + code - 32) : ' ';
    text += UnpackIdentTail(l.Ident(), rec, bucket);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    for (char& ch : text) {
        if (ch >= '0' && ch <= '9') ch = static_cast<char>(ch - '0' + 'p');
    }
    return text;
}

void UnpackApt696(const uint8_t* rec, AptRecord* a) {
    a->aheight = static_cast<int32_t>((rec[11] & 0x7F) << 8 | rec[10]) - 5000;
    int32_t fuel = (rec[11] & 0x80) ? 0 : 1;
    fuel |= ((rec[22] >> 1) & 1) << 2 | (rec[22] & 1) << 4 | ((rec[22] >> 2) & 1) << 5;
    const uint32_t code = (rec[7] >> 2) & 7;
    if (code == 2) fuel |= 0x40;
    if (code == 3) fuel |= 0x80;
    if (code == 4) fuel |= 0x100;
    a->afuel = fuel;
    a->autc = rec[15] & 0x3F;
    a->a212025 = rec[21] << 16 | rec[20] << 8 | rec[25];
    a->a221507 = static_cast<int32_t>((rec[22] << 16 | rec[15] << 8 | rec[7]) & 0xF8C0E0);
}

void UnpackInt696(const uint8_t* rec, IntRecord* i) {
    i->iflags = rec[7] + (rec[8] & 3) * 256;
    i->icompat = 0;
}

void UnpackNdb696(const uint8_t* rec, NdbRecord* b) {
    b->bfreq = (rec[11] & 0x7F) << 8 | rec[10];
    b->bcompat = ((rec[11] >> 4) | (rec[7] & 0x20)) >> 3;
    b->bflags = rec[7] & 0xDC;
}

void UnpackVor696(const uint8_t* rec, VorRecord* v) {
    v->vfreq = (rec[13] + 2160) * 5;
    v->vtr = rec[7] & 0xFC;
    v->vmag = rec[19];
    v->v221817 = (rec[22] & 0xF7) << 16 | rec[18] << 8 | rec[17];
    const uint32_t kind = (static_cast<uint32_t>(v->vtr) >> 5) & 7;
    const bool dme = rec[22] & 8;
    const bool classed = kind >= 2 && kind <= 6;
    const uint32_t low = classed ? (dme ? 5 : 4) : (dme ? 1 : 0);
    uint32_t high = (static_cast<uint32_t>(v->vtr) >> 3) & 3;
    if (kind == 2 || kind == 6) high |= 32;
    if (kind == 3) high |= 160;
    if (kind == 5) high |= 128;
    if (v->vtr & 4) high |= 64;
    v->vdme = static_cast<int32_t>(high << 8 | low);
}
