// Room gen/shell: the generators' shell, which knows no unit family: application, listing
// document, view and frame, the dialogs and setup, control file and command line, the
// operation runner and the model object through which a program's main describes its family.
//
// The application object of every image generator: start-up, the database folder, the
// command line and control file, the process-wide settings, the shared operation context and
// the idle-time step machine that runs one operation step per idle turn.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gen/shell/ControlSection.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "platform/App.h"
#include "platform/AtomicFile.h"

class CGenDBOpen;
class CGenDoc;
class CGenView;

// App states.
enum AppState : uint32_t {
    kStateIdle = 0,
    kStateListing = 1,
    kStateStep = 2,
    kStateStartPending = 3,
};

// Commands of the application.
constexpr unsigned kCmdViewFilters = 32777;
constexpr unsigned kCmdRecordNumbers = 32778;
constexpr unsigned kCmdOptimise = 32780;
constexpr unsigned kCmdOptimiseCountries = 32782;
constexpr unsigned kCmdDebugLevel = 32783;

// The private start message of the view.
constexpr unsigned kMsgStartSetup = 0x0400 + 100;

inline constexpr const char* kSettingsKey = "Local AppWizard-Generated Applications";
inline constexpr const char* kControlCompletedText = "**** Control File Completed ****";
inline constexpr const char* kOperationAbortedText = "Operation Aborted";

class CGenApp : public platform::App {
public:
    explicit CGenApp(GenModel model);
    ~CGenApp() override;

    // The running generator application (null when none).
    static CGenApp* Current();

    bool InitInstance() override;
    int ExitInstance() override;
    bool OnIdle(long count) override;

    const GenModel& Model() const { return model_; }
    GenModel& Model() { return model_; }
    GenSettings& Settings() { return settings_; }
    const GenSettings& Settings() const { return settings_; }
    OperationContext& Context() { return context_; }
    ControlRun& Control() { return control_; }
    const ControlRun& Control() const { return control_; }

    CGenDoc* Document() const { return document_; }
    void SetDocument(CGenDoc* document) { document_ = document; }
    // The frame's active view as the generator's view (null when none).
    CGenView* GenView() const;

    uint32_t State() const { return state_; }
    void SetState(uint32_t state) { state_ = state; }

    // Start-up pieces (InitInstance runs them in order).
    void RegisterTemplate();
    // Makes "db50" under the working directory; false (message shown) when it cannot.
    bool MakeDbFolder();
    const std::string& GetDbFolder() const { return dbFolder_; }

    // The database, once per run: 1 usable, 0 refused (message shown). With `onUse` the
    // record-file objects are made when first used, not all at once.
    int OpenDatabaseChecked(bool onUse = false);
    CGenDBOpen* DbOpen() const { return dbOpen_.get(); }

    // The step machine.
    bool RunModeStep(OperationContext& context);
    void OperationStep(CGenDoc& document);
    void ListingStep(CGenDoc& document);
    void EndOfOperation(CGenDoc& document, bool fromStep);

    // Openers; false when nothing was opened.
    bool OpenOperation(CGenDoc& document, const std::string& fileName, int mode);
    bool OpenImageSource(const std::string& fileName, CGenDoc& document, int kind);
    bool OpenImageTarget(const std::string& fileName, CGenDoc& document);
    bool OpenBatchSource(const std::string& fileName, CGenDoc& document);
    // Closes the open image file and releases what was loaded with it; an image this operation
    // created takes its name's place then.
    void CloseImageFile();
    // Drops the image this operation was creating: a file of its name stays as it was.
    void AbandonImageTarget();

    void SetOperationTitle(const std::string& title, bool listing);
    void SwapListingModes(int& recordNumbers, uint32_t& debugLevel, uint32_t& extraDebugLevel);

    // Ends the control-file run early (refusal, Cancel, STOP/RESET): the program goes on
    // interactively, and the run counts as not done.
    void AbandonControlRun();
    // Outcome of the last operation asked for, for the exit status: done, not done (refused,
    // cancelled, stopped) or failed (its input could not be read). A failure is not lowered to
    // "not done" by the end of the control-file run that follows it.
    void NoteOperationDone() { outcome_ = Outcome::Done; }
    void NoteOperationNotDone() {
        if (outcome_ != Outcome::Failed) outcome_ = Outcome::NotDone;
    }
    void NoteOperationFailed() { outcome_ = Outcome::Failed; }
    bool OperationNotDone() const { return outcome_ != Outcome::Done; }
    bool OperationFailed() const { return outcome_ == Outcome::Failed; }
    // True while the open image file is the target this operation created.
    bool CreatedTarget() const { return createdTarget_; }

    // Application commands.
    // View > Filters; the setup's Filters button passes false (no listing restart).
    void OnViewFilters(bool restartListing = true);
    void OnDebugLevel();
    void OnAppAbout();

private:
    void AddCommands();

    GenModel model_;
    GenSettings settings_;
    OperationContext context_;
    ControlRun control_;
    CGenDoc* document_ = nullptr;
    uint32_t state_ = kStateIdle;
    std::string dbFolder_;
    std::unique_ptr<CGenDBOpen> dbOpen_;
    enum class Outcome { Done, NotDone, Failed };
    Outcome outcome_ = Outcome::Done;
    bool createdTarget_ = false;  // the open image was created by this operation
    platform::AtomicFile target_;  // the image created, for a model that writes it by descriptor
};

// The database folder of the running application.
const std::string& AppDbFolder();
