// File > Import, Export, Clear and Convert of the user-waypoint and route windows.
#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <string>

#include "common/DateText.h"
#include "dblib/KestraneDatabase.h"
#include "manager/CKestraneGpsTypeDlg.h"
#include "manager/GarExchange.h"
#include "manager/GpxReader.h"
#include "manager/GpxWriter.h"
#include "manager/ImportRecords.h"
#include "manager/KestraneApp.h"
#include "manager/RecordViews.h"
#include "manager/RenumberRoute.h"
#include "manager/RouteConvert.h"
#include "platform/AtomicFile.h"
#include "platform/FileDialog.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "platform/WaitCursor.h"

namespace {

// The folder of the last file chosen, where the next file dialog opens (the process keeps its
// current folder, which holds the journal).
std::string g_exchangeFolder;

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    const int fd = platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    if (fd < 0) return false;
    const int64_t size = platform::FileSize(fd);
    bool ok = size >= 0;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = platform::ReadAt(fd, bytes.data(), bytes.size(), 0) == static_cast<long>(bytes.size());
    }
    platform::CloseFile(fd);
    return ok;
}

bool IsGpxName(const std::string& path) {
    if (path.size() < 4) return false;
    std::string end = path.substr(path.size() - 4);
    for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return end == ".gpx";
}

bool ChooseImportPath(bool routes, std::string& path) {
    platform::FileDialogRequest request;
    request.title = routes ? "Import a File of Routes" : "Import a File of USR Waypoints";
    request.filters = {{"GAR or GPX File [*.gar *.gpx]", "*.gar;*.gpx"}};
    request.initialDir = g_exchangeFolder;
    if (!platform::RunFileDialog(request)) return false;
    path = request.fileName;
    g_exchangeFolder = platform::DirName(path);
    return true;
}

bool ChooseExportPath(bool routes, int format, std::string& path) {
    char title[96];
    std::snprintf(title, sizeof title,
                  routes ? "Export a File of Routes in %s Format" : "Export a File of USR Waypoints in %s format",
                  GpsTypeText(format));
    const bool gpx = format == kGpxFormat;
    platform::FileDialogRequest request;
    request.save = true;
    request.title = title;
    request.filters = {gpx ? platform::FileFilter{"GPX Files [*.gpx]", "*.gpx"}
                           : platform::FileFilter{"Binary Files [*.gar]", "*.gar"}};
    request.initialDir = g_exchangeFolder;
    request.hideReadOnly = true;
    request.overwritePrompt = true;
    if (!platform::RunFileDialog(request)) return false;
    path = request.fileName;
    const std::string name = platform::BaseName(path);
    if (name.find('.', 1) == std::string::npos) path += gpx ? ".gpx" : ".gar";
    g_exchangeFolder = platform::DirName(path);
    return true;
}

// Writes the file whole under a temporary name and renames it; false after its message.
bool SaveExport(platform::AtomicFile& file, const std::string& bytes, bool written) {
    if (written && file.Write(bytes.data(), bytes.size()) && file.Commit()) return true;
    platform::ShowMessage(std::string("Cannot write ") + file.Path() + ": " + std::strerror(file.ErrorNumber()));
    file.Abandon();
    return false;
}

// Export of either window: the question, the save dialog, the file made, then `build` (format,
// bytes, flush) with the record file open; the bytes it leaves, and those it flushes on the way,
// make the file.
template <class Build>
void Export(bool routes, CKestraneScrollView& view, IsamMgr& records, Build build) {
    const int format = SelectGpsType();
    if (format == 0) return;
    std::string path;
    if (!ChooseExportPath(routes, format, path)) return;
    platform::AtomicFile file;
    if (!file.Open(path, platform::AtomicFile::Start::Empty)) {
        platform::ShowMessage("File Open failed");
        return;
    }
    platform::WaitCursor wait;
    view.busy = true;
    std::string bytes;
    bool written = true;
    const GpxFlush flush = [&](std::string& chunk) {
        written = written && file.Write(chunk.data(), chunk.size());
        chunk.clear();
    };
    bool ok = records.Open() == 0;
    if (ok) ok = build(format, bytes, flush);
    records.Close();
    view.busy = false;
    if (ok) ok = SaveExport(file, bytes, written);
    if (!ok) file.Abandon();
}

// What the GAR file of an import told (the format and product id become current).
GarHeader& GarHeaderRead() {
    static GarHeader header;
    return header;
}

