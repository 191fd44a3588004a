// The pieces that several batch handlers share.
#include <algorithm>

#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/batch/BatchHandlers.h"

namespace {

// The city field without its '@' marks.
std::string CityText(std::string_view field, bool* at) {
    std::string text(field);
    const size_t before = text.size();
    text.erase(std::remove(text.begin(), text.end(), '@'), text.end());
    if (at) *at = text.size() != before;
    return text;
}

void CommitName(BatchContext& c, BatchName& name) {
    if (name.number != kNameAbsent) return;
    name.number = AddNameRecord(c.next, name.text);
    c.session.NoteName(name.text, name.number);
}

}  // namespace

void CopyIdent(char (&field)[8], std::string_view ident) {
    std::fill(std::begin(field), std::end(field), '\0');
    std::copy_n(ident.begin(), std::min<size_t>(ident.size(), 7), field);
}

BatchName ResolveBatchName(BatchSession& session, std::string_view field) {
    BatchName name;
    if (IsUnsetName(field)) {
        name.text = std::string(field);
        name.number = kNameUnset;
        return name;
    }
    name.text = BatchNameText(field);
    name.number = session.NameOf(name.text);
    return name;
}

int ReadPointFields(BatchContext& c, size_t latField, bool names, PointFields* out) {
    const BatchLine& l = c.line;
    PointFields p;
    if (int r = ParseBatchPosition(l.Field(latField), &p.lat, false, l.type)) return r;
    if (int r = ParseBatchPosition(l.Field(latField + 1), &p.lon, true, l.type)) return r;
    if (c.csno < 0 && !CanAddCountry(l.Field(4))) return kBatchErrCsp;
    if (names) {
        p.city = ResolveBatchName(c.session, CityText(l.Field(5), &p.at));
        // A facility named like its city takes the city's name.
        const std::string& facility = l.Field(6);
        const bool sameAsCity = (IsUnsetName(facility) ? facility : BatchNameText(facility)) == p.city.text;
        p.facility = sameAsCity ? p.city : ResolveBatchName(c.session, facility);
    }
    *out = std::move(p);
    return 0;
}

void CommitPointFields(BatchContext& c, PointFields& p) {
    if (c.csno < 0) {
        c.csno = AddCountryRecord(c.next, c.line.Field(4));
        c.session.NoteCountry(c.line.Field(4), c.csno);
    }
    CommitName(c, p.city);
    if (p.facility.text == p.city.text) {
        p.facility.number = p.city.number;
    } else {
        CommitName(c, p.facility);
    }
}

bool DelNames::Match(int32_t recordCity, int32_t recordFacility) const {
    if (hasCity && city != recordCity && !(recordCity < 0 && city == recordFacility)) return false;
    if (hasFacility && facility != recordFacility) return false;
    return true;
}

int ReadDelNames(BatchContext& c, DelNames* out) {
    const BatchLine& l = c.line;
    if (c.csno < 0) return kBatchErrCid;
    DelNames n;
    if (l.count >= 5) {
        n.hasCity = true;
        n.city = c.session.NameOf(BatchNameText(CityText(l.Field(5), nullptr)));
        if (n.city == kNameAbsent) return kBatchErrCty;
    }
    if (l.count >= 6) {
        n.hasFacility = true;
        n.facility = c.session.NameOf(BatchNameText(l.Field(6)));
        if (n.facility == kNameAbsent) return kBatchErrFac;
    }
    *out = n;
    return 0;
}

int FindLineAirport(BatchContext& c, BatchType kind, bool fieldCountFits, AptRecord* apt) {
    if (c.line.Field(3).size() > BatchIdentLimit(kind)) return kBatchErrF3;
    if (!fieldCountFits) return kBatchErrFc;
    if (c.csno < 0) return kBatchErrCid;
    if (!c.session.Airport(c.line.Field(3), c.csno, apt)) return kBatchAbs;
    return 0;
}

void ClearBriefMark(BatchContext& c, AptRecord& apt) {
    if ((apt.afuel & 1) == 0) return;
    // The write needs the airport as the file's current record.
    if (c.session.CurrentAirport() != apt.asno && !FindAirport(c.line.Field(3), c.csno, &apt)) return;
    apt.afuel &= ~1;
    BatchUpdateRecord(apt, "APT", apt.asno);
    c.session.NoteAirport(apt);
    c.session.SetCurrentAirport(apt.asno);
}
