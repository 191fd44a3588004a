// Create ISAM steps: erasing the database, countries, names, intersections, NDBs, VORs and the
// two airspace files. (Airports are in CreateIsamAirports.cpp.)
#include "gen/createisam/CreateIsamSteps.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "common/CLocale.h"
#include "dblib/DbCheck.h"
#include "dblib/DbDir.h"
#include "dblib/RecordFile.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/createisam/CreateIsamAirspace.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/GenExit.h"
#include "gen/image/Image.h"
#include "gen/image/PositionField.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

const char* const kIsamEraseList[] = {
    "appr",     "apts",     "country",  "freq3",        "ints",        "lwpt",      "names",
    "ndbs",     "restr",    "rwy3",     "vors",         "awys",        "awps",      "SUA+.DAT",
    "TCC+.DAT", "HDR+.DAT", "ODDS+.DAT", "STA+.DAT",    "TRL+.DAT",    "apid.bin",  "appr.bin",
    "stats.txt", "hdr.bin", "aptswappr.txt", "APID.DAT", "UNK.DAT",    "AWYgrid+.DAT", "SUA.DAT",
    "NewSUA.DAT", "NewSUA+.DAT", "TCC.DAT", "NewTCC.DAT",
};
const size_t kIsamEraseCount = sizeof kIsamEraseList / sizeof kIsamEraseList[0];

namespace {

// The record files Create ISAM fills.
constexpr int kIsamFiles[] = {kFileApts, kFileCountry, kFileFreq3, kFileInts, kFileNames, kFileNdbs,
                              kFileRwy3, kFileVors, kFileRestr, kFileAppr, kFileLwpt};

// The paths of the erase list that exist, in order.
std::vector<std::string> ExistingErasePaths(const char* const* list, size_t count) {
    std::vector<std::string> paths;
    for (size_t i = 0; i < count; ++i) {
        const char* name = list[i];
        if (std::strchr(name, '.')) {
            paths.push_back(DbFolderFile(name));
        } else {
            // The index first: cut off between the two, the records are left to rebuild it.
            paths.push_back(DbFilePath(name, "dtx"));
            paths.push_back(DbFilePath(name, "dta"));
        }
    }
    std::vector<std::string> existing;
    for (const std::string& path : paths) {
        std::string actual;
        if (platform::FileExists(path, &actual) &&
            std::find(existing.begin(), existing.end(), actual) == existing.end()) {
            existing.push_back(actual);
        }
    }
    return existing;
}

// Why a file cannot be erased ("" when it can): no read and write access, or held elsewhere.
std::string EraseRefusal(const std::string& path) {
    if (::access(path.c_str(), R_OK | W_OK) != 0) return path + " - Access Denied";
    const int fd = platform::OpenFile(path, O_RDWR, platform::Share::DenyReadWrite);
    if (fd < 0) return path + " - Cannot Unlink";
    platform::CloseFile(fd);
    return "";
}

// Closes every record file of the database opener in use.
void CloseRecordFiles() {
    CGenDBOpen* opener = CGenDBOpen::Active();
    if (!opener) return;
    for (int f = 0; f < kGenFileCount; ++f) {
        if (RecordFile* file = opener->File(f)) file->Close();
    }
}

// Makes every record file again (the erased ones empty) and stamps them; false (message
// shown) when the database cannot be opened.
bool ReopenDatabase(OperationContext& c) {
    CGenDBOpen* opener = c.app ? c.app->DbOpen() : CGenDBOpen::Active();
    if (!opener) return c.app && c.app->OpenDatabaseChecked() == 1;
    opener->OpenAll();
    CGenDBOpen::SetActive(opener);
    return true;
}

ImageResult CheckCountry(const IsamImageSource& source, int section, uint32_t n) {
    const uint32_t index = source.Record(section, n)[source.Params().sections[section].countryByte];
    if (index < source.CountryCount()) return ImageResult::Ok();
    return DamagedImage(StringFormatC("%s %s (record %u) refers to country %u of %u",
                                      source.Params().sections[section].name, source.Ident(section, n).c_str(), n,
                                      index, source.CountryCount()));
}

// One record of a section per call: the file is opened on the first call and closed after the
// last record.
template <class Record>
StepStatus WriteSection(OperationContext& c, CreateIsamState& s, int section, const char* index,
                        Record (*make)(const CreateIsamState&, uint32_t)) {
    const uint32_t n = c.calls;
    if (n == 0) {
        dbif_open<Record>();
        dbif_index<Record>(index);
    }
    if (n >= s.source->Section(section).recordCount) {
        dbif_close<Record>();
        return StepStatus::Next;
    }
    dbif_add(make(s, n));
    return StepStatus::Again;
}

IntRecord MakeInt(const CreateIsamState& s, uint32_t n) { return IsamIntRecord(*s.source, n, s.countryNumber); }
NdbRecord MakeNdb(const CreateIsamState& s, uint32_t n) {
    return IsamNdbRecord(*s.source, n, *s.names, s.countryNumber);
}
VorRecord MakeVor(const CreateIsamState& s, uint32_t n) {
    return IsamVorRecord(*s.source, n, *s.names, s.countryNumber);
}

// Writes an airspace file one piece per call; an image without the section writes none.
StepStatus WriteAirspaceFile(OperationContext& c, CreateIsamState& s, bool present, const char* name,
                             std::unique_ptr<IsamAirspaceFile> (*plan)(const IsamImageSource&, const std::string&)) {
    if (c.calls == 0) {
        if (!present) {
            // A file left from before would not belong to the new database.
            const std::string path = DbFolderFile(name);
            if (platform::FileExists(path)) platform::DeleteFile(path);
            s.skipped = true;
            return StepStatus::Next;
        }
        s.airspace = plan(*s.source, DbFolderFile(name));
        if (!s.airspace->Create()) ProgramError(StringFormatC("Cannot Open %s", s.airspace->Path().c_str()));
    }
    std::vector<std::string> lines;
    const uint32_t debug = c.settings ? c.settings->debugLevel : 0;
    const bool more = s.airspace->Next(*s.source, *s.names, debug, &lines);
    for (const std::string& line : lines) c.AddLine(line);
    if (more) return StepStatus::Again;
    const bool written = s.airspace->Finish();
    const std::string path = s.airspace->Path();
    s.airspace.reset();
    if (!written) return AbortCreateIsam(c, s, StringFormatC("Cannot write %s", path.c_str()));
    return StepStatus::Next;
}

}  // namespace

