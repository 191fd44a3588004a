// The USB protocol engine of CUsbView: the sequencer, the packets each state sends and the
// handling of what the unit sends.
#include <cstring>

#include "common/CLocale.h"
#include "platform/Frame.h"
#include "transfer/common/GarRecord.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/TraceText.h"
#include "transfer/common/UnitDetails.h"
#include "transfer/usb/CUopDlg.h"
#include "transfer/usb/CUsbApp.h"
#include "transfer/usb/CUsbDoc.h"
#include "transfer/usb/CUsbSetupDlg.h"
#include "transfer/usb/CUsbView.h"
#include "transfer/usb/UsbImageRules.h"
#include "transfer/usb/UsbTables.h"

namespace {

constexpr int kDebugQueues = 8;
constexpr int kDebugTrace = 16;
constexpr int kBatch = 14;
constexpr size_t kBlock = 128;
constexpr int kLoaderRegion = 12;
constexpr int kFirmwareRegion = 14;
constexpr uint16_t kScreenEndValue = 32;

// Application ids.
constexpr uint16_t kAppCommand = 10, kAppEnd = 12, kAppDateTime = 14, kAppPosition = 17, kAppCount = 27;
constexpr uint16_t kAppPrepare = 28, kAppVersion = 32, kAppBlock = 36, kAppSerial = 38, kAppRegionEnd = 45;
constexpr uint16_t kAppRegionAnswer = 74, kAppErase = 75, kAppRegionRead = 96, kAppTextList = 248;
constexpr uint16_t kAppProtocolArray = 253, kAppProductRequest = 254, kAppProductData = 255;
constexpr uint16_t kAppSessionQuery = 526;
constexpr uint16_t kCmdDateTime = 14;

bool IsDataRecord(int id) {
    switch (id) {
        case 19: case 29: case 30: case 31: case 34: case 35: case 69: case 98: case 99:
            return true;
        default:
            return false;
    }
}

bool AllBlank(const uint8_t* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] != 0xFF) return false;
    }
    return true;
}

}  // namespace

void CUsbView::OnTimer(unsigned id) {
    if (DebugLevel() & kDebugTrace) Trace("OnTimer", StringFormatC(" %s %u", UsbStateName(state_), id));
    if (id != 1 && id != 2) {
        LogView::OnTimer(id);
        return;
    }
    KillTimer(id);
    timerId_ = 0;
    if (id == 1) {
        Sequencer(kStTTimeout);
        return;
    }
    if (OpenUsbDevice()) {
        phase_ = 5;
        WProc(kStS05);
        ActivateRead();
    } else {
        EndTransfer("USB initialisation failed on restart");
    }
}

