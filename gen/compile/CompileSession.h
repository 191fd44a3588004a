// What the three text compilers share: the state of one compilation (held by the operation
// context), the work files in which the compiled tables grow, the source line reader, the
// compile filter, the compiled-box table, the name and ident lookups, the error report and the
// end of a compilation that puts the new file in place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/CoordinateParse.h"
#include "common/TextHelpers.h"

class LineReader;
class OperationContext;
struct AirspaceRecordLayout;

// Error codes of the compilers.
enum CompileError : int {
    kErrNone = 0,
    kErrLineFormat = 1,
    kErrBrackets = 2,
    kErrPriority = 3,
    kErrAirspaceType = 4,
    kErrToAbsent = 5,
    kErrAptNotFound = 7,
    kErrNoSuaLine = 8,
    kErrVertexSequence = 9,
    kErrSquareBracket = 10,
    kErrCoordinate = 11,
    kErrArc = 12,
    kErrCircle = 13,
    kErrHeightHeader = 14,
    kErrTooFarApart = 16,
    kErrTooFewVertexes = 17,
    kErrTooManyVertexes = 19,
    kErrNotSouthWest = 20,
    kErrNotClosed = 21,
    kErrOrder = 22,
    kErrFieldValue = 23,
    kErrFileTooLarge = 24,
    kErrFrequencies = 30,
    kErrCountry = 41,
    kErrAptCountry = 42,
    kErrWaypoint = 43,
    kErrIncomplete = 44,
    kErrNdbFrequency = 45,
    kErrWaypointType = 46,
    kErrTooManyWaypoints = 47,
    kErrNoData = 48,
};

// The text of an error code ("unknown error" for codes the table lacks).
const char* CompileErrorMessage(int code);

// Work files, by their use in the SUA compiler (the FSS/TCC compiler's use in brackets).
enum WorkFileId : int {
    kWorkA = 0,  // SUAatmp.bin: 25/24-byte areas (FSS records)
    kWorkB,      // SUAbtmp.bin: 23/22-byte areas (TCC records)
    kWorkM,      // SUAmtmp.bin: vertex records (byte lists)
    kWorkG,      // SUAgtmp.bin: grid cells
    kWorkR,      // SUArtmp.bin: grid record numbers
    kWorkX,      // TCCxtmp.bin: FSS frequency words
    kWorkY,      // TCCytmp.bin: TCC vertex records
    kWorkZ,      // TCCztmp.bin: TCC frequency words
    kWorkFileCount,
};

// A work file: created empty, appended to through a buffer, patched in place, read back whole.
class WorkFile {
public:
    WorkFile() = default;
    ~WorkFile() { Close(false); }
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    // A file of the name in another letter case is taken as this one.
    bool Create(const std::string& path);
    // Create for a path spelt as the file goes by in its folder (platform::SpellingsInFolder).
    bool CreateAsSpelt(const std::string& path);
    // Closes the file: flushed when `keep`, else deleted (the bytes still buffered never written).
    void Close(bool keep);
    void Append(const void* data, size_t n);
    // Overwrites bytes already appended.
    void Patch(uint64_t offset, const void* data, size_t n);
    // Reads bytes already appended.
    void Read(uint64_t offset, void* data, size_t n);
    uint64_t Size() const { return size_; }
    bool Failed() const { return failed_; }
    // Copies the whole content to the descriptor from `at` on (the flushed part in pieces, then
    // the buffer); false on a failure.
    bool CopyTo(int fd, uint64_t& at);

private:
    void Flush();

    int fd_ = -1;
    std::string path_;
    std::vector<uint8_t> buffer_;  // bytes from flushed_ on
    uint64_t flushed_ = 0;
    uint64_t size_ = 0;
    bool failed_ = false;
};

// One compiled area or TCC record's bounding box and name number.
struct CompiledBox {
    int32_t west, south, east, north, name;
};

// What one compiler keeps besides the shared state.
struct CompilerPart {
    virtual ~CompilerPart() = default;
};

// The state of one compilation.
// The line a compile error ends with: the framework's, and the one of the generators that say
// "Error" only.
constexpr const char* kFatalErrorFrame = "********** Fatal Error: %s ***********";
constexpr const char* kErrorFrame = "********** Error: %s ***********";

class CompileSession {
public:
    CompileSession();
    ~CompileSession();

    // The source text.
    int sourceFd = -1;
    std::unique_ptr<LineReader> source;
    bool sourceEnded = false;
    std::string raw;          // the line as last read
    bool haveLine = false;    // raw holds a line that was not yet compiled
    std::string line;         // the prepared current line (ReadCompileLine)
    int64_t progressStep = -1;  // the progress line shown last, and the listing length then
    size_t progressLines = 0;

    int error = kErrNone;
    // The error line: a format with one %s for the error's text.
    const char* errorFrame = kFatalErrorFrame;
    int recordState = 0;
    int recordLength = 25;
    int compiled = 0;
    int filtered = 0;
    int fssCompiled = 0;
    bool fssMode = false;     // progress lines count FSS records
    std::string recordStart;
    std::string detail;

    WorkFile files[kWorkFileCount];
    bool filesOpen = false;
    bool nameSerialKnown = false;  // the names file's next record number found (at the first new name)
    std::vector<CompiledBox> boxes;
    std::unique_ptr<CompilerPart> part;

    bool gridPhase = false;
    bool gridStarted = false;
    int cell = 0;
    // The coordinate parser's error and date-line flag of the current record.
    CoordinateParseStatus coordinates;

