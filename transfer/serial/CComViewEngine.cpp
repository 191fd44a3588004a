// The protocol engine of the view: the states of a transfer and the procedures that move
// them (Sequencer, WProc, RProc, TProc), the window timer and the end of a transfer.
#include <cerrno>
#include <cstring>

#include "common/CLocale.h"
#include "platform/App.h"
#include "transfer/common/CComDoc.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/common/UnitDetails.h"
#include "transfer/serial/BaudTable.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/CComView.h"

namespace {

constexpr int kLoaderRegion = 12;
constexpr int kVrpRegion = 79;
constexpr int kTimerId = 1;

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> 8 * i);
}

uint32_t GetU32(const uint8_t* in) {
    return in[0] | in[1] << 8 | in[2] << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

void CComView::StartTimer(unsigned ms) {
    timerId_ = kTimerId;
    SetTimer(kTimerId, ms);
}

void CComView::LogParagraph(const std::string& text) {
    Log(text);
    Log("");
}

void CComView::CloseTransferFiles() {
    checks.sendFile.Close();
    checks.receiveFile.Close();
    writeError_ = 0;
}

void CComView::ShowPacketProgress() {
    if (CComDoc* doc = GetDoc()) doc->ShowPacketProgress(packets_);
}

void CComView::SendCommand(int command) { Send2(10, command, 0); }

bool CComView::CanRequestBaud() const { return maxBaud > 0 && currentBaud_ == 0 && baudResult_ != 2; }

void CComView::HostJobEnds() {
    LogParagraph(SyncReceiveFile() ? "Host Transfer Complete" : WriteErrorText());
    CloseTransferFiles();
}

void CComView::Sequencer(int arg) {
    if (Tracing()) Trace(TraceLine("Sequencer").Name(TransferStateName(state_)).Name(TransferStateName(arg)));
    if (arg != RTIMEOUT && arg != TTIMEOUT) state_ = static_cast<TransferState>(arg);
    for (;;) {
        switch (state_) {
            case PREPARE:
            case IDLE: {
                const bool prepare = state_ == PREPARE;
                if (prepare) {
                    SetBusy(true);
                    ActivateRead();
                    loaderFlag_ = false;
                }
                region_ = 0;
                expected_ = 0;
                ackWait_ = false;
                errorCount_ = 0;
                if (mode == kModeHost) {
                    state_ = HOSTJOB;
                    continue;
                }
                WProc(prepare ? PREPARE : RQUD);
                return;
            }
            case RDUD:
                if (mode == kModeWrite && checks.CheckCompatibility()) {
                    StopTransfer("Transfer Aborted (Wrong Model)");
                    return;
                }
                WProc(RQTS);
                return;
            case RDTS:
                if (!UploadChecks()) return;
                if (CanRequestBaud()) {
                    WProc(RQHB);
                    return;
                }
                state_ = STJOB;
                continue;
            case RDHB:
                if (arg != RTIMEOUT) {
                    state_ = WTHB;
                    StartTimer(1000);
                    return;
                }
                baudResult_ = 2;
                state_ = STJOB;
                continue;
            case WTHB:
                ChangeBaudrate();
                ackWait_ = true;
                repeats_ = 0;
                ActivateRead();
                WProc(HBSEND3A);
                return;
            case STJOB:
                packets_ = 0;
                state_ = mode == kModeRead ? RDJOB : mode == kModeWrite ? WRJOB : NDJOB;
                continue;
            case RDJOB:
                WProc(RDJOB);
                return;
            case WRJOB:
                if (database == kKindObstacles && checks.unitProductId < 145) {
                    Message("Sorry, Obstacle database not accepted by this model");
                    StopTransfer("Transfer Aborted");
                    return;
                }
                if (database != kKindAviation && database != kKindObstacles) {
                    ackWait_ = true;
                    countSent_ = false;
                    WProc(WRJOB);
                } else {
                    WProc(WRAVDJOB);
                }
                return;
            case WFERASE:
                return;
            case HOSTJOB:
                Log(StringFormatC("%s MODE - Waiting for Request from GPS", portIndex_ == kPortServer ? "SERVER" : "HOST"));
                tx_.Clear();
                previousTx_.Clear();
                lastTxId_ = 0;
                expected_ = 0;
                packets_ = 0;
                ackWait_ = false;
                if (!reader_.Active()) ActivateRead();
                return;
            case HREVERT:
                agreedRate_ = BaudTable[0].nominal;
                ChangeBaudrate();
                ActivateRead();
                HostJobEnds();
                state_ = HOSTJOB;
                continue;
            case CONT295:
                ActivateRead();
                if (CanRequestBaud()) {
                    state_ = PREP295;
                    if (Busy()) {
                        ackWait_ = true;
                        WProc(PREP295);
                    }
                    return;
                }
                state_ = STJOB;
                continue;
            case NDJOB:
                if (mode == kModeHost) {
                    HostJobEnds();
                    state_ = HOSTJOB;
                    continue;
                }
                state_ = RQLB;
                continue;
            case RQLB:
                if (currentBaud_ != 0 && baudResult_ != 2 && Busy()) {
                    WProc(RQLB);
                    return;
                }
                state_ = FINISH;
                continue;
            case RDLB:
                if (arg != RTIMEOUT) {
                    state_ = WTLB;
                    StartTimer(1000);
                    return;
                }
                baudResult_ = 2;
                state_ = FINISH;
                continue;
            case WTLB:
                ChangeBaudrate();
                state_ = FINISH;
                continue;
            case FINISH:
                StopTransfer("Transfer Complete");
                return;
            default:
                StopTransfer(StringFormatC("Unknown Sequencer case %d", static_cast<int>(state_)));
                return;
        }
    }
}

void CComView::WProc(int state) {
    if (Tracing()) Trace(TraceLine("WProc").Name(TransferStateName(state_)).Name(TransferStateName(state)));
    state_ = static_cast<TransferState>(state);
    if (!Busy()) return;
    uint8_t rate[4];
    switch (state) {
        case IDLE:
            Sequencer(IDLE);
            break;
        case RQUD:
            Log("Requesting Unit Details");
            Send(254, nullptr, 0);
            state_ = RDUD;
            break;
        case RQTS:
            Log("Requesting Unit Time Stamp");
            SendCommand(14);
            state_ = RDTS;
            break;
        case IDLE295:
            ackWait_ = false;
            [[fallthrough]];
        case RQHB:
            Log(StringFormatC("Requesting %ld Baud", BaudTable[maxBaud].nominal));
            PutU32(rate, static_cast<uint32_t>(BaudTable[maxBaud].nominal));
            Send(48, rate, 4);
            state_ = RDHB;
            break;
        case HBSEND3A:
            if (checks.unitProductId > 127 && repeats_ < 3) {
                ++repeats_;
                SendCommand(58);
            } else {
                ackWait_ = false;
                Sequencer(STJOB);
            }
            break;
        case RDJOB:
            Log(StringFormatC("Requesting the '%s' database", HostFileTable[database].name));
            SendCommand(HostFileTable[database].command);
            break;
        case WRJOB:
            SendGarRecord();
            break;
        case WRND:
            ackWait_ = false;
            Sequencer(NDJOB);
            break;
        case WRAVDJOB:
            WriteImageJob();
            break;
        case WFERASE:
            Log(region_ == kLoaderRegion ? "Sending Loader" : region_ == kVrpRegion ? "Sending VRP File" : "Sending Database");
            state_ = WRAVD;
            SendImageBlock();
            break;
        case WRAVD:
            SendImageBlock();
            break;
        case WRAVDND:
            if (baudResult_ == 1 && currentBaud_ > 0) {
                agreedRate_ = BaudTable[0].nominal;
                ChangeBaudrate();
            }
            if (region_ == kLoaderRegion || region_ == kVrpRegion) {
                ackWait_ = false;
                state_ = CONT295;
                StartTimer(2000);
            } else {
                StopTransfer("Transfer Complete");
            }
            break;
        case BAUDREQU:
            ackWait_ = savedAckWait_;
            state_ = savedState_;
            ChangeBaudrate();
            ActivateRead();
            if (savedAckWait_) Sequencer(savedState_);
            break;
        case RQLB:
            Log("Resetting Baudrate");
            PutU32(rate, static_cast<uint32_t>(BaudTable[0].nominal));
            Send(48, rate, 4);
            state_ = RDLB;
            break;
        case PREPARE:
            ackWait_ = true;
            Send2(28, 0, 0);
            state_ = IDLE;
            break;
        case PREP295:
            Send2(28, 0, 0);
            state_ = IDLE295;
            break;
        default:
            break;
    }
}

void CComView::ReportUnitSerial() {
    const uint8_t* data = PacketData();
    const int size = PacketSize();
    std::string line = StringFormatC("Unit Serial Number: %u (0x%08x) ", size >= 4 ? GetU32(data) : 0u,
                                     size >= 4 ? GetU32(data) : 0u);
    if (DebugLevel() != 0) {
        for (int i = 4; i < size; ++i) line = StringFormatC("%s%02x ", line.c_str(), data[i]);
    }
    LogParagraph(line);
}

void CComView::RProc() {
    const int id = received_[1];
    if (Tracing()) Trace(TraceLine("RProc").Name(TransferStateName(state_)).Hex(static_cast<unsigned>(id)));
    const uint8_t* data = PacketData();
    const int size = PacketSize();
    auto logLines = [this](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) Log(line);
    };
    switch (id) {
        case 0:
        case 9:
            break;
        case 10:
            SetHostJob(size > 0 ? data[0] : -1);
            break;
        case 14:
            Log(StringFormatC("Date: %2.2d/%2.2d/%4.4d  %2.2d:%2.2d:%2.2d", data[1], data[0], data[2] | data[3] << 8,
                              data[4], data[6], data[7]));
            break;
        case 17:
            Log(HexDump("Current Position", received_ + 1, size + 2, 0));
            break;
        case 27:
            expected_ = static_cast<int16_t>(data[0] | data[1] << 8);
            Log(StringFormatC("%d Packets to Transfer", expected_));
            [[fallthrough]];
        case 12:
        case 19:
        case 29:
        case 30:
        case 31:
        case 34:
        case 35:
        case 36:
        case 69:
        case 98:
        case 99:
            if (mode == kModeHost) {
                HostRequest(id);
                break;
            }
            if (id == 69 && database == kKindScreen && packets_ == 0 && expected_ == 0) MakeUpScreenCount();
            StoreRecord(received_);
            if (id == 12) {
                if (packets_ != expected_) Log(StringFormatC(" *** BEWARE *** Packets Exp=%d, Rec=%d", expected_, packets_));
                EndOfJob();
                break;
            }
            if (id != 27) ShowPacketProgress();
            if (database == kKindScreen && expected_ > 0 && packets_ >= expected_) {
                received_[1] = 12;
                received_[2] = 2;
                received_[3] = 32;
                received_[4] = 0;
                RProc();
            }
            break;
        case 28:
        case 48:
        case 75:
        case 123:
        case 254:
            HostRequest(id);
            break;
        case 32:
            Log(StringFormatC("Software Version %s", std::string(reinterpret_cast<const char*>(data),
                                                                 strnlen(reinterpret_cast<const char*>(data), size))
                                                         .c_str()));
            break;
        case 38:
            ReportUnitSerial();
            Sequencer(state_);
            break;
        case 45:
            if (mode == kModeHost) {
                HostRequest(id);
            } else {
                EndOfJob();
            }
            break;
        case 49: {
            agreedIndex_ = NearestBaudIndex(size >= 4 ? static_cast<long>(GetU32(data)) : 0);
            if (agreedIndex_ < 0) agreedIndex_ = 0;
            agreedRate_ = BaudTable[agreedIndex_].nominal;
            if (agreedRate_ > 9600) Log(StringFormatC("Accepted offer of %ld Baud", agreedRate_));
            Sequencer(state_);
            break;
        }
        case 74:
            ackWait_ = true;
            WProc(WRAVD);
            break;
        case 248:
            logLines(TextStringLines(data, size));
            break;
        case 253:
            logLines(ProtocolArrayLines(data, size));
            break;
        case 255: {
            ProductData product;
            logLines(ProductDataLines(data, size, &product));
            checks.unitProductId = product.productId;
            if (mode == kModeRead) StoreProductData();
            Sequencer(state_);
            break;
        }
        default:
            Log(StringFormatC("Unimplemented RProc case 0x%02x", id));
            break;
    }
}

