// The transfer set-up of CUsbView: the request from the dialog or the command line and its
// checks, the transfer details, the start of a session with its delays file, and the
// preparation of an image, TAW data or software update with the loader it needs.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/CLocale.h"
#include "common/COkGoDlg.h"
#include "common/TextHelpers.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/GarTables.h"
#include "transfer/usb/CUopDlg.h"
#include "transfer/usb/CUsbApp.h"
#include "transfer/usb/CUsbDoc.h"
#include "transfer/usb/CUsbSetupDlg.h"
#include "transfer/usb/CUsbView.h"
#include "transfer/usb/DriveGpx.h"
#include "transfer/usb/UsbImageRules.h"
#include "transfer/usb/UsbTables.h"

namespace {

constexpr int kDebugContainer = 4;
constexpr int kDebugSoftwareUpdate = 0x200;
constexpr int kDebugReadRegions = 0x400;
constexpr int kLoaderRegion = 12;
constexpr int kFirmwareRegion = 14;
// The drive file rows of an image: a card being made, a unit.
constexpr int kProgramModeRegion = 1;
constexpr int kDriveImageRegion = 50;

// Regions of a container that hold no TAW or VRP data.
bool IsTawRegion(uint32_t region) {
    switch (region) {
        case 0: case 1: case 12: case 14: case 32: case 37: case 58:
            return false;
        default:
            return true;
    }
}

std::string OwnPath() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return std::string();
    path[n] = '\0';
    return path;
}

// Copies a container row's data into a file of its own; false when it cannot be written whole.
bool CopyRow(TransferFile& source, const ContainerRegion& row, const std::string& target) {
    TransferFile out;
    if (!out.OpenWrite(target, true)) return false;
    source.Seek(row.dataOffset);
    uint32_t left = row.length;
    uint8_t buffer[64 * 1024];
    while (left > 0) {
        const size_t n = source.Read(buffer, left < sizeof buffer ? left : sizeof buffer);
        if (n == 0 || !out.Write(buffer, n)) return false;
        left -= static_cast<uint32_t>(n);
    }
    return true;
}

}  // namespace

void CUsbView::Refuse(const std::string& text) {
    refused_ = true;
    Message(text);
}

void CUsbView::OnStartTransfer() {
    CUsbDoc* doc = GetDoc();
    if (!doc || usb_->running) return;
    doc->ListGarFile("");
    UsbStartOptions& options = app_.UsbOptions();
    for (;;) {
        refused_ = false;
        if (options.detailsOnly) {
            mode = kUsbRead;
            database = kUsbDbWaypoints;
            fileName = options.fileName;
            drive.clear();
            unattended_ = true;
            StartUsbSession();
            return;
        }
        if (options.mode != 0) {
            mode = options.mode - 1;
            database = options.database - 1;
            fileName = options.fileName;
            drive.clear();
            unattended_ = true;
            // A later Setup shows the dialog.
            options.mode = 0;
        } else {
            unattended_ = false;
            CUsbSetupDlg dialog;
            if (dialog.RunModal() != platform::kIdOk) return;
            mode = dialog.choice.mode;
            database = dialog.choice.database;
            fileName = dialog.choice.fileName;
            drive = dialog.choice.drive;
        }
        const bool passed = CheckRequest() && ShowTransferDetails();
        checks.sendFile.Close();
        if (passed) break;
        if (unattended_) {
            app_.Quit(kUsbExitRefused);
            return;
        }
        app_.SetExitCode(kUsbExitRefused);
    }
    app_.SetExitCode(kUsbExitOk);
    if (mode == kUsbList) {
        usb_->running = true;
        SetBusy(true);
        ClearSelection();
        doc->ListGarFile(fileName);
        if (unattended_) EndTransfer("Listing Complete");
        return;
    }
    StartUsbSession();
}

