#include "gen696/CreateImage696.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

#include "common/CLocale.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/createimage/CreateImage.h"
#include "gen/createimage/CreateImageBuild.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/CountryRecord.h"
#include "gen/image/NameCoder.h"
#include "gen/shell/GenExit.h"
#include "gen696/ImageFile696.h"
#include "gen696/SectionFile696.h"
#include "gen696/Settings696.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

const char* const kCreateImageTexts696[39] = {
    "Initialising image file",
    "Counting countries",
    "Scanning city and facility names",
    "Counting APIDs",
    "Counting APTS",
    "Scanning APTS",
    "Counting INTS",
    "Scanning INTS",
    "Counting NDBS",
    "Scanning NDBS",
    "Counting VORS",
    "Scanning VORS",
    "Counting FSS/TCCS",
    "Counting SUAS",
    "Flagging unused name records",
    "Flagging used approach records",
    "Copying static data",
    "Writing country table to image file",
    "Writing names table to image file",
    "Writing second names table to image file",
    "Writing Approach ID table to image file",
    "Writing odds/text to image file",
    "Writing FSS/TCC Section to image file",
    "Writing INT records to image file",
    "Writing INT indexes to image file",
    "Writing NDB records to image file",
    "Writing NDB indexes to image file",
    "Writing VOR records to image file",
    "Writing VOR indexes to image file",
    "Writing RWY/COM/APPR info table to image file",
    "Writing APT records to image file",
    "Writing APT indexes to image file",
    "Writing SUA Section to image file",
    "Writing AIRWAYS records to image file",
    "Writing AIRWAYS waypoint index to image file",
    "Writing AIRWAYS grid to image file",
    "Writing trailer to image file",
    "Writing Header to image file",
    "Calculating Sumcheck bytes",
};

