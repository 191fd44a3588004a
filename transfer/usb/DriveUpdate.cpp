#include "transfer/usb/DriveUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "common/CLocale.h"
#include "platform/FileSystem.h"
#include "transfer/common/FileAttributes.h"

namespace {

enum class RangeCopy { Done, ReadFailed, WriteFailed };

// Copies `length` bytes from `offset` of one descriptor to the start of the other, in the
// kernel where the file system can, else through a buffer.
RangeCopy CopyRange(int from, int to, uint64_t offset, uint64_t length) {
    off_t in = static_cast<off_t>(offset);
    while (length > 0) {
        const ssize_t n = ::copy_file_range(from, &in, to, nullptr, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n == 0) return RangeCopy::ReadFailed;
        if (n > 0) {
            length -= static_cast<uint64_t>(n);
            continue;
        }
        if (errno != EXDEV && errno != EINVAL && errno != EOPNOTSUPP && errno != ENOSYS) return RangeCopy::WriteFailed;
        char buffer[64 * 1024];
        while (length > 0) {
            const ssize_t got = ::pread(from, buffer, length < sizeof buffer ? length : sizeof buffer, in);
            if (got <= 0) return RangeCopy::ReadFailed;
            for (ssize_t done = 0; done < got;) {
                const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
                if (put <= 0) return RangeCopy::WriteFailed;
                done += put;
            }
            in += got;
            length -= static_cast<uint64_t>(got);
        }
    }
    return RangeCopy::Done;
}

bool IsProgramModeSkip(int step) { return step == 4 || step == 5 || step == 8; }

}  // namespace

void DriveUpdate::Begin(const DriveUpdateRequest& request) {
    Abandon();
    request_ = request;
    step_ = 0;
    error_.clear();
    backupFolder_.clear();
}

int DriveUpdate::DriveUpdateStep() {
    if (step_ < 0) return 0;
    copying_ = false;
    if (!RunStep(step_)) return 0;
    if (step_ < 0) return 0;  // completed
    do {
        ++step_;
    } while (request_.programMode && IsProgramModeSkip(step_));
    return step_;
}

bool DriveUpdate::Fail(const std::string& text) {
    Abandon();
    host_.EndUpdate(text + " - Operation Aborted");
    host_.Log("");
    return false;
}

void DriveUpdate::StartActivity(const char* text) {
    activity_ = text;
    activityBytes_ = 0;
    host_.Log(activity_);
}

bool DriveUpdate::RunStep(int step) {
    const UnitDrive& drive = request_.drive;
    const std::string name = request_.row->file;
    switch (step) {
        case 0:
            unitFolder_ = drive.Path(request_.row->folder);
            target_ = unitFolder_ + "/" + name;
            targetExists_ = false;
            attributes_ = 0;
            host_.Log(request_.programMode ? "Making G1000 avdb card" : "Connecting to GPS");
            return true;
        case 1:
            workFolder_ = platform::DirName(request_.inputFile);
            if (workFolder_.empty()) workFolder_ = ".";
            if (drive.root.empty() || !platform::IsDirectory(drive.root)) {
                return Fail(StringFormatC("Unable to select Aera directory \"%s\"", drive.Label().c_str()));
            }
            return true;
        case 2:
            if (!platform::IsDirectory(unitFolder_)) {
                if (request_.programMode) {
                    std::string failed;
                    if (!MakeDriveFolders(drive.root, request_.row->folder, failed)) {
                        return Fail(StringFormatC("Failed to make directory %s", unitFolder_.c_str()));
                    }
                    unitFolder_ = drive.Path(request_.row->folder);
                } else {
                    // A unit without the folder takes the file in its root.
                    unitFolder_ = drive.root;
                }
            }
            target_ = platform::ResolveCase(unitFolder_ + "/" + name);
            targetExists_ = platform::FileExists(target_, &target_);
            return true;
        case 3:
            if (!platform::IsDirectory(workFolder_)) {
                return Fail(StringFormatC("Failed to select directory \"%s\"", workFolder_.c_str()));
            }
            if (targetExists_ && !ReadFileAttributes(target_, attributes_)) {
                return Fail(StringFormatC("Failed to get \"%s\" attributes", target_.c_str()));
            }
            return true;
        case 4: {
            StartActivity("Backing up existing GPS files");
            std::string folder;
            for (int n = 1; n <= kBackupFolders; ++n) {
                folder = StringFormatC("%s/Aerabackup_%d", workFolder_.c_str(), n);
                if (!platform::FileExists(folder)) break;
            }
            if (!platform::MakeDirectory(folder)) {
                return Fail(StringFormatC("Unable to create directory \"%s\"", folder.c_str()));
            }
            backupFolder_ = folder;
            return true;
        }
        case 5:
            return !targetExists_ || CopyFileInto(target_, backupFolder_, platform::BaseName(target_));
        case 6:
            host_.Log("Creating update files");
            return MakeWorkFile();
        case 7:
            StartActivity(request_.programMode ? "Copying files to SD Card" : "Copying files to GPS");
            return true;
        case 8:
            if (targetExists_ && (attributes_ & kAttributeReadOnly) && !SetNormalAttributes(target_)) {
                return Fail(StringFormatC("Failed to set attributes of \"%s\"", target_.c_str()));
            }
            return true;
        case 9:
            return CopyFileInto(workFile_, unitFolder_, platform::BaseName(target_));
        case 10:
        default:
            platform::DeleteFile(workFile_);
            workFile_.clear();
            step_ = -1;
            host_.EndUpdate("Update Complete");
            host_.Log("");
            return true;
    }
}

