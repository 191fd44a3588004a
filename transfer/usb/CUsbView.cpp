#include "transfer/usb/CUsbView.h"

#include <unistd.h>

#include <cstring>
#include <new>
#include <thread>

#include "common/CLocale.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"
#include "transfer/common/TraceText.h"
#include "transfer/common/UnitDetails.h"
#include "transfer/usb/CUsbApp.h"
#include "transfer/usb/CUsbDoc.h"
#include "transfer/usb/LibUsbLink.h"
#include "transfer/usb/UsbTables.h"
#include "transfer/usb/UsbUnitEmulator.h"

namespace {

constexpr int kDebugQueues = 8;
constexpr int kDebugTrace = 16;

}  // namespace

CUsbView::CUsbView(CUsbApp& app)
    : LogView({kCmdUsbStopReset, 142}, app.GetUi().GetClipboard(), app.UsbOptions().debugLevel), app_(app) {
    const int emulated = app.UsbOptions().emulatedUnit;
    if (emulated != 0) {
        link_ = std::make_unique<UsbUnitEmulator>(emulated);
    } else {
        link_ = std::make_unique<LibUsbLink>(delays_.usbVendorId);
    }
    usb_ = std::make_unique<UsbConnection>(*link_, [this](unsigned message, uintptr_t wparam, intptr_t lparam) {
        Post(message, wparam, lparam);
    });
    // The menu's Emulation has no handler in this program.
    Commands().Add(kCmdUsbEmulation, nullptr, [](platform::CommandState& s) { s.enabled = false; });
    Commands().Add(
        kCmdUsbChangeRegion, [this] { askRegion = !askRegion; },
        [this](platform::CommandState& s) {
            s.enabled = DebugLevel() != 0;
            s.checked = askRegion;
        });
}

CUsbView::~CUsbView() {
    usb_->running = false;
    usb_->Close();
    checks.sendFile.Close();
    output_.Close();
    loader_.Close();
    RemoveWorkFile();
}

CUsbDoc* CUsbView::GetDoc() const { return dynamic_cast<CUsbDoc*>(GetDocument()); }

bool CUsbView::ShowsStoredLines() const {
    const CUsbDoc* doc = GetDoc();
    return !doc || !doc->IsListing();
}

bool CUsbView::Busy() const { return usb_->running || LogView::Busy(); }

void CUsbView::Log(const std::string& line) {
    if (CUsbDoc* doc = GetDoc()) doc->AddLine(line);
}

void CUsbView::AddLines(const std::vector<std::string>& lines) {
    for (const std::string& line : lines) Log(line);
}

bool CUsbView::AskYesNo(const std::string& question) {
    // "Do you REALLY want to continue" questions: with nobody to answer, No.
    return platform::ShowMessage(question, {platform::Buttons::YesNo, platform::Icon::Question, 1}) == platform::kIdYes;
}

void CUsbView::Message(const std::string& text) { platform::ShowMessage(text); }

int CUsbView::DebugLevel() const { return app_.UsbOptions().debugLevel; }

void CUsbView::OnStart(platform::WParam /*wparam*/) { OnStartTransfer(); }

bool CUsbView::OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) {
    switch (message) {
        case kMsgUsbSequencer:
            Sequencer(lastSequencerState_);
            return true;
        case kMsgUsbReceived:
            OnReceivedPacket(wparam, lparam);
            return true;
        case kMsgUsbSent:
            OnSentPackets(wparam, lparam);
            return true;
        default:
            return LogView::OnMessage(message, wparam, lparam);
    }
}

void CUsbView::Trace(const char* name, const std::string& arguments) {
    const auto now = std::chrono::steady_clock::now();
    const long long ms =
        traced_ ? std::chrono::duration_cast<std::chrono::milliseconds>(now - lastTrace_).count() : 0;
    traced_ = true;
    lastTrace_ = now;
    Log(StringFormatC("%d<<%8lld>> %s(", phase_, ms, name) + arguments + " )");
}

