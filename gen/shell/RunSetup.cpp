// The setup exchange of the view: the setup loop, the compile filters, the confirmation text,
// the "Are you SURE" question and the part-number pattern check.
#include "gen/shell/RunSetup.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Bits.h"
#include "gen/shell/AppImageFileUi.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenSetupDlg.h"
#include "gen/shell/CGenView.h"
#include "common/COkGoDlg.h"
#include "gen/shell/CompileDialog.h"
#include "gen/shell/ControlFile.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCheck.h"
#include "gen/image/ImageHalves.h"
#include "gen/image/ImageParams.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

bool EndsWith(const std::string& text, const char* tail) {
    std::string t(tail);
    return text.size() >= t.size() && text.compare(text.size() - t.size(), t.size(), t) == 0;
}

void Refuse(CGenApp& app, const std::string& text) {
    platform::ShowMessage(text);
    app.NoteOperationNotDone();
}

// An input that cannot be read: the operation fails.
void CannotOpen(CGenApp& app, const std::string& fileName) {
    platform::ShowMessage("Cannot open " + fileName);
    app.NoteOperationFailed();
}

// Why an unattended Create Image must not write its image over the file (empty: it may). The
// file name a section carries over from one that read the file is an input, whatever it holds;
// an existing file that is not an image of the family is not the program's to replace.
std::string OverwriteRefusal(const CGenApp& app, const std::string& fileName, bool exists) {
    const ControlRun& run = app.Control();
    if (!run.Unattended()) return "";
    const int namedBy = run.Current().fileNameMode;
    if (namedBy >= 0 && namedBy != kModeCreateImage) {
        return "No Filename= for the image: " + fileName + ", the input of an earlier section, is not overwritten";
    }
    if (!exists) return "";
    const GenModel& model = app.Model();
    if (model.isFamilyImage) {
        if (model.isFamilyImage(fileName)) return "";
    } else {
        const ImageFileInfo info = IdentifyImageFile(fileName);
        if (info.row && info.row->kind == model.modelCode) return "";
    }
    return fileName + " exists and is not an image of this unit family: it is not overwritten";
}

std::string Format(const char* format, const std::string& a) {
    char text[600];
    std::snprintf(text, sizeof text, format, a.c_str());
    return text;
}

// The twelve characters of a packed part number: 9 bytes reversed, 6 bits each, + 32.
std::string PartNumberChars(const uint8_t* packed) {
    uint8_t reversed[9];
    for (int i = 0; i < 9; ++i) reversed[i] = packed[8 - i];
    std::string chars(12, ' ');
    for (int k = 0; k < 12; ++k) chars[k] = static_cast<char>(GetBits(6 * k, 6, reversed) + 32);
    return chars;
}

// The default image-type check: the part number of the image header of the model's family.
bool DefaultImageTypeCheck(CGenView& view, const std::string&, int) {
    const ImageParams* params = view.App().Model().imageParams;
    if (!params || view.probeFd < 0) return true;
    uint8_t header[256] = {};
    size_t offset = params->partNumberOffset;
    long got = platform::ReadAt(view.probeFd, header, sizeof header, 0);
    if (got < 0 || offset + 9 > static_cast<size_t>(got)) {
        platform::ShowMessage(Format("%s is not an Orvanta Image file", view.fileName));
        return false;
    }
    std::string chars = PartNumberChars(header + offset);
    if (chars[3] != '-' || chars[9] != '-') {
        platform::ShowMessage(Format("%s is not an Orvanta Image file", view.fileName));
        return false;
    }
    return CheckPartNumberPattern(view, header, static_cast<size_t>(got), offset);
}

// Turns a container or a pair of region halves into a plain image of the family (a new ".img"
// file, which becomes the chosen file); a plain image is used as it is.
bool UsePlainImage(CGenApp& app, std::string& fileName) {
    const ImageParams* params = app.Model().imageParams;
    if (!params) return true;
    // The image listed last may be the ".img" file that a join rewrites.
    app.CloseImageFile();
    AppImageFileUi ui(app);
    Image image(*params);
    const JoinedImage joined = JoinImageHalves(fileName, app.Model().modelCode, ui, image);
    image.Close();
    if (!joined.open) return false;
    fileName = joined.path;
    return true;
}

}  // namespace

// ---- The setup loop ------------------------------------------------------------------------

