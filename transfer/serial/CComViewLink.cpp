// The packet link of the view: opening the port or the pipes, sending frames with their ACK
// bookkeeping, the reader and the frame message, re-clocking and restoring the port.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/CLocale.h"
#include "platform/App.h"
#include "platform/MessageBox.h"
#include "transfer/common/CComDoc.h"
#include "transfer/common/HostFileTable.h"
#include "transfer/serial/BaudTable.h"
#include "transfer/serial/CComApp.h"
#include "transfer/serial/CComSetupDlg.h"
#include "transfer/serial/CComView.h"
#include "transfer/serial/EmulatedModels.h"
#include "transfer/serial/SerialPort.h"

namespace {

constexpr int kReadTimeoutMs = 8000;
constexpr int kHostReadTimeoutMs = 4000;
constexpr int kAlmanacKind = 4;

}  // namespace

void CComView::Trace(const TraceLine& line) {
    if (DebugLevel() & 8) Log(line.Text());
}

void CComView::LogSystemError(const std::string& text, int error) {
    std::string reason = std::strerror(error);
    const size_t cr = reason.find('\r');
    if (cr != std::string::npos) reason.resize(cr);
    Log(StringFormatC("%s - %s", text.c_str(), reason.c_str()));
}

bool CComView::StartServerChild() {
    const std::string program = "/proc/self/exe";
    std::string failure;
    int error = 0;
    pipes_.reset();
    const auto args = ServerChild::ServerCommandLine(EmulatedModelTable[emulatedModel].word, DebugLevel());
    if (!child_.Launch(program, args, failure, error)) {
        LogSystemError(failure, error);
        return false;
    }
    pipes_ = std::make_unique<FdLink>(child_.ReadFd(), child_.WriteFd(), false);
    return true;
}

void CComView::AttachServerStdio() {
    portIndex_ = kPortServer;
    port = kPortServer;
    mode = kModeHost;
    maxBaud = kBaudRates - 1;
    if (::fcntl(0, F_GETFD) < 0 || ::fcntl(1, F_GETFD) < 0) std::exit(1);
    pipes_ = std::make_unique<FdLink>(0, 1, false);
    link_ = pipes_.get();
    ShowTransferDetails(true);
    OpenPort(kPortServer);
}

void CComView::OpenPort(int portIndex) {
    ClearSelection();
    portIndex_ = portIndex;
    linkFailed_ = true;
    transferFailed_ = false;
    if (portIndex < kPortIndexLimit) {
        serial_ = std::make_unique<SerialPort>();
        std::string failure;
        int error = 0;
        if (!serial_->Open(PortDevicePath(app_.Profile(), portIndex), failure, error)) {
            LogSystemError(failure, error);
            serial_.reset();
            return;
        }
        link_ = serial_.get();
        linkKind_ = 1;
        currentBaud_ = 0;
    } else if (portIndex == kPortClient) {
        // The child of an earlier transfer is used again while it runs.
        if (linkKind_ != 2 || !child_.Running()) {
            pipes_.reset();
            if (!StartServerChild()) return;
            linkKind_ = 2;
        }
        link_ = pipes_.get();
        currentBaud_ = 0;
    } else if (portIndex == kPortServer && pipes_) {
        link_ = pipes_.get();
    }
    if (!link_) return;
    linkFailed_ = false;
    if (mode == kModeRead && !checks.receiveFile.OpenWrite(checks.fileName, true)) {
        Message(StringFormatC("Unable to Open '%s' for writing", checks.fileName.c_str()));
        RestorePort();
        linkFailed_ = true;
        return;
    }
    if (mode == kModeWrite && !checks.sendFile.OpenRead(checks.fileName)) {
        Message(StringFormatC("Unable to Open '%s' for reading", checks.fileName.c_str()));
        RestorePort();
        linkFailed_ = true;
        return;
    }
    Sequencer(PREPARE);
}

void CComView::RestorePort() {
    reader_.Stop();
    if (linkKind_ == 1 && serial_) {
        serial_->Close();
        serial_.reset();
        link_ = nullptr;
        linkKind_ = 0;
    }
}

void CComView::CloseLink() {
    reader_.Stop();
    RestorePort();
    link_ = nullptr;
    pipes_.reset();
    child_.End();
    linkKind_ = 0;
}

void CComView::SendFrame(const LinkFrame& frame) {
    if (app_.ComOptions().suppressSends || !Busy() || !link_) return;
    if (DebugLevel() & 2) {
        Log(HexDump("Tx", frame.Bytes(), frame.Length(), frame.Length()));
    } else if (DebugLevel() & 8) {
        Log(TraceLine("tx").Hex(static_cast<unsigned>(frame.Id())).Hex(frame.Data()[0]).Text());
    }
    const int n = frame.Stuff(stuffed_);
    lastTxId_ = frame.Id();
    if (const int error = link_->Write(stuffed_, static_cast<size_t>(n))) LogSystemError("WriteFile error", error);
}

void CComView::SendPacket(bool book) {
    tx_.Seal();
    if (book) {
        std::string full;
        ackQueue_.Book(tx_.Id(), DebugLevel() != 0 ? &full : nullptr);
        if (!full.empty()) Log(full);
    }
    SendFrame(tx_);
}

void CComView::Send(int id, const uint8_t* data, int size, bool book) {
    previousTx_ = tx_;
    tx_.Set(id, data, size);
    SendPacket(book);
}

