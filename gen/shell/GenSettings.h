// The generator's process-wide settings: set by the command line, the control file, the menus
// and the dialogs; read by the operations. One instance, held by the application object.
#pragma once

#include <cstdint>
#include <string>

// A geographical rectangle as two corners; a corner whose two values are both 0 is not set.
// Positions are 32-bit angles in which 2^31 is 180 degrees.
struct GeoRect {
    int32_t swLat = 0;
    int32_t swLon = 0;
    int32_t neLat = 0;
    int32_t neLon = 0;

    bool SwSet() const { return swLat != 0 || swLon != 0; }
    bool NeSet() const { return neLat != 0 || neLon != 0; }
    void Clear() { *this = GeoRect(); }
    friend bool operator==(const GeoRect&, const GeoRect&) = default;
};

// Text limits of the settings (characters).
constexpr size_t kCountryFilterLength = 2;
constexpr size_t kNameFilterLength = 31;
constexpr size_t kIcaoFilterLength = 31;
constexpr size_t kDefaultTitleLength = 124;
constexpr size_t kOperationTitleMin = 20;

// Debug bits (the bit of value n is "debug bit n").
constexpr uint32_t kDebugKeepWorkFiles = 4;   // compilers keep their work files; raw corner texts
constexpr uint32_t kDebugIsamEveryStep = 8;   // Create ISAM progress on every step; allocations
constexpr uint32_t kDebugRawCoordinates = 16; // coordinates as "[%08x] "
constexpr uint32_t kDebugApidgen = 32;        // write "apidgen.txt"

inline constexpr const char* kDefaultImageTitle = "Created by Orvanta and ........";

struct GenSettings {
    uint32_t debugLevel = 0;
    uint32_t extraDebugLevel = 0;
    int recordNumbers = 0;          // View > Record Numbers, -r (non-zero: on)
    bool optimise = true;           // -R clears
    bool optimiseCountries = false;
    bool briefApts = true;
    int32_t maxBase = 0;            // feet, 0 none

    std::string countryFilter;      // at most 2 characters
    std::string nameFilter;         // at most 31
    std::string icaoFilter;         // at most 31
    GeoRect filterRect;             // listings
    GeoRect limitRect;              // Create Image and the airspace compilers

    int nameFormSwitch = 0;         // count of -P (batch forms of Save As)
    int trainingSwitch = 0;         // -NOTRAINING
    int unknownAirportSwitch = 0;   // -a
    int gridSwitch = 0;             // -f
    int rawReferenceSwitch = 0;     // -p

    std::string defaultTitle = kDefaultImageTitle;    // -T, at most 124 characters
    std::string operationTitle = std::string(kOperationTitleMin, ' ');  // SetOperationTitle
    bool listing = false;           // the setup's "Listing" check box

    // The shared error flag of the rectangle parser: callers clear it before a parse and read
    // it afterwards.
    bool rectangleError = false;

    // Setters that cut a text to its limit.
    void SetCountryFilter(const std::string& text) { countryFilter = text.substr(0, kCountryFilterLength); }
    void SetNameFilter(const std::string& text) { nameFilter = text.substr(0, kNameFilterLength); }
    void SetIcaoFilter(const std::string& text) { icaoFilter = text.substr(0, kIcaoFilterLength); }
    void SetDefaultTitle(const std::string& text) { defaultTitle = text.substr(0, kDefaultTitleLength); }
};
