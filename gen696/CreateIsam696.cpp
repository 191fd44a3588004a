#include "gen696/CreateIsam696.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>

#include "common/CLocale.h"
#include "gen/createisam/CreateIsam.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/createisam/CreateIsamSteps.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/NameCoder.h"
#include "gen/image/RunwayPicture.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/CGenDBOpen.h"
#include "platform/MessageBox.h"
#include "gen696/AirportBlock696.h"
#include "gen696/AirportInfo696.h"
#include "gen696/AirwayPoints696.h"
#include "gen696/ApproachRecords696.h"
#include "gen696/PointRecords696.h"
#include "gen696/Remarks696.h"
#include "gen696/PointSections696.h"
#include "gen696/PointTraits696.h"
#include "gen696/SectionFile696.h"
#include "gen696/SourceImage696.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

const char* const kCreateIsamTexts696[15] = {
    "Erasing existing database files",
    "Writing header data file",
    "Writing static data file",
    "Writing countries table",
    "Writing names table",
    "Writing second names file",
    "Writing apts,rwys,freqs,restr,appr,lwpt tables",
    "Writing ints table",
    "Writing ndbs table",
    "Writing vors table",
    "Writing airways tables",
    "Writing fss/tcc file",
    "Writing sua file",
    "Writing odds/text file",
    "Writing trailer file",
};

namespace {

const char* const kEraseList696[] = {
    "appr",      "apts",      "country",  "freq3",         "ints",          "lwpt",         "names",
    "ndbs",      "restr",     "rwy3",     "vors",          "awys",          "awps",         "SUA+.DAT",
    "TCC+.DAT",  "HDR+.DAT",  "NAM2+.DAT", "ODDS+.DAT",    "STA+.DAT",      "TRL+.DAT",     "apid.bin",
    "appr.bin",  "stats.txt", "hdr.bin",  "aptswappr.txt", "rwyextras.txt", "APID.DAT",     "UNK.DAT",
    "AWYgrid+.DAT", "SUA.DAT", "NewSUA.DAT", "NewSUA+.DAT", "TCC.DAT",       "NewTCC.DAT",
};
constexpr int kFilesWritten[] = {kFileApts, kFileCountry, kFileFreq3, kFileInts, kFileNames, kFileNdbs,
                                 kFileRwy3, kFileVors, kFileRestr, kFileAppr, kFileLwpt, kFileAwys, kFileAwps};

struct Isam696 {
    std::shared_ptr<CreateIsamState> framework = MakeCreateIsamState();
    std::unique_ptr<SourceImage696> source;
    DatFileWriter696 writer;
    SectionLinks696 links;
    std::set<std::string> countryIds;   // ids written (an id is stored under its first position)
    // The names table and the name map: each name's start bit and its NAME record's number.
    std::vector<uint8_t> names;
    std::vector<std::pair<uint32_t, uint32_t>> nameMap;
    uint32_t namesWanted = 0;
    uint32_t nameBit = 0;
    int32_t nextName = 0;
    OperationContext* context = nullptr;
    // The point type being read: its X1 table and RECS bytes.
    std::vector<uint8_t> x1;
    std::vector<uint8_t> recs;
    uint32_t recCount = 0;
    std::vector<uint8_t> info;   // section 10
    InfoLayout696 layout;
    std::string extrasText;      // rwyextras.txt
    std::vector<std::string> approachIds;   // section 11's texts
};

constexpr uint32_t kNameBitsMax = 384;
constexpr size_t kNameTextMax = 31;

// One name of the table from bit `bit`; false when no name can be decoded there.
bool NameAt(const std::vector<uint8_t>& names, uint32_t bit, std::string* text, uint32_t* next) {
    const uint64_t tableBits = static_cast<uint64_t>(names.size()) * 8;
    if (bit >= tableBits) return false;
    const uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(tableBits, static_cast<uint64_t>(bit) + kNameBitsMax));
    std::string raw;
    if (!DecodeNameText(names.data(), bit, end, &raw, next)) return false;
    text->clear();
    for (char ch : raw) {
        if (ch == '/' && !text->empty() && text->back() == '/') continue;
        text->push_back(ch);
    }
    if (text->size() > kNameTextMax) text->resize(kNameTextMax);
    return true;
}

