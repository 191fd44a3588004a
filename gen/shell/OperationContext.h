// The shared operation context: what the runner's openers set up and the step drivers read
// and write (operation kind, listing target, image file, step counters, listing position,
// next serial numbers, settings). Steps use this, never loose globals.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class CGenApp;
class CGenDoc;
class CompileSession;
class Image;
class LineReader;
struct GenSettings;
struct GenModel;

// Operation modes.
enum GenMode : int {
    kModeCreateImage = 0,
    kModeCreateIsam = 1,
    kModeBatchUpdate = 2,
    kModeList = 3,
    kModeCompileSua = 4,
    kModeCompileTcc = 5,
    kModeCompileApr = 6,
    kModeCount = 7,
};

// Listing kinds: setup section index + 1.
enum ListingKind : int {
    kListNone = 0,
    kListTitle = 1,
    kListCountries = 2,
    kListNames = 3,
    kListApts = 4,
    kListInts = 5,
    kListNdbs = 6,
    kListVors = 7,
    kListSuas = 8,
    kListFss = 9,
    kListArtccs = 10,
    kListApproaches = 11,
};

// Entries of the listing index that are not record handles.
constexpr int32_t kListingNoItems = -1;     // "No Matching Items"
constexpr int32_t kListingMaxLines = -2;    // "Maximum listable lines - use filters to see later entries"

class OperationContext {
public:
    OperationContext();
    ~OperationContext();
    OperationContext(const OperationContext&) = delete;
    OperationContext& operator=(const OperationContext&) = delete;

    CGenApp* app = nullptr;
    // The app's state (0 while idle), read by Stopped(); null without an app.
    const uint32_t* appState = nullptr;
    GenSettings* settings = nullptr;
    const GenModel* model = nullptr;

    // The mode of the running operation, or the listing kind of a listing.
    int kind = 0;
    // A model's own listing is being walked for a dump of Save As (its lines in dump form).
    bool listingDump = false;
    // Where progress and result lines go.
    CGenDoc* doc = nullptr;

    // The document's image object (null when the model has no image parameters) and the
    // image file that is open: handle (-1 none) and the name it was opened under.
    Image* image = nullptr;
    int imageFd = -1;
    std::string imageName;

    // The batch source of a Batch Update (null when none) over batchFd.
    std::unique_ptr<LineReader> batch;
    int batchFd = -1;
    std::string batchName;

    // Step counters of the step tables: current step index and calls of the current step.
    uint32_t step = 0;
    uint32_t calls = 0;

    // Listing iterator position.
    int titlePageCounter = 0;
    int32_t currentRecord = -1;

    // The country filter resolved to a country number (-1 none).
    int countryNumber = -1;

    // The running text compilation (compile modes; null otherwise).
    std::unique_ptr<CompileSession> compile;
    // The operation ended with an error: the run counts as not done.
    bool failed = false;

    // Next serial numbers of the record files, by file number (Create ISAM, batch update).
    int32_t nextSerial[15] = {};

    // The first call of the first step. The counters are read one by one: one wide read of
    // both would wait for the narrow writes of the call before.
    bool FirstCall() const {
        const uint32_t c = calls;
        return c == 0 && step == 0;
    }
    // Resets the step counters (every opener does).
    void ResetSteps() { step = 0; calls = 0; failed = false; }
    // Resets the listing iterator's position.
    void ResetListingPosition() { titlePageCounter = 0; currentRecord = -1; }

    // True once the operation was stopped (the app state went back to idle): a driver that
    // finds this after its step reports the operation finished.
    bool Stopped() const { return appState && *appState == 0; }

    // Ends the operation as failed (its input could not be read): it is stopped, the
    // control-file run ends and the program's exit status is 1.
    void FailOperation();

    // Lines of the listing target (nothing when there is none).
    void AddLine(std::string_view text) const;
    void ReplaceLastLine(std::string_view text, bool force = false) const;

    // Closes the batch source when open.
    void CloseBatch();
};