bool CUsbView::CheckRequest() {
    imageType_ = kImageTypeUnknown;
    garProductId_ = 0;
    softwareUpdate_ = false;
    tawRow_ = -1;
    if ((mode == kUsbRead || mode == kUsbWrite) && (database < 0 || database >= kUsbDatabases)) {
        Refuse("You must choose a Database");
        return false;
    }
    if (!fileName.empty()) checks.sendFile.OpenRead(fileName);
    if (app_.UsbOptions().programMode != 0 && !(mode == kUsbWrite && !drive.empty() && database == kUsbDbAviation)) {
        Refuse("Program mode is only for writing an avdb onto a blank SD Card");
        return false;
    }
    switch (mode) {
        case kUsbRead: return CheckRead();
        case kUsbWrite: return CheckWrite();
        default: return CheckList();
    }
}

bool CUsbView::CheckRead() {
    if (!drive.empty() && database != kUsbDbWaypoints && database != kUsbDbRoutes && database != kUsbDbTracks) {
        Refuse("Sorry, we can only read USR waypoints, Routes, and Tracks from an Aera");
    } else if (database == kUsbDbAviation) {
        Refuse("Sorry, we cannot read the Aviation DB from the GPS");
    } else if (database == kUsbDbTaw && !(DebugLevel() & kDebugReadRegions)) {
        Refuse("Sorry, we cannot read this data from the GPS");
    } else if (fileName.empty()) {
        Refuse("You must choose a file to receive the GPS data");
    } else if (checks.sendFile.IsOpen()) {
        const std::string question = StringFormatC("Are you SURE you want to overwrite %s", fileName.c_str());
        if (platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question}) == platform::kIdYes) {
            return true;
        }
        refused_ = true;
    } else {
        return true;
    }
    return false;
}

bool CUsbView::CheckList() {
    if (!drive.empty()) {
        Refuse("Please use Kestrane import to list Aera gpx files");
    } else if (fileName.empty()) {
        Refuse("You must choose a file to list");
    } else if (!checks.sendFile.IsOpen()) {
        Refuse(StringFormatC("Cannot open %s", fileName.c_str()));
    } else {
        uint8_t header[256] = {};
        const size_t n = checks.sendFile.Read(header, sizeof header);
        checks.sendFile.Rewind();
        if (UsbImageType(header, n) == kImageTypeUnknown) return true;
        Refuse("Please use Pelmora to list IMAGE files");
    }
    return false;
}

bool CUsbView::CheckWrite() {
    const bool driveDatabase = database == kUsbDbAviation || database == kUsbDbWaypoints || database == kUsbDbRoutes ||
                               database == kUsbDbTaw;
    if (!drive.empty() && !driveDatabase) {
        Refuse("Sorry, we can only write AVDB Images, USR waypoints, Routes, and TAWS to an Aera at this time");
    } else if (database == kUsbDbScreen) {
        Refuse("Sorry, we cannot send a Screen Dump to the GPS");
    } else if (fileName.empty()) {
        Refuse("You must choose a file to send to the GPS");
    } else if (!checks.sendFile.IsOpen()) {
        Refuse(StringFormatC("Cannot open %s", fileName.c_str()));
    } else if (database == kUsbDbTaw) {
        return CheckTawFile();
    } else if (database == kUsbDbAviation) {
        return CheckImageFile();
    } else {
        return !drive.empty() || CheckGarFile();
    }
    return false;
}

bool CUsbView::CheckGarFile() {
    // Product data aside, the file begins with its count and then an end or a record of the kind.
    GarRecord record;
    int ids[2] = {-1, -1};
    for (int found = 0; found < 2 && ReadGarRecordFrom(checks.sendFile, record) == GarRead::Ok;) {
        if (record.id == kGarProductData) {
            if (record.Reaches(1)) garProductId_ = record.S16(0);
            continue;
        }
        ids[found++] = record.id;
    }
    checks.sendFile.Rewind();
    if (ids[0] == kGarRecordCount && (ids[1] == kGarEnd || ids[1] == UsbDatabaseTable[database].recordId)) return true;
    Refuse(StringFormatC("%s does not contain the chosen type of data", fileName.c_str()));
    return false;
}

