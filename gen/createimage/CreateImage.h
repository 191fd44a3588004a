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

// The family's table: 34 rows, or 32 for a family without approaches (no "Counting Approach
// IDs" and no "Flagging used approach records").
std::vector<CreateImageRow> CreateImageTable(const ImageParams& params);

class CreateImageDriver {
public:
    explicit CreateImageDriver(const ImageParams& params);
    ~CreateImageDriver();

    // One call of the current step; true when the operation has ended (finished, or stopped
    // by STOP/RESET, an abort or an internal error).
    bool Run(OperationContext& context);
    // Releases the build state of an operation that was stopped.
    void Abandon();

    const std::vector<CreateImageRow>& Rows() const { return rows_; }
    // The build state of the running operation (null when none runs).
    CreateImageBuild* Build() const { return build_.get(); }

private:
    // The end of the table: sumcheck report, image end, cut, files closed, tables freed.
    bool Finish(OperationContext& context, CreateImageBuild& build);
    bool SourceMissing(const CreateImageRow& row, const CreateImageBuild& build) const;

    std::vector<CreateImageRow> rows_;
    std::shared_ptr<CreateImageBuild> build_;
};

// Makes Create Image the model's mode-0 driver for its image parameter set: the driver, the
// step table rows (model.createImageSteps), the finishing step and the release of the build
// state when the operation is stopped. A model without image parameters is left alone.
void InstallCreateImage(GenModel& model);
