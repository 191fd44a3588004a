// The build state of one Create Image operation: what the steps count, mark, map and write,
// from the first step to the end of the operation. Steps read and write only this and the
// operation context.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/createimage/AirportDetailSource.h"
#include "gen/createimage/DbWalk.h"
#include "gen/image/ApproachId.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/shell/GenModel.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageResult.h"
#include "gen/image/IndexWriter.h"
#include "gen/image/NamePointer.h"
#include "gen/image/NamesTable.h"
#include "gen/image/SectionRecordWriter.h"
#include "gen/image/SerialMap.h"
#include "gen/image/Sumcheck.h"

class Image;
class OperationContext;

// One byte per database serial number: whether the record exists and whether the image uses it.
class OccurrenceTable {
public:
    static constexpr uint8_t kExists = 1;
    static constexpr uint8_t kUsed = 2;

    // A table for serials 0 to size - 1, all clear.
    void Allocate(size_t size) { flags_.assign(size, 0); allocated_ = true; }
    bool Allocated() const { return allocated_; }
    size_t Size() const { return flags_.size(); }
    // Serials outside the table (negative, or beyond the file's next serial) are ignored.
    void Mark(int32_t serial, uint8_t bits) {
        if (serial >= 0 && static_cast<size_t>(serial) < flags_.size()) flags_[static_cast<size_t>(serial)] |= bits;
    }
    bool Has(int32_t serial, uint8_t bits) const {
        return serial >= 0 && static_cast<size_t>(serial) < flags_.size() &&
               (flags_[static_cast<size_t>(serial)] & bits) == bits;
    }
    uint8_t At(size_t i) const { return flags_[i]; }

private:
    std::vector<uint8_t> flags_;
    bool allocated_ = false;
};

// Bytes for consecutive image offsets, written in large pieces rather than one small write
// per name or entry.
class PendingBytes {
public:
    static constexpr size_t kFlushSize = 0x10000;
    // Adds bytes that belong right behind the ones pending (at `offset` when none are).
    ImageResult Add(Image& image, uint32_t offset, const uint8_t* data, size_t length);
    ImageResult Flush(Image& image);

private:
    uint32_t start_ = 0;
    std::vector<uint8_t> bytes_;
};

// Per airport of the image: the rwy/com/appr value of its APT record.
struct AirportWord {
    bool isOffset = false;  // an entry offset in the rwy/com/appr table; else the runway summary
    uint32_t value = 0;
};

struct CreateImageBuild {
    CreateImageBuild(OperationContext& context, Image& image);
    ~CreateImageBuild();
    CreateImageBuild(const CreateImageBuild&) = delete;
    CreateImageBuild& operator=(const CreateImageBuild&) = delete;

    // Allocates an occurrence table through the build's allocator: with debug bit 8 the
    // allocation is listed; an allocation that fails is a program error.
    void AllocateTable(OccurrenceTable& table, const char* name, int32_t size);

    OperationContext& context;
    Image& image;
    const ImageParams& params;

    // The step in progress: its database walk and its position in its own work.
    DbWalk walk;
    uint32_t cursor = 0;

    // The runways, frequencies and restrictions of the airports' rwy/com entries.
    AirportDetailSource details;

    // Compiled airspace sources of the database folder.
    AirspaceSource tcc{AirspaceKind::Tcc};
    AirspaceSource sua{AirspaceKind::Sua};

    // Countries and names: counts, the lowest-numbered name when it is shorter than two
    // characters (-1 otherwise), and which serials exist and are used.
    uint32_t countryCount = 0;
    int32_t highestCountry = -1;
    uint32_t nameCount = 0;
    int32_t highestName = -1;
    int32_t shortFirstName = -1;
    int32_t lowestName = 0;
    bool firstNameSeen = false;
    OccurrenceTable csocc, nsocc, asocc, isocc, bsocc, vsocc, apocc;

    // The included records of each section in ident order, and their serials in image order.
    // Intersections are kept only up to what a section can number: more end the operation.
    std::vector<AptRecord> apts;
    uint32_t intCount = 0;
    std::vector<IntRecord> ints;
    std::vector<NdbRecord> ndbs;
    std::vector<VorRecord> vors;
    SerialMap maps[kSectionCount];
    SerialMap cmap;
    // The names in the order of the names table, read by the scan for the table's write.
    std::vector<NameRecord> nameRecords;
    NameMap names;
    NamesTableWriter namesTable;
    PendingBytes pending;
    ApproachIdTable approachIds;
    uint32_t approachRecords = 0;   // approach records in the database
    std::vector<AirportWord> words;

    // The section being written and its index writer.
    std::unique_ptr<SectionRecordWriter> records;
    std::unique_ptr<IndexWriter> index;

    AppendedPositions positions;
    std::unique_ptr<Sumcheck> sumcheck;
    bool sumcheckWritten = false;
};

// Ends the operation for a reason the user can act on: the message in a message box, then
// "Operation Aborted" (the unfinished image is deleted).
StepStatus AbortCreateImage(OperationContext& context, const std::string& message);
// A freshly compiled airspace file (`fresh`, in the database folder, readable and writable)
// replaces `current` in one step when the user answers Yes to "File ... is present in db50, do
// you want me to rename it ?".
void OfferNewAirspaceFile(const OperationContext& context, const char* fresh, const char* current);
// The outcome of a coder: Ok goes on (Again), a DataError aborts the operation, an
// InternalError ends the program.
StepStatus Failed(OperationContext& context, const ImageResult& result);