bool CUsbView::CheckTawFile() {
    container_.Read(checks.sendFile);
    if (DebugLevel() & kDebugContainer) {
        Log("");
        Log(StringFormatC("File:%s", fileName.c_str()) + (container_.model != 0 ? StringFormatC(" (model %d)", container_.model) : ""));
        Log("Rgn SectStart DataStart       Len Database");
        for (const ContainerRegion& row : container_.rows) {
            Log(StringFormatC(" %02x  %8x  %8x  %8x %s", row.region, row.recordOffset, row.dataOffset, row.length,
                              UsbRegionName(static_cast<int>(row.region))));
        }
        Log("");
    }
    if (container_.rows.empty()) {
        Refuse("This file does not contain usable data");
        return false;
    }
    for (size_t i = 0; i < container_.rows.size(); ++i) {
        if (IsTawRegion(container_.rows[i].region)) tawRow_ = static_cast<int>(i);
    }
    if (tawRow_ < 0) {
        Refuse("This file does not contain TAWS or VRP data");
        return false;
    }
    if (askRegion && container_.rows.size() == 1) {
        const ContainerRegion& row = container_.rows[0];
        const int answer = AskRegion(StringFormatC(
            "This %s file is intended for memory region %02x but you can change this by entering a new region below.",
            UsbRegionName(static_cast<int>(row.region)), row.region));
        if (answer != 0) container_.rows[0].region = static_cast<uint32_t>(answer);
    }
    // The region as it will be sent, after any change.
    if (!drive.empty() && !FindDriveFile(static_cast<int>(container_.rows[static_cast<size_t>(tawRow_)].region))) {
        Refuse("Sorry, we cannot send this data to the Aera");
        return false;
    }
    return true;
}

bool CUsbView::CheckImageFile() {
    uint8_t header[256] = {};
    const size_t n = checks.sendFile.Read(header, sizeof header);
    checks.sendFile.Rewind();
    imageType_ = UsbImageType(header, n, &checks.partNumber);
    if (imageType_ != kImageTypeUnknown) return true;
    if ((DebugLevel() & kDebugSoftwareUpdate) && EndsWithNoCase(fileName, ".rgn")) {
        container_.Read(checks.sendFile);
        if (container_.rows.size() >= 2 && container_.rows[0].region == kLoaderRegion &&
            container_.rows[1].region == kFirmwareRegion) {
            softwareUpdate_ = true;
            return true;
        }
    }
    Refuse(StringFormatC("%s is not a recognised Image file", fileName.c_str()));
    return false;
}

bool CUsbView::ShowTransferDetails() {
    Log("");
    Log(StringFormatC(" ******** Norvesk %s Transfer Details ********", kNorveskVersion));
    Log("");
    if (DebugLevel() != 0) Log(StringFormatC("Debug Level = %d", DebugLevel()));
    const char* file = fileName.c_str();
    if (mode == kUsbList) {
        Log(StringFormatC("The file '%s' will be listed", file));
    } else {
        const char* name = database == kUsbDbTaw && tawRow_ >= 0
                               ? UsbRegionName(static_cast<int>(container_.rows[static_cast<size_t>(tawRow_)].region))
                               : UsbDatabaseTable[database].name;
        Log(StringFormatC("You have chosen to transfer the '%s' database", name));
        Log(mode == kUsbWrite ? StringFormatC("out of the file '%s', and into the GPS.", file)
                              : StringFormatC("out of the GPS, and into file '%s'.", file));
    }
    checks.sendFile.Close();
    if (unattended_) return true;
    Log("CLICK THE 'GO' BUTTON WHEN READY");
    Log("");
    COkGoDlg dialog(135, "Confirm Transfer Details", "Please check the requested transfer details in the main window.");
    return dialog.RunModal() == platform::kIdOk;
}

void CUsbView::LoadDelaySettings() {
    const std::string path = DelaySettingsFile(OwnPath());
    if (!delays_.LoadAndRewrite(path) && DebugLevel() != 0) Log(StringFormatC("Unable to write '%s'", path.c_str()));
    usb_->intraReadDelay = delays_.intraReadDelay;
    usb_->intraWriteDelay = delays_.intraWriteDelay;
}