// The NAME record of a text, added under the next number when there is none.
uint32_t NameNumberOfText(Isam696& s, const std::string& text) {
    dbif_open(kFileNames);
    dbif_index<NameRecord>("nname");
    NameRecord rec{};
    SetRecText(rec.nname, text.c_str(), sizeof rec.nname);
    NameRecord found = rec;
    if (dbif_find(found) && std::strncmp(found.nname, rec.nname, sizeof rec.nname) == 0) {
        return static_cast<uint32_t>(found.nsno);
    }
    rec.nsno = s.nextName++;
    if (!dbif_add(rec)) ProgramError(StringFormatC("Program error: DB add NAME %d failed", static_cast<int>(rec.nsno)));
    return static_cast<uint32_t>(rec.nsno);
}

// The name number of a name pointer of a carried-over record.
uint32_t NumberOfPointer(Isam696& s, int section, uint32_t offset, int bit) {
    const uint32_t pos = offset * 8 + static_cast<uint32_t>(7 - bit);
    if (s.nameMap.empty()) return kNoNameNumber696;
    if (section == 29) {
        // Create Image stores "no name" as the table's first bit. Found by its text, it would
        // become a new name: it stays "no name", so that the image built again holds the same
        // bytes.
        if (pos == 0) return kNoNameNumber696;
        // FSS names are found by their text; a pointer that names nothing stays "no name".
        std::string text;
        uint32_t next = 0;
        const auto at = std::lower_bound(s.nameMap.begin(), s.nameMap.end(), std::make_pair(pos, 0u));
        if (at == s.nameMap.end() || at->first != pos || !NameAt(s.names, pos, &text, &next)) return kNoNameNumber696;
        return NameNumberOfText(s, " " + text);
    }
    const auto at = std::lower_bound(s.nameMap.begin(), s.nameMap.end(), std::make_pair(pos, 0u));
    if (at != s.nameMap.end() && at->first == pos) return at->second;
    if (s.context) {
        s.context->AddLine(StringFormatC("******Database error: name number %x(%x) not present", pos / 8, pos % 8));
    }
    return kNoNameNumber696;
}

using Step = StepStatus (*)(OperationContext&, Isam696&);

template <class Rec>
bool LoadPoints(Isam696& s);
bool ReadInfoSection(Isam696& s);
bool ReadSection(Isam696& s, int section, uint32_t size, std::vector<uint8_t>* out, uint32_t* count);

// The texts of the approach ID table (section 11), trailing blanks cut.
bool ReadApproachIds(Isam696& s) {
    std::vector<uint8_t> table;
    uint32_t count = 0;
    if (!ReadSection(s, 11, 4, &table, &count)) return false;
    s.approachIds.clear();
    for (uint32_t i = 0; i < count; ++i) {
        std::string id = UnpackApproachId(&table[4 * i]);
        id.erase(id.find_last_not_of(' ') + 1);
        s.approachIds.push_back(std::move(id));
    }
    return true;
}

std::string DbFolder(const OperationContext& c) { return c.app ? c.app->GetDbFolder() : std::string("."); }

StepStatus Abort(OperationContext& c, Isam696& s, const std::string& message) {
    s.writer.Abandon();
    s.source.reset();
    return AbortCreateIsam(c, *s.framework, message);
}