bool DriveUpdate::MakeWorkFile() {
    // A name of its own, so that no file of the input's folder (the input itself among them)
    // is overwritten.
    std::string pattern = workFolder_ + "/" + request_.row->file + "-XXXXXX";
    const int out = ::mkstemp(pattern.data());
    const std::string failure = StringFormatC("Cannot create \"%s/%s\"", workFolder_.c_str(), request_.row->file);
    if (out < 0) return Fail(failure);
    workFile_ = pattern;
    const int in = ::open(request_.inputFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        ::close(out);
        return Fail(StringFormatC("Cannot open \"%s\"", request_.inputFile.c_str()));
    }
    const RangeCopy copied = CopyRange(in, out, request_.dataOffset, request_.dataLength);
    ::close(in);
    const bool closed = ::close(out) == 0;
    if (copied == RangeCopy::ReadFailed) return Fail("Read failed");
    if (copied == RangeCopy::WriteFailed || !closed) return Fail("Write failed");
    return true;
}

int DriveUpdate::StartFileCopy(const std::string& source, const std::string& target) {
    source_.Close();
    if (!source_.OpenRead(source)) return 1;
    const int64_t size = source_.Size();
    if (size < 0 || !copy_.Start(source_, target, 0, static_cast<uint32_t>(size))) {
        source_.Close();
        return 2;
    }
    copying_ = true;
    return 0;
}

bool DriveUpdate::CopyFileInto(const std::string& source, const std::string& folder, const std::string& name) {
    const std::string target = folder + "/" + name;
    const int result = StartFileCopy(source, target);
    if (result == 0) return true;
    return Fail(StringFormatC("Copy failed to start, cannot open \"%s\"", (result == 1 ? source : target).c_str()));
}

int DriveUpdate::CopyFileChunk() {
    if (!copying_) return 0;
    const uint32_t before = copy_.Copied();
    const ChunkResult result = copy_.Chunk();
    if (result == ChunkResult::ReadFailed || result == ChunkResult::WriteFailed) {
        Abandon();
        host_.EndUpdate(result == ChunkResult::ReadFailed ? "Read failed" : "Write failed - Operation Aborted");
        host_.Log("");
        return 0;
    }
    activityBytes_ += copy_.Copied() - before;
    host_.ReplaceLastLine(StringFormatC("%s  %d", activity_.c_str(), static_cast<int>(activityBytes_ / 1024)));
    if (result == ChunkResult::More) return 1;
    copying_ = false;
    source_.Close();
    return 0;
}

void DriveUpdate::Abandon() {
    copy_.Abandon();
    source_.Close();
    copying_ = false;
    if (!workFile_.empty()) ::unlink(workFile_.c_str());
    workFile_.clear();
    step_ = -1;
}