void CUsbView::StartUsbSession() {
    for (int& field : progress_) field = 0;
    usb_->running = true;
    SetBusy(true);
    hold_.emplace(&app_);
    LoadDelaySettings();
    if (DebugLevel() != 0 && database == kUsbDbAviation) {
        Log(StringFormatC("Delay Times are %d, %d, %d, %d, %d", delays_.postEraseDelay, delays_.postLoaderDelay,
                          delays_.intraReadDelay, delays_.intraWriteDelay, delays_.postTransferDelay));
        std::string line = "Models requiring a loader are:";
        for (int i = 0; i < kUsbModelRows; ++i) {
            if (delays_.NeedsLoader(ProductNameTable[i].productId)) {
                line += StringFormatC(" G%s(%d)", ProductNameTable[i].name, ProductNameTable[i].productId);
            }
        }
        Log(line);
    }
    if (mode == kUsbRead && !drive.empty()) {
        // A drive unit's GPX file is written whole at the end of the read.
    } else if (mode == kUsbRead) {
        if (!output_.OpenWrite(fileName, true)) {
            Message(StringFormatC("Unable to Open '%s' for writing", fileName.c_str()));
            EndTransfer("Cannot proceed");
            return;
        }
        if (app_.UsbOptions().detailsOnly) GetDoc()->SetEcho(&output_);
    } else if (mode == kUsbWrite) {
        if (!checks.sendFile.OpenRead(fileName)) {
            Message(StringFormatC("Unable to Open '%s' for reading", fileName.c_str()));
            EndTransfer("Cannot proceed");
            return;
        }
    }
    if (!drive.empty()) {
        // A unit reached as a drive.
        drive_ = DriveFromField(drive, app_.Profile());
        if (database == kUsbDbAviation || database == kUsbDbTaw) {
            StartDriveUpdate();
        } else if ((mode == kUsbRead || mode == kUsbWrite) && GpxElementOf(database)) {
            DriveGpxTransfer();
        } else {
            Message("Wrong Aera mode");
            EndTransfer("Cannot proceed");
        }
        return;
    }
    if (!OpenUsbDevice()) {
        EndTransfer("USB initialisation failed");
        return;
    }
    if (DebugLevel() != 0) Log(StringFormatC("USB Packet Size = %d", static_cast<int>(usb_->PacketSize())));
    Log("Requesting Session Start");
    expectedCount_ = receivedCount_ = 0;
    region_ = 0;
    loaderNeeded_ = false;
    usb_->portClosing = false;
    busySending_ = false;
    phase_ = 0;
    lastGarId_ = -1;
    screenCounted_ = false;
    stateReply_ = 0;
    Sequencer(kStStart);
}

void CUsbView::StartDriveUpdate() {
    DriveUpdateRequest request;
    request.drive = drive_;
    request.inputFile = fileName;
    request.programMode = app_.UsbOptions().programMode != 0 && database == kUsbDbAviation;
    if (database == kUsbDbTaw) {
        const ContainerRegion& row = container_.rows[static_cast<size_t>(tawRow_)];
        request.row = FindDriveFile(static_cast<int>(row.region));
        request.dataOffset = row.dataOffset;
        request.dataLength = row.length;
    } else {
        request.row = FindDriveFile(request.programMode ? kProgramModeRegion : kDriveImageRegion);
        request.dataLength = static_cast<uint32_t>(checks.sendFile.Size());
    }
    checks.sendFile.Close();
    update_.Begin(request);
    app_.idleJob = kIdleStart;
}

void CUsbView::DriveGpxTransfer() {
    const GpxElement& element = *GpxElementOf(database);
    if (drive_.root.empty()) {
        // A letter that no [Drives] entry names.
        Log(StringFormatC("Unable to Open '%s/GPX/Current.gpx' for reading", drive_.Label().c_str()));
        EndTransfer("Errors ocurred");
        return;
    }
    const std::string folder = drive_.Path("GPX");
    std::string error, written;
    const bool done = mode == kUsbRead ? ReadDriveGpx(folder + "/Current.gpx", element, fileName, error)
                                       : WriteDriveGpx(folder, element, fileName, written, error);
    if (!done) Log(error);
    EndTransfer(done ? "Operation Complete" : "Errors ocurred");
}

bool CUsbView::CompatibleWithUnit() {
    if (database == kUsbDbAviation && !softwareUpdate_ && !UsbImageAllowsUnit(imageType_, unitProductId_)) {
        return AskYesNo("The Image file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?");
    }
    if (database >= 1 && database <= 6 && !UsbGarInterchangeable(garProductId_, unitProductId_)) {
        return AskYesNo("The GAR file and the GPS unit appear to be incompatible - Do you REALLY want to continue ?");
    }
    return true;
}

