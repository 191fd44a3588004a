// Room gen/createisam: Create ISAM, which loads an image of the family into the database.
//
// Create ISAM ("Create ISAM Database from Image File", mode 1): erases the database files and
// rebuilds countries, names, airports with their runways, frequencies, restrictions,
// approaches and local waypoints, intersections, NDBs and VORs from an image of the program's
// own family, and writes the image's FSS/TCC and SUA sections back as TCC.DAT and SUA.DAT.
// User waypoints and routes are kept. The image is read and checked whole before anything is
// erased, so a damaged image leaves the database as it was.
#pragma once

#include <memory>
#include <vector>

#include "gen/shell/GenModel.h"

struct CreateIsamState;

// One row of a Create ISAM table: the step over the operation state and its progress text.
using IsamStepFn = StepStatus (*)(OperationContext&, CreateIsamState&);
struct IsamStepRow {
    IsamStepFn fn;
    const char* text;
};

// Puts the step table and its driver into the model (drivers[kModeCreateIsam]).
void InstallCreateIsam(GenModel& model);
// The same with a family's own rows.
void InstallCreateIsam(GenModel& model, const std::vector<IsamStepRow>& rows);

// The nine steps over one operation state.
StepTable MakeCreateIsamSteps(const std::shared_ptr<CreateIsamState>& state);
StepTable MakeCreateIsamSteps(const std::shared_ptr<CreateIsamState>& state, const std::vector<IsamStepRow>& rows);
std::shared_ptr<CreateIsamState> MakeCreateIsamState();

// One call of the driver: runs the current step of the table once, writes the progress line
// "%s %d" on calls 1, 44, 87, ... (every call at debug bit 8) and when the step changes, and
// ends with "Database Complete". True when the operation is finished (or was stopped).
bool RunCreateIsamStep(OperationContext& c, const StepTable& table, CreateIsamState& state);
