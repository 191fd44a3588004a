#include "dblib/KestraneDatabase.h"

#include "dblib/DbDir.h"
#include "platform/FileSystem.h"

#include <cstring>

namespace {

template <class T>
void Make(std::unique_ptr<T>& object) {
    object = std::make_unique<T>(DbFilePath(T::kFileName, "dta"), DbFilePath(T::kFileName, "dtx"),
                                 IsamMgr::kModeClose);
}

}  // namespace

KestraneDatabase::~KestraneDatabase() { Release(); }

void KestraneDatabase::MakeRecordFiles() {
    if (HasRecordFiles()) return;
    // In the manager's file order: apts, country, freq3, ints, names, ndbs, restr, rte, rwy3,
    // usr, vors.
    Make(apts);
    Make(country);
    Make(freq3);
    Make(ints);
    Make(names);
    Make(ndbs);
    Make(restr);
    Make(rte);
    Make(rwy3);
    Make(usr);
    Make(vors);
}

bool KestraneDatabase::OpenJournal() {
    if (journal) return true;
    std::string path = kJournalFile;
    platform::FileExists(kJournalFile, &path);
    journal = std::fopen(path.c_str(), "ab");
    return journal != nullptr;
}

int32_t KestraneDatabase::LookUpCountry(const char* countryText) {
    if (!countryText || !countryText[0] || !country) return -1;
    std::memset(country->cid, 0, sizeof country->cid);
    std::strncpy(country->cid, countryText, 2);
    country->SelectIndex("cid");
    return country->Find() == 0 ? country->csno : -1;
}

ApproachAirports::LoadResult KestraneDatabase::LoadApproachAirports() {
    unsigned bytes = 0;
    auto result = approachAirports.Load(DbFolderFile(kApproachAirportsFile), &bytes);
    approachMessage.clear();
    if (result == ApproachAirports::LoadResult::NoMemory) {
        char text[80];
        std::snprintf(text, sizeof text, kMallocFailedFormat, bytes);
        approachMessage = text;
    }
    return result;
}

void KestraneDatabase::Release() {
    if (journal) std::fclose(journal);
    journal = nullptr;
    apts.reset();
    country.reset();
    freq3.reset();
    ints.reset();
    names.reset();
    ndbs.reset();
    restr.reset();
    rte.reset();
    rwy3.reset();
    usr.reset();
    vors.reset();
    approachAirports.Clear();
    approachMessage.clear();
    recordNumbers = false;
    pictureBytes = false;
    countryFilter = -1;
}

KestraneDatabase& KestraneDb() {
    static KestraneDatabase db;
    return db;
}
