// The client's jobs of the view: the checks after the unit's id, the image upload block by
// block after the unit's erase (with a loader first for the units that need one), the GAR
// upload with its record count, and the records a receive stores.
#include <cerrno>
#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/CComView.h"

namespace {

constexpr int kLoaderRegion = 12;
constexpr int kVrpRegion = 79;
constexpr int kObstacleRegion = 39;
constexpr int64_t kLargestSmallImage = 2097152;
constexpr int kTailFrom = 122;

bool IsVrpUnit(int productId) { return productId == 595 || productId == 887; }

bool Blank(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] != 0xFF) return false;
    }
    return true;
}

bool IsImageKind(int kind) { return kind >= 0 && kind < kHostFileKinds && HostFileTable[kind].region >= 0; }

}  // namespace

bool CComView::UploadChecks() {
    const int productId = checks.unitProductId;
    if (mode == kModeWrite && database == kKindObstacles) {
        if (productId < 145) {
            Message("Sorry, obstacles uploading with Wistrel only permitted to G196 units");
            StopTransfer("Transfer Aborted (Wrong model)");
            return false;
        }
        uint8_t first[4] = {1, 1, 1, 1};
        checks.sendFile.Rewind();
        const size_t n = checks.sendFile.Read(first, 4);
        checks.sendFile.Rewind();
        if (n < 4 || first[0] != 0 || first[1] != 0 || first[2] != 0 || first[3] != 0) {
            Message("Sorry, this is the wrong type of file");
            StopTransfer("Transfer Aborted (Wrong file type)");
            return false;
        }
    }
    if (productId < 48) {
        Log("Baudrate changes not supported on this model");
        maxBaud = 0;
    }
    if (mode == kModeWrite && database == kKindAviation && productId < 260 &&
        checks.sendFile.Size() > kLargestSmallImage) {
        Message("This image is > 2mb and too big for your unit");
        StopTransfer("Transfer Aborted (Image too big)");
        return false;
    }
    if (mode == kModeWrite && database == kKindAviation && ImageChecks::NeedsLoader(productId)) {
        Log("Searching for a suitable .awp or .rgn file ...");
        loaderFlag_ = checks.SearchLoaderFile() != 0;
    }
    return true;
}

void CComView::WriteImageJob() {
    const int productId = checks.unitProductId;
    if (!ImageChecks::NeedsLoader(productId)) {
        checks.FindLoader("");
    } else {
        if (database == kKindAviation && region_ == 0) {
            if (loaderFlag_) {
                region_ = IsVrpUnit(productId) ? kVrpRegion : kLoaderRegion;
                checks.sendFile.Close();
                if (!checks.sendFile.OpenRead(checks.folder + "/" + checks.LoaderFileName())) {
                    StopTransfer(StringFormatC("Unable to Open '%s' for reading", checks.LoaderFileName().c_str()));
                    return;
                }
            } else if (!IsVrpUnit(productId)) {
                Log("Transfer Aborted (No loader)");
                Sequencer(NDJOB);
                return;
            }
        } else if (database == kKindAviation) {
            region_ = 0;
            checks.sendFile.Close();
            if (!checks.sendFile.OpenRead(checks.fileName)) {
                StopTransfer(StringFormatC("Unable to Open '%s' for reading", checks.fileName.c_str()));
                return;
            }
            packets_ = 0;
        } else if (database == kKindObstacles) {
            region_ = kObstacleRegion;
        }
        app_.ComOptions().newProtocol = true;
    }
    offset_ = 0;
    specialBlock_ = 0;
    packets_ = 0;
    checks.sendFile.Rewind();
    checks.CountPackets();
    specialBlock_ = checks.lastDataPacket;
    if (region_ == 0 && database == kKindAviation && checks.CheckPacketCount()) {
        StopTransfer("Transfer Aborted (Wrong Packets)");
        return;
    }
    if (app_.ComOptions().newProtocol) {
        Send2(75, region_, 0);
    } else {
        SendCommand(13);
    }
    state_ = WFERASE;
    Log("Waiting for Erase to end ..... (This can take a few minutes)");
}

