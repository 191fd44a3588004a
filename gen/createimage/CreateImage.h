// Room gen/createimage: Create Image, which builds an image file of the family from the
// database, step by step, and the program entry shared by the image generators.
//
// The Create Image operation ("Create Image File from ISAM Database"): its step table and the
// driver that the operation runner calls once per idle turn. Each call runs one small unit of
// work of the current step (one record, one 128-byte block, one index entry, one chunk) and
// shows the step's progress line on its calls 1, 54, 107, ... and when the step ends.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gen/shell/GenModel.h"

struct CreateImageBuild;
struct ImageParams;

// The steps, in table order.
enum class CreateImageStep {
    Initialise,
    ScanCountries,
    ScanNames,
    CountApts,
    ScanApts,
    CountInts,
    ScanInts,
    CountNdbs,
    ScanNdbs,
    CountVors,
    ScanVors,
    CountTcc,
    CountSua,
    CountApproachIds,
    FlagCountries,
    FlagNames,
    FlagApproaches,
    WriteCountries,
    WriteNames,
    WriteApproachIds,
    WriteDetails,
    WriteAptRecords,
    WriteAptIndexes,
    WriteIntRecords,
    WriteIntIndexes,
    WriteNdbRecords,
    WriteNdbIndexes,
    WriteVorRecords,
    WriteVorIndexes,
    WriteHeader,
    WriteTcc,
    WriteSua,
    PacketCount,
    Sumcheck,
};

using CreateImageStepFn = StepStatus (*)(OperationContext&, CreateImageBuild&);

struct CreateImageRow {
    CreateImageStep id;
    const char* text;   // the progress text
    CreateImageStepFn fn;
};

// The lines after "Image Complete" when the database had no countries.
extern const char* const kEmptyImageWarning[5];

// The family's table: 34 rows, or 32 for a family without approaches (no "Counting Approach
// IDs" and no "Flagging used approach records").
std::vector<CreateImageRow> CreateImageTable(const ImageParams& params);

// Runs Create Image from the model's step table (createImageSteps) and finishing step
// (finishImage), one call per idle turn: the step's progress line on its calls 1, 54, 107, ...
// and when it ends (a new line the first time, then a replacement of the last line). A row
// that answers Skip on its first call is passed over without a line.
class CreateImageDriver {
public:
    // One call of the current step; true when the operation has ended (finished, or stopped
    // by STOP/RESET, an abort or an internal error).
    bool Run(OperationContext& context);

private:
    // The step's progress line with the call count (kept apart from the call's usual path).
    [[gnu::noinline]] void ShowProgress(const OperationContext& context, uint32_t step, const char* text);
    bool Finish(OperationContext& context);

    // Steps whose progress line has been shown (the first time as a new line).
    std::vector<bool> shown_;
};

// The build state of one Create Image of the 495/496, GPS III Pilot and 195 families, shared by
// the rows of their step table and their finishing step.
class CreateImageState {
public:
    // One call of a step over the build state. The first call of the operation makes the build
    // state; a step without its airspace source is skipped; a step that ends moves the build's
    // walk and cursor back to their start; a call that stops the operation releases the state.
    StepStatus Call(OperationContext& context, const CreateImageRow& row);
    // The end of the table: sumcheck report, image end, cut, files closed, tables freed.
    StepStatus Finish(OperationContext& context);
    // Releases the build state of an operation that was stopped; a step that stopped it keeps
    // the state until its call returns.
    void Abandon();
    // The build state of the running operation (null when none runs).
    CreateImageBuild* Build() const { return build_.get(); }

private:
    std::shared_ptr<CreateImageBuild> build_;
    bool calling_ = false;                       // a step runs over build_
    std::shared_ptr<CreateImageBuild> released_;  // abandoned during that step
};

// The rows of the family's table as the model's step table, each calling its step over `state`.
StepTable CreateImageSteps(const ImageParams& params, const std::shared_ptr<CreateImageState>& state);

// The rows of a model's own table (rows of the family's table mixed with its own steps).
StepTable CreateImageSteps(const std::vector<CreateImageRow>& rows, const std::shared_ptr<CreateImageState>& state);

// Makes Create Image the model's mode-0 operation for its image parameter set: the driver, the
// step table (model.createImageSteps), the finishing step (model.finishImage) and the release
// of the build state when the operation is stopped. A model without image parameters is left
// alone.
void InstallCreateImage(GenModel& model);
// The same with a model's own step table.
void InstallCreateImage(GenModel& model, const std::vector<CreateImageRow>& rows);
