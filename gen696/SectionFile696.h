// The section files of the 696 family (HDR+, STA+, NAM2+, TCC+, SUA+, ODDS+, TRL+ .DAT in the
// database folder): blocks of a text header "NAME_03|pos|count|size|length<" and the section's
// bytes, ended by a block of four zeros. Create ISAM writes them from an image, Create Image
// copies them into a new image, converting the name, position and airport fields of sections
// 1, 29, 33, 39 and 40 on the way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"

class ImageFile696;
struct ImageDirectoryEntry;

inline constexpr const char* kDatVersion696 = "03";
inline constexpr size_t kDatHeaderMax696 = 64;
inline constexpr size_t kDatPiece696 = 160;
inline constexpr uint32_t kNoNameNumber696 = 0xFFFFFF;
inline constexpr uint32_t kNoAirport696 = 0x3FFFF;
inline constexpr uint32_t kHeaderBlockLength696 = 0x208;

struct DatBlockHeader {
    uint32_t position = 0;
    uint32_t count = 0;
    uint32_t size = 0;
    uint32_t length = 0;
    bool End() const { return position == 0 && count == 0 && size == 0 && length == 0; }
    // The section of the block ((position - 512) / 8, toward zero); the header block is below 520.
    int Section() const { return (static_cast<int>(position) - 512) / 8; }
    bool IsHeaderBlock() const { return position < 520; }
};

// "%s_%s|%x|%d|%d|%x<" with the version "03".
std::string FormatDatHeader(const char* name, uint32_t position, uint32_t count, uint32_t size, uint32_t length);
// A header of the airspace compiler's SUA+ file for section n; section -64 gives the end block.
std::string SuaDatHeader696(int section, uint32_t count, uint32_t size, uint32_t length);
// The header text read up to and including "<": true when it is this block name's and version's
// and holds four numbers.
bool ParseDatHeader(std::string_view text, const char* name, DatBlockHeader* out);

// One section file: its block name and its sections in file order.
struct SectionFileDecl696 {
    const char* name;
    std::vector<int> sections;
};
extern const SectionFileDecl696 kHdrFile696;
extern const SectionFileDecl696 kStaFile696;
extern const SectionFileDecl696 kNam2File696;
extern const SectionFileDecl696 kTccFile696;
extern const SectionFileDecl696 kSuaFile696;
extern const SectionFileDecl696 kOddsFile696;
extern const SectionFileDecl696 kTrlFile696;

// "%s/%s.DAT" in the folder; an existing file of another letter case is found.
std::string SectionFilePath696(const std::string& folder, const char* name);

// Whether the section's data is converted record by record.
bool RecordSection696(int section);

// What the conversions need to know of the image's names and airports.
struct SectionLinks696 {
    // Create Image: name number -> name pointer offset and start bit (false: not in the names).
    std::function<bool(uint32_t number, uint32_t* offset, int* bit)> pointerOf;
    // Create ISAM: name pointer offset and bit -> name number (all ones: no name).
    std::function<uint32_t(int section, uint32_t offset, int bit)> numberOf;
    // Create Image: airport serial number -> record number in the image (0x3FFFF: none).
    std::function<uint32_t(uint32_t serial)> airportRecord;
};

// A record of section 29, 33, 39 or 40 from the file's form into the image's; `image` holds the
// new starts of sections 34 and 41. False with *error for a name number the names do not have.
bool RecordIntoImage696(int section, uint8_t* record, size_t size, const ImageFile696& image,
                        const SectionLinks696& links, std::string* error);
// The same record from the image's form into the file's; `sectionStart` gives a section's start
// (section 41: its block's start, 3 bytes before the directory's value).
void RecordIntoFile696(int section, uint8_t* record, size_t size, const std::function<uint32_t(int)>& sectionStart,
                       const SectionLinks696& links);

// Copies the blocks of one section file into the image being built, one piece per call.
class DatFileCopy696 {
public:
    enum class Result { Again, Done, Failed };
    ~DatFileCopy696();
    // First piece opens the file; `areaCode` (0 none) goes into header byte 150, `picsLen` into
    // value 3 of section 1.
    Result Piece(const std::string& folder, const SectionFileDecl696& decl, ImageFile696& image,
                 const SectionLinks696& links, int areaCode, int picsLen, std::string* error);
    void Close();

private:
    Result NextBlock(const SectionFileDecl696& decl, ImageFile696& image, std::string* error);

    FILE* file_ = nullptr;
    std::unique_ptr<char[]> buffer_;   // the file's read buffer, outliving it
    std::string path_;
    bool started_ = false;
    DatBlockHeader block_;
    uint32_t bytesPending_ = 0;
    uint32_t recordsPending_ = 0;
    uint32_t sectionOffset_ = 0;   // bytes of the current section written so far
};

// Writes one section file from a loaded source image, one piece per call; the file is made
// under a temporary name and replaces the old one at the end block.
class DatFileWriter696 {
public:
    enum class Result { Again, Done, Failed };
    ~DatFileWriter696();
    // `directory` is the source image's (section 41 lowered by 3); `dataLength` gives a
    // section's data length by the rule of the section files.
    Result Piece(const std::string& folder, const SectionFileDecl696& decl, int sourceFd,
                 const std::vector<ImageDirectoryEntry>& directory, const SectionLinks696& links,
                 std::string* error);
    void Abandon();

private:
    bool Put(const void* data, size_t size);

    platform::AtomicFile file_;
    std::vector<uint8_t> out_;   // bytes not yet written
    std::string path_;
    bool started_ = false;
    size_t listPos_ = 0;
    int section_ = 0;
    uint64_t readAt_ = 0;
    uint32_t bytesPending_ = 0;
    uint32_t recordsPending_ = 0;
    uint32_t recordSize_ = 0;
    std::vector<uint8_t> record_;
};

// The blocks of a section file in file order, each read whole (the end block not visited): `visit`
// gets each block's header and bytes. False with the message of a missing or damaged file.
bool VisitDatBlocks696(const std::string& folder, const SectionFileDecl696& decl,
                       const std::function<void(const DatBlockHeader& header, const uint8_t* data, size_t size)>& visit,
                       std::string* error);
// The records of sections `sections` in a section file, a block at a time (the other blocks
// passed over): `visit` gets each record.
// False with the message of a missing or damaged file.
bool VisitDatRecords696(const std::string& folder, const SectionFileDecl696& decl, const std::vector<int>& sections,
                        const std::function<void(int section, const uint8_t* record, size_t size)>& visit,
                        std::string* error);

// A section's data length in a section file: the distance from its start to the nearest start
// of the directory more than 3 bytes beyond it; count x size when there is none; 0 for a start
// of 0.
uint32_t SectionDataLength696(const std::vector<ImageDirectoryEntry>& directory, int section);
// The end of a section: the smallest directory start above start + 3, or the start itself.
uint32_t SectionEnd696(const std::vector<ImageDirectoryEntry>& directory, int section);
