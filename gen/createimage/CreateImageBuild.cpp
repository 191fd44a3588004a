#include "gen/createimage/CreateImageBuild.h"

#include <fcntl.h>

#include <new>

#include "common/CLocale.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/shell/CGenView.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "platform/AtomicFile.h"
#include "platform/BulkMemory.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

ImageResult PendingBytes::Add(Image& image, uint32_t offset, const uint8_t* data, size_t length) {
    if (bytes_.empty()) start_ = offset;
    bytes_.insert(bytes_.end(), data, data + length);
    return bytes_.size() >= kFlushSize ? Flush(image) : ImageResult::Ok();
}

ImageResult PendingBytes::Flush(Image& image) {
    if (bytes_.empty()) return ImageResult::Ok();
    const ImageResult r = image.Write(start_, bytes_.data(), bytes_.size());
    bytes_.clear();
    return r;
}

namespace {

// The heap kept for the tables of a Create Image: room for a full database's.
constexpr size_t kTableMemory = size_t{24} << 20;

}  // namespace

CreateImageBuild::CreateImageBuild(OperationContext& c, Image& i) : context(c), image(i), params(i.Params()) {
    // The steps build tables of records and free ones that later steps need again.
    platform::KeepHeapForTables(kTableMemory);
}

CreateImageBuild::~CreateImageBuild() {
    tcc.Close();
    sua.Close();
    if (CGenDBOpen::Active()) BatchCloseFiles();
}

void CreateImageBuild::AllocateTable(OccurrenceTable& table, const char* name, int32_t size) {
    const size_t n = size > 0 ? static_cast<size_t>(size) : 0;
    if (context.settings && (context.settings->debugLevel & kDebugIsamEveryStep)) {
        context.AddLine(StringFormatC("splmalloc: %s[%d]", name, static_cast<int>(n)));
        if (table.Allocated()) context.AddLine("**was already set**");
    }
    try {
        table.Allocate(n);
    } catch (const std::bad_alloc&) {
        ProgramError(StringFormatC("Program error: malloc failed to allocate %lu bytes", static_cast<unsigned long>(n)));
    }
}

StepStatus AbortCreateImage(OperationContext& context, const std::string& message) {
    if (!message.empty()) platform::ShowMessage(message);
    CGenView* view = context.app ? context.app->GenView() : nullptr;
    if (view) {
        view->StopOperation(kOperationAbortedText);
    } else if (context.app) {
        context.app->SetState(kStateIdle);
    }
    return StepStatus::Stop;
}

void OfferNewAirspaceFile(const OperationContext& context, const char* fresh, const char* current) {
    const std::string folder = (context.app ? context.app->GetDbFolder() : std::string(".")) + "/";
    const int fd = platform::OpenFile(folder + fresh, O_RDWR, platform::Share::DenyNone);
    if (fd < 0) return;
    platform::CloseFile(fd);
    const std::string question = StringFormatC("File %s is present in db50, do you want me to rename it ?", fresh);
    if (platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question}) != platform::kIdYes) {
        return;
    }
    platform::ReplaceFile(folder + fresh, folder + current);
}

StepStatus Failed(OperationContext& context, const ImageResult& result) {
    switch (result.code) {
    case ImageCode::Ok:
        return StepStatus::Again;
    case ImageCode::DataError:
        return AbortCreateImage(context, result.text);
    case ImageCode::InternalError:
        break;
    }
    ProgramError(result.text);
}