StepStatus StepErase(OperationContext& c, Isam696& s) {
    // The image is read and checked whole before anything is erased.
    s.source = std::make_unique<SourceImage696>();
    std::string error;
    if (!s.source->Load(c.imageFd, c.imageName, &error)) return Abort(c, s, error);
    // Every airport's information block is read before anything is erased.
    if (!LoadPoints<AptRecord>(s) || !ReadInfoSection(s) || !ReadApproachIds(s)) {
        return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
    }
    const InfoLayout696 layout = InfoLayoutOf696(*s.source);
    for (uint32_t n = 0; n < s.recCount; ++n) {
        AirportInfo696 info;
        const uint8_t* rec = &s.recs[static_cast<size_t>(n) * 29];
        if (!DecodeAirportInfo696(rec, s.info.data(), s.info.size(), layout, &info, &error) ||
            !DecodeAirportApproaches696(s.info.data(), s.info.size(), layout, &info, &error)) {
            return Abort(c, s, StringFormatC("*** APT record %u: %s ***", n, error.c_str()));
        }
        for (size_t k = 0; k < info.approaches.size(); ++k) {
            if (info.approaches[k].idIndex >= s.approachIds.size()) {
                return Abort(c, s, StringFormatC("*** APT record %u: approach %zu names approach ID %u of %zu ***", n, k,
                                                 info.approaches[k].idIndex, s.approachIds.size()));
            }
        }
    }
    // And every airway's chain of points.
    uint32_t airways = 0;
    uint32_t points = 0;
    if (!ReadSection(s, 45, kAirwayRecordBytes696, &s.recs, &airways) ||
        !ReadSection(s, 46, kAirwayPointBytes696, &s.info, &points)) {
        return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
    }
    std::vector<AirwayPoint696> chain;
    for (uint32_t k = 0; k < airways; ++k) {
        const uint32_t start = s.source->Directory().size() > 46 ? s.source->Directory()[46].start : 0;
        if (!ReadAirwayPoints696(s.info.data(), points, AirwayFirstPoint696(&s.recs[k * kAirwayRecordBytes696]), start,
                                 &chain, &error)) {
            return Abort(c, s, StringFormatC("*** airway record %u: %s ***", k, error.c_str()));
        }
    }
    s.recs.clear();
    s.info.clear();
    const uint32_t end = s.source->End();
    c.AddLine(StringFormatC("Image size (hex): %06x bytes (%x free)", end, kMaxImageLength696 - end));
    c.AddLine("");
    if (c.settings && c.settings->debugLevel != 0) {
        for (const std::string& line : s.source->SectionMapLines()) c.AddLine(line);
    }
    if (!EraseListedFiles(c, kEraseList696, sizeof kEraseList696 / sizeof kEraseList696[0], &error)) {
        return Abort(c, s, error);
    }
    for (int f : kFilesWritten) c.nextSerial[f] = 0;
    c.nextSerial[kFileRestr] = 1;
    return StepStatus::Next;
}

StepStatus WriteFile(OperationContext& c, Isam696& s, const SectionFileDecl696& decl) {
    std::string error;
    switch (s.writer.Piece(DbFolder(c), decl, s.source->Fd(), s.source->Directory(), s.links, &error)) {
    case DatFileWriter696::Result::Again: return StepStatus::Again;
    case DatFileWriter696::Result::Done: return StepStatus::Next;
    case DatFileWriter696::Result::Failed: break;
    }
    return Abort(c, s, "*** " + error + " ***");
}

// A row that writes one section file.
template <const SectionFileDecl696& Decl>
StepStatus StepWrite(OperationContext& c, Isam696& s) {
    return WriteFile(c, s, Decl);
}

// COUNTRY records from the country table, each under its table position.
StepStatus StepCountries(OperationContext& c, Isam696& s) {
    constexpr int kSection = 2;
    const uint32_t i = c.calls;
    const std::vector<ImageDirectoryEntry>& d = s.source->Directory();
    const uint32_t start = d.size() > kSection ? d[kSection].start : 0;
    // The directory's count, held to the bytes before the next section: an empty table shares
    // its start with the sections that follow it.
    const uint32_t count =
        start ? std::min<uint32_t>(d[kSection].count, (SectionEnd696(d, kSection) - start) / 9) : 0;
    if (i == 0) {
        s.countryIds.clear();
        dbif_open(kFileCountry);
        dbif_index<CountryRecord>("csno");
    }
    if (i >= count) {
        dbif_close(kFileCountry);
        c.nextSerial[kFileCountry] = static_cast<int32_t>(count);
        return StepStatus::Next;
    }
    uint8_t packed[9];
    if (platform::ReadAt(s.source->Fd(), packed, sizeof packed, start + 9 * i) != 9) {
        return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
    }
    std::string id;
    std::string name;
    UnpackCountryRecord(packed, &id, &name);
    CountryRecord rec{};
    rec.csno = static_cast<int32_t>(i);
    SetRecText(rec.cid, id.c_str(), sizeof rec.cid);
    SetRecText(rec.cname, name.c_str(), sizeof rec.cname);
    if (!s.countryIds.insert(rec.cid).second) {
        c.AddLine(StringFormatC("Failing country was %d \"%s-%s\"", static_cast<int>(i), rec.cname, rec.cid));
    } else {
        dbif_add(rec);
    }
    return StepStatus::Again;
}