bool CUsbView::PrepareUpload() {
    if (database == kUsbDbTaw) return PrepareTaw();
    if (softwareUpdate_) return PrepareSoftwareUpdate();
    return PrepareImage();
}

bool CUsbView::PrepareTaw() {
    checks.sendFile.Close();
    TransferFile container;
    const ContainerRegion& row = container_.rows[static_cast<size_t>(tawRow_)];
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/norvesk-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        EndTransfer("Cannot proceed");
        return false;
    }
    workFolder_ = pattern;
    workFile_ = workFolder_ + "/taw.bin";
    if (!container.OpenRead(fileName) || !CopyRow(container, row, workFile_) || !checks.sendFile.OpenRead(workFile_)) {
        Message(StringFormatC("Unable to Open '%s' for writing", workFile_.c_str()));
        EndTransfer("Cannot proceed");
        return false;
    }
    region_ = static_cast<int>(row.region);
    return true;
}

bool CUsbView::PrepareImage() {
    Log("Counting avdb image packets .. ");
    ImageBlocks blocks;
    checks.sendFile.Rewind();
    blocks.Scan(checks.sendFile);
    int packets = 0;
    for (size_t i = 0; i < blocks.count; ++i) packets += blocks.data[i];
    checks.sendFile.Rewind();
    Log(StringFormatC("%d Packets to send", packets));
    checks.imageType = imageType_;
    checks.countedPackets = packets;
    checks.unitProductId = unitProductId_;
    // Only the types whose packet count the serial program knows carry one to compare.
    if (imageType_ >= 0 && imageType_ < kImageTypes && checks.CheckPacketCount()) {
        EndTransfer("Transfer Aborted (Wrong Packets)");
        return false;
    }
    checks.sendFile.Rewind();
    if (!delays_.NeedsLoader(unitProductId_)) return true;
    if (!SearchLoader()) {
        EndTransfer("Transfer Aborted (No Loader)");
        return false;
    }
    loaderNeeded_ = true;
    region_ = kLoaderRegion;
    return true;
}

bool CUsbView::PrepareSoftwareUpdate() {
    TransferFile container;
    if (!container.OpenRead(fileName) || !CopyRow(container, container_.rows[0], "swldr.bin") ||
        !CopyRow(container, container_.rows[1], "sw.bin")) {
        Message("Unable to Open 'sw.bin' for writing");
        EndTransfer("Cannot proceed");
        return false;
    }
    checks.sendFile.Close();
    if (!checks.sendFile.OpenRead("sw.bin") || !loader_.OpenRead("swldr.bin")) {
        EndTransfer("Cannot proceed");
        return false;
    }
    loaderNeeded_ = true;
    region_ = kLoaderRegion;
    return true;
}

bool CUsbView::SearchLoader() {
    struct Candidate {
        unsigned long time;
        std::string name;
    };
    std::vector<Candidate> candidates;
    const std::vector<std::string> names = platform::ListDirectory(".");
    for (const char* extension : {".awp", ".taw"}) {
        for (const std::string& name : names) {
            struct stat st;
            if (!EndsWithNoCase(name, extension) || ::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            candidates.push_back({static_cast<unsigned long>(st.st_mtime), name});
        }
    }
    const std::string loaderName = StringFormatC("usbldr%s.bin", UsbModelName(unitProductId_));
    while (!candidates.empty()) {
        size_t best = 0;
        for (size_t i = 1; i < candidates.size(); ++i) {
            if (candidates[i].time > candidates[best].time) best = i;
        }
        std::string trace;
        const bool found = ExtractUsbLoader(candidates[best].name, loaderName, unitProductId_, trace);
        if (DebugLevel() != 0) Log(trace);
        if (found && loader_.OpenRead(loaderName)) {
            Log(StringFormatC("Loader found in file %s", candidates[best].name.c_str()));
            return true;
        }
        candidates.erase(candidates.begin() + static_cast<long>(best));
    }
    Log("No Loader available - please place a suitable .awp or .taw file next to the .img file");
    return false;
}
