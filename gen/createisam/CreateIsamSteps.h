// The steps of Create ISAM and the state they share for one operation.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gen/createisam/CreateIsamDetail.h"
#include "gen/createisam/CreateIsamRecords.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/shell/GenModel.h"

class IsamAirspaceFile;

struct CreateIsamState {
    CreateIsamState();
    ~CreateIsamState();

    std::unique_ptr<IsamImageSource> source;
    std::unique_ptr<IsamNameResolver> names;
    // The country each country-table entry is stored under (a repeated id under the first).
    std::vector<int32_t> countryNumber;
    // The airspace file being written.
    std::unique_ptr<IsamAirspaceFile> airspace;
    // Records of the airports' runways, frequencies, restrictions, approaches and local
    // waypoints, numbered and waiting to be added file by file (in serial order).
    struct AirportChildren {
        std::vector<RwyRecord> runways;
        std::vector<FreqRecord> frequencies;
        std::vector<RestrRecord> restrictions;
        std::vector<ApprRecord> approaches;
        std::vector<LwptRecord> locals;
        size_t Count() const {
            return runways.size() + frequencies.size() + restrictions.size() + approaches.size() + locals.size();
        }
    } children;
    // Set by a step that has nothing to do, so that the driver lists no progress for it.
    bool skipped = false;

    void Clear();
};

// Ends the operation with a message box and "Operation Aborted".
StepStatus AbortCreateIsam(OperationContext& c, CreateIsamState& s, const std::string& message);

StepStatus EraseDatabaseFiles(OperationContext& c, CreateIsamState& s);
// The same with a family's own check of the image's records and its own list of files.
using IsamRecordCheck = ImageResult (*)(const IsamImageSource& source);
StepStatus EraseDatabaseFiles(OperationContext& c, CreateIsamState& s, IsamRecordCheck check,
                              const char* const* list, size_t count);
// Closes the database, checks that every existing file of the list (a record file's name
// stands for its .dta and .dtx) can be removed, removes them all and opens the database again;
// false with the reason (empty when a message was shown) when something stops it.
bool EraseListedFiles(OperationContext& c, const char* const* list, size_t count, std::string* refusal);
StepStatus IsamWriteCountries(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteNames(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteApts(OperationContext& c, CreateIsamState& s);
// The same with a family's own reading of airport n: its APT record and its runways,
// frequencies and approaches (read from an image already checked).
using IsamAirportReader = void (*)(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail);
StepStatus IsamWriteApts(OperationContext& c, CreateIsamState& s, IsamAirportReader read);
StepStatus IsamWriteInts(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteNdbs(OperationContext& c, CreateIsamState& s);
StepStatus IsamWriteVors(OperationContext& c, CreateIsamState& s);
StepStatus WriteTccFile(OperationContext& c, CreateIsamState& s);
StepStatus WriteSuaFile(OperationContext& c, CreateIsamState& s);

// The database files Create ISAM erases, in order (a name without '.' is its .dta and .dtx).
extern const char* const kIsamEraseList[];
extern const size_t kIsamEraseCount;

// Every reference of the image's records checked before the database is erased: country
// bytes inside the country table and every airport's rwy/com/appr entry readable.
ImageResult CheckIsamRecords(const IsamImageSource& source);
// The country bytes of every record inside the country table.
ImageResult CheckIsamCountries(const IsamImageSource& source);

// The runways, frequencies and approaches of airport n at (lat, lon): from its rwy/com/appr
// entry (*hasEntry true), or its one runway from the main-runway summary.
ImageResult IsamAirportDetail(const IsamImageSource& source, uint32_t n, int32_t lat, int32_t lon,
                              DecodedAirportDetail* detail, bool* hasEntry);
