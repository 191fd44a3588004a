// Trevossa's document: the log listing of the platform, the open unit database file and its
// data section, the settings of the listings (country string, height units, filter, Min AGL,
// batch format, purge) and the single output path of every listing, which goes to the
// listing lines or to an output file. The listings of the data kinds live in their own
// files: ObstacleFile.cpp (38), SectionData.cpp (51, 55, 76, 79), FixedObstacleFile.cpp (39).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/LogDocument.h"
#include "sidedata/obstacles/IdentList.h"
#include "sidedata/obstacles/Position.h"
#include "sidedata/obstacles/TrevossaOptions.h"
#include "sidedata/obstacles/UnitFile.h"

namespace obstacles {

// Commands of the document.
constexpr unsigned kCmdBatchFormat = 32779;
constexpr unsigned kCmdFilters = 32780;
constexpr unsigned kCmdProgramDefaults = 137;

inline constexpr const char* kDefaultCountry = "XW-EURO";
inline constexpr const char* kCannotReadText = "Cannot open selected file for reading";
inline constexpr const char* kNothingListedText = "No VRPs, Obstacles, or AOPA Data in this file";
inline constexpr const char* kCannotWriteText = "Cannot open selected file for writing";
inline constexpr const char* kFileNotOpenedText = "The file could not be opened";
inline constexpr const char* kNoBatchFormatText = "This data cannot be converted to batch format";
inline constexpr const char* kCannotSaveText = "This data cannot be saved";
inline constexpr std::string_view kScreenLimitLine = "(Screen listing limited to 2000 lines)\n";
inline constexpr std::string_view kScreenLimitText = kScreenLimitLine.substr(0, kScreenLimitLine.size() - 1);
inline constexpr const char* kAutoStartText = "Starting Auto run";
inline constexpr const char* kAutoCompleteText = "Auto run complete";

// Lines of the screen listing after which a listing stops.
constexpr size_t kScreenLineLimit = 1998;

// Exit statuses of the unattended run.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

// Kinds listed: 38, 39, 51, 55, 76, 79.
bool IsListedKind(int kind);

enum class HeightUnits { Feet = 0, Metres = 1 };

class CTrevossaDoc : public platform::LogDocument {
public:
    // The options are the program's: the document reads the debug level from them as it
    // changes.
    explicit CTrevossaDoc(TrevossaOptions& options);
    ~CTrevossaDoc() override;

    // Settings.
    std::string country = kDefaultCountry;
    HeightUnits heightUnits = HeightUnits::Feet;
    std::string filter;   // lower case
    std::string minAgl;
    bool batchFormat = false;
    bool purge = false;
    int DebugLevel() const { return options_.debugLevel; }

    // The output path of every listing. flag > 0 appends the text to the pending line and
    // writes each finished line (filtered, empty ones dropped) to the output file or the
    // listing; 0 does nothing; < 0 empties the pending line.
    void EmitText(int flag, std::string_view text);
    bool PassesFilter(std::string_view line) const;

    // Lines shown: 0 while output goes to a file.
    int GetLineCount() const override;

    // Where the document's messages go instead of message boxes (the unattended run with
    // windows: standard error, no dialog waits); empty: message boxes.
    void SetMessageSink(std::function<void(const char*)> sink) { messageSink_ = std::move(sink); }

    // ---- The file (unit database file) ----
    // Closes the open file and empties the listing; with a path, reads the file, finds and
    // classifies its data section and lists it. True when something was listed.
    bool OpenDataFile(const std::string& path);
    // Reads a file into memory; false when it cannot be read.
    static bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes);
    // Takes the bytes as the open file and finds its data section; false for a kind this
    // program does not list.
    bool LoadFileBytes(std::vector<uint8_t> bytes);
    // LoadFileBytes and the listing on screen; a kind not listed gives the message and
    // closes the file again.
    bool ListFileBytes(std::vector<uint8_t> bytes);
    void CloseDataFile();
    bool IsOpen() const { return open_; }
    int Kind() const { return section_.kind; }
    const DataSection& Section() const { return section_; }
    // Lists the open file's data section by its kind; false for a kind this program does not
    // list.
    bool ListData();

