#include "gen/image/ImageHalves.h"

#include <fcntl.h>

#include "common/CLocale.h"
#include "gen/shell/FileCopy.h"
#include "gen/image/Image.h"
#include "gen/image/ImageCheck.h"
#include "gen/image/ImageFileNames.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"

namespace {

constexpr size_t kCopyBlock = 128;

}  // namespace

JoinedImage JoinImageHalves(const std::string& userPath, int ownKind, ImageFileUi& ui, Image& source) {
    JoinedImage result;
    const std::string path = platform::NormalizePath(userPath);
    const int64_t offset = CheckImageFileType(path, ownKind, ui);
    if (offset < 0) return result;

    OpenFiles files;
    const int first = files.Open(path, O_RDONLY, platform::Share::DenyNone);
    if (first < 0) {
        ui.Message(StringFormatC("Cannot open %s", path.c_str()));
        return result;
    }
    int64_t imageLength = -1;
    if (offset > 3) {
        uint8_t b[4];
        if (platform::ReadAt(first, b, 4, offset - 4) == 4) imageLength = GetU32(b);
    }

    const std::string secondName = SecondHalfName(path);
    const bool pair = !secondName.empty();
    int second = -1;
    const std::string newName = ReplaceExtension(path, ".img");
    if (pair) {
        second = files.Open(secondName, O_RDONLY, platform::Share::DenyNone);
        if (second < 0) {
            ui.Message(StringFormatC("Cannot open second half %s", secondName.c_str()));
            return result;
        }
        if (!ui.Question(StringFormatC("Your image file is in two halves, is it ok to create a single file named %s ?",
                                       newName.c_str()))) {
            return result;
        }
    }

    std::string imagePath = path;
    if (offset > 0 || pair) {
        if (platform::FileExists(newName) && !ui.ControlFileRun() &&
            !ConfirmPrompt(ui, StringFormatC("overwrite %s", newName.c_str()))) {
            return result;
        }
        platform::AtomicFile out;
        const int target =
            out.Open(newName, platform::AtomicFile::Start::Empty, platform::Share::DenyReadWrite) ? out.Descriptor() : -1;
        if (target < 0) {
            ui.Message(StringFormatC("Cannot open %s", newName.c_str()));
            return result;
        }
        ui.AddLine(StringFormatC("File \"%s\" has been created", newName.c_str()));
        int64_t from = offset;
        int64_t to = 0;
        int64_t copied = 0;
        if (imageLength >= 0) {
            copied = CopyFilePart(first, &from, target, &to, imageLength, kCopyBlock);
        } else {
            const int64_t available = platform::FileSize(first) - offset;
            const int64_t whole = pair ? available : available / kCopyBlock * kCopyBlock;
            copied = CopyFilePart(first, &from, target, &to, whole, kCopyBlock);
        }
        if (copied >= 0 && pair) {
            int64_t at = 0;
            copied = CopyFilePart(second, &at, target, &to, platform::FileSize(second), kCopyBlock);
        }
        if (copied < 0 || !out.Commit()) {
            ui.Message(StringFormatC("Cannot write %s", newName.c_str()));
            return result;
        }
        imagePath = newName;
    }
    files.CloseAll();
    if (!source.Open(imagePath).ok()) {
        ui.Message(StringFormatC("Cannot open %s", imagePath.c_str()));
        return result;
    }
    result.open = true;
    result.path = imagePath;
    result.kind = ownKind;
    return result;
}
