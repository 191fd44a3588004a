// A first control-file reader: opens the file and reports when it cannot; sections are not
// read yet. ApplyControlSection fills the setup dialog from the running section.
#include "gen/ControlFile.h"

#include <fcntl.h>

#include <string>

#include "gen/CGenApp.h"
#include "gen/CGenDoc.h"
#include "gen/CGenSetupDlg.h"
#include "gen/RunSetup.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

bool ReadControlFile(CGenApp&, const char* fileName) {
    std::string name = fileName ? fileName : "";
    if (!name.empty() && name[0] == '"') {
        name.erase(0, 1);
        size_t quote = name.rfind('"');
        if (quote != std::string::npos) name.resize(quote);
    }
    int fd = platform::OpenFile(platform::NormalizePath(name), O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) {
        platform::ShowMessage("Cannot open Control File " + name);
        return false;
    }
    platform::CloseFile(fd);
    return true;
}

bool ApplyControlSection(CGenApp& app, CGenSetupDlg& dialog) {
    ControlRun& run = app.Control();
    if (run.goState == kGoNone) return false;
    const ControlSection& section = run.Current();
    if (!section.message.empty()) {
        if (CGenDoc* doc = app.Document()) {
            doc->AddLine("");
            doc->AddLine(section.message);
            doc->AddLine("");
        }
    }
    dialog.mode = section.mode;
    dialog.section = section.section;
    dialog.listing = section.listing;
    dialog.fileName = section.fileName;
    dialog.title = section.title;
    GenSettings& s = app.Settings();
    s.optimiseCountries = section.optimiseCountries != 0;
    s.SetCountryFilter(section.filterCO);
    s.SetNameFilter(section.filterNAM);
    s.SetIcaoFilter(section.filterICAO);
    RememberSetupChoice(dialog.mode, dialog.section, dialog.fileName);
    s.rectangleError = false;
    ParseFilterRectangle(s.filterRect, section.filterSW, section.filterNE, s);
    if (s.rectangleError) run.goState = kGoNone;
    return run.goState > kGoConfirm;
}
