// Decoders of single batch fields: positions, the country field, name fields, the frequency
// type, the runway designator and the runway's surface, lighting and picture fields, the ident
// check and the INT lookup. Each gives a batch result code (BatchLine.h) or a value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gen/batch/BatchLine.h"

struct IntRecord;

// Widest position field and the significant bits kept, by record type: 21 characters and 21
// bits for APT, INT, NDB, VOR and the runway ends; 26 and 26 for USR.
size_t BatchPositionWidth(BatchType type);
int BatchPositionBits(BatchType type);

// Parses a latitude or longitude field; 0, or kBatchErrLat / kBatchErrLng (also for a field
// wider than the type allows).
int ParseBatchPosition(std::string_view text, int32_t* angle, bool isLongitude, BatchType type);

// The country id that a country field names (at most 4 characters): the text after the last '-'
// when that is one or two characters long (the listing's "name-id" form); otherwise the text up
// to the first '-' or blank ("id-name", "id name" or the id alone).
std::string CountryIdOf(std::string_view text);
// The id a country added from this field takes: its first two characters, less the blank that
// pads a one-letter id ("K -USA" gives "K").
std::string AddedCountryId(std::string_view text);
// True when an unknown country of this field can be added: at least four characters, a blank or
// '-' as the third, and the field naming its AddedCountryId as its id (so the new country is
// found again by the same field).
bool CanAddCountry(std::string_view text);
// The csno of the country the field names, or -1 when there is none.
int32_t FindCountryId(std::string_view text);

// The "no name" texts of name fields: "<UNSET>", "UNSET" (the journal's form) and the empty text
// (a city field of only its '@' mark).
bool IsUnsetName(std::string_view text);
// The form a name field is kept and looked up in: at most 31 characters, trailing blanks cut.
std::string BatchNameText(std::string_view text);
constexpr int32_t kNameUnset = -1;
constexpr int32_t kNameAbsent = -2;
// The nsno of the name, kNameUnset for "<UNSET>" (and "UNSET"), kNameAbsent when there is none.
int32_t FindNameNumber(std::string_view text);

// The frequency type code of a FRQ line: the type word of field 5 (0-15), with bit 128 when
// field 7 is "M"; kBadFrequencyType when the word is unknown or field 7 is neither "M" nor a
// restriction list ("R:...").
constexpr int kBadFrequencyType = 16;
int ParseFrequencyType(const BatchLine& line);

// A runway designator ("09", "27L", "09L-27R", ".."); 0 or kBatchErrRwy. With `trueLetter` a
// 'T' after the number adds 0x10000.
int ParseRunwayDesignator(std::string_view text, int32_t* code, bool trueLetter = false);

// The runway values of a RWY line.
struct RunwayFields {
    enum class Picture {
        None,        // no picture text: the record keeps its values
        Ends,        // rnpic, rnpic2 (13-field form or the 20-character form)
        Words,       // rpicst, rpic (the 16-character form)
        Cleared,     // "0": no flags and no picture
    };
    int32_t length = 0;
    int32_t width = 0;
    int32_t rsl = 0;         // surface + lighting * 8
    bool hasMarker = false;  // the "<X-Y>" prefix was given
    int32_t marker = 0;      // bit 0: first letter L, bit 1: second letter L
    Picture picture = Picture::None;
    int32_t rflags = 0;
    int32_t rpicst = 0;
    int32_t rpic = 0;
    int32_t rnpic = 0;
    int32_t rnpic2 = 0;
};

// The words of a family's surfaces and lighting: each gives its bits of `rsl` from the field
// made lower-case, or -1 for a word it does not know.
struct RunwayFieldRules {
    int (*surface)(const std::string& word);
    int (*lighting)(const std::string& word);
    bool ffIsNoFlags = true;   // a flags byte "ff" is read as -1 (no flags)
};
const RunwayFieldRules& DefaultRunwayFieldRules();

// Length and width (field 5), surface (field 7), lighting (field 8) and the picture field
// (field 9, with fields 10-13 in the 13-field form, which need the airport's position).
// 0, kBatchErrSfc, kBatchErrLit, kBatchBadPicture, kBatchErrLat or kBatchErrLng.
int ParseRunwayFields(const BatchLine& line, int32_t airportLat, int32_t airportLon, RunwayFields* out);
int ParseRunwayFields(const BatchLine& line, int32_t airportLat, int32_t airportLon, const RunwayFieldRules& rules,
                      RunwayFields* out);

// The first character of an ident that is not allowed (digits and codes 65-122; '-' too for
// USR and RTE), or 0.
char FindBadIdentChar(std::string_view ident, BatchType type);

// Looks up the intersection with this (stored-form) ident in the country: 0 found (in *found),
// kBatchAbs when there is none.
int FindIntOfCountry(std::string_view ident, int32_t csno, IntRecord* found);

// Reading numbers the way the batch fields are written.
// The leading decimal integer (blanks and a sign allowed before it; 0 when there is none),
// held to the 32-bit range.
int32_t LeadingInteger(std::string_view text);
// A decimal number scaled and truncated: (value * scale + 0.1); false when the text does not
// begin with a number or the result does not fit 32 bits.
bool ScaledDecimal(std::string_view text, int scale, int32_t* out);