void CComView::EndOfJob() {
    const int kindRegion = database >= 0 && database < kHostFileKinds ? HostFileTable[database].region : -1;
    if (kindRegion >= 0) {
        if (region_ == 0) checks.VerifySumchecks();
        if (baudResult_ == 1 && currentBaud_ >= 1) {
            state_ = HREVERT;
            StartTimer(300);
            return;
        }
    }
    Sequencer(NDJOB);
}

void CComView::TProc(int discards) {
    if (Tracing()) Trace(TraceLine("TProc").Name(TransferStateName(state_)).Dec(discards));
    if (state_ == RDHB || state_ == RDLB) {
        Log("GPS did not respond to a baudrate request");
        Sequencer(RTIMEOUT);
        return;
    }
    if (state_ == WFERASE) {
        if (discards < 3) {
            Log("Waiting for Erase to end ...");
        } else {
            ackWait_ = true;
            WProc(WRAVD);
        }
        return;
    }
    if (mode == kModeRead && database == kKindScreen && packets_ >= 3) {
        received_[1] = 12;
        received_[2] = 2;
        received_[3] = 32;
        received_[4] = 0;
        RProc();
        return;
    }
    if (state_ == HOSTJOB || app_.IdleJob() != 0 || lastTxId_ == 255) return;
    Log("Waiting for Data");
    if (lastTxId_ == 0 || lastTxId_ == 6) return;
    if (++errorCount_ >= 3) {
        StopTransfer("Transfer Aborted");
        return;
    }
    if (DebugLevel() != 0) Log(StringFormatC("Retransmitting 0x%02x pkt", tx_.Id()));
    SendFrame(tx_);
}

void CComView::OnTimer(unsigned id) {
    if (Tracing()) Trace(TraceLine("OnTimer").Name(TransferStateName(state_)).Dec(static_cast<int>(id)));
    if (id != kTimerId) {
        LogView::OnTimer(id);
        return;
    }
    KillTimer(kTimerId);
    timerId_ = 0;
    if (eraseJob_ == 0) {
        Sequencer(TTIMEOUT);
    } else {
        EndOfErase();
    }
}
