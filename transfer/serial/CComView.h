// The serial program's view: the transfer log (or a GAR listing) in the platform's log view,
// the start of a transfer with the setup dialog and its checks, the image checks of the files
// it sends and receives, the packet link (serial port, or pipes to the emulator child), the
// protocol engine that runs a transfer as a sequence of states, the image upload and receive
// jobs, and the emulated unit of Host mode.
#pragma once

#include <memory>
#include <string>

#include "platform/LogView.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/TraceText.h"
#include "transfer/serial/AckRequiredQueue.h"
#include "transfer/serial/ComLink.h"
#include "transfer/serial/FrameReaderThread.h"
#include "transfer/serial/LinkFrame.h"
#include "transfer/serial/SerialPort.h"
#include "transfer/serial/ServerChild.h"
#include "transfer/serial/TransferState.h"

class CComApp;
class CComDoc;

constexpr unsigned kCmdStopReset = 32772;
constexpr unsigned kCmdEmulation = 32774;

// Port index of the emulator child's own standard input and output.
constexpr int kPortServer = 257;
// Port index of a link the caller gave (UseLink).
constexpr int kPortGiven = 258;
constexpr int kPortIndexLimit = 255;

class CComView : public platform::LogView, public CheckReporter {
public:
    explicit CComView(CComApp& app);
    ~CComView() override;

    CComDoc* GetDoc() const;

    // The start message and File > Setup Comms.
    void OnStart(platform::WParam wparam) override;
    void OnStartTransfer(bool child);
    // The transfer details and the GO question; true for GO.
    bool ShowTransferDetails(bool child);
    // Starts the link of a transfer that passed its checks.
    virtual void OpenPort(int port);
    // Ends the transfer with the text (StopTransfer).
    void Stop(const std::string& text) override;
    void StopTransfer(const std::string& text) { Stop(text); }
    void OnEmulation();
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;
    void OnTimer(unsigned id) override;

    // The link (tests give their own before OpenPort with the port index of the child).
    void AttachServerStdio();
    void UseLink(ComLink* link) { link_ = link; }
    // Closes the link at the end of the program: port restored, pipes closed, child reaped.
    void CloseLink();

    // One step of the emulated erase; returns the idle job that remains.
    int EraseStep(int job);

    // True when the last setup ended on a refused choice.
    bool Refused() const { return refused_; }
    // True when the last transfer ended before its end (Host mode: never), or its link could
    // not be opened.
    bool TransferFailed() const { return transferFailed_; }
    bool LinkFailed() const { return linkFailed_; }

    // platform::ListingView
    bool ShowsStoredLines() const override;

    // CheckReporter
    void Log(const std::string& line) override;
    bool AskYesNo(const std::string& question) override;
    void Message(const std::string& text) override;
    int DebugLevel() const override;
    void SetWaitCursor(bool on) override;

    ImageChecks checks{*this};
    int mode = 0;
    int database = 1;
    int maxBaud = 5;
    int port = 0;
    int emulatedModel = 1;

    TransferState State() const { return state_; }
    int TimerId() const { return timerId_; }
    int PacketsCounted() const { return packets_; }

private:
    // The link (CComViewLink.cpp).
    bool StartServerChild();
    void LogSystemError(const std::string& text, int error);
    void SendPacket(bool book);
    // Builds the transmit packet (the one before is kept for a NAK that names it) and sends it.
    void Send(int id, const uint8_t* data, int size, bool book = true);
    void Send2(int id, int a, int b) {
        const uint8_t data[2] = {static_cast<uint8_t>(a), static_cast<uint8_t>(b)};
        Send(id, data, 2);
    }
    void SendFrame(const LinkFrame& frame);
    void SendAck(int id);
    void SendNak(int id);
    void Resend(int id);
    void ActivateRead();
    void OnReceivedPacket(long result, long error);
    void CheckAck(int id);
    void ChangeBaudrate();
    void OfferBaudrate(long requested, int index);
    void RestorePort();
    void Trace(const TraceLine& line);
    // Debug bit 8: the trace line of every procedure.
    bool Tracing() const { return (DebugLevel() & 8) != 0; }

