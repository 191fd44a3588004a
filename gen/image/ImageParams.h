// The image parameter set of a unit family: header and fixed-area offsets, section descriptors,
// size limits and the family's finishing rules (sumcheck, packet count, file cut).
#pragma once

#include <cstdint>
#include <string>

struct ImageParams;
struct ImageResult;
class Image;
class ImageLayout;

// The four point sections of an image, in image order.
enum SectionKind : int { kSectionApt = 0, kSectionInt = 1, kSectionNdb = 2, kSectionVor = 3 };
constexpr int kSectionCount = 4;

// A 24-bit offset that points at nothing.
constexpr uint32_t kAbsent24 = 0x3FFFFF;

// Constant part of a section descriptor.
struct SectionParams {
    const char* name;             // "APT", "INT", "NDB", "VOR"
    uint32_t infoPointerOffset;   // header offset of the u24 pointer to the info area
    uint32_t infoStart;           // fixed offset of the info area
    uint32_t recordSize;          // bytes per record
    bool hasNames;                // facility and city name pointers, name indexes (not INT)
    uint32_t facilityLowByte;     // byte offset of the facility name offset bits 0-15 (city: +2)
    uint32_t facilityHighBit;     // packed bit position of the facility offset's high bits
    uint32_t cityHighBit;         // packed bit position of the city offset's high bits
    uint32_t facilityStartBit;    // packed bit position of the facility name's 3-bit start value
    uint32_t cityStartBit;        // packed bit position of the city name's 3-bit start value
    uint32_t absentStartValue;    // start value of an absent name: 0 in APT records, 7 elsewhere
    uint32_t countryByte;         // byte offset of the country index
    uint32_t identLastByte;       // byte offset of the last byte of the ident code
    uint32_t identLength;         // ident characters kept (the first lives in the bucket table)
    uint32_t detailByte;          // APT: byte offset of the u16 rwy/com/appr value (0 elsewhere)
};

// Chunk sumcheck of a family: the field at offset 0 and how the chunk checks fill it.
struct SumcheckMethod {
    uint32_t fieldLength;  // bytes at offset 0 that hold the checks and are left out of chunk 0
    uint32_t chunkSize;    // bytes per chunk
    uint32_t chunkCount;   // chunks summed (the pre-filled file)
    // Fills the field from the chunk checks (check i = two's complement of the 8-bit sum of
    // chunk i) and the image end.
    void (*assemble)(const SumcheckMethod& method, const uint8_t* checks, uint32_t imageEnd, uint8_t* field);
};

// Offsets of the u24 pointers in the header's pointer block, counted from its start.
enum HeaderPointer : uint32_t {
    kPtrDataStart = 0,
    kPtrNames = 3,
    kPtrInfoApt = 6,   // then INT, NDB, VOR at 9, 12, 15
    kPtrFifth = 18,
    kPtrFssBlockA = 21,
    kPtrFssBlockB = 24,
    kPtrSuaBlock = 27,
    kPtrSpare1 = 30,
    kPtrSpare2 = 33,
    kPointerBlockLength = 36,
};

struct ImageParams {
    int modelCode;                // the unit/program table's kind of the family's generator
    int partNumber;               // the family's part number (006-Dnnnn-XX)
    bool approaches;              // approach IDs and approach data in the rwy/com/appr entries

    // Header.
    uint32_t headerSize;          // bytes before the title page
    uint32_t cycleOffset;         // u16 cycle; the three 4-byte dates follow, then 3 zero bytes
    uint32_t partNumberOffset;    // 24 bytes of packed part-number text
    uint32_t packetCountOffset;   // u16 packet count
    uint32_t pointerBlockOffset;  // the u24 pointers of HeaderPointer
    uint32_t titleOffset;         // the title, inside the blank title page
    uint32_t dataStart;           // end of the title page: the data start block

    // Fixed area.
    uint32_t fssBlockA;           // 8 bytes
    uint32_t fssBlockB;           // 26 bytes
    uint32_t suaBlock;            // 23 bytes
    uint32_t countryTableStart;
    uint32_t fssRecordSize;       // FSS records of the appended FSS/TCC section
    uint32_t tccRecordSize;       // TCC records of the appended FSS/TCC section

    // Names.
    uint32_t nameOffsetBits;      // width of a name pointer's byte offset: 20 or 18
    uint32_t namesTableLimit;     // the names table must stay below this many bytes

    // Size.
    uint32_t prefillSize;         // the file is filled with 0xFF to this size first
    uint32_t sizeLimit;           // an image end above this is too long to use
    uint32_t excessBase;          // the "too long" excess is counted from here
    const char* longImageWarning; // image end above prefillSize up to sizeLimit (null: none)
    uint32_t recordWarningLimit;  // more records in a section give the warning (0: none)
    const char* recordWarning;    // "%s" = section name

    // Finishing rules.
    uint32_t cutUnit;             // the file is cut behind the image end in whole units
    uint64_t (*cutLength)(const ImageParams& params, uint32_t imageEnd, uint64_t fileLength);
    uint32_t (*packetCountValue)(uint32_t usedBlocks);  // the value to store
    SumcheckMethod sumcheck;

    SectionParams sections[kSectionCount];

    // Whether an APT record has a rwy/com/appr entry, and its offset in the table (null: bit 7
    // of byte 8 says so, and the offset is the 19-bit value of stream bits 40-42 and the
    // section's detail bytes).
    bool (*entryOffset)(const uint8_t* record, uint32_t* offset);

    // The family's own reader of an image's layout and of the positions of its FSS/TCC and SUA
    // blocks (kAbsent24 when absent); null: the header's pointer block and the info blocks.
    ImageResult (*readLayout)(const Image& image, ImageLayout* layout, uint32_t* tccBlock, uint32_t* suaBlock) = nullptr;

    // The family's sixteen type names of SUA(b) areas (null: the framework's).
    const char* const* suaTypesB = nullptr;

    // The airport field of an SUA(a) area that names no airport (65535 marks an airport that the
    // database lacks): 65535, or 32768 in the families whose compiled files say so.
    uint32_t suaNoAirport = 0xFFFF;

    // The debug line of the sumcheck bytes at the end of Create Image, given the file's first
    // bytes (null: "Sumcheck bytes set to:" and a line of the bytes).
    std::string (*sumcheckReport)(const uint8_t* head) = nullptr;

    uint32_t InfoPointerOffset(int section) const { return sections[section].infoPointerOffset; }
    uint32_t NameOffsetAbsent() const { return (1u << nameOffsetBits) - 1; }
};

// The 495/496 family (Brondel).
extern const ImageParams ImageParams496;
// The GPS III Pilot (Quenmar).
extern const ImageParams ImageParamsIIIPilot;
// The 195/196/295/296/96/396 and iQue 3600a family (Pelmora).
extern const ImageParams ImageParams195;

// Info-area layout (offsets inside a section's info area).
constexpr uint32_t kInfoRecordCount = 0;    // u16
constexpr uint32_t kInfoBuckets = 2;        // 164 u16
constexpr uint32_t kInfoPointerBlock = 330; // 13 bytes
constexpr uint32_t kInfoNameBlock = 343;    // 10 bytes, not for INT
constexpr uint32_t kInfoAirportBlock = 353; // 8 bytes, APT only
constexpr uint32_t kBucketCount = 164;
constexpr uint32_t kGridCellSize = 25;
constexpr uint32_t kCountryRecordSize = 9;
constexpr uint32_t kApproachIdSize = 4;
constexpr uint32_t kMaxCountries = 256;
constexpr uint32_t kMaxDetailEntry = 2048;
constexpr uint32_t kTitlePageFill = 0x20;