ImageResult IsamAirportDetail(const IsamImageSource& source, uint32_t n, int32_t lat, int32_t lon,
                              DecodedAirportDetail* detail, bool* hasEntry) {
    const uint8_t* entry = nullptr;
    uint32_t length = 0;
    *hasEntry = source.DetailEntry(n, &entry, &length);
    if (!*hasEntry) {
        *detail = DecodedAirportDetail{};
        detail->runways.push_back(SummaryRunway(source.DetailValue(source.Record(kSectionApt, n))));
        return ImageResult::Ok();
    }
    DetailLimits limits;
    limits.approachIds = static_cast<uint32_t>(source.ApproachIds().size());
    for (int s = 0; s < kSectionCount; ++s) limits.sectionRecords[s] = source.Section(s).recordCount;
    const ImageResult r = DecodeAirportDetail(source.Params(), entry, length, limits, lat, lon, detail);
    if (r) return r;
    return DamagedImage(StringFormatC("APT %s (record %u): %s", source.Ident(kSectionApt, n).c_str(), n, r.text.c_str()));
}

ImageResult CheckIsamCountries(const IsamImageSource& source) {
    for (int s = 0; s < kSectionCount; ++s) {
        for (uint32_t n = 0; n < source.Section(s).recordCount; ++n) {
            if (ImageResult r = CheckCountry(source, s, n); !r) return r;
        }
    }
    return ImageResult::Ok();
}

ImageResult CheckIsamRecords(const IsamImageSource& source) {
    if (ImageResult r = CheckIsamCountries(source); !r) return r;
    DecodedAirportDetail detail;
    bool hasEntry = false;
    for (uint32_t n = 0; n < source.Section(kSectionApt).recordCount; ++n) {
        int32_t lat = 0;
        int32_t lon = 0;
        DecodePosition(source.Record(kSectionApt, n), &lat, &lon);
        if (ImageResult r = IsamAirportDetail(source, n, lat, lon, &detail, &hasEntry); !r) return r;
    }
    return ImageResult::Ok();
}

StepStatus EraseDatabaseFiles(OperationContext& c, CreateIsamState& s) {
    return EraseDatabaseFiles(c, s, CheckIsamRecords, kIsamEraseList, kIsamEraseCount);
}