void CComView::SendAck(int id) {
    ack_.Set2(6, id, 0);
    ack_.Seal();
    SendFrame(ack_);
}

void CComView::SendNak(int id) {
    ack_.Set2(21, id, 0);
    ack_.Seal();
    SendFrame(ack_);
}

void CComView::Resend(int id) {
    // The packet the NAK names: the last one, or the one before it when two are open.
    if (tx_.Id() != id && previousTx_.Id() == id) {
        SendFrame(previousTx_);
        return;
    }
    SendFrame(tx_);
}

void CComView::ActivateRead() {
    if (DebugLevel() != 0 && reader_.Active()) Log("ActivateRead called when already active");
    if (!Busy() || !link_) return;
    reader_.Activate(link_, mode == kModeHost ? kHostReadTimeoutMs : kReadTimeoutMs, this);
}

void CComView::CheckAck(int id) {
    const std::string notes = ackQueue_.CheckAck(id);
    if (!notes.empty() && DebugLevel() != 0) Log(notes);
}

bool CComView::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    if (message == kMsgFrame) {
        OnReceivedPacket(static_cast<long>(wparam), static_cast<long>(lparam));
        FrameReaderThread::ReleaseHold();
        return true;
    }
    return LogView::OnMessage(message, wparam, lparam);
}

void CComView::OnReceivedPacket(long result, long error) {
    const uint8_t* buffer = reader_.Received().Buffer();
    if (Tracing()) Trace(TraceLine("OnReceivedPacket").Dec(static_cast<int>(result)).Hex(static_cast<unsigned>(error)).Hex(buffer[1]));
    if (!Busy()) return;
    int discards = 0;
    if (error & kDiscardFlag) {
        discards = static_cast<int>(error >> 20 & 0x1FF);
        error &= 0xFFFFF;
    }
    // The read that a stop woke: it belongs to no transfer.
    if (error == ECANCELED) return;
    const int length = buffer[2] + 6;
    const bool isNew = std::memcmp(received_, buffer, static_cast<size_t>(length)) != 0;
    std::memcpy(received_, buffer, static_cast<size_t>(length));
    if (result == -1) {
        if ((DebugLevel() & 2) && discards != 0)
            Log(StringFormatC("OnReceivedPacket err=%ld, discards=%d", error, discards));
        if (error != 0) {
            StopTransfer(StringFormatC("Read error %ld occurred - Transfer Terminated", error));
            return;
        }
        TProc(discards);
        ActivateRead();
        return;
    }
    if (result < -1) {
        const int count = static_cast<int>(-(result + 1));
        if (DebugLevel() & 2) Log(HexDump("Rx", buffer, count, count));
        std::string text = error != 0 ? StringFormatC("Error %ld occurred after %d chrs", error, count)
                                      : StringFormatC("Timeout occurred after %d chrs", count);
        if (++errorCount_ >= 3) {
            StopTransfer(text + " - Transfer Terminated");
            return;
        }
        Log(text + " - sending NAK");
        SendNak(buffer[1]);
        ActivateRead();
        return;
    }
    if (result > 0) {
        if (DebugLevel() & 2) Log(HexDump("Rx", buffer, length, static_cast<int>(result)));
        if (++errorCount_ >= 3) {
            StopTransfer(StringFormatC("Repeated read sumcheck failure (%ld) - Transfer Terminated", result));
            return;
        }
        Log("Read sumcheck failed - sending NACK");
        SendNak(buffer[1]);
        ActivateRead();
        return;
    }
    if (DebugLevel() & 2) Log(HexDump("Rx", received_, length, 0));
    const int id = received_[1];
    if (id == 21) {
        if (++errorCount_ >= 3) {
            StopTransfer("Packets Rejected by GPS - Transfer Aborted");
            return;
        }
        Resend(received_[3]);
    } else if (id == 6) {
        errorCount_ = 0;
        const int acked = received_[3];
        CheckAck(acked);
        // Only the ACK of the last packet sent moves a waiting state on.
        if (ackWait_ && acked == tx_.Id()) WProc(state_);
        if (acked == 0x31 || acked == 0x2D) return;
    } else {
        errorCount_ = 0;
        if (!IsNoAckId(id)) SendAck(id);
        if (isNew || database == kAlmanacKind || packets_ == 0) {
            RProc();
        } else if (DebugLevel() != 0) {
            Log("Duplicate pkt discarded");
        }
        if (id == 0x31 || id == 0x2D) return;
    }
    // The engine may have started the next reader already (the emulator back in waiting).
    if (!reader_.Active()) ActivateRead();
}

void CComView::ChangeBaudrate() {
    if (BaudTable[currentBaud_].nominal == agreedRate_) {
        Log(StringFormatC("Baudrate remains at %ld", agreedRate_));
        return;
    }
    if (linkKind_ == 1 && link_ && link_->SetRate(agreedRate_) != 0) {
        Message("SetCommState failed when switching baudrate");
        baudResult_ = 2;
        return;
    }
    baudResult_ = 1;
    currentBaud_ = NearestBaudIndex(agreedRate_);
    Log(StringFormatC("Changed Baudrate to %ld", agreedRate_));
    Send2(0, 0, 0);
}

void CComView::OfferBaudrate(long requested, int index) {
    Log(StringFormatC("Received: \"Request baudrate change\" to %ld", requested));
    Log(StringFormatC("Offerring %ld baud", BaudTable[index].offered));
}