namespace {

constexpr const char* kEmptyDatabaseText = "Your ISAM database (on your PC) is empty, do you want to continue ?";
constexpr const char* kRunwayExtrasFile = "rwyextras.txt";
constexpr int kDefaultPicsLen = 14;
constexpr uint32_t kMaxCountries = 512;
constexpr int kSectionCountries = 2;
constexpr int kSectionNames = 3;
constexpr int kSectionApproachIds = 11;

bool AskYesNo(const std::string& text) {
    return platform::ShowMessage(text, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

std::string Framed(const std::string& text) { return "*** " + text + " ***"; }

std::string DbFolder(const OperationContext& c) { return c.app ? c.app->GetDbFolder() : std::string("."); }

// The state of one Create Image run.
struct Run696 {
    explicit Run696(int fd) : image(fd) {}
    ImageFile696 image;
    DatFileCopy696 copy;
    SectionLinks696 links;
    FILE* runwayExtras = nullptr;
    int picsLen = kDefaultPicsLen;
    int rwDefLen = 0;
    uint32_t countryCount = 0;
    std::vector<int32_t> cmap;   // the country serial number of each table position
    uint32_t nameCount = 0;
    int32_t highestName = -1;
    std::vector<uint8_t> nsocc;   // one byte per name serial number
    uint32_t keptNames = 0;
    // Where each written name begins in the names table (bit position), by serial number.
    std::vector<uint32_t> namePos;
    std::vector<uint8_t> names;   // the names table being coded
    uint32_t namesBit = 0;
    uint32_t namesWritten = 0;
    uint32_t namesStart = 0;
    std::vector<std::pair<std::string, int32_t>> keptNameList;   // coded text, serial number
    ~Run696() {
        if (runwayExtras) std::fclose(runwayExtras);
    }
};

class State696 {
public:
    std::shared_ptr<Run696> run;
};

using Step696 = StepStatus (*)(OperationContext&, Run696&);

StepStatus Abort(OperationContext& c, const std::string& message) { return AbortCreateImage(c, message); }

StepStatus WriteFailed(OperationContext& c) { return Abort(c, Framed("Cannot write " + c.imageName)); }

// One piece of a section file copied into the image; the file's end ends the step.
StepStatus CopyPiece(OperationContext& c, Run696& r, const SectionFileSpec696& spec) {
    std::string error;
    const DatFileCopy696::Result result =
        r.copy.Piece(DbFolder(c), spec, r.image, r.links, TessilySettings().areaCode, r.picsLen, &error);
    switch (result) {
    case DatFileCopy696::Result::Again: return StepStatus::Again;
    case DatFileCopy696::Result::Done: return StepStatus::Next;
    case DatFileCopy696::Result::Failed: break;
    }
    r.copy.Close();
    return Abort(c, Framed(error));
}

// "NewSUA+.dat" takes the place of "SUA+.DAT" when the user agrees.
void OfferNewAirspaceFile(const OperationContext& c) {
    std::string fresh;
    if (!platform::FileExists(DbFolder(c) + "/NewSUA+.dat", &fresh)) return;
    if (!AskYesNo("File NewSUA+.dat is present in db50, do you want me to rename it ?")) return;
    const std::string current = SectionFilePath696(DbFolder(c), kSuaFile696.name);
    if (platform::FileExists(current)) platform::DeleteFile(current);
    platform::RenameFile(fresh, DbFolder(c) + "/SUA+.DAT");
}

void OpenRunwayExtras(const OperationContext& c, Run696& r) {
    r.picsLen = kDefaultPicsLen;
    std::string path;
    if (!platform::FileExists(DbFolder(c) + "/" + kRunwayExtrasFile, &path)) return;
    r.runwayExtras = std::fopen(path.c_str(), "rb");
    if (!r.runwayExtras) return;
    char line[160];
    if (std::fgets(line, sizeof line, r.runwayExtras)) std::sscanf(line, "PICSLEN=%d", &r.picsLen);
    if (std::fgets(line, sizeof line, r.runwayExtras)) std::sscanf(line, "RWDEFLEN=%d", &r.rwDefLen);
}

StepStatus StepInitialise(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
        NameRecord name{};
        dbif_index<NameRecord>("nsno");
        if (!dbif_first(name) && !AskYesNo(kEmptyDatabaseText)) return Abort(c, "");
        if (!r.image.ZeroDirectory()) return WriteFailed(c);
        InitBatchSerials(c.nextSerial);
        OfferNewAirspaceFile(c);
        OpenRunwayExtras(c, r);
    }
    return CopyPiece(c, r, kHdrFile696);
}

StepStatus StepCountCountries(OperationContext& c, Run696& r) {
    CountryRecord rec{};
    if (c.calls == 0) {
        dbif_index<CountryRecord>("csno");
        if (!dbif_first(rec)) return StepStatus::Next;
    } else if (!dbif_next(rec)) {
        return StepStatus::Next;
    }
    if (++r.countryCount > kMaxCountries) {
        return Abort(c, "The image format does not allow more than 512 countries");
    }
    return StepStatus::Again;
}

StepStatus StepScanNames(OperationContext& c, Run696& r) {
    NameRecord rec{};
    const bool found = c.calls == 0 ? (dbif_index<NameRecord>("nsno"), dbif_first(rec)) : dbif_next(rec);
    if (!found) {
        r.nsocc.assign(static_cast<size_t>(r.highestName + 1), 0);
        return StepStatus::Next;
    }
    ++r.nameCount;
    if (rec.nsno > r.highestName) r.highestName = rec.nsno;
    return StepStatus::Again;
}

// Flags a name that a carried-over record names; a number beyond the names file stops the program.
void FlagName(Run696& r, uint32_t number, const char* kind) {
    if (number == kNoNameNumber696) return;
    if (static_cast<int64_t>(number) > r.highestName) {
        ProgramError(StringFormatC("Program error: %s value (%d) too large", kind, static_cast<int>(number)));
    }
    r.nsocc[number] = 1;
}

StepStatus FlagSectionFileNames(OperationContext& c, Run696& r, const SectionFileSpec696& spec) {
    std::string error;
    const bool ok = VisitDatRecords696(
        DbFolder(c), spec, {29, 33, 39, 40}, [&r](int section, const uint8_t* rec, size_t size) {
            if (section == 29 && size >= 9) FlagName(r, rec[6] | (rec[7] << 8) | (rec[8] << 16), "FSS name");
            if (section == 33 && size >= 19) FlagName(r, rec[10] | (rec[11] << 8) | (rec[18] << 16), "TCC name");
            if ((section == 39 || section == 40) && size >= 27) {
                FlagName(r, rec[21] | (rec[22] << 8) | (rec[23] << 16), "controller name");
                FlagName(r, rec[24] | (rec[25] << 8) | (rec[26] << 16), "airspace name");
            }
        },
        &error);
    if (!ok) return Abort(c, Framed(error));
    return StepStatus::Next;
}

StepStatus StepCountTcc(OperationContext& c, Run696& r) { return FlagSectionFileNames(c, r, kTccFile696); }
StepStatus StepCountSua(OperationContext& c, Run696& r) { return FlagSectionFileNames(c, r, kSuaFile696); }

StepStatus StepFlagNames(OperationContext& c, Run696& r) {
    const bool removeUnused = !c.settings || c.settings->optimise;
    r.keptNames = 0;
    for (uint8_t used : r.nsocc) {
        if (used || !removeUnused) ++r.keptNames;
    }
    return StepStatus::Next;
}

// A table that this database gives no records yet: its directory entry at the image's end.
StepStatus EmptyTable(OperationContext& c, Run696& r, int section, uint8_t size) {
    if (!r.image.SetDirectoryEntry(section, r.image.End(), 0, size)) return WriteFailed(c);
    return StepStatus::Next;
}

// Section 2: one packed record per country, in the order of the country names.
StepStatus StepWriteCountries(OperationContext& c, Run696& r) {
    CountryRecord rec{};
    if (c.calls == 0) {
        if (!r.image.SetDirectoryEntry(kSectionCountries, r.image.End(), r.countryCount, 9)) return WriteFailed(c);
        dbif_index<CountryRecord>("cname");
        if (!dbif_first(rec)) return StepStatus::Next;
    } else if (!dbif_next(rec)) {
        return StepStatus::Next;
    }
    if (r.cmap.size() >= r.countryCount) return StepStatus::Next;
    uint8_t packed[9];
    PackCountryRecord(packed, rec.cid, sizeof rec.cid, rec.cname, sizeof rec.cname);
    if (!r.image.Append(packed, sizeof packed)) return WriteFailed(c);
    r.cmap.push_back(rec.csno);
    return StepStatus::Again;
}
// Section 3: the kept names in the order of their text, coded one behind the other. A name
// kept with a leading blank is coded, and so sorted, without it: the table stays in the order
// of what it holds.
StepStatus StepWriteNames(OperationContext& c, Run696& r) {
    if (c.calls == 0) {
        const bool removeUnused = !c.settings || c.settings->optimise;
        r.namePos.assign(r.nsocc.size(), UINT32_MAX);
        r.names.clear();
        r.namesBit = 0;
        r.namesWritten = 0;
        r.namesStart = r.image.End();
        r.keptNameList.clear();
        NameRecord rec{};
        dbif_index<NameRecord>("nname");
        for (bool found = dbif_first(rec); found; found = dbif_next(rec)) {
            if (rec.nsno < 0 || static_cast<size_t>(rec.nsno) >= r.nsocc.size()) continue;
            if (removeUnused && !r.nsocc[static_cast<size_t>(rec.nsno)]) continue;
            rec.nname[sizeof rec.nname - 1] = 0;
            const char* text = rec.nname;
            if (text[0] == ' ' && text[1] != 0) ++text;
            r.keptNameList.emplace_back(text, rec.nsno);
        }
        std::stable_sort(r.keptNameList.begin(), r.keptNameList.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    if (r.namesWritten >= r.keptNameList.size()) {
        if (!r.image.SetDirectoryEntry(kSectionNames, r.namesStart, r.namesWritten, 1)) return WriteFailed(c);
        r.names.resize((r.namesBit + 7) / 8);
        if (!r.image.Append(r.names.data(), r.names.size())) return WriteFailed(c);
        r.names.clear();
        r.keptNameList.clear();
        return StepStatus::Next;
    }
    const auto& [text, serial] = r.keptNameList[r.namesWritten];
    const uint32_t bits = NameCodeBits(text.c_str());
    r.names.resize((r.namesBit + bits + 7) / 8 + 1, 0);
    r.namePos[static_cast<size_t>(serial)] = r.namesBit;
    r.namesBit = EncodeNameText(text.c_str(), r.namesBit, r.names.data());
    ++r.namesWritten;
    return StepStatus::Again;
}

StepStatus StepWriteApproachIds(OperationContext& c, Run696& r) { return EmptyTable(c, r, kSectionApproachIds, 4); }

// A row that copies one section file.
template <const SectionFileSpec696& Spec>
StepStatus StepCopy(OperationContext& c, Run696& r) {
    return CopyPiece(c, r, Spec);
}

// Rows whose records come from a database with points, airports and airways: nothing to do for
// a database without them.
StepStatus StepNothing(OperationContext&, Run696&) { return StepStatus::Next; }

StepStatus StepWriteHeader(OperationContext& c, Run696& r) {
    if (c.calls == 0) return StepStatus::Again;
    if (TessilySettings().keepHeaderDates == 0) {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const int year = local.tm_year + 1900;
        const uint8_t date[4] = {static_cast<uint8_t>(local.tm_mon + 1), static_cast<uint8_t>(local.tm_mday),
                                 static_cast<uint8_t>(year), static_cast<uint8_t>(year >> 8)};
        for (uint32_t k = 0; k < 3; ++k) {
            if (!r.image.WriteAt(kDatesOffset696 + 4 * k, date, sizeof date)) return WriteFailed(c);
        }
    }
    const uint32_t length = r.image.End() + 4;
    const uint8_t word[4] = {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
    if (!r.image.WriteAt(kLengthOffset696, word, sizeof word)) return WriteFailed(c);
    return StepStatus::Next;
}

StepStatus StepSeal(OperationContext& c, Run696& r) {
    const uint32_t end = r.image.End();
    if (end > kMaxImageLength696) {
        if (!r.image.Flush()) return WriteFailed(c);
        platform::ShowMessage(StringFormatC("Please note image is %ld bytes too long - DO NOT USE",
                                            static_cast<long>(end - kMaxImageLength696)));
        return StepStatus::Next;
    }
    if (!r.image.SealImageCrc()) return WriteFailed(c);
    return StepStatus::Next;
}

const Step696 kSteps[39] = {
    StepInitialise, StepCountCountries, StepScanNames,                                    // 0-2
    StepNothing, StepNothing, StepNothing, StepNothing, StepNothing,                      // 3-7
    StepNothing, StepNothing, StepNothing, StepNothing,                                   // 8-11
    StepCountTcc, StepCountSua, StepFlagNames, StepNothing,                               // 12-15
    StepCopy<kStaFile696>, StepWriteCountries, StepWriteNames, StepCopy<kNam2File696>,                   // 16-19
    StepWriteApproachIds, StepCopy<kOddsFile696>, StepCopy<kTccFile696>,                                      // 20-22
    StepNothing, StepNothing, StepNothing, StepNothing, StepNothing, StepNothing,         // 23-28
    StepNothing, StepNothing, StepNothing,                                                // 29-31
    StepCopy<kSuaFile696>, StepNothing, StepNothing, StepNothing,                                   // 32-35
    StepCopy<kTrlFile696>, StepWriteHeader, StepSeal,                                           // 36-38
};

StepStatus CallStep(OperationContext& c, State696& state, Step696 fn) {
    if (c.step == 0 && c.calls == 0) {
        if (c.imageFd < 0) return AbortCreateImage(c, Framed("Cannot Open " + c.imageName));
        state.run = std::make_shared<Run696>(c.imageFd);
        Run696* run = state.run.get();
        run->links.pointerOf = [run](uint32_t number, uint32_t* offset, int* bit) {
            if (number >= run->namePos.size() || run->namePos[number] == UINT32_MAX) return false;
            const uint32_t pos = run->namePos[number];
            *offset = pos / 8;
            *bit = 7 - static_cast<int>(pos % 8);
            return true;
        };
    }
    const std::shared_ptr<Run696> run = state.run;
    if (!run) return StepStatus::Stop;
    const StepStatus status = fn(c, *run);
    if ((status == StepStatus::Stop || c.Stopped()) && state.run == run) state.run.reset();
    return status;
}

StepStatus Finish(OperationContext& c, State696& state) {
    const std::shared_ptr<Run696> run = state.run;
    if (!run) return StepStatus::Stop;
    if (!run->image.Flush()) return WriteFailed(c);
    if (c.settings && c.settings->debugLevel != 0) {
        std::string line = "Sumcheck bytes set to:";
        for (int i = 0; i < 4; ++i) line = StringFormatC("%s %02x", line.c_str(), run->image.Seal()[i]);
        c.AddLine(line);
    }
    c.AddLine(StringFormatC("Image ends at %06lx", static_cast<unsigned long>(run->image.End())));
    const bool empty = run->countryCount == 0;
    state.run.reset();
    if (c.app) c.app->CloseImageFile();
    c.AddLine("Image Complete");
    c.AddLine("");
    if (empty) {
        for (const char* line : kEmptyImageWarning) c.AddLine(line);
    }
    return StepStatus::Done;
}

}  // namespace

void InstallCreateImage696(GenModel& model) {
    auto state = std::make_shared<State696>();
    auto driver = std::make_shared<CreateImageDriver>();
    model.createImageSteps.clear();
    for (size_t i = 0; i < 39; ++i) {
        const Step696 fn = kSteps[i];
        model.createImageSteps.push_back(
            {[state, fn](OperationContext& c) { return CallStep(c, *state, fn); }, kCreateImageTexts696[i]});
    }
    model.finishImage = [state](OperationContext& c) { return Finish(c, *state); };
    model.drivers[kModeCreateImage] = [driver](OperationContext& c) { return driver->Run(c); };
    StopHook previous = model.onStop;
    model.onStop = [previous, state](OperationContext& c, int mode) {
        if (previous) previous(c, mode);
        if (mode == kModeCreateImage && state->run) {
            state->run->image.Discard();
            state->run.reset();
        }
    };
}
