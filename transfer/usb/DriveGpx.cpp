#include "transfer/usb/DriveGpx.h"

#include <sys/stat.h>

#include <cerrno>

#include "common/CLocale.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "transfer/common/TransferFile.h"

namespace {

constexpr GpxElement kWaypoints{"<wpt lat", "</wpt>", "USR Waypoints"};
constexpr GpxElement kRoutes{"<rte>", "</rte>", "Routes"};
constexpr GpxElement kTracks{"<trk>", "</trk>", "Tracks"};

bool ReadWhole(const std::string& path, std::string& text, std::string& error) {
    TransferFile file;
    if (!file.OpenRead(path)) {
        error = StringFormatC("Unable to Open '%s' for reading", path.c_str());
        return false;
    }
    const int64_t size = file.Size();
    text.assign(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size < 0 || file.Read(text.data(), text.size()) != text.size()) {
        error = StringFormatC("Unable to read '%s'", path.c_str());
        return false;
    }
    return true;
}

bool WriteWhole(const std::string& path, const std::string& text, std::string& error) {
    platform::AtomicFile out;
    if (out.Open(path, platform::AtomicFile::Start::Empty) && out.Write(text.data(), text.size()) && out.Commit()) {
        return true;
    }
    error = StringFormatC("Unable to Open '%s' for writing", path.c_str());
    return false;
}

// The modification time in nanoseconds; false when the file is missing.
bool ModifiedAt(const std::string& path, long long& at) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    at = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    return true;
}

std::string TempName(const std::string& folder, int n) {
    return folder + (n == 0 ? std::string("/Temp.gpx") : StringFormatC("/Temp%d.gpx", n));
}

}  // namespace

const GpxElement* GpxElementOf(int database) {
    switch (database) {
        case 1: return &kWaypoints;
        case 2: return &kRoutes;
        case 5: return &kTracks;
        default: return nullptr;
    }
}

bool ExtractGpxElements(const std::string& current, const GpxElement& element, std::string& out, std::string& error) {
    static const std::string kMetadataEnd = "</metadata>";
    const size_t head = current.find(kMetadataEnd);
    if (head == std::string::npos) {
        error = "Unable to find \"</metadata>\" tag";
        return false;
    }
    out.assign(current, 0, head + kMetadataEnd.size());
    const std::string start = element.start, end = element.end;
    for (size_t at = current.find(start, head); at != std::string::npos; at = current.find(start, at)) {
        const size_t close = current.find(end, at + start.size());
        if (close == std::string::npos) {
            error = StringFormatC("End tag %s absent", element.end);
            return false;
        }
        out.append(current, at, close + end.size() - at);
        at = close + end.size();
    }
    out += "</gpx>";
    return true;
}

bool ReadDriveGpx(const std::string& current, const GpxElement& element, const std::string& output,
                  std::string& error) {
    std::string text, out;
    return ReadWhole(platform::ResolveCase(current), text, error) && ExtractGpxElements(text, element, out, error) &&
           WriteWhole(output, out, error);
}

bool WriteDriveGpx(const std::string& folder, const GpxElement& element, const std::string& input,
                   std::string& written, std::string& error) {
    std::string text;
    if (!ReadWhole(input, text, error)) return false;
    if (text.find(element.end) == std::string::npos) {
        error = StringFormatC("File does not contain %s", element.name);
        return false;
    }
    const std::string current = platform::ResolveCase(folder + "/Current.gpx");
    long long currentAt = 0;
    if (!ModifiedAt(current, currentAt)) {
        error = StringFormatC("Unable to Open '%s' for reading", current.c_str());
        return false;
    }
    // Temporaries the unit has had since it last wrote Current.gpx.
    long long at = 0;
    for (int n = 0; ModifiedAt(platform::ResolveCase(TempName(folder, n)), at); ++n) {
        if (at < currentAt) platform::DeleteFile(platform::ResolveCase(TempName(folder, n)));
    }
    int n = 0;
    while (platform::FileExists(TempName(folder, n))) ++n;
    written = TempName(folder, n);
    return WriteWhole(written, text, error);
}
