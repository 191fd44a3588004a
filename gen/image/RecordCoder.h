// The APT, INT, NDB and VOR records of an image, coded from database records whose
// references (country, names, rwy/com/appr entry) have been resolved to image positions.
#pragma once

#include <cstdint>
#include <string>

#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/NamePointer.h"

struct AptRecord;
struct IntRecord;
struct NdbRecord;
struct VorRecord;
class NameMap;
class SerialMap;

// What every point record carries.
struct PointRecordInput {
    std::string ident;          // ImageIdent form: digits restored, blank-padded to 7
    int32_t lat = 0;
    int32_t lon = 0;
    uint32_t countryIndex = 0;  // position in the country table
    NamePosition facility;      // not in INT records
    NamePosition city;
};

struct AptRecordInput : PointRecordInput {
    int32_t afuel = 0;          // the airport's flag word
    int32_t aheight = 0;        // feet
    uint32_t detailValue = 0;   // entry offset in the rwy/com/appr table, or the main-runway summary
    bool detailIsOffset = false;
};

struct IntRecordInput : PointRecordInput {
    int32_t icompat = 0;
};

struct NdbRecordInput : PointRecordInput {
    int32_t bfreq = 0;          // kHz x 10
    int32_t bcompat = 0;
};

struct VorRecordInput : PointRecordInput {
    int32_t vfreq = 0;          // MHz x 100
    int32_t vdme = 0;
};

// Elevation code: feet / 10 (truncating), + 1 when the remainder is 5 or more, + 500; held to
// the 12 bits of its field.
uint32_t ElevationCode(int32_t feet);

// VOR frequency code: (vfreq - 10800) / 5 (108.00 MHz gives 0, 117.95 MHz 199); false when the
// frequency does not fit the byte.
bool VorFrequencyCode(int32_t vfreq, uint8_t* code);

// Encoders: fill a record of the section's size (bytes not named by the layout are 0). Values
// that do not fit their fields are errors that name the record.
ImageResult EncodeAptRecord(const ImageParams& params, const AptRecordInput& in, uint8_t* out);
ImageResult EncodeIntRecord(const ImageParams& params, const IntRecordInput& in, uint8_t* out);
ImageResult EncodeNdbRecord(const ImageParams& params, const NdbRecordInput& in, uint8_t* out);
ImageResult EncodeVorRecord(const ImageParams& params, const VorRecordInput& in, uint8_t* out);

// Inputs from database records: ident, position, country index and name positions looked up
// in the maps of the image being built.
ImageResult AptInputFrom(const AptRecord& rec, const SerialMap& countries, const NameMap& names, AptRecordInput* in);
ImageResult IntInputFrom(const IntRecord& rec, const SerialMap& countries, IntRecordInput* in);
ImageResult NdbInputFrom(const NdbRecord& rec, const SerialMap& countries, const NameMap& names, NdbRecordInput* in);
ImageResult VorInputFrom(const VorRecord& rec, const SerialMap& countries, const NameMap& names, VorRecordInput* in);