void CUsbView::Sequencer(int state) {
    if (DebugLevel() & kDebugTrace) {
        Trace("Sequencer", StringFormatC(" %s %s", UsbStateName(state_), UsbStateName(state)));
    }
    const bool timeout = state == kStTTimeout;
    if (!timeout) {
        state_ = state;
        lastSequencerState_ = state;
    }
    if (state > kStFinish && !timeout) {
        const std::string text = StringFormatC("Unimplemented Sequencer case %d", state);
        Log(text);
        EndTransfer(text);
        return;
    }
    auto startTimer = [this](int id, int ms) {
        timerId_ = id;
        SetTimer(static_cast<unsigned>(id), static_cast<unsigned>(ms < 0 ? 0 : ms));
    };
    switch (state_) {
        case kStStart:
            WProc(kStS05);
            ActivateRead();
            break;
        case kStS05:
            WProc(kStS10);
            break;
        case kStS10:
            if (phase_ == 2) {
                usb_->portClosing = true;
                WProc(kStLdrErase);
                startTimer(1, delays_.postEraseDelay);
            } else if (phase_ == 4) {
                if (stateReply_ != 4) {
                    EndTransfer("The erase operation did not work");
                    break;
                }
                Log("Sending Loader");
                WProc(kStLdrSend);
            } else if (phase_ == 6) {
                if (database == kUsbDbAviation) region_ = softwareUpdate_ ? kFirmwareRegion : 0;
                WProc(kStAvdErase);
            } else {
                WProc(kStRqud);
            }
            break;
        case kStS20E:
            phase_ = loaderNeeded_ ? 2 : 5;
            WProc(kStS05);
            break;
        case kStRqud:
            if (app_.UsbOptions().detailsOnly) {
                EndTransfer("Details Complete");
                if (platform::Frame* frame = app_.MainFrame()) app_.Post(frame, platform::kMsgClose);
                break;
            }
            if (phase_ == 0 && mode == kUsbWrite && !CompatibleWithUnit()) {
                EndTransfer("Transfer Aborted (Wrong Model)");
                break;
            }
            WProc(kStS1C);
            if (phase_ == 0) {
                WProc(kStRqts);
            } else if (phase_ == 1) {
                WProc(kStS20E);
            } else {
                ++phase_;
                WProc(kStS05);
            }
            break;
        case kStRqts:
            receivedCount_ = 0;
            if (mode == kUsbRead) {
                WProc(kStRdjob);
            } else if (mode == kUsbWrite && database >= 1 && database <= 6) {
                WProc(kStWrjob);
            } else if (mode == kUsbWrite) {
                if (!PrepareUpload()) break;
                phase_ = 1;
                WProc(kStS05);
            } else {
                Sequencer(kStFinish);
            }
            break;
        case kStRdjob:
            if (expectedCount_ != receivedCount_) {
                if (timeout) {
                    // Unattended, nothing came for IntraReadDelay: the read will not complete.
                    EndTransfer(StringFormatC(" *** BEWARE *** Packets Exp=%d, Rec=%d", expectedCount_, receivedCount_));
                    break;
                }
                if (DebugLevel() & kDebugQueues) {
                    Log(StringFormatC("possible early termination (Exp=%d, Rec=%d)", expectedCount_, receivedCount_));
                }
                if (unattended_) startTimer(1, delays_.intraReadDelay);
            } else {
                if (DebugLevel() & kDebugQueues) {
                    Log(StringFormatC("termination (Exp=%d, Rec=%d)", expectedCount_, receivedCount_));
                }
                Sequencer(kStFinish);
            }
            break;
        case kStLdrErase:
            if (!timeout) break;
            usb_->portClosing = false;
            CloseUsbDevice();
            if (OpenUsbDevice()) {
                phase_ = 3;
                WProc(kStS05);
                ActivateRead();
            } else {
                EndTransfer("USB initialisation failed on restart");
            }
            break;
        case kStNdLoader:
            if (!timeout) {
                loader_.Close();
                usb_->portClosing = true;
                Log(StringFormatC("Waiting %d seconds before closing port", delays_.postLoaderDelay / 1000));
                startTimer(1, delays_.postLoaderDelay);
            } else {
                usb_->portClosing = false;
                CloseUsbDevice();
                Log(StringFormatC("Waiting %d seconds before opening port", delays_.postLoaderDelay / 1000));
                startTimer(2, delays_.postLoaderDelay);
            }
            break;
        case kStAvdErase:
            Log("Sending Database");
            WProc(kStAvdSend);
            break;
        case kStFinish:
            if (!timeout) {
                usb_->portClosing = true;
                startTimer(1, delays_.postTransferDelay);
            } else {
                usb_->portClosing = false;
                EndTransfer("Transfer Complete");
            }
            break;
        default: {
            const std::string text = StringFormatC("Unimplemented Sequencer case %d", state_);
            Log(text);
            EndTransfer(text);
            break;
        }
    }
}

void CUsbView::WProc(int state) {
    if (DebugLevel() & kDebugTrace) Trace("WProc", StringFormatC(" %s", UsbStateName(state)));
    state_ = state;
    if (!usb_->running) return;
    switch (state) {
        case kStS05:
            QueueTransportPacket(kUsbStartSession);
            break;
        case kStS10:
            QueueTransportPacket(kUsbQueryState);
            break;
        case kStS1C:
            SendValue(kAppPrepare, 0, 2);
            return;  // queued only
        case kStS20E:
            SetupTx(kAppSessionQuery, 0);
            break;
        case kStRqud:
            if (phase_ == 0) Log("Requesting Unit Details");
            SetupTx(kAppProductRequest, 0);
            break;
        case kStRqts:
            SendValue(kAppCommand, kCmdDateTime, 2);
            break;
        case kStRdjob: {
            const UsbDatabaseRow& row = UsbDatabaseTable[database];
            Log(StringFormatC("Requesting the '%s' database", row.name));
            if (row.command < 0) {
                region_ = AskRegion("Choose the region you wish to read out of the gps");
                SendValue(kAppRegionRead, static_cast<uint32_t>(region_), 4);
            } else {
                SendValue(kAppCommand, static_cast<uint32_t>(row.command), 2);
            }
            break;
        }
        case kStWrjob:
            busySending_ = true;
            if (!SendGarRecords()) return;
            break;
        case kStWrnd:
        case kStNdAvd:
            busySending_ = false;
            if (state == kStNdAvd) ShowPacketProgress();
            Sequencer(kStFinish);
            return;
        case kStNdLoader:
            busySending_ = false;
            ShowPacketProgress();
            Sequencer(kStNdLoader);
            return;
        case kStLdrErase:
        case kStAvdErase: {
            const int region = state == kStLdrErase ? kLoaderRegion : region_;
            if (state == kStLdrErase) {
                Log("Erasing region 0C for loader");
            } else {
                Log(StringFormatC("Erasing region %02X for %s database", region, UsbRegionName(region)));
            }
            SendValue(kAppErase, static_cast<uint32_t>(region), 2);
            Log(state == kStLdrErase ? "Waiting for Erase to end ..... "
                                     : "Waiting for Erase to end ..... (Don't despair, this might take ages)");
            sendOffset_ = 0;
            receivedCount_ = 0;
            break;
        }
        case kStLdrSend:
            busySending_ = true;
            if (!SendBlocks(loader_, false, kLoaderRegion, kStNdLoader)) return;
            break;
        case kStAvdSend:
            busySending_ = true;
            if (!SendBlocks(checks.sendFile, true, 0, kStNdAvd)) return;
            break;
        default:
            Log(StringFormatC("Unimplemented WProc case 0x%02x", state));
            return;
    }
    ActivateWrite();
}

