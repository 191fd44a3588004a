// The model object: everything that differs between generator programs built on this
// framework. A program's main fills one and hands it to CGenApp; operations reach it through
// the operation context. Hooks left empty mean "nothing of that kind": an operation without a
// driver ends at once, a listing without an iterator lists nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gen/shell/OperationContext.h"
#include "platform/Switches.h"

struct ImageParams;
class CGenApp;
class CGenView;

// One row of a step table: the step function and its progress text.
enum class StepStatus {
    Again,  // call the step again on the next idle turn
    Next,   // the step is complete: go on with the next row
    Done,   // the operation is complete
    Stop,   // the operation was stopped (StopOperation already called)
    Skip,   // (on its first call) the step has nothing to do: the next row follows at once,
            // without a progress line (Create Image)
};
struct StepRow {
    std::function<StepStatus(OperationContext&)> fn;
    const char* text = "";
};
using StepTable = std::vector<StepRow>;

// A mode's step driver: one step per call; true when the operation is finished.
using ModeDriver = std::function<bool(OperationContext&)>;
// A mode's source opener (compile modes): false when the source cannot be opened (the
// opener has shown why).
using ModeOpener = std::function<bool(OperationContext&, const std::string& fileName)>;
// Listing iterator: the next matching record handle (0 or more), or -1 when exhausted.
using ListingIterator = std::function<int32_t(OperationContext&)>;
// Listing formatter: the text of one record handle of the current listing kind.
using ListingFormatter = std::function<void(OperationContext&, int32_t handle, std::string& out)>;
// End of an operation by StopOperation: releases what the mode's operation holds.
using StopHook = std::function<void(OperationContext&, int mode)>;
// Save As at the end of a GO state 3 control-file section: file name, append flag.
using SaveAsHook = std::function<bool(OperationContext&, const std::string& name, bool append)>;
// One of the model's own command-line switches, as given.
using SwitchHook = std::function<void(CGenApp&, const platform::SwitchUse&)>;
// The image-type check of Create ISAM and List: false refuses the file.
using ImageTypeCheck = std::function<bool(CGenView&, const std::string& fileName, int modelCode)>;
// Extra or replaced confirmation lines of a mode (true: the lines were written).
using ConfirmationHook = std::function<bool(CGenView&, int mode)>;

// A command of the model's own at the end of the View menu: its id, menu text, status-line
// prompt, what it does and whether it shows checked.
struct ModelCommand {
    unsigned id = 0;
    std::string text;
    std::string prompt;
    std::function<void(CGenApp&)> handler;
    std::function<bool(const CGenApp&)> checked;
};

// The texts of one mode.
struct ModeText {
    const char* comboText;   // setup dialog Mode combo
    const char* keyword;     // control file Mode=
};
// Default texts of the seven modes.
extern const ModeText kModeTexts[kModeCount];

// Setup Section combo items (index = section; listing kind = index + 1).
extern const char* const kSectionComboTexts[11];
// Section names in the List confirmation line.
extern const char* const kSectionConfirmTexts[11];

struct GenModel {
    // Names and version.
    std::string name = "Generator";   // banner, confirmation heading, message box caption
    std::string version = "";         // confirmation heading
    std::string programFile = "";     // settings file and executable name ("brondel")
    int modelCode = 0;                // passed to the image-type check; taken from the image
                                      // parameter set when the model has one

    // Compile modes added to the Mode combo (4, 5, 6), with their combo texts.
    std::vector<std::pair<int, std::string>> compileModes;
    // The line a compile error ends with, a format with one %s for the error's text (null: the
    // framework's).
    const char* compileErrorFrame = nullptr;

    // Image parameters (null: no image object is made).
    const ImageParams* imageParams = nullptr;

    // Step tables of Create Image and Create ISAM, and Create Image's finishing step after the
    // last row; their drivers run them.
    StepTable createImageSteps;
    StepTable createIsamSteps;
    std::function<StepStatus(OperationContext&)> finishImage;

    // Step drivers by mode (0, 1, 2, 4, 5, 6); mode 3 is the listing machine.
    ModeDriver drivers[kModeCount];
    // Source openers of the compile modes (4, 5, 6); empty: nothing to open.
    ModeOpener openers[kModeCount];

    // After an image source was opened (or re-used): read its directory of sections, load the
    // point sections' index tables, resolve the country filter.
    std::function<void(OperationContext&)> onImageSourceOpened;
    // Before the open image file is closed: release the tables loaded with it.
    std::function<void(OperationContext&)> onImageClose;
    // After onImageSourceOpened: the listing's country number of the country filter's text in
    // the open image (-1 no filter); empty: the number onImageSourceOpened left in the context.
    std::function<int(OperationContext&, const std::string& country)> listingCountryNumber;

    ListingIterator nextListingItem;
    ListingFormatter listSection;
    // The line of a listing handle in the dump form that Save As converts to batch text, signed
    // decimal coordinates when asked (empty: the framework's section listing).
    std::function<void(OperationContext&, int kind, int32_t handle, bool decimal, std::string& out)> listDumpLine;
    // Batch text keeps a runway's other end wherever the dump line shows one (a family whose
    // dump shows it only where the record holds it); else only where it is not the reciprocal.
    bool batchKeepsOtherRunwayEnd = false;
    StopHook onStop;
    SaveAsHook saveAs;
    // Command-line switches the framework does not know, and what they do.
    std::vector<platform::SwitchDecl> extraSwitches;
    // The framework's switches this program does not have: still accepted, without effect.
    std::vector<std::string> ignoredSwitches;
    // Help texts of the framework's switches that do something else in this program.
    std::vector<std::pair<std::string, std::string>> switchHelp;
    SwitchHook onExtraSwitch;
    // File > Save As (empty: the command is disabled).
    std::function<void(CGenApp&)> saveAsCommand;
    // Commands added to the View menu.
    std::vector<ModelCommand> viewCommands;
    // False: "&View > &Optimise" is never checked and choosing it does nothing.
    bool optimiseCommand = true;
    // Called once at the end of start-up, before the setup opens: extra commands and state.
    std::function<void(CGenApp&)> onStartUp;
    ImageTypeCheck checkImageType;   // empty: the part-number check of the header
    // Whether an existing file is an image of the family, which an unattended Create Image may
    // replace (empty: the image-file identification of the framework's families).
    std::function<bool(const std::string& path)> isFamilyImage;
    ConfirmationHook confirmation;   // empty: the framework's lines
    // The filters asked before a mode's operation is confirmed (empty: the framework's compile
    // dialog); false cancels the operation.
    std::function<bool(CGenApp&, int mode)> compileFilter;

    // Control-file Mode= keywords that differ from the framework's, by mode (null: its own).
    const char* modeKeywords[kModeCount] = {};
    // Control-file Section= keywords and their section numbers, in the order they are tested,
    // and the setup's Section combo items (empty: the framework's).
    std::vector<std::pair<std::string, int>> controlSections;
    std::vector<std::string> sectionComboTexts;
    // Compile SUA: an area of two vertexes is error 17 (otherwise it is left out).
    bool twoVertexAreaIsError = false;

    // Whether a mode is offered (0..3 always, compile modes when listed).
    bool OffersMode(int mode) const;
    // The combo text of a mode (the model's own for compile modes).
    std::string ModeComboText(int mode) const;
    // The control-file Mode= keyword of a mode.
    std::string ModeKeyword(int mode) const;
    // The section number of a control-file Section= keyword; false when there is none.
    bool SectionOfKeyword(const std::string& keyword, int* section) const;
    // The setup's Section combo items.
    std::vector<std::string> SectionComboTexts() const;
};
