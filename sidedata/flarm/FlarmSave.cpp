#include "sidedata/flarm/FlarmSave.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "platform/FileSystem.h"
#include "sidedata/flarm/ButterflyFile.h"
#include "sidedata/flarm/DbTextFile.h"
#include "sidedata/flarm/FlarmMemory.h"
#include "sidedata/flarm/FlarmViewFile.h"
#include "sidedata/flarm/HexFlnFile.h"
#include "sidedata/flarm/ShiftedXmlFile.h"

namespace {

int WriteButterfly(FlarmMemory& m, const std::string&, std::string& out) { return WriteButterflyFile(m, out); }
int WriteFlarmView(FlarmMemory& m, const std::string&, std::string& out) { return WriteFlarmViewFile(m, out); }
int WriteHexFln(FlarmMemory& m, const std::string&, std::string& out) { return WriteHexFlnFile(m, out); }
int WriteShiftedXml(FlarmMemory& m, const std::string&, std::string& out) { return WriteShiftedXmlFile(m, out); }

}  // namespace

const FlarmSaveType kFlarmSaveTypes[kFlarmSaveTypeCount] = {
    {"Butterfly [*.bfn]", "*.bfn", ".bfn", "Butterfly", "bfn", kKindButterfly, true, WriteButterfly},
    {"FlarmView [*.flx]", "*.flx", ".flx", "flarm.flx", "flx", kKindFlarmView, false, WriteFlarmView},
    {"WinPilot [*.fln]", "*.fln", ".fln", "hex fln", "winpilot", kKindHexFln, true, WriteHexFln},
    {"Naviter [*.fln]", "*.fln", ".fln", "xml+1 fln", "naviter", kKindShiftedXml, true, WriteShiftedXml},
    {"DB Text [*.txt]", "*.txt", ".txt", "db text", "dbtext", kKindDbText, false, WriteDbTextFile},
};

int FlarmSaveTypeByOption(const std::string& option) {
    for (int i = 0; i < kFlarmSaveTypeCount; ++i) {
        if (option == kFlarmSaveTypes[i].optionName) return i + 1;
    }
    return 0;
}

bool ReplaceFileContents(const std::string& path, const std::string& bytes) {
    std::string temp = path + ".new" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    bool ok = true;
    for (size_t done = 0; ok && done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) ok = false;
        else done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

FlarmSaveResult SaveFlarmMemory(FlarmMemory& memory, const std::string& chosen, int typeIndex,
                                const FlarmSaveHooks& hooks) {
    FlarmSaveResult result;
    result.path = chosen;
    if (typeIndex < 1 || typeIndex > kFlarmSaveTypeCount) {
        memory.List("Unknown file type");
        result.outcome = FlarmSaveOutcome::UnknownType;
        return result;
    }
    const FlarmSaveType& type = kFlarmSaveTypes[typeIndex - 1];
    std::string& path = result.path;
    std::string extension = type.extension;
    if (path.size() < 4 || path.compare(path.size() - 4, 4, extension) != 0) path += extension;

    std::string existing;
    if (platform::FileExists(path, &existing)) {
        char question[1100];
        std::snprintf(question, sizeof question, "Are you sure you want to overwrite %s ?", path.c_str());
        if (!hooks.confirmOverwrite || !hooks.confirmOverwrite(question, path)) return result;
        path = existing;
    }
    memory.ListF("Writing a %s type file", type.kindName);
    if (type.needsVersion && memory.version.empty() && hooks.askVersion) hooks.askVersion();
    if (type.needsVersion && memory.version.empty()) return result;

    std::string bytes;
    result.written = type.write(memory, path, bytes);
    if (!ReplaceFileContents(path, bytes)) {
        memory.ListF("Unable to open %s", path.c_str());
        result.outcome = FlarmSaveOutcome::OpenFailed;
        result.written = 0;
        return result;
    }
    memory.ListF("Saved %d items as %s", result.written, path.c_str());
    memory.List("Writing Complete");
    memory.List("");
    result.outcome = FlarmSaveOutcome::Written;
    return result;
}