bool CUsbView::SendGarRecords() {
    for (int sent = 0; sent < kBatch; ++sent) {
        GarRecord record;
        const GarRead read = ReadGarRecordFrom(checks.sendFile, record);
        if (read == GarRead::Ok && record.id == kGarProductData) {
            if (record.Reaches(1)) garProductId_ = record.S16(0);
            --sent;
            continue;
        }
        if (read != GarRead::Ok) {
            if (lastGarId_ != kGarEnd) {
                Message("Unexpected End of File");
                SendValue(kAppEnd, 0, 2);
            }
        } else {
            lastGarId_ = record.id;
            std::memcpy(transmit_, record.data, static_cast<size_t>(record.size));
            SetupTx(static_cast<uint16_t>(record.id), static_cast<uint32_t>(record.size));
            ++receivedCount_;
            if (record.id != kGarEnd) continue;
        }
        // The end: an empty transport packet ends the USB transfer.
        QueueTransportPacket(0);
        state_ = kStWrnd;
        break;
    }
    ShowPacketProgress();
    return usb_->running;
}

bool CUsbView::SendBlocks(TransferFile& file, bool skipBlank, uint16_t endValue, int nextState) {
    for (int sent = 0; sent < kBatch;) {
        uint8_t block[kBlock];
        const size_t n = file.Read(block, sizeof block);
        if (n < 1) {
            SendValue(kAppRegionEnd, endValue, 2);
            state_ = nextState;
            break;
        }
        const uint32_t offset = sendOffset_;
        sendOffset_ += static_cast<uint32_t>(n);
        if (skipBlank && AllBlank(block, n)) continue;
        PutUsbU32(transmit_, offset);
        std::memcpy(transmit_ + 4, block, n);
        SetupTx(kAppBlock, static_cast<uint32_t>(n + 4));
        ++receivedCount_;
        ++sent;
    }
    ShowPacketProgress();
    return usb_->running;
}

void CUsbView::StoreUnitSerial(const uint8_t* data, size_t size) {
    if (phase_ != 0) return;
    unitDataSize_ = size < sizeof unitData_ ? size : sizeof unitData_;
    std::memcpy(unitData_, data, unitDataSize_);
    const uint32_t first = unitDataSize_ >= 4 ? UsbU32(unitData_) : 0;
    std::string line = size == 4 ? StringFormatC("Unit Serial Number: %u ", first) : StringFormatC("Unit Serial Bytes: 0x%08x ", first);
    if (DebugLevel() != 0) {
        for (size_t i = 4; i < unitDataSize_; ++i) line += StringFormatC("%02x ", unitData_[i]);
    }
    Log(line);
    Log("");
}

void CUsbView::WriteRecord(int id, const uint8_t* data, size_t size) {
    if (app_.UsbOptions().detailsOnly || !output_.IsOpen()) return;
    const size_t n = size > 255 ? 255 : size;
    const uint8_t head[2] = {static_cast<uint8_t>(id), static_cast<uint8_t>(n)};
    if (!output_.Write(head, 2) || !output_.Write(data, n)) {
        Message(StringFormatC("Unable to write '%s'", fileName.c_str()));
        EndTransfer("Cannot proceed");
    }
}

void CUsbView::ReadRecord(int id, const uint8_t* data, size_t size) {
    if (mode != kUsbRead) return;
    if (database == kUsbDbScreen && id == kGarScreenDump && !screenCounted_) {
        // A screen comes without its count: the rows of the first record tell it.
        screenCounted_ = true;
        const uint32_t rows = size >= 24 ? UsbU32(data + 20) : 0;
        expectedCount_ = static_cast<int>(rows + 1);
        const uint8_t count[2] = {static_cast<uint8_t>(expectedCount_), static_cast<uint8_t>(expectedCount_ >> 8)};
        WriteRecord(kGarRecordCount, count, 2);
    }
    WriteRecord(id, data, size);
    ++receivedCount_;
    ShowPacketProgress();
    if (database == kUsbDbScreen && receivedCount_ == expectedCount_) {
        const uint8_t end[2] = {kScreenEndValue, 0};
        WriteRecord(kGarEnd, end, 2);
    }
}

