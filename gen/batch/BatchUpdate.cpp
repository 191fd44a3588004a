#include "gen/batch/BatchUpdate.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "common/IdentDigits.h"
#include "common/LineReader.h"
#include "dblib/DbDir.h"
#include "dblib/Transaction.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

namespace {

// Seconds from 1970-01-01 to 1989-12-31, both 00:00 UTC.
constexpr int64_t kUnitEpoch = 631065600;

inline constexpr const char* kProgressText = "Processing line ";
// Lines per transaction: a rerun of a batch is idempotent, so lines need not commit singly.
constexpr uint32_t kLinesPerCommit = 2000;

BatchHandlerTable MakeDefaultHandlers() {
    BatchHandlerTable t;
    t.add[kBatchApt] = BatchAddApt;
    t.add[kBatchInt] = BatchAddInt;
    t.add[kBatchNdb] = BatchAddNdb;
    t.add[kBatchVor] = BatchAddVor;
    t.add[kBatchRwy] = BatchAddRwy;
    t.add[kBatchFrq] = BatchAddFrq;
    t.add[kBatchUsr] = BatchAddUsr;
    t.del[kBatchApt] = BatchDelApt;
    t.del[kBatchInt] = BatchDelInt;
    t.del[kBatchNdb] = BatchDelNdb;
    t.del[kBatchVor] = BatchDelVor;
    t.del[kBatchRwy] = BatchDelRwy;
    t.del[kBatchFrq] = BatchDelFrq;
    t.del[kBatchUsr] = BatchDelUsr;
    return t;
}

// Lists the result of a line: in detailed mode the result line replaces the "CMD: " line; in
// normal mode successes only move the progress line on, and errors (and ABS of an ADD line)
// replace the progress line and keep an empty line below them.
void ListResult(OperationContext& context, const BatchLine& line, int code, bool detailed, uint32_t counter,
                const std::vector<std::string>& resultTexts) {
    const bool add = line.count >= 1 && line.Field(1) == "ADD";
    const std::string result = FormatBatchResultLine(code, line.text, resultTexts);
    const bool shown = IsBatchError(code, resultTexts) || (code == kBatchAbs && add);
    if (detailed) {
        context.ReplaceLastLine(result, true);
        return;
    }
    if (!shown) {
        context.ReplaceLastLine(kProgressText + std::to_string(counter));
        return;
    }
    const bool afterProgress = context.doc && !context.doc->Lines().empty() &&
                               context.doc->Lines().back().compare(0, std::strlen(kProgressText), kProgressText) == 0;
    if (afterProgress) {
        context.ReplaceLastLine(result, true);
    } else {
        context.AddLine(result);
    }
    context.AddLine("");
}

void FinishBatch(OperationContext& context, LineReader::Result last) {
    const int error = last == LineReader::Result::Error ? context.batch->ErrorNumber() : 0;
    context.CloseBatch();
    BatchCloseFiles();
    dbtx::Commit();
    if (last == LineReader::Result::Error) {
        // The rest of the file was never read: the update is not complete.
        context.AddLine("*** Batch file read failed: " + std::string(std::strerror(error)) + " ***");
        context.FailOperation();
        return;
    }
    context.AddLine("");
    context.AddLine("Database Update Complete");
    context.AddLine("");
}

}  // namespace

const BatchHandlerTable& DefaultBatchHandlers() {
    static const BatchHandlerTable table = MakeDefaultHandlers();
    return table;
}

int32_t BatchTimeNow() { return static_cast<int32_t>(static_cast<int64_t>(std::time(nullptr)) - kUnitEpoch); }

int DispatchBatchLine(BatchLine& line, int32_t* next, BatchSession& session, int32_t now,
                      const BatchHandlerTable& handlers) {
    if (line.count < 3) return kBatchErrFc;
    line.type = BatchTypeOf(line.Field(2));
    if (line.type == kBatchNoType || line.type == kBatchRte) return kBatchErrF2;
    if (FindBadIdentChar(line.Field(3), line.type) != 0) return kBatchErrF3;
    const BatchCommand command = BatchCommandOf(line.Field(1));
    if (command == kBatchNoCommand) return kBatchErrF1;
    if (line.type < kBatchUsr) EncodeIdentDigits(line.MutableField(3).data());
    BatchContext c{line, next, session};
    c.now = now;
    if (line.type != kBatchUsr && line.count >= 4) c.csno = session.CountryOf(line.Field(4));
    BatchHandler handler = command == kBatchAdd ? handlers.add[line.type] : handlers.del[line.type];
    return handler ? handler(c) : kBatchErrF2;
}

bool RunBatchUpdate(OperationContext& context, BatchSession& session, const BatchHandlerTable& handlers) {
    if (!context.batch) return true;
    if (context.calls == 0) {
        InitBatchSerials(context.nextSerial);
        session.Begin();
    }
    const uint32_t counter = ++context.calls;

    std::string raw;
    const LineReader::Result read = context.batch->Next(raw, kBatchLineLength);
    if (read == LineReader::Result::End || read == LineReader::Result::Error) {
        FinishBatch(context, read);
        return true;
    }
    BatchLine line;
    // A line longer than the buffer is one bad line, whatever it holds: none of it runs.
    const bool tooLong = read == LineReader::Result::LongLine;
    if (tooLong) context.batch->SkipRestOfLine();
    if (!PrepareBatchLine(raw, line) && !tooLong) return false;
    const bool detailed = context.settings && context.settings->listing;
    if (detailed) context.AddLine("CMD: " + line.text);
    int code = kBatchErrFc;
    if (!tooLong) {
        dbtx::Begin(GetDbDir());
        code = DispatchBatchLine(line, context.nextSerial, session, BatchTimeNow(), handlers);
        BatchWriteBack();
        if (counter % kLinesPerCommit == 0) dbtx::Commit();
    }
    ListResult(context, line, code, detailed, counter, handlers.resultTexts);
    return false;
}

void InstallBatchUpdate(GenModel& model, const BatchHandlerTable& handlers) {
    auto session = std::make_shared<BatchSession>();
    model.drivers[kModeBatchUpdate] = [handlers, session](OperationContext& context) {
        return RunBatchUpdate(context, *session, handlers);
    };
    model.onStop = [previous = model.onStop](OperationContext& context, int mode) {
        if (mode == kModeBatchUpdate) {
            BatchCloseFiles();
            dbtx::Commit();
        }
        if (previous) previous(context, mode);
    };
}