bool CUsbView::OpenUsbDevice() {
    if (auto* real = dynamic_cast<LibUsbLink*>(link_.get())) real->SetVendorId(delays_.usbVendorId);
    usb_->intraReadDelay = delays_.intraReadDelay;
    usb_->intraWriteDelay = delays_.intraWriteDelay;
    std::string path, detail;
    const UsbOpen result = usb_->Open(path, detail);
    switch (result) {
        case UsbOpen::Ok: {
            const char* word = usb_->Connections() == 1 ? "Connected" : "Reconnected";
            Log(DebugLevel() != 0 ? StringFormatC("%s to: %s", word, path.c_str()) : StringFormatC("%s to GPS", word));
            return true;
        }
        case UsbOpen::NotFound:
            Log("SetupDiEnumDeviceInterfaces failed, is unit connected ?");
            return false;
        case UsbOpen::OpenFailed:
            Log(StringFormatC("Fatal Error: CreateFile failed on \"%s\" %s", path.c_str(), detail.c_str()));
            return false;
        case UsbOpen::NoPacketSize:
        default:
            Log("Fatal Error: Couldn't get USB packet size");
            return false;
    }
}

bool CUsbView::DriveUpdateStep() {
    const bool ended = update_.DriveUpdateStep() == 0;
    if (update_.Copying()) app_.idleJob = kIdleCopy;
    return ended;
}

bool CUsbView::DriveCopyChunk() { return update_.CopyFileChunk() == 0; }

void CUsbView::ReplaceLastLine(const std::string& line) {
    if (CUsbDoc* doc = GetDoc()) doc->ReplaceLastLine(line);
}

void CUsbView::CloseUsbDevice() { usb_->Close(); }

void CUsbView::ActivateRead() {
    if (!usb_->running) return;
    if (!usb_->ActivateRead() && DebugLevel() != 0) Log("ActivateRead called when already active");
}

void CUsbView::ActivateWrite() {
    if (!usb_->running) return;
    if (usb_->WriterActive()) std::this_thread::yield();
    if (!usb_->ActivateWrite() && DebugLevel() != 0) Log("ActivateWrite called when already active");
}

void CUsbView::SetupTx(uint16_t id, uint32_t size, UsbPacketBuffer packet) {
    if (!packet) {
        packet.reset(new (std::nothrow) uint8_t[kUsbPacketMax]);
        if (!packet) {
            EndTransfer("Error: malloc returned zero");
            return;
        }
        PutUsbHeader(packet.get(), kUsbApplication, id, size);
        std::memcpy(packet.get() + kUsbHeaderSize, transmit_, size);
    }
    PutUsbU16(packet.get() + 4, id);
    PutUsbU32(packet.get() + 8, size);
    if (DebugLevel() & kDebugQueues) Log(HexDump("SetupTx", packet.get(), static_cast<int>(kUsbHeaderSize + size), static_cast<int>(size)));
    if (usb_->WriterActive()) std::this_thread::yield();
    usb_->Queue(std::move(packet));
}

void CUsbView::QueueTransportPacket(uint16_t id) {
    UsbPacketBuffer packet(new (std::nothrow) uint8_t[kUsbHeaderSize]);
    if (!packet) {
        EndTransfer("Error: malloc returned zero");
        return;
    }
    PutUsbHeader(packet.get(), kUsbTransport, id, 0);
    SetupTx(id, 0, std::move(packet));
}

void CUsbView::SendValue(uint16_t id, uint32_t value, uint32_t size) {
    PutUsbU32(transmit_, value);
    SetupTx(id, size);
}

void CUsbView::ShowPacketProgress() {
    if (CUsbDoc* doc = GetDoc()) doc->ShowPacketProgress(receivedCount_);
}

void CUsbView::RemoveWorkFile() {
    if (!workFile_.empty()) platform::DeleteFile(workFile_);
    if (!workFolder_.empty()) ::rmdir(workFolder_.c_str());
    workFile_.clear();
    workFolder_.clear();
}

