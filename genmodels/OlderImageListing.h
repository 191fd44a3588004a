// The List operation of the older families' generators (92/190, 90/95 XL, GPS 89): the title
// page, countries, names and the APT (with runway and frequency lines), INT, NDB and VOR
// sections of an image. The image is read whole and checked when it is opened; a damaged one
// lists its fault and nothing more. What differs between the families comes from their
// OlderListingFamily.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gen/image/ImageResult.h"
#include "gen/shell/GenModel.h"

class IsamImageSource;
class OperationContext;
struct AirportTables;

struct OlderListingFamily {
    // The record checks of Create ISAM, run when the image is opened.
    ImageResult (*checkRecords)(const IsamImageSource& source);
    // The airport's runway and frequency lines (null: the family's airports have none).
    void (*loadTables)(const IsamImageSource& source, uint32_t airport, AirportTables* tables);
    // The bytes of the airport's rwy/com entry in the table: [*from, *to); false when it has none.
    bool (*entrySpan)(const IsamImageSource& source, const uint8_t* record, uint32_t* from, uint32_t* to);
    // The section map (debug lines) and the image size line, listed when the image is opened.
    void (*sectionMap)(OperationContext& c, const IsamImageSource& source);
    // The title page's debug line of record counts.
    std::string (*countsLine)(const IsamImageSource& source);
    // A line of the countries section.
    std::string (*countryLine)(const IsamImageSource& source, uint32_t n, bool recordNumbers);
    // The elevation in feet of an APT record.
    int32_t (*aptElevation)(const uint8_t* record);
    // The byte of a VOR record that holds its frequency (units of 0.05 MHz above 108.00).
    uint32_t vorFrequencyByte;
    // Whether an airport line shows the J, A and M letters of its byte 5.
    bool aptLetters;
    // Whether the name filter picks the countries whose line begins with it.
    bool countryNameFilter;
};

class OlderImageListing {
public:
    explicit OlderImageListing(const OlderListingFamily& family);
    ~OlderImageListing();

    // Reads the open image (once per file name).
    void Open(OperationContext& c);
    void Close();
    // The next line handle of the context's listing kind that passes the filters; -1 at the end.
    // APT lines are record x 256 + sub-line (0 the airport, then its runway and frequency lines).
    int32_t Next(OperationContext& c);
    void Line(OperationContext& c, int32_t handle, std::string& out);

private:
    bool Passes(OperationContext& c, int section, uint32_t n) const;
    uint32_t SubLines(uint32_t extraLevel, uint32_t airport) const;
    uint32_t RawLines(uint32_t extraLevel, const uint8_t* record) const;
    std::string EntryBytesLine(const uint8_t* record, uint32_t line) const;
    std::string NameText(uint32_t bit) const;
    // The names text decoded (again) from its bytes as loaded (and perhaps repaired).
    void DecodeNames();
    // -f: every name that a record refers to must follow the end code of the name before it;
    // a missing one is written in (at a debug level only when the user agrees).
    void CheckNamePointers(OperationContext& c);
    // The bit addresses of the names that APT, NDB, VOR and SUA records refer to, in that order.
    std::vector<uint32_t> ReferencedNames() const;
    std::string NamesPart(int section, const uint8_t* record, bool recordNumbers) const;

    const OlderListingFamily& family_;
    std::unique_ptr<IsamImageSource> source_;
    std::vector<uint8_t> names_;
    std::vector<std::string> nameTexts_;
    std::vector<uint32_t> nameStarts_;
    std::string loadedName_;
    std::string error_;
    int filterCountry_ = -1;
};

// The listing hooks of the model: the older families' listing of the point sections, and the
// framework's listings of the airspace sections.
void InstallOlderImageListing(GenModel& model, const OlderListingFamily& family);

// Shared by the families' section maps: with an SUA section, its line at a debug level
// ("SUA:ST=...") and its end (the image end otherwise).
uint32_t ListSuaSectionMap(OperationContext& c, const IsamImageSource& source, uint32_t imageEnd);
// "Image size (hex): %06x bytes (%x %s)" of the end against the limit, and an empty line.
void ListImageSize(OperationContext& c, uint32_t end, uint32_t limit);
// The title page's "(%u APTs, %u INTs, %u NDBs, %u VORs, %u TOTAL)".
std::string FourKindCounts(const IsamImageSource& source);
// Empty tables for airport n; its record.
const uint8_t* StartAirportTables(const IsamImageSource& source, uint32_t n, AirportTables* tables);
// The one runway of an 18-byte APT record without an entry: its summary in bytes 16 and 17.
void SummaryRunwayLine(const uint8_t* record, AirportTables* tables);
// The elevation in feet of an 18-byte APT record (92/190 and 90/95 XL).
int32_t AptElevation92(const uint8_t* record);
// The countries line of the families with a names table: "%4x %-2s %s".
std::string CountryLineIdName(const IsamImageSource& source, uint32_t n, bool recordNumbers);