// NAME records of the names table, one name a call, and the name map.
StepStatus StepNames(OperationContext& c, Isam696& s) {
    constexpr int kSection = 3;
    if (c.calls == 0) {
        const std::vector<ImageDirectoryEntry>& d = s.source->Directory();
        const uint32_t start = d.size() > kSection ? d[kSection].start : 0;
        const uint32_t bytes = start ? SectionEnd696(d, kSection) - start : 0;
        s.namesWanted = start ? d[kSection].count : 0;
        s.names.assign(bytes, 0);
        s.nameMap.clear();
        s.nameBit = 0;
        s.nextName = 0;
        if (bytes > 0 && platform::ReadAt(s.source->Fd(), s.names.data(), bytes, start) != static_cast<long>(bytes)) {
            return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
        }
        dbif_open(kFileNames);
        dbif_index<NameRecord>("nname");
    }
    std::string text;
    uint32_t next = 0;
    if (s.nameMap.size() >= s.namesWanted || !NameAt(s.names, s.nameBit, &text, &next)) {
        c.nextSerial[kFileNames] = s.nextName;
        return StepStatus::Next;
    }
    s.nameMap.emplace_back(s.nameBit, NameNumberOfText(s, text));
    s.nameBit = next;
    return StepStatus::Again;
}

// The bytes of a section, held to the start of the next one.
bool ReadSection(Isam696& s, int section, uint32_t size, std::vector<uint8_t>* out, uint32_t* count) {
    const std::vector<ImageDirectoryEntry>& d = s.source->Directory();
    out->clear();
    *count = 0;
    if (section >= static_cast<int>(d.size()) || d[section].start == 0) return true;
    const uint32_t bytes = SectionEnd696(d, section) - d[section].start;
    *count = std::min<uint32_t>(d[section].count, bytes / size);
    out->resize(static_cast<size_t>(*count) * size);
    return out->empty() ||
           platform::ReadAt(s.source->Fd(), out->data(), out->size(), d[section].start) == static_cast<long>(out->size());
}

// The name number of a record's name pointer: 0 and all ones are no name.
int32_t NameOfRecord(Isam696& s, int section, const uint8_t* rec, uint32_t at) {
    const uint32_t whole = rec[at] | rec[at + 1] << 8 | rec[at + 2] << 16;
    if (whole == 0 || whole == 0x1FFFFF) return -1;
    const NamePointer696 p = RecordNamePointer696(rec, at);
    const uint32_t number = NumberOfPointer(s, section, p.offset, p.bit);
    return number == kNoNameNumber696 ? -1 : static_cast<int32_t>(number);
}

void UnpackPoint(const uint8_t* rec, AptRecord* r) { UnpackApt696(rec, r); }
void UnpackPoint(const uint8_t* rec, IntRecord* r) { UnpackInt696(rec, r); }
void UnpackPoint(const uint8_t* rec, NdbRecord* r) { UnpackNdb696(rec, r); }
void UnpackPoint(const uint8_t* rec, VorRecord* r) { UnpackVor696(rec, r); }

