// The ADD and DEL handlers of the batch update, one pair per record type, and what they share.
// A handler checks the whole line first and writes only when it succeeds, so a line that fails
// changes nothing; each returns a batch result code (BatchLine.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchLine.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/batch/BatchSession.h"

// What a handler works on.
struct BatchContext {
    const BatchLine& line;          // ident (field 3) already in its stored form
    int32_t* next;                  // next serial numbers by file number
    BatchSession& session;          // what the run has looked up so far
    int32_t csno = -1;              // the country of field 4 (-1 when unknown or not looked up)
    int32_t now = 0;                // seconds since 1989-12-31 00:00 UTC
};

using BatchHandler = int (*)(BatchContext&);

int BatchAddApt(BatchContext& c);
int BatchAddInt(BatchContext& c);
int BatchAddNdb(BatchContext& c);
int BatchAddVor(BatchContext& c);
int BatchAddRwy(BatchContext& c);
int BatchAddFrq(BatchContext& c);
// The same for a family whose restriction text has no "UNK20 " keyword (when false).
int BatchAddFrq(BatchContext& c, bool unk20Keyword);
int BatchAddUsr(BatchContext& c);

int BatchDelApt(BatchContext& c);
int BatchDelInt(BatchContext& c);
int BatchDelNdb(BatchContext& c);
int BatchDelVor(BatchContext& c);
int BatchDelRwy(BatchContext& c);
int BatchDelFrq(BatchContext& c);
int BatchDelUsr(BatchContext& c);

// ---- Shared pieces ----------------------------------------------------------------------------

// A name field resolved: its text (BatchNameText form) and its number, kNameUnset, or
// kNameAbsent while it is still to be added.
struct BatchName {
    std::string text;
    int32_t number = 0;
};
BatchName ResolveBatchName(BatchSession& session, std::string_view field);

// The fields every point record carries: position, country, and (APT, NDB, VOR) the city with
// its '@' mark and the facility.
struct PointFields {
    int32_t lat = 0;
    int32_t lon = 0;
    bool at = false;
    BatchName city;
    BatchName facility;
};
// Reads the position at fields latField and latField + 1 (kBatchErrLat, kBatchErrLng) and, with
// names, the city (field 5) and facility (field 6); then checks that an unknown country can be
// added (kBatchErrCsp). 0 when the line can be written.
int ReadPointFields(BatchContext& c, size_t latField, bool names, PointFields* out);
// Adds the unknown country (c.csno is then set) and the unknown names of the point.
void CommitPointFields(BatchContext& c, PointFields& p);

// The DEL checks of APT, NDB and VOR: a known country (kBatchErrCid), a known city
// (kBatchErrCty) and facility (kBatchErrFac) when the line names them; 0 when they pass.
struct DelNames {
    bool hasCity = false;
    bool hasFacility = false;
    int32_t city = 0;
    int32_t facility = 0;
    // True when the record's names match the line's (the city may stand for the facility of a
    // record that has no city).
    bool Match(int32_t recordCity, int32_t recordFacility) const;
};
int ReadDelNames(BatchContext& c, DelNames* out);

// The airport of a RWY or FRQ line of that kind (field 3 in the country of field 4), after the
// airport ident's length and the line's field count are checked: 0, kBatchErrF3, kBatchErrFc,
// kBatchErrCid or kBatchAbs.
int FindLineAirport(BatchContext& c, BatchType kind, bool fieldCountFits, AptRecord* apt);
// Clears the airport's "no runway or frequency yet" mark (afuel bit 0) and writes the airport
// when the mark was set.
void ClearBriefMark(BatchContext& c, AptRecord& apt);

// Finds the airport's runway with this designator code; the current runway record is then the
// one found. With `takePlaceholder` a line with a designator may also take the airport's runway
// without one (the placeholder a new airport's first runway fills), when no runway has its
// designator; a line without a designator takes only a runway without one.
bool FindRunway(int32_t asno, int32_t code, bool takePlaceholder, RwyRecord* out);

// The stored form of an ident field in a record's 8-byte ident.
void CopyIdent(char (&field)[8], std::string_view ident);

// Where a point record keeps what every point line gives.
template <class Record>
struct PointMembers {
    char (Record::*ident)[8];
    int32_t Record::*lat;
    int32_t Record::*lon;
    int32_t Record::*country;
    int32_t Record::*city;
    int32_t Record::*facility;
};
inline constexpr PointMembers<AptRecord> kAptPointMembers{&AptRecord::aident,   &AptRecord::alat,  &AptRecord::along,
                                                          &AptRecord::acountry, &AptRecord::acity, &AptRecord::afacil};
inline constexpr PointMembers<NdbRecord> kNdbPointMembers{&NdbRecord::bident,   &NdbRecord::blat,  &NdbRecord::blong,
                                                          &NdbRecord::bcountry, &NdbRecord::bcity, &NdbRecord::bfacil};
inline constexpr PointMembers<VorRecord> kVorPointMembers{&VorRecord::vident,   &VorRecord::vlat,  &VorRecord::vlong,
                                                          &VorRecord::vcountry, &VorRecord::vcity, &VorRecord::vfacil};
// Commits the point's country and names and puts the ident, position, country and names into
// the record.
template <class Record>
void FillPointRecord(BatchContext& c, PointFields& p, const PointMembers<Record>& m, Record* rec) {
    CommitPointFields(c, p);
    CopyIdent(rec->*m.ident, c.line.Field(3));
    rec->*m.lat = p.lat;
    rec->*m.lon = p.lon;
    rec->*m.country = c.csno;
    rec->*m.city = p.city.number;
    rec->*m.facility = p.facility.number;
}
// Amends the found record, or adds it with the file's next serial: kBatchModified or kBatchDone.
template <class Record>
int WriteBatchRecord(BatchContext& c, bool found, int32_t Record::*serial, int fileNumber, const char* type,
                     Record* rec) {
    if (found) {
        BatchUpdateRecord(*rec, type, rec->*serial);
        return kBatchModified;
    }
    rec->*serial = TakeSerial(c.next, fileNumber);
    BatchAddRecord(*rec, type, rec->*serial);
    return kBatchDone;
}
