#include "gen/batch/BatchSession.h"

#include <cstring>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"

void BatchSession::Reset() {
    countries_.clear();
    names_.clear();
    complete_ = false;
    ForgetAirport();
    currentAirport_ = -1;
}

void BatchSession::Begin() {
    Reset();
    CountryRecord country{};
    BatchUseFile<CountryRecord>();
    dbif_index<CountryRecord>("csno");
    if (dbif_first(country)) {
        do countries_[std::string(country.cid, strnlen(country.cid, sizeof country.cid))] = country.csno;
        while (dbif_next(country));
    }
    NameRecord name{};
    BatchUseFile<NameRecord>();
    dbif_index<NameRecord>("nsno");
    if (dbif_first(name)) {
        do names_[std::string(name.nname, strnlen(name.nname, sizeof name.nname))] = name.nsno;
        while (dbif_next(name));
    }
    complete_ = true;
}

int32_t BatchSession::CountryOf(std::string_view field) {
    std::string id = CountryIdOf(field);
    auto it = countries_.find(id);
    if (it != countries_.end()) return it->second;
    if (complete_) return -1;
    int32_t csno = FindCountryId(field);
    countries_.emplace(std::move(id), csno);
    return csno;
}

void BatchSession::NoteCountry(std::string_view field, int32_t csno) { countries_[CountryIdOf(field)] = csno; }

int32_t BatchSession::NameOf(const std::string& text) {
    if (IsUnsetName(text)) return kNameUnset;
    auto it = names_.find(text);
    if (it != names_.end()) return it->second;
    if (complete_) return kNameAbsent;
    int32_t nsno = FindNameNumber(text);
    names_.emplace(text, nsno);
    return nsno;
}

void BatchSession::NoteName(const std::string& text, int32_t nsno) { names_[text] = nsno; }

bool BatchSession::Airport(std::string_view ident, int32_t csno, AptRecord* out) {
    if (csno < 0) return false;
    char key[8] = {};
    std::memcpy(key, ident.data(), ident.size() < 8 ? ident.size() : 7);
    if (hasAirport_ && airport_.acountry == csno && std::memcmp(airport_.aident, key, sizeof key) == 0) {
        *out = airport_;
        return true;
    }
    const bool found = FindAirport(ident, csno, out);
    currentAirport_ = found ? out->asno : -1;
    if (found) NoteAirport(*out);
    return found;
}

void BatchSession::NoteAirport(const AptRecord& airport) {
    airport_ = airport;
    hasAirport_ = true;
}

void BatchSession::ForgetAirport() { hasAirport_ = false; }