// The point record `n` of the loaded RECS into the database record; false past the end.
template <class Rec>
bool PointRecord(Isam696& s, uint32_t n, Rec* out) {
    using T = PointTraits696<Rec>;
    const PointLayout696& layout = kPointLayouts696[T::kType];
    if (n >= s.recCount) return false;
    const uint8_t* rec = &s.recs[static_cast<size_t>(n) * layout.recordSize];
    const std::string ident = UnpackIdent696(layout, s.x1.data(), n, rec);
    int32_t lat = 0;
    int32_t lon = 0;
    UnpackPosition696(rec, &lat, &lon);
    const int section = kPointSections696[T::kType].recs;
    *out = Rec{};
    UnpackPoint(rec, out);
    T::SetCommon(*out, static_cast<int32_t>(n), ident.c_str(), lat, lon, NameOfRecord(s, section, rec, layout.firstName),
                 NameOfRecord(s, section, rec, layout.secondName), static_cast<int32_t>(RecordCountry696(rec)));
    return true;
}

// Loads the X1 table and RECS of a point type.
template <class Rec>
bool LoadPoints(Isam696& s) {
    using T = PointTraits696<Rec>;
    const PointSections696& sections = kPointSections696[T::kType];
    uint32_t count = 0;
    if (!ReadSection(s, sections.x1, 3, &s.x1, &count)) return false;
    s.x1.resize(164 * 3, 0xFF);
    return ReadSection(s, sections.recs, kPointLayouts696[T::kType].recordSize, &s.recs, &s.recCount);
}

// INT, NDB and VOR records, one a call, under their record numbers.
template <class Rec>
StepStatus StepPoints(OperationContext& c, Isam696& s) {
    constexpr int file = Rec::File::kFileNumber;
    if (c.calls == 0) {
        if (!LoadPoints<Rec>(s)) return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
        dbif_open(file);
    }
    Rec rec{};
    if (!PointRecord(s, c.calls, &rec)) {
        dbif_close(file);
        c.nextSerial[file] = static_cast<int32_t>(s.recCount);
        s.recs.clear();
        return StepStatus::Next;
    }
    dbif_add(rec);
    return StepStatus::Again;
}

// Section 10 whole: its count is of airports, its bytes reach to the next section.
bool ReadInfoSection(Isam696& s) {
    const std::vector<ImageDirectoryEntry>& d = s.source->Directory();
    s.info.clear();
    if (d.size() <= 10 || d[10].start == 0) return true;
    s.info.resize(SectionEnd696(d, 10) - d[10].start);
    return s.info.empty() ||
           platform::ReadAt(s.source->Fd(), s.info.data(), s.info.size(), d[10].start) == static_cast<long>(s.info.size());
}



// A remarks form as a chain of RESTR records of 8 bytes; returns the first serial number.
int32_t AddRestrictionChain(OperationContext& c, const std::vector<uint8_t>& form) {
    const int32_t first = c.nextSerial[kFileRestr];
    for (size_t at = 0; at < form.size(); at += 8) {
        RestrRecord rec{};
        rec.rcsno = c.nextSerial[kFileRestr]++;
        rec.rcnxt = at + 8 < form.size() ? rec.rcsno + 1 : 0;
        std::copy(form.begin() + static_cast<long>(at), form.begin() + static_cast<long>(std::min(at + 8, form.size())),
                  rec.rcres);
        dbif_add(rec);
    }
    return first;
}

constexpr int kAirportFiles[] = {kFileApts, kFileRwy3, kFileFreq3, kFileRestr, kFileAppr, kFileLwpt};

