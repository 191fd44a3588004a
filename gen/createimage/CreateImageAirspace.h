// The compiled airspace files that Create Image copies into an image: TCC.DAT (the FSS/TCC
// section) and SUA.DAT (the SUA section) of the database folder. Their header line is checked
// when the file is opened; the counting steps walk their area records one per call, and the
// copy steps move the body behind the VOR area one piece per call, relocating every record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gen/image/AirspaceRelocation.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageParams.h"
#include "gen/image/ImageResult.h"

class Image;
class NameMap;
class SerialMap;

enum class AirspaceKind { Tcc, Sua };

// Bytes read for the header line, and the least a valid line needs.
constexpr size_t kAirspaceHeaderRead = 96;
constexpr size_t kTccHeaderMinimum = 16;
constexpr size_t kSuaHeaderMinimum = 22;
// Bytes of a raw part copied per call.
constexpr uint32_t kAirspaceCopyPiece = 160;

inline constexpr const char* kTccCorruptText =
    "FSS/TCC file \"db/tcc.dat\" corrupt or wrong type\n\nImage will not contain FSS or TCCs";
inline constexpr const char* kSuaCorruptText =
    "SUA file \"db/sua.dat\" corrupt or wrong type\n\nImage will not contain SUAs";

// The record layouts of a family's compiled files: FSS, TCC and the two SUA area records.
struct AirspaceLayouts {
    const AirspaceRecordLayout* fss;
    const AirspaceRecordLayout* tcc;
    const AirspaceRecordLayout* suaA;
    const AirspaceRecordLayout* suaB;
};
// The 495/496 set (20-bit name pointers) or the 18-bit set of the GPS III Pilot and 195 families.
const AirspaceLayouts& AirspaceLayoutsOf(const ImageParams& params);

// The 18-bit families' records: FSS 9 bytes, TCC 18, SUA 24 and 22.
extern const AirspaceRecordLayout kFssRecord18;
extern const AirspaceRecordLayout kTccRecord18;
extern const AirspaceRecordLayout kSuaRecordA18;
extern const AirspaceRecordLayout kSuaRecordB18;

// Header lines: "TCC_02|%lx x 8<" and "SUA_02|%x|%lx|...<" (11 values) in the 495/496 family,
// the same without the tag in the others. `n` bytes of text; *lineLength is the length up to
// and including '<'. False when a value, a separator, the tag or the '<' is missing.
bool ParseTccHeaderLine(const uint8_t* text, size_t n, bool tagged, TccSectionHeader* out, uint32_t* lineLength);
bool ParseSuaHeaderLine(const uint8_t* text, size_t n, bool tagged, SuaSectionHeader* out, uint32_t* lineLength);

// One part of a section body: raw bytes, or a table of records of one layout whose offset
// field moves by the section's image position plus `offsetBase`.
struct AirspacePiece {
    uint32_t offset = 0;  // in the body
    uint32_t length = 0;
    const AirspaceRecordLayout* layout = nullptr;  // null: raw bytes
    uint32_t offsetBase = 0;
};

// The body's pieces in body order, when the header describes tables that follow one another
// inside the body with whole records; empty when it does not.
std::vector<AirspacePiece> TccPieces(const ImageParams& params, const TccSectionHeader& h);
std::vector<AirspacePiece> SuaPieces(const ImageParams& params, const SuaSectionHeader& h);

class AirspaceSource {
public:
    explicit AirspaceSource(AirspaceKind kind) : kind_(kind) {}
    ~AirspaceSource() { Close(); }
    AirspaceSource(const AirspaceSource&) = delete;
    AirspaceSource& operator=(const AirspaceSource&) = delete;

    // Opens the file read-only with sharing allowed and checks its header line and body.
    // A missing file is no error (the source stays closed); a damaged one is a DataError with
    // the family's corrupt-file text, and the source stays closed.
    ImageResult Open(const std::string& path, const ImageParams& params);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    AirspaceKind Kind() const { return kind_; }

    const TccSectionHeader& Tcc() const { return tcc_; }
    const SuaSectionHeader& Sua() const { return sua_; }
    uint32_t BodyLength() const { return bodyLength_; }

    // The next area record (FSS then TCC, or SUA table a then b) into buf (at least 32 bytes);
    // false at the end. A record the file no longer holds is an error.
    ImageResult NextRecord(uint8_t* buf, const AirspaceRecordLayout** layout, bool* found);

    // Copies the next piece (a raw part of at most 160 bytes or one relocated record) to the
    // image at `position` + its body offset. *done becomes true after the last piece.
    ImageResult CopyStep(Image& image, uint32_t position, const NameMap& names, const SerialMap& airports,
                         bool* done);

private:
    ImageResult ReadBody(uint32_t offset, uint8_t* buf, uint32_t length) const;

    AirspaceKind kind_;
    int fd_ = -1;
    const ImageParams* params_ = nullptr;
    uint32_t headerLength_ = 0;
    uint32_t bodyLength_ = 0;
    TccSectionHeader tcc_;
    SuaSectionHeader sua_;
    std::vector<AirspacePiece> pieces_;
    // Cursors: the record walk and the copy.
    size_t recordPiece_ = 0;
    uint32_t recordAt_ = 0;
    size_t copyPiece_ = 0;
    uint32_t copyAt_ = 0;
};