    // ---- Output to a file ----
    // The open file's listing as the text of an output file (lines ended by CR LF).
    std::string ConvertToText();
    // The same written to the path: under a temporary name, renamed at the end; false (and
    // nothing changed) when it cannot be written.
    bool WriteListingFile(const std::string& path);
    // The unattended run: the input converted into the output file. An exit status.
    int RunUnattended(const std::string& inputPath, const std::string& outputPath);
    // Save As of the open file: the kind and the batch flag are checked before the file is
    // touched; the file is written under a temporary name and renamed at the end. True when
    // written; the messages are shown.
    bool SaveListingAs(const std::string& path);
    void OnFileSaveAs();
    void OnFilters();
    void OnProgramDefaults();

    // ---- Kind 38 ----
    void ListObstacleFile();
    size_t WriteObstacleLine(const Bytes& record);
    size_t WriteLineObstacle(const Bytes& record, size_t recordOffset);
    void DumpFileHeader(const Bytes& header);
    void DumpTables();
    void PurgeDuplicateSections(size_t recordsStart);
    // The position text with its end ('|' or blank), or the raw value at debug bit 16.
    std::string FormatPosition(int32_t value, bool isLongitude, PositionEnd end) const;

    // ---- Kinds 51, 55, 76, 79 ----
    void ListSectionData();
    // One record at the data offset; -1 at the end of the run, else 1 with at moved on.
    int ReadSectionRecord(size_t& at);
    void StripMarkup(std::string_view text);
    void PutText(int flag, std::string_view text);

    // ---- Kind 39 ----
    void ListFixedObstacleFile();
    void WriteBatchHeader();
    int ListFixedIndexEntry(uint32_t entry);

    IdentList& Idents() { return idents_; }

private:
    void EmitLine(std::string_view line);
    // EmitText(1, text) of a text whose only '\n' ends it.
    void EmitWholeLine(std::string_view text);
    void Report(const char* text);
    void EmitDamaged(size_t offset);
    bool ScreenFull() const { return !outputToFile_ && Lines().size() >= kScreenLineLimit; }
    int Height(int feet) const { return heightUnits == HeightUnits::Metres ? FeetToMetres(feet) : feet; }
    std::string TableText(int table, unsigned index, size_t at, size_t maxLength) const;
    // The texts a record's u8 indexes name, taken from the tables once per listing.
    enum TextColumn { kTypeText, kTypeTrimmed, kTypeShort, kLineText, kSecondText, kSecondTrimmed, kThirdText, kColumns };
    void FillTextCache();
    const std::string& Cached(TextColumn column, uint8_t index) const { return textCache_[column][index]; }
    std::vector<std::string> textCache_[kColumns];
    void AddCommands();

    TrevossaOptions& options_;
    std::function<void(const char*)> messageSink_;
    std::string pending_;
    bool outputToFile_ = false;
    std::string fileOutput_;
    static constexpr size_t kOutputChunk = 1 << 20;  // written out in pieces of this size
    int outputFd_ = -1;
    int64_t outputOffset_ = 0;
    bool outputFailed_ = false;
    void FlushOutput();
    std::vector<uint8_t> file_;
    bool open_ = false;
    DataSection section_;
    Bytes data_;
    IdentList idents_;
    std::unordered_set<size_t> purged_;  // offsets of line obstacles removed by the purge
    bool stopped_ = false;               // a damaged record ended the listing
    // Directory of a kind-38 file.
    struct DirEntry {
        uint32_t offset = 0xFFFFFFFF;
        uint16_t size = 0;
        uint32_t count = 0;
    };
    std::vector<DirEntry> directory_;
};

}  // namespace obstacles