// APT records with their runways, frequencies, remarks and approaches, one airport a call; the runway
// extras file begins with the picture and runway-definition lengths of section 1.
StepStatus StepAirports(OperationContext& c, Isam696& s) {
    const std::string path = DbFolder(c) + "/rwyextras.txt";
    if (c.calls == 0) {
        s.extrasText = StringFormatC("PICSLEN=%02d\nRWDEFLEN=%02d\n", static_cast<int>(s.source->StaticValue(3)),
                                     static_cast<int>(s.source->StaticValue(1)));
        if (!LoadPoints<AptRecord>(s) || !ReadInfoSection(s)) {
            return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
        }
        s.layout = InfoLayoutOf696(*s.source);
        for (int f : kAirportFiles) dbif_open(f);
    }
    AptRecord apt{};
    if (!PointRecord(s, c.calls, &apt)) {
        for (int f : kAirportFiles) dbif_close(f);
        c.nextSerial[kFileApts] = static_cast<int32_t>(s.recCount);
        platform::AtomicFile file;
        if (!file.Open(path, platform::AtomicFile::Start::Empty) || !file.Write(s.extrasText.data(), s.extrasText.size()) ||
            !file.Commit()) {
            return Abort(c, s, "*** " + StringFormatC("Cannot Open %s", path.c_str()) + " ***");
        }
        s.recs.clear();
        s.info.clear();
        return StepStatus::Next;
    }
    dbif_add(apt);
    const uint8_t* rec = &s.recs[static_cast<size_t>(c.calls) * 29];
    AirportInfo696 info;
    std::string error;
    if (!DecodeAirportInfo696(rec, s.info.data(), s.info.size(), s.layout, &info, &error)) {
        return Abort(c, s, "*** " + error + " ***");
    }
    for (const FrequencyEntry696& e : info.frequencies) {
        FreqRecord f{};
        f.fsno = c.nextSerial[kFileFreq3]++;
        f.faptno = apt.asno;
        f.ftype = FrequencyTypeIndex696(e.type) + ((e.type & 64) ? 128 : 0) + e.type * 256;
        f.freq = static_cast<int32_t>(e.value) + kFrequencyBase696;
        f.flags = 0;
        const uint32_t remarksFlags = e.remarks.size() > 1 ? e.remarks[1] : 0;
        f.f431 = static_cast<int32_t>(remarksFlags << 16 | static_cast<uint32_t>(e.further) << 8 | e.flagBits << 4);
        if (!e.remarks.empty()) {
            std::vector<uint8_t> form;
            if (!RemarksFormOfBlob696(e.remarks, &form, &error)) {
                return Abort(c, s, "*** " + StringFormatC("APT %x: ", apt.asno) + error + " ***");
            }
            f.frsno = AddRestrictionChain(c, form);
        }
        dbif_add(f);
    }
    const uint32_t picsExtra = s.layout.pictureLength > 8 ? s.layout.pictureLength - 8 : 0;
    std::vector<int32_t> runwaySerials;
    for (const RunwaySlot696& e : info.runways) {
        RwyRecord w{};
        w.rsno = c.nextSerial[kFileRwy3]++;
        w.raptno = apt.asno;
        w.rlen = static_cast<int32_t>(e.length);
        w.rwidth = static_cast<int32_t>(e.width);
        w.rsl = ((e.surface & 15) == 0 ? 7 : (e.surface & 15)) - 1 + (e.surface & 0x30);
        uint32_t rw = e.designator;
        if (rw & 0x80) rw = (rw & ~0x80u) | 0x10000;
        if (e.pictureFlags & 4) rw |= 0x80;
        w.rw = static_cast<int32_t>(rw);
        w.rflags = e.flags;
        w.rpicfl = e.pictureFlags;
        w.rnpic = static_cast<int32_t>(e.picture[0]);
        w.rnpic2 = static_cast<int32_t>(e.picture[1]);
        const RunwayPicture picture = PackRunwayPicture(e.pictureFlags & 3u, w.rnpic, w.rnpic2);
        w.rpicst = picture.start;
        w.rpic = static_cast<int32_t>(picture.picture);
        dbif_add(w);
        runwaySerials.push_back(w.rsno);
        const uint32_t second = (e.pictureFlags & 16) ? 4 : 0;
        s.extrasText += StringFormatC("RW=%04x|%02u,%02u", static_cast<unsigned>(w.rsno), picsExtra, second);
        for (uint32_t k = 0; k < picsExtra + second && k < kRunwayExtraBytes696; ++k) {
            s.extrasText += StringFormatC("|%02x", e.extra[k]);
        }
        if (second == 0) s.extrasText += "            ";
        std::string ident = apt.aident;
        for (char& ch : ident) {
            if (ch >= 'p' && ch <= 'y') ch = static_cast<char>(ch - 'p' + '0');
        }
        s.extrasText += "  (" + ident.substr(0, 8) + ")\n";
    }
    if (info.hasBlock) {
        if (!DecodeAirportApproaches696(s.info.data(), s.info.size(), s.layout, &info, &error)) {
            return Abort(c, s, "*** " + error + " ***");
        }
        WriteApproachRecords696(c, apt, info, runwaySerials, s.approachIds);
    }
    return StepStatus::Again;
}

