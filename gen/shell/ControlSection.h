// One section of a generator control file: the operation it describes and how it runs, and
// the application's run state over the sections.
#pragma once

#include <array>
#include <string>

// GO states of a control-file run.
enum GoState : int {
    kGoNone = 0,        // no control-file run
    kGoConfirm = 1,     // the section fills the dialogs; the user confirms with GO
    kGoUnattended = 2,  // the section runs without dialogs
    kGoSaveAs = 3,      // as 2, and the listing is saved under the Save As name at the end
};

struct ControlSection {
    int mode = 3;          // Mode=  (List)
    int section = 3;       // Section=  (APT)
    int append = 0;        // Append=
    int listing = 0;       // Listing=
    int goState = 0;       // GO=
    int briefApts = 1;     // BriefAPTs=
    int optimiseCountries = 0;  // OptimiseCNT=
    std::string fileName;  // Filename=
    std::string title = "CUSTOMISED DB";  // Title=
    std::string saveAs;    // SaveAs=
    std::string message;   // Message=
    std::string maxBase;   // MaxBase=
    std::string limitSW;   // LimitSW=
    std::string limitNE;   // LimitNE=
    std::string filterCO;  // FilterCO=
    std::string filterNAM; // FilterNAM=
    std::string filterICAO;// FilterICAO=
    std::string filterSW;  // FilterSW=
    std::string filterNE;  // FilterNE=
    // The mode of the section whose Filename= named the file (-1 none): a name carried over
    // from a section that read the file is never written over.
    int fileNameMode = -1;
    bool fileNameGiven = false;  // Filename= stood in this section
};

constexpr int kMaxControlSections = 64;

// The application's control-file run.
struct ControlRun {
    int index = 0;      // the section that runs now
    int count = 0;      // complete sections (each closed by GO=)
    int goState = kGoNone;  // GO state of the running section
    int firstLine = 0;  // -S: start after the first Line= numbered at least this (0 none)
    int lastLine = 0;   // -E: stop at the first Line= numbered at least this (0 none)
    std::array<ControlSection, kMaxControlSections> sections;

    bool Running() const { return goState != kGoNone; }
    bool Unattended() const { return goState >= kGoUnattended; }
    const ControlSection& Current() const { return sections[index < 0 || index >= kMaxControlSections ? 0 : index]; }
    // Ends the run: the program goes on interactively.
    void Reset() { count = 0; goState = kGoNone; }
};