void CComView::SendImageBlock() {
    uint8_t packet[4 + 128];
    uint8_t* block = packet + 4;
    size_t n = 0;
    for (;;) {
        n = checks.sendFile.Read(block, 128);
        if (n == 0 || !Blank(block, n)) break;
        offset_ += static_cast<int64_t>(n);
    }
    if (n > 0 && packets_ < checks.countedPackets) {
        if (specialBlock_ != 0 && offset_ / 128 + 1 == specialBlock_ && n > static_cast<size_t>(kTailFrom))
            std::memset(block + kTailFrom, 0xFF, n - kTailFrom);
        const uint32_t at = static_cast<uint32_t>(offset_);
        for (int i = 0; i < 4; ++i) packet[i] = static_cast<uint8_t>(at >> 8 * i);
        offset_ += static_cast<int64_t>(n);
        Send(36, packet, static_cast<int>(n) + 4);
        ++packets_;
        ShowPacketProgress();
        return;
    }
    if (app_.ComOptions().newProtocol) {
        Send2(45, region_, 0);
    } else {
        Send2(12, 12, 0);
    }
    state_ = WRAVDND;
    ShowPacketProgress();
}

int CComView::GarSendCount() {
    TransferFile& file = checks.sendFile;
    const int64_t at = file.Position();
    file.Rewind();
    int count = 0;
    int stored = -1;
    GarRecord record;
    while (ReadGarRecordFrom(file, record) == GarRead::Ok && record.id != kGarEnd) {
        if (record.id == kGarRecordCount) {
            if (stored < 0 && record.Reaches(1)) stored = record.S16(0);
        } else if (record.id != kGarProductData) {
            ++count;
        }
    }
    file.Seek(at);
    return stored >= 0 ? stored : count;
}

void CComView::SendGarRecord() {
    if (!countSent_) {
        // The record count goes first, as a unit sends it.
        countSent_ = true;
        const int count = GarSendCount();
        Send2(27, count & 0xFF, count >> 8 & 0xFF);
        return;
    }
    const int endCommand = mode == kModeHost ? hostCommand_ : 0;
    uint8_t packet[257];
    if (checks.sendFile.Position() >= checks.sendFile.Size()) {
        packet[0] = static_cast<uint8_t>(kGarEnd);
    } else if (!checks.ReadGarRecord(packet)) {
        StopTransfer("Transfer Aborted");
        return;
    }
    if (packet[0] == kGarEnd) {
        // The end record names the transfer's command.
        Send2(kGarEnd, endCommand, 0);
        state_ = WRND;
        return;
    }
    Send(packet[0], packet + 2, packet[1]);
    ++packets_;
    ShowPacketProgress();
}

void CComView::StoreRecord(const uint8_t* packet) {
    TransferFile& file = checks.receiveFile;
    if (!file.IsOpen()) return;
    const int id = packet[1];
    const int size = packet[2];
    const uint8_t* data = packet + 3;
    if (id == 36 && size >= 4) {
        file.Seek(data[0] | data[1] << 8 | data[2] << 16 | static_cast<int64_t>(data[3]) << 24);
        WriteReceived(data + 4, static_cast<size_t>(size - 4));
        ++packets_;
        return;
    }
    if (IsImageKind(database)) return;
    WriteReceived(packet + 1, static_cast<size_t>(size) + 2);
    if (id != kGarRecordCount && id != kGarEnd) ++packets_;
}

void CComView::StoreProductData() {
    uint8_t record[2 + 4];
    record[0] = 255;
    record[1] = 4;
    std::memcpy(record + 2, PacketData(), 4);
    if (checks.receiveFile.IsOpen()) WriteReceived(record, sizeof record);
}

bool CComView::WriteReceived(const void* data, size_t size) {
    if (writeError_ != 0) return false;
    if (checks.receiveFile.Write(data, size)) return true;
    writeError_ = errno != 0 ? errno : EIO;
    if (mode == kModeRead) {
        StopTransfer(WriteErrorText() + " - Transfer Terminated");
    } else {
        Log(WriteErrorText());
    }
    return false;
}

std::string CComView::WriteErrorText() const {
    return StringFormatC("Unable to write '%s' - %s", checks.fileName.c_str(), std::strerror(writeError_));
}

bool CComView::SyncReceiveFile() {
    if (!checks.receiveFile.IsOpen()) return writeError_ == 0;
    if (!checks.receiveFile.SyncAndClose() && writeError_ == 0) writeError_ = errno != 0 ? errno : EIO;
    return writeError_ == 0;
}

void CComView::MakeUpScreenCount() {
    const uint8_t* data = PacketData();
    const int count = static_cast<int16_t>(data[16] | data[17] << 8) + 1;
    const uint8_t record[3 + 2] = {kDle, 27, 2, static_cast<uint8_t>(count & 0xFF), static_cast<uint8_t>(count >> 8)};
    StoreRecord(record);
    expected_ = count;
}
