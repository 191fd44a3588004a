#include "gen/createimage/CreateImage.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "common/CLocale.h"
#include "gen/shell/CGenApp.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/Sumcheck.h"

namespace {

// A progress line on calls 1, 54, 107, ... of a step.
constexpr uint32_t kProgressEvery = 53;

const CreateImageRow kRows[] = {
    {CreateImageStep::Initialise, "Initialising image file", StepInitialise},
    {CreateImageStep::ScanCountries, "Scanning countries", StepScanCountries},
    {CreateImageStep::ScanNames, "Scanning city and facility names", StepScanNames},
    {CreateImageStep::CountApts, "Counting APTS", StepCountApts},
    {CreateImageStep::ScanApts, "Scanning APTS", StepScanApts},
    {CreateImageStep::CountInts, "Counting INTS", StepCountInts},
    {CreateImageStep::ScanInts, "Scanning INTS", StepScanInts},
    {CreateImageStep::CountNdbs, "Counting NDBS", StepCountNdbs},
    {CreateImageStep::ScanNdbs, "Scanning NDBS", StepScanNdbs},
    {CreateImageStep::CountVors, "Counting VORS", StepCountVors},
    {CreateImageStep::ScanVors, "Scanning VORS", StepScanVors},
    {CreateImageStep::CountTcc, "Counting FSS/TCCS", StepCountTcc},
    {CreateImageStep::CountSua, "Counting SUAS", StepCountSua},
    {CreateImageStep::CountApproachIds, "Counting Approach IDs", StepCountApproachIds},
    {CreateImageStep::FlagCountries, "Flagging unused country records", StepFlagCountries},
    {CreateImageStep::FlagNames, "Flagging unused name records", StepFlagNames},
    {CreateImageStep::FlagApproaches, "Flagging used approach records", StepFlagApproaches},
    {CreateImageStep::WriteCountries, "Writing country table to image file", StepWriteCountries},
    {CreateImageStep::WriteNames, "Writing names table to image file", StepWriteNames},
    {CreateImageStep::WriteApproachIds, "Writing approach ID table to image file", StepWriteApproachIds},
    {CreateImageStep::WriteDetails, "Writing rwy/com/appr info table to image file", StepWriteDetails},
    {CreateImageStep::WriteAptRecords, "Writing APT records to image file", StepWriteAptRecords},
    {CreateImageStep::WriteAptIndexes, "Writing APT indexes to image file", StepWriteIndexes},
    {CreateImageStep::WriteIntRecords, "Writing INT records to image file", StepWriteIntRecords},
    {CreateImageStep::WriteIntIndexes, "Writing INT indexes to image file", StepWriteIndexes},
    {CreateImageStep::WriteNdbRecords, "Writing NDB records to image file", StepWriteNdbRecords},
    {CreateImageStep::WriteNdbIndexes, "Writing NDB indexes to image file", StepWriteIndexes},
    {CreateImageStep::WriteVorRecords, "Writing VOR records to image file", StepWriteVorRecords},
    {CreateImageStep::WriteVorIndexes, "Writing VOR indexes to image file", StepWriteIndexes},
    {CreateImageStep::WriteHeader, "Writing Header to image file", StepWriteHeader},
    {CreateImageStep::WriteTcc, "Writing FSS/TCC Section to image file", StepWriteTcc},
    {CreateImageStep::WriteSua, "Writing SUA Section to image file", StepWriteSua},
    {CreateImageStep::PacketCount, "Calculating Packet Count", StepPacketCount},
    {CreateImageStep::Sumcheck, "Calculating Sumcheck bytes", StepSumcheck},
};

// " %02x" of each sumcheck byte; a sumcheck that was not written reads as zeros.
// The file's first bytes that a family's own sumcheck report reads.
constexpr size_t kSumcheckReportBytes = 16;

std::string SumcheckReport(const CreateImageBuild& b) {
    if (b.sumcheck && b.sumcheckWritten) return b.sumcheck->ReportLine();
    const bool counted = b.params.sumcheck.assemble == AssembleCountedChunkChecks;
    std::string line;
    for (uint32_t i = 0; i < (counted ? 1 : b.params.sumcheck.fieldLength); ++i) line += " 00";
    return line;
}

}  // namespace

const char* const kEmptyImageWarning[5] = {
    "*****************WARNING*************************",
    "The ISAM database was empty, possibly because you",
    "forgot to perform a Create ISAM operation first.",
    "BEWARE: your new image is also empty",
    "*************************************************",
};

std::vector<CreateImageRow> CreateImageTable(const ImageParams& params) {
    std::vector<CreateImageRow> rows;
    for (const CreateImageRow& row : kRows) {
        const bool approachStep =
            row.id == CreateImageStep::CountApproachIds || row.id == CreateImageStep::FlagApproaches;
        if (approachStep && !params.approaches) continue;
        rows.push_back(row);
    }
    return rows;
}

bool CreateImageDriver::Run(OperationContext& context) {
    const StepTable& rows = context.model->createImageSteps;
    if (context.FirstCall()) shown_.assign(rows.size(), false);
    for (;;) {
        const uint32_t step = context.step;
        if (step >= rows.size()) return Finish(context);
        const StepRow& row = rows[step];
        const StepStatus status = row.fn(context);
        if (status == StepStatus::Stop || context.Stopped()) return true;
        if (status == StepStatus::Done) return Finish(context);
        if (status == StepStatus::Skip) {
            context.step = step + 1;
            continue;
        }
        ++context.calls;
        const bool ended = status == StepStatus::Next;
        if (context.calls % kProgressEvery == 1 || ended) ShowProgress(context, step, row.text);
        if (!ended) return false;
        context.calls = 0;
        context.step = step + 1;
        return context.step >= rows.size() && Finish(context);
    }
}

