#include "gen/listing/SaveAs.h"

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "common/CLocale.h"
#include "common/LineWriter.h"
#include "gen/shell/AppImageFileUi.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/listing/FullDump.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/RegionFiles.h"
#include "gen/listing/SaveAsFormat.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

// Opens the file for writing at its end: a new file, or a copy of the existing one that the
// question (or the control file) chooses to keep or empty; it takes the name's place only when
// written whole. kCancelled when the question was cancelled, -1 when the file cannot be opened
// (message shown).
constexpr int kCancelled = -2;

int OpenSaveFile(const std::string& path, ExistingFile existing, platform::AtomicFile& file) {
    platform::AtomicFile::Start start = platform::AtomicFile::Start::Empty;
    if (platform::FileExists(path)) {
        if (existing == ExistingFile::Ask) {
            const int answer =
                platform::ShowMessage(kFileExistsQuestion, {platform::Buttons::YesNoCancel, platform::Icon::Question});
            if (answer == platform::kIdCancel) return kCancelled;
            existing = answer == platform::kIdYes ? ExistingFile::Overwrite : ExistingFile::Append;
        }
        if (existing != ExistingFile::Overwrite) start = platform::AtomicFile::Start::CopyOfOld;
    }
    if (!file.Open(path, start, platform::Share::DenyWrite)) {
        platform::ShowMessage(StringFormatC("The file \"%s\" could not be opened", path.c_str()));
        return -1;
    }
    return file.Descriptor();
}

SaveAsModes ModesFor(const CGenApp& app, int kind, const SaveAsNameFlags& flags) {
    SaveAsModes modes;
    modes.shownKind = kind;
    modes.batch = flags.BatchForm();
    modes.sbs = flags.sbs;
    modes.longSbs = app.Settings().nameFormSwitch > 0;
    modes.dumpFlag = modes.batch ? 1 : 0;
    modes.keepOtherEnd = app.Model().batchKeepsOtherRunwayEnd;
    if (flags.Dump()) modes.dumpFlag |= app.Settings().debugLevel & kDebugRawCoordinates;
    return modes;
}

}  // namespace

bool WriteShownLines(CGenDoc& doc, OperationContext& context, const SaveAsModes& modes, LineWriter& out) {
    const int count = doc.GetLineCount();
    bool ok = true;
    if (!modes.batch || doc.ShownKind() == 0) {
        for (int i = 0; i < count && ok; ++i) {
            const std::string& text = doc.GetLine(i);
            if (!text.empty()) ok = out.WriteLine(text);
        }
        return out.Flush() && ok;
    }
    const std::vector<int32_t>& index = doc.ListingIndex();
    ListingRequest request;
    request.kind = modes.shownKind;
    request.dump = true;
    request.decimal = modes.sbs;
    const GenModel* model = context.app ? &context.app->Model() : nullptr;
    ListingLineToBatch convert(modes.ConvertForm(), modes.keepOtherEnd);
    std::string line;
    for (int i = 0; i < count && ok; ++i) {
        const int32_t entry = index[static_cast<size_t>(i)];
        if (entry < 0) {
            line = doc.GetLine(i);
        } else {
            if (model && model->listDumpLine) {
                model->listDumpLine(context, request.kind, entry, request.decimal, line);
            } else {
                ListSection(context, request, entry, line);
            }
            if (IsRawByteLine(line)) continue;
            convert.Convert(line, out);
        }
        if (!line.empty()) ok = out.WriteLine(line);
    }
    return out.Flush() && ok;
}

bool SaveListingAs(CGenApp& app, const std::string& userPath, ExistingFile existing) {
    CGenDoc* doc = app.Document();
    const std::string path = platform::NormalizePath(userPath);
    if (!doc || path.empty()) return false;
    const int kind = doc->ShownKind();
    OperationContext& context = app.Context();

    if (kind == kListTitle && IsRegionFileName(path)) {
        AppImageFileUi ui(app);
        return MakeRegionFiles(path, context.imageName, app.Model().modelCode, ui);
    }
    if (const std::string refusal = SaveAsReservedMessage(kind, path); !refusal.empty()) {
        platform::ShowMessage(refusal);
        return false;
    }
    platform::AtomicFile file;
    const int fd = OpenSaveFile(path, existing, file);
    if (fd < 0) return false;

    const SaveAsNameFlags flags = SaveAsNameFlags::Of(path);
    const SaveAsModes modes = ModesFor(app, kind, flags);
    bool written = false;
    int error = 0;
    {
        LineWriter out(fd);
        written = flags.Dump() ? DumpAllRecords(context, modes, out) : WriteShownLines(*doc, context, modes, out);
        error = out.ErrorNumber();
    }
    if (written && !file.Commit()) {
        written = false;
        error = file.ErrorNumber();
    }
    file.Abandon();
    if (!written) {
        platform::ShowMessage(StringFormatC("The file \"%s\" could not be written (%s)", path.c_str(),
                                            std::strerror(error ? error : EIO)));
        return false;
    }
    doc->AddLine(StringFormatC("Saved As \"%s\"", path.c_str()));
    return true;
}

void OnFileSaveAs(CGenApp& app) {
    CGenDoc* doc = app.Document();
    if (!doc || doc->GetLineCount() == 0) return;
    const std::vector<int> rows = SaveAsTypesOffered(doc->ShownKind());
    platform::FileDialogRequest request;
    request.save = true;
    request.overwritePrompt = false;
    for (int row : rows) request.filters.push_back({kSaveAsTypeTable[row].filter, kSaveAsTypeTable[row].pattern});
    request.filterIndex = 1;
    if (!platform::RunFileDialog(request)) return;
    const size_t chosen = request.filterIndex >= 1 ? static_cast<size_t>(request.filterIndex - 1) : 0;
    const int row = chosen < rows.size() ? rows[chosen] : kSaveAllFiles;
    SaveListingAs(app, WithTypePattern(request.fileName, row), ExistingFile::Ask);
}

void InstallSaveAs(GenModel& model) {
    if (!model.saveAsCommand) model.saveAsCommand = [](CGenApp& app) { OnFileSaveAs(app); };
    if (!model.saveAs) {
        model.saveAs = [](OperationContext& context, const std::string& name, bool append) {
            return context.app &&
                   SaveListingAs(*context.app, name, append ? ExistingFile::Append : ExistingFile::Overwrite);
        };
    }
}