void CUsbView::EndTransfer(const std::string& text) {
    if (timerId_ != 0) KillTimer(static_cast<unsigned>(timerId_));
    timerId_ = 0;
    app_.idleJob = kIdleNone;
    update_.Abandon();
    for (int& field : progress_) field = -1;
    checks.sendFile.Close();
    loader_.Close();
    CUsbDoc* doc = GetDoc();
    const bool wasRunning = usb_->running;
    if (doc && doc->IsListing()) {
        doc->ListGarFile("");
        ClearSelection();
        Log("Listing Complete");
    } else if (wasRunning) {
        Log(text);
        if (DebugLevel() & kDebugQueues) {
            Log(StringFormatC("WQip=%d, WQop=%d, RQip=%d, RQop=%d", static_cast<int>(usb_->WriteIn()),
                              static_cast<int>(usb_->WriteOut()), static_cast<int>(usb_->ReadIn()),
                              static_cast<int>(usb_->ReadOut())));
        }
    }
    if (doc) doc->SetEcho(nullptr);
    output_.Close();
    usb_->running = false;
    usb_->portClosing = false;
    SetBusy(false);
    busySending_ = false;
    region_ = 0;
    CloseUsbDevice();
    RemoveWorkFile();
    if (wasRunning || refused_) FinishRun(text);
    hold_.reset();
}

void CUsbView::FinishRun(const std::string& text) {
    int status = kUsbExitRefused;
    if (text == "Transfer Complete" || text == "Details Complete" || text == "Listing Complete" ||
        text == "Update Complete" || text == "Operation Complete") {
        status = kUsbExitOk;
    } else if (text.rfind("USB initialisation failed", 0) == 0 || text == "Operation Aborted (Read error)" ||
               text == "Operation Aborted (Write error)" || text == "Cannot proceed" ||
               text == "Error: malloc returned zero" || text == "Read failed" || text == "Errors ocurred" ||
               text.rfind("Write failed", 0) == 0 || text.rfind("Read failed", 0) == 0) {
        status = kUsbExitLink;
    }
    app_.SetExitCode(status);
    if (unattended_) app_.Quit(status);
}

void CUsbView::OnReceivedPacket(platform::WParam wparam, platform::LParam status) {
    if (usb_->running && status != 0) {
        if (status > kUsbReadTimeout || status < 0) Log(link_->ErrorText(static_cast<int>(status)));
        Trace("OnReceivedPacket error", StringFormatC(" %d %d", static_cast<int>(wparam), static_cast<int>(status)));
        Log(UsbReadErrorText(static_cast<int>(status)));
        EndTransfer("Operation Aborted (Read error)");
    }
    while (UsbPacketBuffer packet = usb_->TakeReceived()) {
        // The packet's own size is trusted only as far as the read returned bytes.
        const size_t read = UsbU16(packet.get() + 2);
        const size_t got = read > kUsbHeaderSize ? read - kUsbHeaderSize : 0;
        const uint32_t declared = UsbPacketSize(packet.get());
        receiveSize_ = declared < got ? declared : got;
        if (receiveSize_ > kUsbPacketMax - kUsbHeaderSize) receiveSize_ = kUsbPacketMax - kUsbHeaderSize;
        std::memcpy(receive_, packet.get(), kUsbHeaderSize + receiveSize_);
        ++packetsHandled_;
        if (DebugLevel() & kDebugTrace) {
            Trace("OnReceivedPacket from", StringFormatC(" %d %d", static_cast<int>(wparam), packetsHandled_));
        }
        if (DebugLevel() & kDebugQueues) {
            Log(HexDump("RxPacket", receive_, static_cast<int>(kUsbHeaderSize + receiveSize_), static_cast<int>(receiveSize_)));
        }
        if (usb_->running) RProc();
    }
}

void CUsbView::OnSentPackets(platform::WParam count, platform::LParam status) {
    if (DebugLevel() & kDebugTrace) {
        Trace("OnSentPackets", StringFormatC(" %d %d", static_cast<int>(count), static_cast<int>(status)));
    }
    if (status == 0) {
        if (usb_->running && busySending_) WProc(state_);
        return;
    }
    if (!usb_->running) return;
    if (status == kUsbWriteTimeout) {
        Log("Write operation timeout");
    } else {
        Log(link_->ErrorText(static_cast<int>(status)));
        Log("SendPacket failed");
    }
    Log(StringFormatC("WriteFile failed with error %d after %d pkts", static_cast<int>(status), static_cast<int>(count)));
    EndTransfer("Operation Aborted (Write error)");
}