StepStatus EraseDatabaseFiles(OperationContext& c, CreateIsamState& s, IsamRecordCheck check,
                              const char* const* list, size_t count) {
    // The image is read and checked whole before anything is erased.
    if (!c.image || !c.image->IsOpen()) {
        return AbortCreateIsam(c, s, StringFormatC("Cannot open %s", c.imageName.c_str()));
    }
    s.source = std::make_unique<IsamImageSource>(c.image->Params());
    ImageResult loaded = s.source->Load(*c.image);
    if (loaded) loaded = s.source->CheckSeal();
    if (loaded) loaded = check(*s.source);
    if (!loaded) return AbortCreateIsam(c, s, loaded.text);
    s.names = std::make_unique<IsamNameResolver>(*s.source, [&c](const std::string& line) { c.AddLine(line); });

    // Countries are stored under their table position; a repeated id under its first one.
    std::map<std::string, int32_t> firstById;
    for (uint32_t i = 0; i < s.source->CountryCount(); ++i) {
        std::string id;
        std::string name;
        s.source->Country(i, &id, &name);
        CountryRecord buf{};
        SetRecText(buf.cid, id.c_str(), sizeof buf.cid);
        s.countryNumber.push_back(firstById.emplace(buf.cid, static_cast<int32_t>(i)).first->second);
    }

    std::string refusal;
    if (!EraseListedFiles(c, list, count, &refusal)) return AbortCreateIsam(c, s, refusal);
    for (int f : kIsamFiles) c.nextSerial[f] = 0;
    c.nextSerial[kFileRestr] = 1;
    return StepStatus::Next;
}

bool EraseListedFiles(OperationContext& c, const char* const* list, size_t count, std::string* refusal) {
    // Close the database, then check that every file can go before erasing any: a database
    // that is only partly erased would mix old and new data.
    CloseRecordFiles();
    {
        CGenDBOpen check;
        if (check.Status() > 0) {
            *refusal = kDbInUseText;
            return false;
        }
    }
    const std::vector<std::string> paths = ExistingErasePaths(list, count);
    for (const std::string& path : paths) {
        *refusal = EraseRefusal(path);
        if (!refusal->empty()) return false;
    }
    for (const std::string& path : paths) {
        if (!platform::DeleteFile(path) && platform::FileExists(path)) {
            *refusal = path + " - Cannot Unlink";
            return false;
        }
    }
    refusal->clear();
    return ReopenDatabase(c);
}

StepStatus IsamWriteCountries(OperationContext& c, CreateIsamState& s) {
    const uint32_t i = c.calls;
    if (i == 0) {
        dbif_open(kFileCountry);
        dbif_index<CountryRecord>("csno");
    }
    if (i >= s.source->CountryCount()) {
        dbif_close(kFileCountry);
        c.nextSerial[kFileCountry] = static_cast<int32_t>(i);
        return StepStatus::Next;
    }
    std::string id;
    std::string name;
    s.source->Country(i, &id, &name);
    CountryRecord buf{};
    buf.csno = static_cast<int32_t>(i);
    SetRecText(buf.cid, id.c_str(), sizeof buf.cid);
    SetRecText(buf.cname, name.c_str(), sizeof buf.cname);
    if (s.countryNumber[i] != static_cast<int32_t>(i)) {
        c.AddLine(StringFormatC("Failing country was %d \"%s-%s\"", static_cast<int>(i), buf.cname, buf.cid));
    } else {
        dbif_add(buf);
    }
    return StepStatus::Again;
}

StepStatus IsamWriteNames(OperationContext& c, CreateIsamState& s) {
    const uint32_t i = c.calls;
    if (i == 0) {
        dbif_open(kFileNames);
        dbif_index<NameRecord>("nsno");
    }
    if (i >= s.names->Count()) {
        dbif_close(kFileNames);
        c.nextSerial[kFileNames] = static_cast<int32_t>(i);
        return StepStatus::Next;
    }
    NameRecord buf{};
    buf.nsno = static_cast<int32_t>(i);
    const std::string& text = s.names->Text(i);
    std::memcpy(buf.nname, text.data(), text.size());
    if (s.names->StoredNumber(i) != static_cast<int32_t>(i) || !dbif_add(buf)) {
        c.AddLine(StringFormatC("Failing name was %d \"%s\"", static_cast<int>(i), text.c_str()));
    }
    return StepStatus::Again;
}

StepStatus IsamWriteInts(OperationContext& c, CreateIsamState& s) {
    return WriteSection(c, s, kSectionInt, "iident", MakeInt);
}

StepStatus IsamWriteNdbs(OperationContext& c, CreateIsamState& s) {
    return WriteSection(c, s, kSectionNdb, "bident", MakeNdb);
}

StepStatus IsamWriteVors(OperationContext& c, CreateIsamState& s) {
    return WriteSection(c, s, kSectionVor, "vident", MakeVor);
}

StepStatus WriteTccFile(OperationContext& c, CreateIsamState& s) {
    return WriteAirspaceFile(c, s, s.source->HasTcc(), "TCC.DAT", PlanTccFile);
}

StepStatus WriteSuaFile(OperationContext& c, CreateIsamState& s) {
    return WriteAirspaceFile(c, s, s.source->HasSua(), "SUA.DAT", PlanSuaFile);
}
