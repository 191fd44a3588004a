#include "gen/createimage/CreateImage.h"

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

const char* const kEmptyImageWarning[] = {
    "*****************WARNING*************************",
    "The ISAM database was empty, possibly because you",
    "forgot to perform a Create ISAM operation first.",
    "BEWARE: your new image is also empty",
    "*************************************************",
};

// " %02x" of each sumcheck byte; a sumcheck that was not written reads as zeros.
std::string SumcheckReport(const CreateImageBuild& b) {
    if (b.sumcheck && b.sumcheckWritten) return b.sumcheck->ReportLine();
    const bool counted = b.params.sumcheck.assemble == AssembleCountedChunkChecks;
    std::string line;
    for (uint32_t i = 0; i < (counted ? 1 : b.params.sumcheck.fieldLength); ++i) line += " 00";
    return line;
}

}  // namespace

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

CreateImageDriver::CreateImageDriver(const ImageParams& params) : rows_(CreateImageTable(params)) {}

CreateImageDriver::~CreateImageDriver() = default;

void CreateImageDriver::Abandon() { build_.reset(); }

bool CreateImageDriver::SourceMissing(const CreateImageRow& row, const CreateImageBuild& build) const {
    switch (row.id) {
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

bool CreateImageDriver::Run(OperationContext& context) {
    if (context.step == 0 && context.calls == 0) {
        if (!context.image) ProgramError("Program error: no image object for Create Image");
        build_ = std::make_shared<CreateImageBuild>(context, *context.image);
        build_->shown.assign(rows_.size(), false);
    }
    if (!build_) return true;
    // The build stays alive through the call even when the step stops the operation.
    const std::shared_ptr<CreateImageBuild> build = build_;
    const uint32_t step = context.step;
    if (step >= rows_.size()) return Finish(context, *build);
    const CreateImageRow& row = rows_[step];
    const StepStatus status = row.fn(context, *build);
    if (status == StepStatus::Stop || context.Stopped()) {
        if (build_ == build) build_.reset();
        return true;
    }
    if (status == StepStatus::Done) return Finish(context, *build);
    ++context.calls;
    const bool ended = status == StepStatus::Next;
    if (context.calls % kProgressEvery == 1 || ended) {
        const std::string line = StringFormatC("%s %lu", row.text, static_cast<unsigned long>(context.calls));
        if (!build->shown[step]) {
            build->shown[step] = true;
            context.AddLine(line);
        } else {
            context.ReplaceLastLine(line);
        }
    }
    if (!ended) return false;
    build->walk.Reset();
    build->cursor = 0;
    context.calls = 0;
    context.step = step + 1;
    while (context.step < rows_.size() && SourceMissing(rows_[context.step], *build)) ++context.step;
    if (context.step >= rows_.size()) return Finish(context, *build);
    return false;
}

bool CreateImageDriver::Finish(OperationContext& context, CreateImageBuild& build) {
    ImageLayout& layout = build.image.Layout();
    const uint32_t end = layout.ImageEnd();
    if (context.settings && context.settings->debugLevel != 0) {
        context.AddLine("Sumcheck bytes set to:");
        context.AddLine(SumcheckReport(build));
    }
    context.AddLine(StringFormatC("Image ends at %06lx", static_cast<unsigned long>(end)));
    if (ImageResult r = build.image.Cut(end); !r) {
        Failed(context, r);
        build_.reset();
        return true;
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
    return true;
}

void InstallCreateImage(GenModel& model) {
    if (!model.imageParams) return;
    auto driver = std::make_shared<CreateImageDriver>(*model.imageParams);
    model.drivers[kModeCreateImage] = [driver](OperationContext& context) { return driver->Run(context); };
    model.createImageSteps.clear();
    for (const CreateImageRow& row : driver->Rows()) {
        const CreateImageStepFn fn = row.fn;
        model.createImageSteps.push_back({[driver, fn](OperationContext& context) {
                                              CreateImageBuild* build = driver->Build();
                                              return build ? fn(context, *build) : StepStatus::Stop;
                                          },
                                          row.text});
    }
    model.finishImage = model.createImageSteps.back().fn;
    StopHook previous = model.onStop;
    model.onStop = [previous, driver](OperationContext& context, int mode) {
        if (previous) previous(context, mode);
        if (mode == kModeCreateImage) driver->Abandon();
    };
}
