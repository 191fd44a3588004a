// The per-kind parts of the section listings: for each record kind, the number of lines a record
// gives (0 when it does not pass the filters) and the text of one of its lines.
#pragma once

#include <cstdint>
#include <string>

#include "gen/listing/ListingSession.h"

// Handles hold at most this many sub-lines per record.
constexpr uint32_t kAirportSubLines = 256;
constexpr uint32_t kSuaSubLines = 1024;

// Reads point record n and applies the country, ICAO, name and rectangle filters.
bool PointRecordPasses(const ListingSession& s, int section, uint32_t n, uint8_t* record);

// Airports (kind 4) and their approaches (kind 11).
uint32_t AirportLineCount(ListingSession& s, const ListingFlags& flags, uint32_t n, bool approaches);
void FormatAirportLine(ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out);
void FormatApproachLines(ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t sub, std::string& out);

// SUA areas (kind 8); an outline that does not close is reported to "duff_suas.txt" once.
uint32_t SuaLineCount(ListingSession& s, const ListingFlags& flags, uint32_t area);
void ListSuaSection(ListingSession& s, const ListingFlags& flags, uint32_t area, uint32_t sub, std::string& out);

// FSS records (kind 9) and TCC records (kind 10: group << 8 | entry per line in s.tccLines).
bool FssPasses(const ListingSession& s, uint32_t n);
void FormatFssLine(const ListingSession& s, const ListingFlags& flags, uint32_t n, std::string& out);
uint32_t TccLineCount(ListingSession& s, const ListingFlags& flags, uint32_t n);
void ListTccSection(const ListingSession& s, const ListingFlags& flags, uint32_t n, uint32_t group, uint32_t entry,
                    std::string& out);
