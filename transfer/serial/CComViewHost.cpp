// The emulated unit of the view (Host mode, and the emulator child): the fixed replies of the
// chosen model, the host files served and received, baud offers, and the erase of the unit's
// memory in idle time.
#include <cstring>

#include "common/CLocale.h"
#include "transfer/common/GarTables.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/serial/BaudTable.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/CComView.h"
#include "transfer/serial/EmulatedModels.h"

namespace {

constexpr int kEraseBlock = 256;
constexpr int kNewDatabase = 256;

// Blocks of 256 bytes the emulated unit erases, by region, else by model.
int EraseBlocks(int region, int model) {
    switch (region & 0xFF) {
        case 4: return 1024;
        case 10: return 32768;
        case 12: return 128;
        case 14:
        case 79: return 2048;
        case 39: return 16384;
        default: break;
    }
    switch (model) {
        case 12: return 10240;
        case 4:
        case 6:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11: return 8192;
        case 5: return 6144;
        case 3: return 5888;
        case 2: return 1024;
        case 1: return 4096;
        default: return 3072;
    }
}

constexpr uint8_t kReply7B[8] = {0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00};
constexpr uint8_t kReply63[12] = {0x3F, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

}  // namespace

int CComView::FindHostKind(int value, bool byCommand) const {
    for (int kind = 0; kind < kHostFileKinds; ++kind) {
        const HostFileRow& row = HostFileTable[kind];
        if ((byCommand ? row.command : row.recordId) == value && (row.region < 0 || row.region == region_)) return kind;
    }
    return byCommand ? -1 : KindOfOtherRecord(value);
}

void CComView::SendUnitDetails() {
    const std::vector<uint8_t> product = ProductDataPayload(emulatedModel);
    Send(255, product.data(), static_cast<int>(product.size()));
    if (emulatedModel >= 8 && emulatedModel <= 11) {
        uint8_t text[68] = {};
        const char* first = "VERSTDB Terrain Database Missing";
        const char* second = "VERSOBS Obstacle Database Missing";
        std::memcpy(text, first, std::strlen(first));
        std::memcpy(text + std::strlen(first) + 1, second, std::strlen(second));
        Send(248, text, sizeof text);
    }
    if (EmulatedModelTable[emulatedModel].protocolArraySize != 0) {
        const std::vector<uint8_t> protocols = ProtocolArrayPayload(emulatedModel);
        Send(253, protocols.data(), static_cast<int>(protocols.size()));
    }
}

void CComView::SendUnitId() {
    const std::vector<uint8_t> id = UnitIdPayload(emulatedModel);
    Send(38, id.data(), static_cast<int>(id.size()));
}

void CComView::AbandonHostJob() {
    // A client that starts again leaves the job it broke off.
    if (state_ == HOSTJOB) return;
    app_.SetIdleJob(0);
    eraseJob_ = 0;
    KillTimer(1);
    timerId_ = 0;
    CloseTransferFiles();
    state_ = HOSTJOB;
    packets_ = expected_ = 0;
}

void CComView::HostRequest(int id) {
    const uint8_t* data = PacketData();
    const int size = PacketSize();
    switch (id) {
        case 254:
            AbandonHostJob();
            Log("Sending Unit Details");
            SendUnitDetails();
            break;
        case 28: {
            AbandonHostJob();
            const char* version = emulatedModel >= 6 ? " 4.90 " : " 2.06 ";
            Send(32, reinterpret_cast<const uint8_t*>(version), 7);
            const uint8_t one = 1;
            Send(9, &one, 1);
            Log("Sent Software Version");
            break;
        }
        case 48: {
            if (checks.unitProductId == 53) break;
            const long requested = size >= 4 ? static_cast<long>(data[0] | data[1] << 8 | data[2] << 16 |
                                                                 static_cast<uint32_t>(data[3]) << 24)
                                             : 0;
            const int nearest = NearestBaudIndex(requested);
            int index = nearest < 0 ? 0 : nearest;
            if (index > maxBaud) index = maxBaud;
            OfferBaudrate(BaudTable[nearest < 0 ? 0 : nearest].nominal, index);
            const uint32_t offered = static_cast<uint32_t>(BaudTable[index].offered);
            const uint8_t reply[4] = {static_cast<uint8_t>(offered), static_cast<uint8_t>(offered >> 8),
                                      static_cast<uint8_t>(offered >> 16), static_cast<uint8_t>(offered >> 24)};
            agreedRate_ = BaudTable[index].nominal;
            savedState_ = state_;
            savedAckWait_ = ackWait_;
            ackWait_ = true;
            Send(49, reply, 4);
            state_ = BAUDREQU;
            break;
        }
        case 75: {
            region_ = size >= 2 ? static_cast<int16_t>(data[0] | data[1] << 8) : 0;
            Log(StringFormatC("Received: \"Request Start Region %d Receive\"", region_));
            int kind = FindHostKind(36, false);
            if (kind < 0) kind = 0;
            database = kind;
            if (checks.OpenReceiveFile(kind, true)) EraseImageFile(kind, region_);
            state_ = HOSTRX;
            savedCount_[1] = 27;
            savedCount_[2] = 2;
            savedCount_[3] = savedCount_[4] = 0;
            countReceived_ = true;
            break;
        }
        case 123:
            Log("Received 0x7b request");
            Send(126, kReply7B, sizeof kReply7B);
            break;
        default:
            HostRecord(id);
            break;
    }
}

void CComView::HostRecord(int id) {
    if (state_ == HOSTJOB) {
        if (id == kGarEnd || id == 45) return;
        if (id == kGarRecordCount) {
            std::memcpy(savedCount_, received_, static_cast<size_t>(PacketSize()) + 3);
            countReceived_ = true;
            state_ = HOSTRX;
            return;
        }
        // Records without a count: a receive as if a count of 0 had come.
        countReceived_ = false;
        savedCount_[1] = 27;
        savedCount_[2] = 2;
        savedCount_[3] = savedCount_[4] = 0;
        state_ = HOSTRX;
    }
    if (state_ != HOSTRX) return;
    if (id == kGarEnd || id == 45) {
        StoreRecord(received_);
        if (packets_ != expected_ && id == kGarEnd)
            Log(StringFormatC(" *** BEWARE *** Packets Exp=%d, Rec=%d", expected_, packets_));
        EndOfJob();
        return;
    }
    if (id == kGarRecordCount) return;
    if (!checks.receiveFile.IsOpen()) {
        StartHostReceive();
        if (state_ != HOSTRX) return;
    }
    StoreRecord(received_);
    ShowPacketProgress();
}

void CComView::StartHostReceive() {
    const int kind = FindHostKind(received_[1], false);
    if (kind < 0) {
        LogParagraph("Unknown data type");
        state_ = HOSTJOB;
        return;
    }
    database = kind;
    const bool garKind = HostFileTable[kind].region == -1;
    if (!checks.OpenReceiveFile(kind, garKind)) {
        state_ = HOSTJOB;
        return;
    }
    const int count = static_cast<int16_t>(savedCount_[3] | savedCount_[4] << 8);
    const char* name = HostFileTable[kind].name;
    const char* file = HostFileTable[kind].file;
    Log(count > 0 ? StringFormatC("Receiving %s Database into file '%s' (%d packets)", name, file, count)
                  : StringFormatC("Receiving %s Database into file '%s'", name, file));
    expected_ = count;
    if (countReceived_) StoreRecord(savedCount_);
}

void CComView::SetHostJob(int command) {
    if (Tracing()) Trace(TraceLine("SetHostJob").Name(TransferStateName(state_)).Hex(static_cast<unsigned>(command)));
    switch (command) {
        case 1:
        case 3:
        case 4:
        case 6:
        case 7: {
            const int kind = FindHostKind(command, true);
            Log(StringFormatC("Sending %s Database from file '%s'", HostFileTable[kind].name, HostFileTable[kind].file));
            if (!checks.OpenSendFile(kind)) {
                Sequencer(IDLE);
                return;
            }
            database = kind;
            hostCommand_ = command;
            packets_ = 0;
            ackWait_ = true;
            countSent_ = false;
            WProc(WRJOB);
            break;
        }
        case 8:
            LogParagraph("POWER DOWN");
            break;
        case 11:
            LogParagraph("Set defaults and POWER DOWN");
            break;
        case 12:
            Send2(27, checks.countedPackets & 0xFF, checks.countedPackets >> 8 & 0xFF);
            ackWait_ = true;
            break;
        case 13:
            region_ = 0;
            database = kKindAviation;
            if (!checks.OpenReceiveFile(kKindAviation, true)) return;
            EraseImageFile(kKindAviation, kNewDatabase);
            break;
        case 14:
            Log("Sending Time Stamp");
            SendUnitId();
            break;
        case 57:
        case 58:
            break;
        case 63:
            Send(95, kReply63, sizeof kReply63);
            break;
        default:
            LogParagraph(StringFormatC("Request to set unknown mode (%x)", command));
            break;
    }
}

void CComView::EraseImageFile(int kind, int region) {
    Log(StringFormatC("Erasing Image File '%s'", HostFileTable[kind].file));
    eraseBlocks_ = EraseBlocks(region, emulatedModel);
    app_.SetIdleJob(region < kNewDatabase ? 1 : 2);
    SetWaitCursor(true);
    database = kKindAviation;
}

int CComView::EraseStep(int job) {
    static const std::vector<uint8_t> blank(kEraseBlock, 0xFF);
    if (eraseBlocks_ > 0) {
        if (!WriteReceived(blank.data(), blank.size())) {
            // The unit's memory could not be erased: no request follows.
            eraseBlocks_ = 0;
            SetWaitCursor(false);
            CloseTransferFiles();
            return 0;
        }
        --eraseBlocks_;
    }
    if (eraseBlocks_ > 0) return job;
    SetWaitCursor(false);
    if (!SyncReceiveFile()) {
        Log(WriteErrorText());
        CloseTransferFiles();
        return 0;
    }
    CloseTransferFiles();
    StartTimer(2000);
    eraseJob_ = job;
    return 0;
}

void CComView::EndOfErase() {
    Log("End of Erase");
    if (eraseJob_ == 1) {
        Log("Requesting Data");
        Send2(74, 0, 0);
        lastTxId_ = 255;
    } else if (eraseJob_ == 2) {
        Log("Requesting new Database");
        SendCommand(12);
    }
    eraseJob_ = 0;
}
