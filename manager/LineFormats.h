// The list lines of the manager's six windows, built in Manager().line from the record held in
// the kind's record-file object, in fixed columns (column 0-4 the record number).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct RunwayEntry;

// Texts of name and country records (names and country files open).
std::string GetNameText(int32_t nameNumber);
std::string GetCountryText(int32_t countryNumber);
// "ABCD" with '@' gives "AB@CD".
void InsertBeforeLastTwo(std::string& text, char c);

// Column pieces.
int FormatNameColumn(int column, int32_t first, int32_t second, bool blank, bool vrp);
void FormatRecordStart(int32_t number, const char* ident, int32_t latitude, int32_t longitude);
std::string FormatFuelLetters(int32_t afuel);
std::string FormatRunwayNumber(const RunwayEntry& entry, bool reciprocal);
std::string FormatIconText(int32_t icon);
// The older form's class word as the 696 form's class word.
int32_t VorClassCode(int32_t vdme);
// The position of a stored frequency-type code in the code table; 7 for an unknown code.
int FreqTypeIndex(int code);
// The type word of a frequency: the older form's 16 words, else the 696 form's 40 ("Type%d" above).
std::string FreqTypeWord(int32_t ftype, bool olderForm);
// Word tables: surface (rsl bits 0-2), lighting (rsl bits 3-5), VOR class (0-7), VOR range (0-2).
const char* SurfaceWord(int code);
const char* LightingWord(int code);
const char* VorClassWord(int code);
const char* VorLevelWord(int code);
// The restriction bytes after the length byte as text: the list's form ("000-090 below 500 ") or
// the batch form the batch update reads ("000-090 BELOW 500 REMOTEVOR ABC UNK20 TEXT").
std::string FormatRestriction(const uint8_t* s, size_t length, bool batchForm);

// Whole lines from the record in the kind's object.
void FormatMaximumLine();
void FormatAirportLine();
void FormatAirportRow(int row);  // row 1.. of AirportRows()
void FormatIntLine();
void FormatNdbLine();
void FormatVorLine();
void FormatUsrLine();
void FormatRteLine();
