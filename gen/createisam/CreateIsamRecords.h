// Database records rebuilt from the records of an image: every field that Create Image took
// from the database goes back where it came from; fields the image does not hold get fixed
// values (no time zone, no intersection name or parent, no magnetic variation).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gen/shell/CGenDBOpen.h"
#include "gen/image/NamePointer.h"

class IsamImageSource;

// A name number that no name has: pointers that do not start a name.
constexpr int32_t kCorruptNameNumber = 65535;
// autc of an airport without a time zone.
constexpr int32_t kNoTimeZone = 31;

// The text a name of the image is stored with: trailing blanks cut, except that name 0 of a
// single blank stays a blank; at most 31 characters.
std::string IsamNameText(const std::string& decoded, uint32_t number);

// Name pointers of the image's records to names-file numbers. Names are numbered in table
// order; a name whose stored text repeats an earlier one's is stored once, and pointers to it
// give the earlier one's number.
class IsamNameResolver {
public:
    using Report = std::function<void(const std::string& line)>;

    IsamNameResolver(const IsamImageSource& source, Report report);

    // -1 for an absent pointer; kCorruptNameNumber (with the listing line "******Corrupt name
    // pointer in image file: name %x(%x) not present") for one that starts no name.
    int32_t Number(const NamePosition& pointer) const;
    // The number name i is stored under: i itself, or the first name with the same text.
    int32_t StoredNumber(uint32_t i) const { return stored_[i]; }
    const std::string& Text(uint32_t i) const { return texts_[i]; }
    uint32_t Count() const { return static_cast<uint32_t>(texts_.size()); }

private:
    const IsamImageSource* source_;
    Report report_;
    std::vector<std::string> texts_;
    std::vector<int32_t> stored_;
};

// The database records of record n of each section. Countries are the record's country byte
// through `countryNumber` (the country each table entry is stored under).
AptRecord IsamAptRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber);
IntRecord IsamIntRecord(const IsamImageSource& source, uint32_t n, const std::vector<int32_t>& countryNumber);
NdbRecord IsamNdbRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber);
VorRecord IsamVorRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber);

// An airport's flag word from its record and, when it has one, its rwy/com/appr entry's flags.
int32_t IsamAirportFlags(const uint8_t* record, bool hasEntry, uint8_t entryFlags);

// The stored form of an ident: digits as the letters p-y, at most 7 characters.
void IsamIdent(char (&field)[8], const std::string& ident);