    // The engine (CComViewEngine.cpp).
    void Sequencer(int state);
    void WProc(int state);
    void RProc();
    void TProc(int discards);
    void EndOfJob();
    void LogParagraph(const std::string& text);
    void CloseTransferFiles();
    void ShowPacketProgress();
    void StartTimer(unsigned ms);
    void SendCommand(int command);
    void SendGarRecord();
    void ReportUnitSerial();
    bool CanRequestBaud() const;
    void HostJobEnds();
    const uint8_t* PacketData() const { return received_ + 3; }
    int PacketSize() const { return received_[2]; }

    // The upload and receive jobs (CComViewJobs.cpp).
    bool UploadChecks();
    void WriteImageJob();
    void SendImageBlock();
    void StoreRecord(const uint8_t* packet);
    // Writes to the receive file; after the first failure (remembered until the file closes)
    // nothing more is written, a read ends with the error and Host mode logs it.
    bool WriteReceived(const void* data, size_t size);
    std::string WriteErrorText() const;
    // Closes the receive file, its bytes synced to the medium; false after a failed write or sync.
    bool SyncReceiveFile();
    void StoreProductData();
    void MakeUpScreenCount();
    int GarSendCount();

    // The emulated unit (CComViewHost.cpp).
    void SetHostJob(int command);
    void SendUnitDetails();
    void SendUnitId();
    void EraseImageFile(int kind, int region);
    void EndOfErase();
    void StartHostReceive();
    int FindHostKind(int value, bool byCommand) const;
    void HostRequest(int id);
    void HostRecord(int id);
    void AbandonHostJob();

    bool transferFailed_ = false;
    bool linkFailed_ = false;
    ComLink* link_ = nullptr;
    std::unique_ptr<SerialPort> serial_;
    std::unique_ptr<FdLink> pipes_;
    ServerChild child_;
    int portIndex_ = 0;
    int linkKind_ = 0;  // 0 none, 1 serial port, 2 pipes to the child
    int currentBaud_ = 0;
    long agreedRate_ = 9600;
    int agreedIndex_ = 0;
    int baudResult_ = 0;  // 1 changed, 2 failed
    LinkFrame tx_;        // the last packet built (retransmissions send it again)
    LinkFrame previousTx_;
    LinkFrame ack_;
    int lastTxId_ = 0;
    uint8_t stuffed_[kMaxStuffedFrame] = {};
    uint8_t received_[FrameAssembler::kBufferSize] = {};
    FrameReaderThread reader_;
    AckRequiredQueue ackQueue_;
    int errorCount_ = 0;

    TransferState state_ = IDLE;
    TransferState savedState_ = IDLE;
    bool savedAckWait_ = false;
    bool ackWait_ = false;
    int region_ = 0;
    int packets_ = 0;
    int expected_ = 0;
    int repeats_ = 0;
    int timerId_ = 0;
    int eraseJob_ = 0;      // remembered at the end of the emulated erase
    int writeError_ = 0;    // errno of the receive file's first failed write
    int eraseBlocks_ = 0;   // 256-byte blocks still to write
    bool loaderFlag_ = false;
    int64_t offset_ = 0;
    int specialBlock_ = 0;
    int blockIndex_ = 0;
    bool countSent_ = false;
    int hostCommand_ = 0;     // the command of the emulator's download
    bool countReceived_ = false;
    uint8_t savedCount_[kMaxFrame] = {};

    // The checks of one setup choice; false after its message (or a No) when it does not pass.
    bool CheckChoice(bool& asked);
    void Refuse(const std::string& text);

    CComApp& app_;
    bool refused_ = false;
};
