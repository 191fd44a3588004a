#include "gen/createisam/CreateIsamRecords.h"

#include <cstring>
#include <unordered_map>

#include "common/CLocale.h"
#include "common/IdentDigits.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/image/PositionField.h"

namespace {

constexpr size_t kNameLength = 31;
constexpr uint32_t kElevationBase = 500;

template <class Record>
void Position(const uint8_t* record, int32_t Record::*lat, int32_t Record::*lon, Record* buf) {
    DecodePosition(record, &(buf->*lat), &(buf->*lon));
}

int32_t CountryOf(const uint8_t* record, int section, const IsamImageSource& source,
                  const std::vector<int32_t>& countryNumber) {
    const uint32_t index = record[source.Params().sections[section].countryByte];
    return index < countryNumber.size() ? countryNumber[index] : static_cast<int32_t>(index);
}

void Names(const uint8_t* record, int section, const IsamImageSource& source, const IsamNameResolver& names,
           int32_t* facility, int32_t* city) {
    const ImageParams& p = source.Params();
    *facility = names.Number(GetNamePointer(p, p.sections[section], NameField::Facility, record));
    *city = names.Number(GetNamePointer(p, p.sections[section], NameField::City, record));
}

}  // namespace

std::string IsamNameText(const std::string& decoded, uint32_t number) {
    std::string text = decoded.substr(0, kNameLength);
    if (number == 0 && text == " ") return text;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

IsamNameResolver::IsamNameResolver(const IsamImageSource& source, Report report)
    : source_(&source), report_(std::move(report)) {
    const auto& names = source.Names();
    texts_.reserve(names.size());
    stored_.reserve(names.size());
    std::unordered_map<std::string, int32_t> first;
    for (uint32_t i = 0; i < names.size(); ++i) {
        texts_.push_back(IsamNameText(names[i], i));
        const auto [it, added] = first.emplace(texts_.back(), static_cast<int32_t>(i));
        stored_.push_back(it->second);
    }
}

int32_t IsamNameResolver::Number(const NamePosition& pointer) const {
    if (pointer.absent) return -1;
    const int32_t i = source_->NameAt(pointer.bit);
    if (i < 0) {
        if (report_) {
            report_(StringFormatC("******Corrupt name pointer in image file: name %x(%x) not present", pointer.Offset(),
                                  pointer.StartValue()));
        }
        return kCorruptNameNumber;
    }
    return stored_[static_cast<uint32_t>(i)];
}

void IsamIdent(char (&field)[8], const std::string& ident) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, ident.data(), ident.size() < 7 ? ident.size() : 7);
    EncodeIdentDigits(field);
}

int32_t IsamAirportFlags(const uint8_t* record, bool hasEntry, uint8_t entryFlags) {
    int32_t flags = record[5] & 0x1E;
    if (record[8] & 0x40) flags |= 0x100;
    if (hasEntry) {
        flags |= entryFlags & 0xE0;
    } else {
        flags |= 1;
    }
    return flags;
}

AptRecord IsamAptRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber) {
    const uint8_t* record = source.Record(kSectionApt, n);
    AptRecord a{};
    a.asno = static_cast<int32_t>(n);
    IsamIdent(a.aident, source.Ident(kSectionApt, n));
    Position(record, &AptRecord::alat, &AptRecord::along, &a);
    Names(record, kSectionApt, source, names, &a.afacil, &a.acity);
    a.acountry = CountryOf(record, kSectionApt, source, countryNumber);
    a.aheight = (static_cast<int32_t>(GetU16(record + 6) & 0xFFF) - static_cast<int32_t>(kElevationBase)) * 10;
    a.afuel = IsamAirportFlags(record, false, 0);
    a.autc = kNoTimeZone;
    a.a212025 = -1;
    a.a221507 = 0;
    return a;
}

IntRecord IsamIntRecord(const IsamImageSource& source, uint32_t n, const std::vector<int32_t>& countryNumber) {
    const uint8_t* record = source.Record(kSectionInt, n);
    IntRecord i{};
    i.isno = static_cast<int32_t>(n);
    IsamIdent(i.iident, source.Ident(kSectionInt, n));
    Position(record, &IntRecord::ilat, &IntRecord::ilong, &i);
    i.iname = -1;
    i.iparent = -1;
    i.icountry = CountryOf(record, kSectionInt, source, countryNumber);
    i.iflags = -1;
    i.icompat = record[5] & 2;
    return i;
}

NdbRecord IsamNdbRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber) {
    const uint8_t* record = source.Record(kSectionNdb, n);
    NdbRecord b{};
    b.bsno = static_cast<int32_t>(n);
    IsamIdent(b.bident, source.Ident(kSectionNdb, n));
    Position(record, &NdbRecord::blat, &NdbRecord::blong, &b);
    Names(record, kSectionNdb, source, names, &b.bfacil, &b.bcity);
    b.bcountry = CountryOf(record, kSectionNdb, source, countryNumber);
    b.bfreq = static_cast<int32_t>(GetU16(record + 8) & 0x7FFF);
    b.bcompat = (record[5] & 2) | ((record[14] & 0x20) ? 1 : 0) | ((record[9] & 0x80) ? 4 : 0) | ((record[5] & 4) ? 8 : 0);
    b.bflags = -1;
    return b;
}

VorRecord IsamVorRecord(const IsamImageSource& source, uint32_t n, const IsamNameResolver& names,
                     const std::vector<int32_t>& countryNumber) {
    const uint8_t* record = source.Record(kSectionVor, n);
    VorRecord v{};
    v.vsno = static_cast<int32_t>(n);
    IsamIdent(v.vident, source.Ident(kSectionVor, n));
    Position(record, &VorRecord::vlat, &VorRecord::vlong, &v);
    Names(record, kSectionVor, source, names, &v.vfacil, &v.vcity);
    v.vcountry = CountryOf(record, kSectionVor, source, countryNumber);
    v.vfreq = (static_cast<int32_t>(record[13]) + 2160) * 5;
    v.vdme = (record[5] & 6) | ((record[12] & 0x20) ? 1 : 0) | record[15] << 8 | record[14] << 16;
    v.vtr = 0;
    v.vmag = 0;
    v.v221817 = -1;
    return v;
}