    // The family's layouts (SUA a and b, FSS, TCC) and name-number width.
    const AirspaceRecordLayout* layoutA = nullptr;
    const AirspaceRecordLayout* layoutB = nullptr;
    uint32_t nameBits = 20;
    bool tagged = true;
    // The family's type names of SUA(b) areas (null: the framework's).
    const char* const* suaTypesB = nullptr;
    uint32_t suaNoAirport = 0xFFFF;

    // Clears the error, its detail line and the record-start line: how every compiler starts.
    void ResetErrorReport() {
        error = kErrNone;
        detail.clear();
        recordStart.clear();
    }
    // Sets a "value too large" error that names the limit.
    void FieldError(const std::string& what, long long value, long long limit);
    void SizeError(const std::string& what, long long value, long long limit);
    // Sets the error unless one is set; false when an error is set.
    bool Fail(int code) {
        if (error == kErrNone) error = code;
        return false;
    }
};

// The session of the running compilation, made when missing.
CompileSession& Session(OperationContext& c);

// Opens the source text for a compile mode ("Cannot open %s" when it cannot); the session is
// made new.
bool OpenCompileSource(OperationContext& c, const std::string& fileName);

// Resets the counts and creates the eight work files in the working folder (the record files
// are opened when first used). False (message shown, program ends) when a file cannot be created.
bool OpenCompileTempFiles(OperationContext& c);
// Closes the work files (kept at debug bit 4) and the source text.
void CloseCompileTempFiles(OperationContext& c);
// Ends whatever the session holds (STOP/RESET and the end of every compile operation).
void EndCompileSession(OperationContext& c);

// Reads the next raw line of the source into session.raw; false at the end of the input.
bool ReadSourceLine(CompileSession& s);
// Prepares session.raw as the current line: comment cut, progress line; null when the line is
// too short to compile. The result points into session.line with leading blanks skipped.
char* ReadCompileLine(OperationContext& c);

// The compile filter (limits rectangle and maximum base); counts and lists a dropped record.
bool IsFilteredOut(OperationContext& c, int32_t lowerFeet, int32_t north, int32_t east, int32_t south, int32_t west);

// Reports the current error in the session's error frame and ends the compilation (control-file
// run reset, source closed).
void CompileErrorText(OperationContext& c);

// Writes the header line and the work files' contents in order as `newName` in the folder
// (under a temporary name, renamed at the end), then closes the work files and reports; in a
// control-file run the new file replaces `finalName`. False (reported) when the file could not
// be written or put in place.
bool FinishCompilation(OperationContext& c, const std::string& header, const std::vector<int>& tables,
                       const std::string& newName, const std::string& finalName, const std::string& folder);

// Name and ident helpers over the database.
// The names-file number of a text: -1 for "<UNSET>", an existing name's nsno, or a new name.
int32_t GetNameNumber(OperationContext& c, const std::string& text);
// The airport record of an ident (digits changed in place into their stored form); -1 when none.
int32_t FindAirportIdent(char* ident);
// The country record of the text after the last '-' (at most 3 characters); -1 when none.
int32_t FindCountryFromIdent(const char* text);

// One record's lines: the current line and those after it go to `dispatch` until the input
// ends, an error is set, or (while a record is open) a line arrives for which `startsRecord`
// is true; that line stays current for the next call.
void CompileRecordLines(OperationContext& c, const std::function<void(char* line)>& dispatch,
                        const std::function<bool(const char* line)>& startsRecord);

// The grid phase, one cell per call: first the summary line (made at the first call only; error
// 48 when `empty`), then the cell; after the last cell `write` makes the file. True when the
// operation is finished (the session is then ended).
class GridBuilder;
using GridSummary = std::function<std::string()>;
bool CompileGridStep(OperationContext& c, GridBuilder& grid, int cells, const GridSummary& summary, bool empty,
                     const std::function<bool()>& write);
// The same with the cell builder given as a function of the cell number.
bool CompileGridStep(OperationContext& c, const std::function<bool(int cell)>& addCell, int cells,
                     const GridSummary& summary, bool empty, const std::function<bool()>& write);

// Ends the operation: the session's files closed, the session dropped. Always true.
bool EndCompileOperation(OperationContext& c);

// Text helpers of the line parsers.
inline bool StartsWith(const char* text, const char* prefix) { return MatchKeyword(text, prefix); }
// The ')' that closes the '(' at `open`, brackets nesting; null when there is none.
const char* MatchingParen(const char* open);
// The text from `from` to `to` without blanks at its ends.
std::string TrimmedText(const char* from, const char* to);
// A latitude and a longitude of `bits` significant bits; error 11 when either is malformed.
char* ReadCoordinatePair(CompileSession& s, char* text, int32_t* lat, int32_t* lon, int bits);

// The name number of a text within the family's width (all ones for "<UNSET>"); false with
// error 23 when it does not fit (all ones and 65535 read back as no name).
bool CompiledNameNumber(OperationContext& c, CompileSession& s, const std::string& text, uint32_t* out);
// Stores a name number in a record's name slot.
struct AirspaceNameSlot;
void PutNameNumber(const CompileSession& s, const AirspaceNameSlot& slot, uint8_t* record, uint32_t number);

// The compiled files and the names they replace.
inline constexpr const char* kNewSuaFile = "NewSua.dat";
inline constexpr const char* kSuaFinalFile = "sua.dat";
inline constexpr const char* kNewTccFile = "NewTcc.dat";
inline constexpr const char* kTccFinalFile = "tcc.dat";

// The database folder the compiled files go to.
std::string CompileFolder(const OperationContext& c);

// Replaces the last listing line by the progress text followed by the number as "%d" writes it.
void ShowCompileProgress(OperationContext& c, std::string_view text, int number);
