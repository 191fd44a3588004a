// Room gen/batch: batch text (lines of fields separated by '|'), the field decoders and the
// per-record-type handlers that apply a line to the database, and the batch update operation.
//
// The batch update operation ("Perform a Batch Update of ISAM DB"): the open batch file is
// applied to the database one line per idle step, and each line is listed with its result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "gen/batch/BatchHandlers.h"
#include "gen/batch/BatchLine.h"

class OperationContext;
struct GenModel;

// The ADD and DEL handlers by record type (index 1 APT ... 7 USR; 0 and 8 unused). A model
// whose database knows other fields supplies its own.
struct BatchHandlerTable {
    BatchHandler add[9] = {};
    BatchHandler del[9] = {};
    // The model's result texts by code, a success's in parentheses (empty: the framework's).
    std::vector<std::string> resultTexts;
};
const BatchHandlerTable& DefaultBatchHandlers();

// Splits and dispatches one prepared line: kBatchErrFc for fewer than 3 fields, kBatchErrF2 for
// an unknown record type (RTE included), kBatchErrF3 for a bad ident, kBatchErrF1 for an unknown
// command; otherwise the handler's result. The ident of APT to FRQ lines is turned into its
// stored form in the line.
int DispatchBatchLine(BatchLine& line, int32_t* next, BatchSession& session, int32_t now,
                      const BatchHandlerTable& handlers);

// One step of the operation: reads and applies one line of the open batch source and lists it;
// at the end of the file closes it and lists "Database Update Complete". True when finished.
// The line counter is the context's call counter (reset by the opener); the first call sets the
// next serial numbers and starts the session afresh. The record files stay open from line to
// line, each line's changes written through at its end, and are closed when the file is done.
bool RunBatchUpdate(OperationContext& context, BatchSession& session,
                    const BatchHandlerTable& handlers = DefaultBatchHandlers());

// Makes RunBatchUpdate the model's Batch Update step driver, and closes the batch's record files
// when the operation is stopped (through the model's stop hook).
void InstallBatchUpdate(GenModel& model, const BatchHandlerTable& handlers = DefaultBatchHandlers());

// The time of a user waypoint: seconds since 1989-12-31 00:00 UTC.
int32_t BatchTimeNow();