// Import of either window: the open dialog, the file read whole, then `read` (path, bytes, highest
// record number) with the record file open; it returns the GPX points left out.
template <class Read>
void Import(bool routes, CKestraneScrollView& view, IsamMgr& records, Read read) {
    std::string path, bytes;
    if (!ChooseImportPath(routes, path)) return;
    if (!ReadWholeFile(path, bytes)) {
        platform::ShowMessage("File Open failed");
        return;
    }
    platform::WaitCursor wait;
    view.busy = true;
    int32_t highest = view.HighestRecord();
    int leftOut = 0;
    ExchangeState& state = Exchange();
    state.format = 0;
    GarHeaderRead() = GarHeader{};
    if (records.Open() == 0) {
        leftOut = read(path, bytes, highest);
        records.Close();
    }
    if (GarHeaderRead().format != 0) {
        state.format = GarHeaderRead().format;
        state.productId = GarHeaderRead().productId;
    }
    view.busy = false;
    view.SetHighestRecord(highest);
    ReportGpxPointsLeftOut(leftOut);
    UpdateAllRecordViews(view.Letter());
}

void ClearRecords(CKestraneScrollView& view, IsamMgr& records, const char* index, const char* question) {
    if (platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question, 0}) != platform::kIdYes)
        return;
    platform::WaitCursor wait;
    view.busy = true;
    if (records.Open() == 0) {
        records.SelectIndex(index);
        records.Rewind();
        while (records.Next(1) == 0) {
            if (records.Erase() != 0) break;
        }
        records.Close();
    }
    view.busy = false;
    view.SetHighestRecord(0);
    UpdateAllRecordViews(view.Letter());
}

}  // namespace

void CKestraneUView::OnExportUsr() {
    const int32_t selected = selected_ >= 0 && selected_ < count_ ? lines_[static_cast<size_t>(selected_)] : 0;
    dfUSR& usr = *KestraneDb().usr;
    Export(false, *this, usr, [&](int format, std::string& bytes, const GpxFlush& flush) {
        if (format == kGpxFormat) {
            WriteGpxWaypoint(bytes, usr, std::time(nullptr), flush);
            return true;
        }
        return ExportUsrGar(usr, format, Exchange().productId, selected, bytes);
    });
}

void CKestraneRView::OnExportRte() {
    dfRTE& rte = *KestraneDb().rte;
    Export(true, *this, rte, [&](int format, std::string& bytes, const GpxFlush& flush) {
        if (format == kGpxFormat) {
            WriteGpxRoute(bytes, rte, std::time(nullptr), flush);
            return true;
        }
        return ExportRteGar(rte, format, Exchange().productId, bytes);
    });
}

void CKestraneUView::OnImportUsr() {
    dfUSR& usr = *KestraneDb().usr;
    Import(false, *this, usr, [&](const std::string& path, std::string& bytes, int32_t& highest) {
        if (IsGpxName(path)) return ReadGpxWaypoints(bytes, usr, highest, static_cast<uint32_t>(UnitTimeNow()));
        GarReader reader(std::move(bytes));
        GarPacket packet;
        if (StartGarImport(reader, packet, GarHeaderRead(), false))
            ImportUsrGar(reader, packet, GarHeaderRead(), usr, highest);
        return 0;
    });
}

void CKestraneRView::OnImportRte() {
    dfRTE& rte = *KestraneDb().rte;
    Import(true, *this, rte, [&](const std::string& path, std::string& bytes, int32_t& highest) {
        ImportRouteNumbers numbers(rte);
        int leftOut = 0;
        if (IsGpxName(path)) {
            leftOut = ReadGpxRoutes(bytes, rte, highest, numbers);
        } else {
            GarReader reader(std::move(bytes));
            GarPacket packet;
            if (StartGarImport(reader, packet, GarHeaderRead(), true))
                ImportRteGar(reader, packet, GarHeaderRead(), rte, highest, numbers);
        }
        for (int32_t route = 0; route <= kImportedRouteNumbers; ++route) RenumberRoute(route, 0);
        return leftOut;
    });
}

void CKestraneUView::OnClearUsr() {
    ClearRecords(*this, *KestraneDb().usr, "usno", "Are you sure you want to delete all the records in the USR Database ?");
}

void CKestraneRView::OnClearRte() {
    ClearRecords(*this, *KestraneDb().rte, "rtsno",
                 "Are you sure you want to delete all the records in the Routes Database ?");
}

void CKestraneRView::OnConvertRte() {
    platform::WaitCursor wait;
    busy = true;
    ConvertRouteWaypoints();
    busy = false;
    UpdateAllRecordViews('R');
}