void CreateImageDriver::ShowProgress(const OperationContext& context, uint32_t step, const char* text) {
    // The text and the call count, made without allocating.
    char buffer[160];
    const size_t length = std::strlen(text);
    std::string_view line;
    if (length + 12 <= sizeof buffer) {
        std::memcpy(buffer, text, length);
        buffer[length] = ' ';
        const std::to_chars_result end = std::to_chars(buffer + length + 1, buffer + sizeof buffer, context.calls);
        line = std::string_view(buffer, static_cast<size_t>(end.ptr - buffer));
    }
    std::string longLine;
    if (line.empty()) {
        longLine = std::string(text) + ' ' + std::to_string(context.calls);
        line = longLine;
    }
    if (!shown_[step]) {
        shown_[step] = true;
        context.AddLine(line);
    } else {
        context.ReplaceLastLine(line);
    }
}

bool CreateImageDriver::Finish(OperationContext& context) {
    if (context.model->finishImage) context.model->finishImage(context);
    return true;
}

namespace {

bool SourceMissing(CreateImageStep id, const CreateImageBuild& build) {
    switch (id) {
    case CreateImageStep::CountTcc:
    case CreateImageStep::WriteTcc:
        return !build.tcc.IsOpen();
    case CreateImageStep::CountSua:
    case CreateImageStep::WriteSua:
        return !build.sua.IsOpen();
    default:
        return false;
    }
}

}  // namespace

StepStatus CreateImageState::Call(OperationContext& context, const CreateImageRow& row) {
    const uint32_t calls = context.calls;
    if (calls == 0 && context.step == 0) {
        if (!context.image) ProgramError("Program error: no image object for Create Image");
        build_ = std::make_shared<CreateImageBuild>(context, *context.image);
    }
    CreateImageBuild* build = build_.get();
    if (!build) return StepStatus::Stop;
    if (calls == 0 && SourceMissing(row.id, *build)) return StepStatus::Skip;
    // The build stays alive through the call even when the step stops the operation.
    struct Calling {
        CreateImageState& state;
        explicit Calling(CreateImageState& s) : state(s) { state.calling_ = true; }
        ~Calling() {
            state.calling_ = false;
            state.released_.reset();
        }
    } calling(*this);
    const StepStatus status = row.fn(context, *build);
    if (status == StepStatus::Stop || context.Stopped()) {
        if (build_.get() == build) build_.reset();
    } else if (status == StepStatus::Next) {
        build->walk.Reset();
        build->cursor = 0;
    }
    return status;
}

void CreateImageState::Abandon() {
    if (calling_ && !released_) {
        released_ = std::move(build_);
    } else {
        build_.reset();
    }
}

StepStatus CreateImageState::Finish(OperationContext& context) {
    if (!build_) return StepStatus::Stop;
    // Released at the end of the call.
    const std::shared_ptr<CreateImageBuild> keep = build_;
    CreateImageBuild& build = *keep;
    ImageLayout& layout = build.image.Layout();
    const uint32_t end = layout.ImageEnd();
    if (context.settings && context.settings->debugLevel != 0) {
        if (build.params.sumcheckReport) {
            uint8_t head[kSumcheckReportBytes] = {};
            build.image.Read(0, head, sizeof head);
            context.AddLine(build.params.sumcheckReport(head));
        } else {
            context.AddLine("Sumcheck bytes set to:");
            context.AddLine(SumcheckReport(build));
        }
    }
    context.AddLine(StringFormatC("Image ends at %06lx", static_cast<unsigned long>(end)));
    ImageResult r = build.image.Cut(end);
    if (r) r = build.image.Commit();
    if (!r) {
        const StepStatus status = Failed(context, r);
        build_.reset();
        return status;
    }
    const bool empty = layout.countryCount == 0;
    if (context.app) {
        context.app->CloseImageFile();
    } else {
        build.image.Close();
    }
    build_.reset();
    context.AddLine("Image Complete");
    context.AddLine("");
    if (empty) {
        for (const char* line : kEmptyImageWarning) context.AddLine(line);
    }
    return StepStatus::Done;
}

StepTable CreateImageSteps(const ImageParams& params, const std::shared_ptr<CreateImageState>& state) {
    return CreateImageSteps(CreateImageTable(params), state);
}

StepTable CreateImageSteps(const std::vector<CreateImageRow>& rows, const std::shared_ptr<CreateImageState>& state) {
    StepTable table;
    for (const CreateImageRow& row : rows) {
        table.push_back({[state, row](OperationContext& context) { return state->Call(context, row); }, row.text});
    }
    return table;
}

void InstallCreateImage(GenModel& model) {
    if (!model.imageParams) return;
    InstallCreateImage(model, CreateImageTable(*model.imageParams));
}

void InstallCreateImage(GenModel& model, const std::vector<CreateImageRow>& rows) {
    auto state = std::make_shared<CreateImageState>();
    auto driver = std::make_shared<CreateImageDriver>();
    model.createImageSteps = CreateImageSteps(rows, state);
    model.finishImage = [state](OperationContext& context) { return state->Finish(context); };
    model.drivers[kModeCreateImage] = [driver](OperationContext& context) { return driver->Run(context); };
    StopHook previous = model.onStop;
    model.onStop = [previous, state](OperationContext& context, int mode) {
        if (previous) previous(context, mode);
        if (mode == kModeCreateImage) state->Abandon();
    };
}