void CGenView::RunSetup() {
    CGenDoc* doc = GetDoc();
    if (doc) doc->StartListing(nullptr, 0);
    CGenSetupDlg dialog(app_);
    dialog.listing = 0;
    ControlRun& run = app_.Control();
    for (;;) {
        if (!ApplyControlSection(app_, dialog)) {
            if (dialog.RunModal() != platform::kIdOk) {
                app_.AbandonControlRun();
                return;
            }
        }
        mode = dialog.mode;
        section = dialog.section;
        listing = dialog.listing != 0;
        title = dialog.title.substr(0, kSetupTitleLength);
        if (dialog.fileName.size() > kSetupFileNameLength) {
            Refuse(app_, "The file name is longer than 255 characters");
            app_.AbandonControlRun();
            continue;
        }
        fileName = dialog.fileName;

        // A folder is no file: it cannot be read, and it is not written over.
        bool exists = false;
        if (!fileName.empty() && !platform::IsDirectory(fileName)) {
            probeFd = platform::OpenFile(fileName, O_RDONLY, platform::Share::DenyNone);
            exists = probeFd >= 0;
        }
        bool go = false;
        if (!app_.Model().OffersMode(mode)) {
            Refuse(app_, "This function not yet available");
        } else {
            switch (mode) {
            case kModeCreateImage:
                if (fileName.empty()) {
                    Refuse(app_, "You must choose a name for the image file");
                } else if (EndsWith(fileName, ".awp")) {
                    Refuse(app_, "Sorry, you cannot create a .awp file with Orvanta");
                } else if (const std::string why = OverwriteRefusal(app_, fileName, exists); !why.empty()) {
                    Refuse(app_, why);
                } else if (exists && !run.Unattended() && !ConfirmAreYouSure("overwrite " + fileName)) {
                    app_.NoteOperationNotDone();
                } else if (AskCompileFilters(app_, mode)) {
                    go = ShowConfirmation(*this);
                } else {
                    app_.NoteOperationNotDone();
                }
                break;
            case kModeCreateIsam:
            case kModeList: {
                if (fileName.empty()) {
                    Refuse(app_, "You must choose an image file to supply the data");
                    break;
                }
                if (!exists) {
                    CannotOpen(app_, fileName);
                    break;
                }
                const GenModel& model = app_.Model();
                bool accepted = model.checkImageType ? model.checkImageType(*this, fileName, model.modelCode)
                                                     : DefaultImageTypeCheck(*this, fileName, model.modelCode);
                if (!accepted) {
                    app_.NoteOperationNotDone();
                    break;
                }
                go = ShowConfirmation(*this);
                if (go && !UsePlainImage(app_, fileName)) {
                    go = false;
                    app_.NoteOperationNotDone();
                }
                break;
            }
            case kModeBatchUpdate:
                if (fileName.empty()) {
                    Refuse(app_, "You must choose a batch file to use");
                } else if (!exists) {
                    CannotOpen(app_, fileName);
                } else {
                    go = ShowConfirmation(*this);
                }
                break;
            case kModeCompileSua:
            case kModeCompileTcc:
            case kModeCompileApr:
                if (fileName.empty()) {
                    Refuse(app_, "You must choose a text file to use");
                } else if (!exists) {
                    CannotOpen(app_, fileName);
                } else if (AskCompileFilters(app_, mode)) {
                    go = ShowConfirmation(*this);
                } else {
                    app_.NoteOperationNotDone();
                }
                break;
            default:
                Refuse(app_, "This function not yet available");
                break;
            }
        }
        if (probeFd >= 0) platform::CloseFile(probeFd);
        probeFd = -1;
        if (go) {
            app_.SetState(kStateStartPending);
            return;
        }
        app_.AbandonControlRun();
    }
}

// ---- Compile filters -----------------------------------------------------------------------

bool AskCompileFilters(CGenApp& app, int mode) {
    if (app.Model().compileFilter) return app.Model().compileFilter(app, mode);
    if (mode != kModeCreateImage && mode != kModeCompileSua && mode != kModeCompileTcc) return true;
    GenSettings& s = app.Settings();
    const char* target = mode == kModeCreateImage ? "your new image"
                         : mode == kModeCompileSua ? "the NewSua.dat file"
                                                   : "the NewTcc.dat file";
    const char* extra = mode == kModeCompileSua ? " a max base altitude, and/or" : "";
    const char* what = mode == kModeCreateImage ? "Image Creation"
                       : mode == kModeCompileSua ? "SUA Compilation"
                                                 : "TCC Compilation";
    char text[300];
    std::snprintf(text, sizeof text,
                  "You may exclude data from %s by setting%s a \"required\" geographical rectangle.", target, extra);
    CompileDialog dialog;
    dialog.prompt = text;
    dialog.caption = std::string("Optional Filters for ") + what;
    if (s.maxBase != 0) dialog.maxBase = std::to_string(s.maxBase);
    FormatRectangleTexts(s.limitRect, dialog.southWest, dialog.northEast, s);
    dialog.briefApts = s.briefApts;
    dialog.maxBaseEnabled = mode == kModeCompileSua;
    dialog.briefEnabled = mode == kModeCreateImage;

    ControlRun& run = app.Control();
    for (;;) {
        if (run.Running()) {
            const ControlSection& section = run.Current();
            dialog.maxBase = section.maxBase;
            dialog.southWest = section.limitSW;
            dialog.northEast = section.limitNE;
            dialog.briefApts = section.briefApts != 0;
        }
        if (!run.Unattended() && dialog.RunModal() != platform::kIdOk) return false;
        s.maxBase = std::atoi(dialog.maxBase.c_str());
        if (s.maxBase % 100 != 0) {
            platform::ShowMessage("Maximum Base must be a multiple of 100");
            app.AbandonControlRun();
            continue;
        }
        s.rectangleError = false;
        ParseFilterRectangle(s.limitRect, dialog.southWest, dialog.northEast, s);
        if (s.rectangleError) {
            app.AbandonControlRun();
            continue;
        }
        s.briefApts = dialog.briefApts;
        return true;
    }
}

