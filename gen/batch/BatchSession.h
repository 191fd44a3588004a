// What one run of the batch update remembers between its lines: every country and name of the
// database (read when the run begins and kept up to date as the run adds them), and the airport
// last used. While a run goes on the batch holds the record files open, so no other program
// changes them and what was read stays true; every write of the batch tells the session.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "gen/shell/CGenDBOpen.h"

class BatchSession {
public:
    // Reads the countries and names of the database (a new run).
    void Begin();
    // Forgets everything; lookups then go to the database.
    void Reset();

    // The csno of the country a country field names, -1 when there is none.
    int32_t CountryOf(std::string_view field);
    void NoteCountry(std::string_view field, int32_t csno);

    // The number of a name text (BatchNameText form): nsno, kNameUnset or kNameAbsent.
    int32_t NameOf(const std::string& text);
    void NoteName(const std::string& text, int32_t nsno);

    // The airport with this ident (stored form) in the country, as last read or written; the
    // APT record it returns need not be the current record of the file.
    bool Airport(std::string_view ident, int32_t csno, AptRecord* out);
    // The airport as just read or written.
    void NoteAirport(const AptRecord& airport);
    void ForgetAirport();

    // The asno of the current record of the APT file when the batch knows it, else -1: a write
    // to that airport needs no search first.
    int32_t CurrentAirport() const { return currentAirport_; }
    void SetCurrentAirport(int32_t asno) { currentAirport_ = asno; }

private:
    bool complete_ = false;  // the maps hold every country and name of the database
    std::unordered_map<std::string, int32_t> countries_;  // by country id
    std::unordered_map<std::string, int32_t> names_;
    bool hasAirport_ = false;
    AptRecord airport_{};
    int32_t currentAirport_ = -1;
};
