// The point records of a 696 image (APT 29 bytes, INT 19, NDB 20, VOR 23): the common head
// (position, country, ident field, two name pointers) and each type's own bytes, packed from
// the database records and unpacked back into them.
#pragma once

#include <cstdint>
#include <string>

#include "dblib/dfAPTS.h"
#include "dblib/dfINTS.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfVORS.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

enum PointType696 { kApt696 = 0, kInt696 = 1, kNdb696 = 2, kVor696 = 3 };

// Byte offsets of a type's fields.
struct PointLayout696 {
    const char* name;
    uint32_t recordSize;
    uint32_t firstName;    // facility (INT: parent)
    uint32_t secondName;   // city (INT: name)
    uint32_t identEnd;
    uint32_t identLength;
    SectionParams Ident() const;
};
extern const PointLayout696 kPointLayouts696[4];

inline constexpr uint32_t kNoAirway696 = 0x3FFFF;
inline constexpr int32_t kGridCell696 = 23871488;

// A name pointer: the byte offset (21 bits) and the bit (7 = most significant) where the name begins.
struct NamePointer696 {
    uint32_t offset = 0;
    int bit = 7;
};

// What the common head takes besides the database record.
struct PointHead696 {
    uint32_t country = 0;     // position in the country table
    NamePointer696 first;
    NamePointer696 second;
    std::string ident;        // the record's ident as ImageIdent gives it; empty: made from the record
};

// Position of the common head; the angles keep longitude bits 31-7 and latitude bits 30-7.
void PackPosition696(uint8_t* rec, int32_t lat, int32_t lon);
void UnpackPosition696(const uint8_t* rec, int32_t* lat, int32_t* lon);
uint32_t RecordCountry696(const uint8_t* rec);
NamePointer696 RecordNamePointer696(const uint8_t* rec, uint32_t at);
// Grid cell of an index: the coordinate / cell truncated toward zero, one less when negative.
int32_t IndexCell696(int32_t angle);

// The record bytes of a type (the buffer zeroed first, `size` of the type). An ident that
// cannot be coded or a field that does not fit is an error naming the record.
ImageResult PackApt696(const AptRecord& a, const PointHead696& h, uint32_t info, bool hasBlock, uint8_t* rec);
ImageResult PackInt696(const IntRecord& i, const PointHead696& h, uint8_t* rec);
ImageResult PackNdb696(const NdbRecord& b, const PointHead696& h, uint8_t* rec);
ImageResult PackVor696(const VorRecord& v, const PointHead696& h, uint8_t* rec);
// The class code of a VOR whose word B is negative, from `vdme`.
uint8_t VorClassCode696(int32_t vdme);

// The airway index reference of a point record (18 bits) and its rewrite.
uint32_t AirwayReference696(PointType696 type, const uint8_t* rec);
void SetAirwayReference696(PointType696 type, uint8_t* rec, uint32_t reference);

// The ident of record `recno` from the type's X1 table (164 u24 entries) and its ident field,
// digits as the database stores them ('p'-'y'), trailing blanks cut.
std::string UnpackIdent696(const PointLayout696& layout, const uint8_t* x1, uint32_t recno, const uint8_t* rec);

// The type's own fields back into the database record (names and common fields by the caller).
void UnpackApt696(const uint8_t* rec, AptRecord* a);
void UnpackInt696(const uint8_t* rec, IntRecord* i);
void UnpackNdb696(const uint8_t* rec, NdbRecord* b);
void UnpackVor696(const uint8_t* rec, VorRecord* v);
