#include "gen696/SuaKinds696.h"
#include "gen696/Tessily696.h"

#include <fcntl.h>

#include <cstdlib>

#include "common/CLocale.h"
#include "gen/batch/BatchUpdate.h"
#include "gen/listing/SaveAs.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/ControlSection.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/RunSetup.h"
#include "gen696/Batch696.h"
#include "gen696/Comp696Dialog.h"
#include "gen696/CompileAirway696.h"
#include "gen696/CompileApproach696.h"
#include "gen696/CompileSua696.h"
#include "gen696/CreateImage696.h"
#include "gen696/CreateIsam696.h"
#include "gen696/Listing696.h"
#include "gen696/Settings696.h"
#include "gen696/SourceImage696.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

Settings696& TessilySettings() {
    static Settings696 settings;
    return settings;
}

namespace {


const char* const kListedSections[12] = {"Eprom Title", "Countries", "Names", "APTs",       "INTs",        "NDBs",
                                         "VORs",        "SUAs",      "FSSs",  "ARTCCs",     "Approaches",  "Airways"};

std::string Format(const char* format, const std::string& value) { return StringFormatC(format, value.c_str()); }

// The confirmation lines that differ from the framework's: no title line for Create Image, the
// airways section, the SUA+ files and the airway compiler.
bool Confirmation696(CGenView& view, int mode) {
    CGenDoc* doc = view.GetDoc();
    auto add = [doc](const std::string& line) {
        if (doc) doc->AddLine(line);
    };
    CGenApp& app = view.App();
    std::string filters;
    switch (mode) {
    case kModeCreateImage:
        add("You have chosen to create a new Binary Image File");
        add(Format("'%s' from the ISAM database.", view.fileName));
        if (FormatFiltersText(filters, mode, app.Settings()) > 0) add(filters);
        break;
    case kModeList: {
        const int s = view.section >= 0 && view.section < 12 ? view.section : 0;
        add(std::string("The '") + kListedSections[s] + "' section of file '" + view.fileName + "' will be listed");
        break;
    }
    case kModeCompileSua:
        add(std::string("You have chosen to create file \"") +
            (app.Control().Unattended() ? "SUA+.dat" : "NewSUA+.dat") + "\"");
        if (FormatFiltersText(filters, mode, app.Settings()) > 0) add(filters);
        add(Format("from the text file '%s'", view.fileName));
        break;
    case kModeCompileAwy:
        add("You have chosen to re-create the ISAM airways files");
        add(Format("from the text file '%s'", view.fileName));
        break;
    default:
        // Create ISAM, Batch Update and CompileAPR: the framework's lines.
        return false;
    }
    return true;
}

bool CompileFilter696(CGenApp& app, int mode) {
    GenSettings& s = app.Settings();
    if (mode != kModeCompileSua) {
        s.briefApts = true;
        return true;
    }
    Settings696& t = TessilySettings();
    Comp696Dialog dialog;
    if (t.maxBase != 0) dialog.maxBase = std::to_string(t.maxBase);
    ControlRun& run = app.Control();
    for (;;) {
        const bool unattended = run.Unattended();
        if (run.Running()) dialog.maxBase = run.Current().maxBase;
        if (!unattended && dialog.RunModal() != platform::kIdOk) return false;
        const int value = std::atoi(dialog.maxBase.c_str());
        if (value % 100 != 0) {
            if (unattended) {
                // The file's value cannot be corrected: the operation is not started.
                if (CGenDoc* doc = app.GenView() ? app.GenView()->GetDoc() : nullptr) {
                    doc->AddLine("Maximum Base must be a multiple of 100");
                }
                return false;
            }
            platform::ShowMessage("Maximum Base must be a multiple of 100");
            continue;
        }
        t.maxBase = value;
        s.maxBase = value;
        return true;
    }
}

}  // namespace

const std::vector<std::string>& BatchResultTexts696() {
    static const std::vector<std::string> texts = {
        "(DONE)",  "(ABS)",   "(MODIFIED)", "ERR-NU",  "ERR-FC",  "ERR-F1",  "ERR-F2",  "ERR-F3",
        "ERR-CID", "ERR-CTY", "ERR-FAC",    "ERR-LAT", "ERR_LNG", "ERR-CSP", "ERR-VOR", "ERR-RWY",
        "ERR-LIT", "ERR-SFC", "ERR-FRQ",    "(OK)",    "ERR-PIC", "INTERNAL ERROR"};
    return texts;
}

int SuaKindCode696(const std::string& name) {
    for (int row = 0; row < 16; ++row) {
        if (name == kSuaKinds696[row][0]) return 32 + row;
        if (name == kSuaKinds696[row][1]) return 64 + row;
    }
    return 0;
}

bool ApplySwitch696(const std::string& name, const std::string& value) {
    Settings696& s = TessilySettings();
    if (name == "-ATL") {
        s.areaCode = 19;
    } else if (name == "-AMR") {
        s.areaCode = 17;
    } else if (name == "-PAC") {
        s.areaCode = 20;
    } else if (name == "-NCD") {
        ++s.keepHeaderDates;
    } else if (name == "-X") {
        ++s.invertFilters;
    } else if (name == "-SUAT") {
        if (!value.empty() && !s.suaKindChosen) {
            s.suaKindChosen = true;
            s.suaKind = SuaKindCode696(value);
        }
    } else {
        return false;
    }
    return true;
}


void InstallTessily(GenModel& model) {
    model.name = "Tessily";
    model.version = kTessilyVersion;
    model.programFile = "tessily";
    model.modeKeywords[kModeCompileAwy] = "CompileAWY";
    model.controlSections = {{"TIT", 0}, {"APT", 3}, {"INT", 4}, {"NDB", 5}, {"VOR", 6}, {"SUA", 7},
                             {"FSS", 8}, {"TCC", 9}, {"APR", 10}, {"AWY", 11}};
    model.sectionComboTexts = {"Image Title", "Countries", "Names",  "APTs",       "INTs",      "NDBs",
                               "VORs",        "SUAs",      "FSSs",   "ARTCCs",     "Approaches", "Airways"};
    model.confirmation = Confirmation696;
    model.compileFilter = CompileFilter696;
    model.ignoredSwitches = {"-NOTRAINING", "-P"};
    using platform::SwitchValue;
    model.extraSwitches = {
        {"-ATL", SwitchValue::None, "", "area code 19 in the image header"},
        {"-AMR", SwitchValue::None, "", "area code 17 in the image header"},
        {"-PAC", SwitchValue::None, "", "area code 20 in the image header"},
        {"-NCD", SwitchValue::None, "", "keep the header's dates"},
        {"-X", SwitchValue::None, "", "invert the listing filters"},
        {"-SUAT", SwitchValue::Rest, "KIND", "SUA listing: only that kind (the last switch)"},
    };
    model.onExtraSwitch = [](CGenApp&, const platform::SwitchUse& use) {
        ApplySwitch696(use.decl->name, use.value);
    };
    model.checkImageType = [](CGenView&, const std::string&, int) { return true; };
    model.isFamilyImage = [](const std::string& path) {
        const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
        if (fd < 0) return false;
        SourceImage696 image;
        std::string why;
        const bool sound = image.Load(fd, path, &why);
        platform::CloseFile(fd);
        return sound;
    };
    InstallBatchUpdate(model, BatchHandlers696());
    InstallCreateImage696(model);
    InstallCreateIsam696(model);
    InstallCompileSua696(model);
    InstallCompileAirway696(model);
    InstallCompileApproach696(model);
    InstallListing696(model);
    InstallSaveAs(model);
}