// ---- Confirmation --------------------------------------------------------------------------

bool ShowConfirmation(CGenView& view) {
    CGenApp& app = view.App();
    CGenDoc* doc = view.GetDoc();
    auto add = [doc](const std::string& line) {
        if (doc) doc->AddLine(line);
    };
    const GenModel& model = app.Model();
    const ControlRun& run = app.Control();
    add("");
    add(" ************* " + model.name + " " + model.version + " *************");
    add("");
    std::string filters;
    if (!(model.confirmation && model.confirmation(view, view.mode))) {
        switch (view.mode) {
        case kModeCreateImage:
            add("You have chosen to create a new Binary Image File");
            add(Format("'%s' from the ISAM database.", view.fileName));
            if (FormatFiltersText(filters, view.mode, app.Settings()) > 0) add(filters);
            add("The title page of the new image will read \"" + view.title + "\"");
            break;
        case kModeCreateIsam:
            add("You have chosen to create a new ISAM Database");
            add(Format("from the binary image file '%s'", view.fileName));
            break;
        case kModeBatchUpdate:
            add("You have chosen to update the ISAM Database");
            add(Format("from the batch update file '%s'", view.fileName));
            break;
        case kModeList: {
            int s = view.section >= 0 && view.section < 11 ? view.section : 0;
            add(std::string("The '") + kSectionConfirmTexts[s] + "' section of file '" + view.fileName +
                "' will be listed");
            break;
        }
        case kModeCompileSua:
        case kModeCompileTcc: {
            bool sua = view.mode == kModeCompileSua;
            std::string name = run.Running() ? (sua ? "SUA" : "tcc") : (sua ? "NewSUA" : "NewTcc");
            add("You have chosen to create file \"" + name + ".dat\"");
            if (FormatFiltersText(filters, view.mode, app.Settings()) > 0) add(filters);
            add(Format("from the text file '%s'", view.fileName));
            break;
        }
        case kModeCompileApr:
            add("You have chosen to update the ISAM approach files");
            add(Format("from the text file '%s'", view.fileName));
            break;
        default:
            break;
        }
    }
    if (run.Unattended()) {
        add("");
        return true;
    }
    add("CLICK THE 'GO' BUTTON WHEN READY");
    add("");
    COkGoDlg dialog(132, "Confirm Operation Details",
                    "Please check the requested operation details in the main window. ");
    if (dialog.RunModal() == platform::kIdOk) return true;
    app.AbandonControlRun();
    app.NoteOperationNotDone();
    return false;
}

// ---- Questions and checks ------------------------------------------------------------------

bool ConfirmAreYouSure(const std::string& text) {
    return platform::ShowMessage("Are you SURE you want to " + text,
                                 {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes;
}

bool CheckPartNumberPattern(CGenView& view, const uint8_t* header, size_t size, size_t offset) {
    if (offset + 9 > size) return false;
    std::string text = PartNumberChars(header + offset);
    const char* chars = text.c_str();
    static const char kPattern[] = "006-Dxxxx-XX";
    bool match = true;
    for (int k = 0; k < 12 && match; ++k) {
        char c = chars[k];
        char p = kPattern[k];
        if (p == 'x') match = c >= '0' && c <= '9';
        else if (p == 'X') match = (c >= '0' && c <= '9') || c == 'X';
        else match = c == p;
    }
    if (!match) {
        if (chars[3] != '-' || chars[9] != '-') return false;
        char text[120];
        std::snprintf(text, sizeof text, "Image File has unrecognised part number '%s'\n - Do you want to continue ?",
                      chars);
        if (platform::ShowMessage(text, {platform::Buttons::YesNo, platform::Icon::Question}) != platform::kIdYes)
            return false;
    }
    view.partNumbers[0] = std::atoi(chars + 5);
    view.partNumbers[1] = std::atoi(chars + 10);
    return true;
}
