#include "gen/listing/SaveAsFormat.h"

#include "gen/shell/OperationContext.h"
#include "platform/FileSystem.h"

const SaveAsType kSaveAsTypeTable[kSaveAsTypeCount] = {
    {"Text File [*.txt]", "*.txt"},
    {"Batch File [*bat.txt]", "*bat.txt"},
    {"Text Dump File [*txt.all]", "*txt.all"},
    {"Batch Dump [*bat.all]", "*bat.all"},
    {"SUA Dump [*sua.all]", "*sua.all"},
    {"FSS/TCC Dump [*tcc.all]", "*tcc.all"},
    {"Approach Dump [*apr.all]", "*apr.all"},
    {"SBS Waypoint File[*sbs.txt]", "*sbs.txt"},
    {"SBS Waypoint Dump[*sbs.all]", "*sbs.all"},
    {"SBS SUA Dump [*sbs.out]", "*sbs.out"},
    {"Airways Dump [*awy.all]", "*awy.all"},
    {"All Files [*.*]", "*.*"},
};

namespace {

bool Holds(const std::string& text, const char* piece) { return text.find(piece) != std::string::npos; }

bool PointKind(int kind) { return kind >= kListApts && kind <= kListVors; }

}  // namespace

std::vector<int> SaveAsTypesOffered(int kind) {
    std::vector<int> rows;
    if (PointKind(kind)) {
        rows = {kSaveBatch, kSaveTextDump, kSaveBatchDump, kSaveSbsFile, kSaveSbsDump};
    } else if (kind == kListSuas) {
        rows = {kSaveSuaDump, kSaveSbsSuaDump};
    } else if (kind == kListFss || kind == kListArtccs) {
        rows = {kSaveTccDump};
    } else if (kind == kListApproaches) {
        rows = {kSaveApproachDump};
    } else if (kind == kListAirways) {
        rows = {kSaveAirwayDump};
    }
    rows.push_back(kSaveText);
    rows.push_back(kSaveAllFiles);
    return rows;
}

SaveAsNameFlags SaveAsNameFlags::Of(const std::string& path) {
    const std::string name = platform::BaseName(platform::NormalizePath(path));
    SaveAsNameFlags f;
    f.bat = Holds(name, "bat.");
    f.sbs = Holds(name, "sbs.");
    f.txt = Holds(name, "txt.");
    f.all = Holds(name, ".all");
    f.out = Holds(name, ".out");
    return f;
}

std::string SaveAsReservedMessage(int kind, const std::string& path) {
    const std::string name = platform::BaseName(platform::NormalizePath(path));
    const SaveAsNameFlags f = SaveAsNameFlags::Of(path);
    if (kind != kListAirways && Holds(name, "awy.")) return "Format reserved for Airway dumps";
    std::string message;
    if (!PointKind(kind)) {
        if (f.bat) message = "Screen not convertible to Batch format";
        if ((f.txt && kind != kListAirways) || (f.sbs && !f.out)) message = "Format reserved for APT/INT/NDB/VOR dumps";
    }
    if (kind != kListSuas && (Holds(name, "sua.") || (f.sbs && f.out))) message = "Format reserved for SUA dumps";
    if (kind != kListFss && kind != kListArtccs && Holds(name, "tcc.")) {
        message = "Format reserved for FSS or TCC dumps";
    }
    if (kind != kListApproaches && Holds(name, "apr.")) message = "Format reserved for Approach dumps";
    return message;
}

bool IsRegionFileName(const std::string& path) {
    const std::string name = platform::BaseName(platform::NormalizePath(path));
    return name.size() > 1 && name.find(".rg1", 1) != std::string::npos;
}

std::string WithTypePattern(const std::string& path, int row) {
    if (row < 0 || row >= kSaveAsTypeCount || row == kSaveSbsSuaDump || row == kSaveAllFiles) return path;
    const std::string name = platform::BaseName(platform::NormalizePath(path));
    if (name.empty() || name.find('.', 1) != std::string::npos) return path;
    return path + (kSaveAsTypeTable[row].pattern + 1);
}
