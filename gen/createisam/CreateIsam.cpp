#include "gen/createisam/CreateIsam.h"

#include <iterator>

#include "common/CLocale.h"
#include "dblib/DbDir.h"
#include "dblib/Transaction.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenView.h"
#include "gen/createisam/CreateIsamAirspace.h"
#include "gen/createisam/CreateIsamSteps.h"
#include "gen/shell/GenSettings.h"
#include "platform/MessageBox.h"

namespace {

// Progress every this many calls of a step.
constexpr uint32_t kProgressEvery = 43;
constexpr const char* kDatabaseComplete = "Database Complete";
// Record groups per transaction within a step; each step ends with a commit.
constexpr uint32_t kGroupsPerCommit = 2000;

const IsamStepRow kCreateIsamSteps[] = {
    {EraseDatabaseFiles, "Erasing existing database files"},
    {IsamWriteCountries, "Writing countries table"},
    {IsamWriteNames, "Writing names table"},
    {IsamWriteApts, "Writing apts,rwys,freqs,restr,appr,lwpt tables"},
    {IsamWriteInts, "Writing ints table"},
    {IsamWriteNdbs, "Writing ndbs table"},
    {IsamWriteVors, "Writing vors table"},
    {WriteTccFile, "Writing fss/tcc file"},
    {WriteSuaFile, "Writing sua file"},
};

}  // namespace

CreateIsamState::CreateIsamState() = default;
CreateIsamState::~CreateIsamState() = default;

void CreateIsamState::Clear() {
    airspace.reset();
    names.reset();
    source.reset();
    countryNumber.clear();
    children = AirportChildren{};
    skipped = false;
}

std::shared_ptr<CreateIsamState> MakeCreateIsamState() { return std::make_shared<CreateIsamState>(); }

StepTable MakeCreateIsamSteps(const std::shared_ptr<CreateIsamState>& state) {
    return MakeCreateIsamSteps(state, std::vector<IsamStepRow>(std::begin(kCreateIsamSteps), std::end(kCreateIsamSteps)));
}

StepTable MakeCreateIsamSteps(const std::shared_ptr<CreateIsamState>& state, const std::vector<IsamStepRow>& rows) {
    StepTable table;
    for (const IsamStepRow& row : rows) {
        IsamStepFn fn = row.fn;
        table.push_back({[state, fn](OperationContext& c) { return fn(c, *state); }, row.text});
    }
    return table;
}

void InstallCreateIsam(GenModel& model) {
    InstallCreateIsam(model, std::vector<IsamStepRow>(std::begin(kCreateIsamSteps), std::end(kCreateIsamSteps)));
}

void InstallCreateIsam(GenModel& model, const std::vector<IsamStepRow>& rows) {
    auto state = MakeCreateIsamState();
    model.createIsamSteps = MakeCreateIsamSteps(state, rows);
    model.drivers[kModeCreateIsam] = [state](OperationContext& c) {
        return RunCreateIsamStep(c, c.model->createIsamSteps, *state);
    };
}

StepStatus AbortCreateIsam(OperationContext& c, CreateIsamState& s, const std::string& message) {
    s.Clear();
    if (!message.empty()) platform::ShowMessage(message);
    CGenView* view = c.app ? c.app->GenView() : nullptr;
    if (view) {
        view->StopOperation(kOperationAbortedText);
    } else {
        c.AddLine(kOperationAbortedText);
    }
    return StepStatus::Stop;
}

bool RunCreateIsamStep(OperationContext& c, const StepTable& table, CreateIsamState& state) {
    if (c.FirstCall()) state.Clear();
    if (c.step < table.size()) {
        const StepRow& row = table[c.step];
        state.skipped = false;
        if (c.step > 0) dbtx::Begin(GetDbDir());   // the first step erases the files
        const StepStatus status = row.fn(c);
        if (status == StepStatus::Stop || c.Stopped()) {
            dbtx::Commit();
            return true;
        }
        ++c.calls;
        if (status != StepStatus::Again || c.calls % kGroupsPerCommit == 0) dbtx::Commit();
        const bool advance = status == StepStatus::Next || status == StepStatus::Done;
        const bool everyCall = c.settings && (c.settings->debugLevel & kDebugIsamEveryStep);
        if (!state.skipped && (advance || everyCall || c.calls % kProgressEvery == 1)) {
            c.ReplaceLastLine(StringFormatC("%s %d", row.text, static_cast<int>(c.calls)));
        }
        if (status == StepStatus::Again) return false;
        c.step = status == StepStatus::Done ? static_cast<uint32_t>(table.size()) : c.step + 1;
        c.calls = 0;
        if (c.step < table.size()) return false;
    }
    state.Clear();
    c.AddLine(kDatabaseComplete);
    c.AddLine("");
    return true;
}
