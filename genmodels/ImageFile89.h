// The image file of the GPS 89: its parameter set (a fixed 262144-byte file, countries, APT and
// VOR records and the GEO data), the 60-byte header and the fixed area's blocks, the layout
// reader, the APT and VOR records, and the GEO.DAT file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/ImageHeader.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"
#include "gen/image/RecordCoder.h"

class Image;
class ImageLayout;

extern const ImageParams ImageParams89;

constexpr uint32_t kImage89Size = 262144;
constexpr uint32_t kImage89HeaderSize = 60;
constexpr uint32_t kImage89DataLimit = 256000;
constexpr uint32_t kImage89GeoBlock = 869;
constexpr uint32_t kGeoRecordSize = 18;
constexpr uint32_t kAbsent89 = 0x1FFFFF;

// "%s006-D0010-00" of three blanks and the title, upper-cased, blank-padded or cut to 20.
std::string PartNumberText89(const std::string& title);

// 10 bytes: position, afuel bits 1-3, elevation code, country index, ident.
ImageResult EncodeAptRecord89(const ImageParams& params, const AptRecordInput& in, uint8_t* out);
// 9 bytes: position, vdme bits 1-2, ident, country index, frequency byte.
ImageResult EncodeVorRecord89(const ImageParams& params, const VorRecordInput& in, uint8_t* out);
// The elevation an APT record holds (code - 500) x 10.
int32_t AptElevation89(const uint8_t* record);

// The GEO data of GEO.DAT: its record count and records (copied unchanged).
struct GeoData89 {
    uint32_t count = 0;
    std::vector<uint8_t> records;
};
enum class GeoFileState { Absent, Corrupt, Usable };
// Reads GEO.DAT: "%x<" then count x 18 bytes. A file without "<" in its first 64 bytes, without
// a count, or shorter than its records is corrupt.
GeoFileState ReadGeoFile89(const std::string& path, GeoData89* geo);
// The file's bytes of GEO data.
std::vector<uint8_t> GeoFileBytes89(uint32_t count, const uint8_t* records);

struct Header89Input {
    std::string title;
    ImageDate date;
    const GeoData89* geo = nullptr;  // null: no GEO data
};
// Writes the header (sumcheck byte 0), the country reference block, the APT and VOR tails and,
// with GEO data, the GEO block of the section placed at the image end (the layout's appended
// length then holds it).
ImageResult WriteImageHeader89(Image& image, const Header89Input& input, uint32_t* geoStart);

// The layout of an image read back; tables outside the file are a damaged image.
ImageResult ReadImageLayout89(const Image& image, ImageLayout* layout, uint32_t* tccBlock, uint32_t* suaBlock);
// The GEO section of an image read back: its count and start (false when it has none).
bool GeoSection89(const Image& image, uint32_t* count, uint32_t* start);