void CUsbView::WriteRegionBlock(const uint8_t* data, size_t size) {
    if (busySending_ || mode != kUsbRead || size < 4 || !output_.IsOpen()) return;
    const uint32_t offset = UsbU32(data);
    int64_t end = output_.Size();
    // Memory the unit did not send is erased: the gap is filled with 0xFF.
    static const std::string kBlank(256, '\xFF');
    while (end < static_cast<int64_t>(offset)) {
        const int64_t piece = static_cast<int64_t>(offset) - end < 256 ? static_cast<int64_t>(offset) - end : 256;
        output_.Seek(end);
        if (!output_.Write(kBlank.data(), static_cast<size_t>(piece))) break;
        end += piece;
    }
    output_.Seek(offset);
    output_.Write(data + 4, size - 4);
    ++receivedCount_;
    ShowPacketProgress();
}

void CUsbView::RProc() {
    const uint8_t type = UsbPacketType(receive_);
    const uint16_t id = UsbPacketId(receive_);
    const uint8_t* data = receive_ + kUsbHeaderSize;
    const size_t size = receiveSize_;
    if (DebugLevel() & kDebugTrace) Trace("RProc", StringFormatC(" %s 0x%x", UsbStateName(state_), id));
    if (type == kUsbTransport) {
        switch (id) {
            case 0:
                if (receive_[1] == kUsbFromInterrupt) Sequencer(state_);
                break;
            case kUsbDataAvailable:
                break;
            case kUsbSessionStarted:
                StoreUnitSerial(data, size);
                Sequencer(state_);
                break;
            case kUsbStateReply:
                stateReply_ = size >= 2 ? data[1] : 0;
                Sequencer(state_);
                break;
            default:
                Log(StringFormatC("Unimplemented RProc protocol case 0x%02x", id));
                break;
        }
        return;
    }
    switch (id) {
        case 0: case 9: case 26: case 525:
            break;
        case kAppEnd:
            if (mode == kUsbRead && database != kUsbDbScreen) WriteRecord(id, data, size);
            if (receivedCount_ != expectedCount_) {
                Log(StringFormatC(" *** BEWARE *** Packets Exp=%d, Rec=%d", expectedCount_, receivedCount_));
            }
            break;
        case kAppDateTime:
            if (size >= 8) {
                Log(StringFormatC("Date: %2.2d/%2.2d/%4.4d  %2.2d:%2.2d:%2.2d", data[1], data[0], UsbU16(data + 2),
                                  UsbU16(data + 4), data[6], data[7]));
            }
            break;
        case kAppPosition:
            Log(HexDump("Current Position", data, static_cast<int>(size), 0));
            break;
        case kAppCount:
            expectedCount_ = size >= 2 ? static_cast<int16_t>(UsbU16(data)) : 0;
            Log(StringFormatC("%d Packets to Transfer", expectedCount_));
            if (mode == kUsbRead) WriteRecord(id, data, size);
            break;
        case kAppVersion:
            Log("Software Version " + std::string(reinterpret_cast<const char*>(data), strnlen(reinterpret_cast<const char*>(data), size)));
            break;
        case kAppBlock:
            WriteRegionBlock(data, size);
            break;
        case kAppSerial:
            StoreUnitSerial(data, size);
            break;
        case kAppRegionEnd:
            EndTransfer("Transfer Complete");
            break;
        case kAppRegionAnswer:
            if (size >= 2 && UsbU16(data) == 1) {
                EndTransfer("This memory region is not available in this gps unit - Transfer aborted");
            } else {
                Log(StringFormatC("Received \"start %s region transfer\"", UsbRegionName(region_)));
            }
            break;
        case kAppTextList:
            if (phase_ == 0) AddLines(TextStringLines(data, static_cast<int>(size)));
            break;
        case kAppProtocolArray:
            if (phase_ == 0) AddLines(ProtocolArrayLines(data, static_cast<int>(size)));
            break;
        case kAppProductData: {
            if (phase_ != 0) break;
            ProductData product;
            AddLines(ProductDataLines(data, static_cast<int>(size), &product));
            unitProductId_ = product.productId;
            if (mode == kUsbRead) WriteRecord(id, data, size < 4 ? size : 4);
            break;
        }
        default:
            if (IsDataRecord(id)) {
                ReadRecord(id, data, size);
            } else {
                Log(StringFormatC("Unimplemented RProc application case 0x%02x", id));
            }
            break;
    }
}
