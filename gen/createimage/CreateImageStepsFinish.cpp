// Create Image, steps 29 to 33: the header, the FSS/TCC and SUA sections behind the VOR area,
// the packet count and the sumcheck.
#include "gen/createimage/CreateImageSteps.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCut.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/PacketCount.h"
#include "platform/MessageBox.h"

namespace {

// The title chosen for the operation (without the label's leading blanks and padding); the
// default image title when none was given.
std::string ImageTitle(const OperationContext& c) {
    if (!c.settings) return "";
    std::string title = c.settings->operationTitle;
    const size_t first = title.find_first_not_of(' ');
    const size_t last = title.find_last_not_of(' ');
    title = first == std::string::npos ? "" : title.substr(first, last - first + 1);
    return title.empty() ? c.settings->defaultTitle : title;
}

StepStatus CopyAirspace(OperationContext& c, CreateImageBuild& b, AirspaceSource& source, uint32_t position) {
    bool done = false;
    if (ImageResult r = source.CopyStep(b.image, position, b.names, b.maps[kSectionApt], &done); !r) return Failed(c, r);
    if (!done) return StepStatus::Again;
    source.Close();
    return StepStatus::Next;
}

}  // namespace

StepStatus StepWriteHeader(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) return StepStatus::Again;
    HeaderInput input;
    input.title = ImageTitle(c);
    input.date = TodayLocal();
    input.tcc = b.tcc.IsOpen() ? &b.tcc.Tcc() : nullptr;
    input.sua = b.sua.IsOpen() ? &b.sua.Sua() : nullptr;
    if (ImageResult r = WriteImageHeader(b.image, input, &b.positions); !r) return Failed(c, r);
    return StepStatus::Next;
}

StepStatus StepWriteTcc(OperationContext& c, CreateImageBuild& b) { return CopyAirspace(c, b, b.tcc, b.positions.tcc); }
StepStatus StepWriteSua(OperationContext& c, CreateImageBuild& b) { return CopyAirspace(c, b, b.sua, b.positions.sua); }

StepStatus StepPacketCount(OperationContext& c, CreateImageBuild& b) {
    if (ImageResult r = WritePacketCount(b.image, b.image.Layout().ImageEnd()); !r) return Failed(c, r);
    return StepStatus::Next;
}

StepStatus StepSumcheck(OperationContext& c, CreateImageBuild& b) {
    const ImageLayout& layout = b.image.Layout();
    if (c.calls == 0) {
        uint32_t counts[kSectionCount];
        for (int s = 0; s < kSectionCount; ++s) counts[s] = layout.sections[s].recordCount;
        const ImageSizeCheck check = CheckImageSize(b.params, layout.namesLength, layout.ImageEnd(), counts);
        for (const std::string& message : check.messages) platform::ShowMessage(message);
        if (!check.sumcheck) return StepStatus::Next;
        b.sumcheck = std::make_unique<Sumcheck>(b.params.sumcheck);
    }
    if (b.cursor < b.sumcheck->ChunkCount()) {
        if (ImageResult r = b.sumcheck->SumChunk(b.image, b.cursor); !r) return Failed(c, r);
        ++b.cursor;
        return StepStatus::Again;
    }
    if (ImageResult r = b.sumcheck->Write(b.image, layout.ImageEnd()); !r) return Failed(c, r);
    b.sumcheckWritten = true;
    return StepStatus::Next;
}