// AWYS and AWPS records, one airway a call: its 8 bytes and the chain of its points.
StepStatus StepAirways(OperationContext& c, Isam696& s) {
    if (c.calls == 0) {
        uint32_t points = 0;
        if (!ReadSection(s, 45, kAirwayRecordBytes696, &s.recs, &s.recCount) ||
            !ReadSection(s, 46, kAirwayPointBytes696, &s.info, &points)) {
            return Abort(c, s, StringFormatC("Cannot read %s", c.imageName.c_str()));
        }
        dbif_open(kFileAwys);
        dbif_open(kFileAwps);
    }
    const uint32_t k = c.calls;
    if (k >= s.recCount) {
        dbif_close(kFileAwys);
        dbif_close(kFileAwps);
        c.nextSerial[kFileAwys] = static_cast<int32_t>(s.recCount);
        s.recs.clear();
        s.info.clear();
        return StepStatus::Next;
    }
    const uint8_t* rec = &s.recs[static_cast<size_t>(k) * kAirwayRecordBytes696];
    AwysRecord w{};
    w.wsno = static_cast<int32_t>(k);
    const uint32_t bits = static_cast<uint32_t>(rec[4]) << 24 | rec[3] << 16 | rec[2] << 8 | rec[1];
    std::string name;
    for (int i = 0; i < 5; ++i) name += static_cast<char>(((bits >> (26 - 6 * i)) & 63) + 32);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::copy(name.begin(), name.end(), w.wname);
    std::copy(rec, rec + kAirwayRecordBytes696, w.wrec);
    dbif_add(w);
    std::vector<AirwayPoint696> points;
    std::string error;
    const uint32_t start = s.source->Directory().size() > 46 ? s.source->Directory()[46].start : 0;
    if (!ReadAirwayPoints696(s.info.data(), s.info.size() / kAirwayPointBytes696, AirwayFirstPoint696(rec), start,
                             &points, &error)) {
        return Abort(c, s, "*** " + error + " ***");
    }
    for (size_t i = 0; i < points.size(); ++i) {
        AwpsRecord p{};
        p.wpsno = c.nextSerial[kFileAwps]++;
        p.wpwno = w.wsno;
        p.wpseq = static_cast<int32_t>(i);
        std::copy(points[i].begin(), points[i].end(), p.wprec);
        dbif_add(p);
    }
    return StepStatus::Again;
}

const Step kSteps[15] = {
    StepErase,           StepWrite<kHdrFile696>, StepWrite<kStaFile696>,  StepCountries,
    StepNames,           StepWrite<kNam2File696>, StepAirports,           StepPoints<IntRecord>,
    StepPoints<NdbRecord>, StepPoints<VorRecord>, StepAirways,             StepWrite<kTccFile696>,
    StepWrite<kSuaFile696>, StepWrite<kOddsFile696>, StepWrite<kTrlFile696>,
};

}  // namespace

void InstallCreateIsam696(GenModel& model) {
    auto state = std::make_shared<Isam696>();
    Isam696* s = state.get();
    s->links.numberOf = [s](int section, uint32_t offset, int bit) { return NumberOfPointer(*s, section, offset, bit); };
    model.createIsamSteps.clear();
    for (size_t i = 0; i < 15; ++i) {
        const Step fn = kSteps[i];
        model.createIsamSteps.push_back({[state, fn](OperationContext& c) { return fn(c, *state); },
                                         kCreateIsamTexts696[i]});
    }
    model.drivers[kModeCreateIsam] = [state](OperationContext& c) {
        state->context = &c;
        const bool ended = RunCreateIsamStep(c, c.model->createIsamSteps, *state->framework);
        if (ended) {
            state->writer.Abandon();
            state->source.reset();
        }
        return ended;
    };
}
