// The USB program's view: the transfer log (or a GAR listing) in the platform's log view, the
// transfer set-up with its checks, the link to the unit and the protocol engine, a state
// machine driven on the user-interface thread by the link's messages and two timers.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/App.h"
#include "platform/LogView.h"
#include "transfer/common/ImageChecks.h"
#include "transfer/common/TransferFile.h"
#include "transfer/usb/DelaySettings.h"
#include "transfer/usb/DriveUpdate.h"
#include "transfer/usb/RegionContainer.h"
#include "transfer/usb/UsbConnection.h"
#include "transfer/usb/UsbPacket.h"

class CUsbApp;
class CUsbDoc;

constexpr unsigned kCmdUsbStopReset = 32772;
constexpr unsigned kCmdUsbEmulation = 32774;
constexpr unsigned kCmdUsbChangeRegion = 32778;
constexpr unsigned kMsgUsbSequencer = 0x465;

class CUsbView : public platform::LogView, public CheckReporter, public DriveUpdateHost {
public:
    explicit CUsbView(CUsbApp& app);
    ~CUsbView() override;

    CUsbDoc* GetDoc() const;

    // Set-up (the start message and File > Setup Comms).
    void OnStart(platform::WParam wparam) override;
    void OnStartTransfer();
    void StartUsbSession();
    void LoadDelaySettings();

    // Link.
    bool OpenUsbDevice();
    void CloseUsbDevice();
    void ActivateRead();
    void ActivateWrite();
    // Queues an application packet: id and `size` bytes of the transmit data area, or the
    // packet given.
    void SetupTx(uint16_t id, uint32_t size, UsbPacketBuffer packet = nullptr);
    void QueueTransportPacket(uint16_t id);
    void EndTransfer(const std::string& text);
    void OnReceivedPacket(platform::WParam wparam, platform::LParam status);
    void OnSentPackets(platform::WParam count, platform::LParam status);

    // Engine.
    void Sequencer(int state);
    void WProc(int state);
    void RProc();
    void OnTimer(unsigned id) override;

    // Drive update steps of the idle job: true when the update has ended; a step that starts a
    // copy turns the idle job to copying. A chunk of that copy: true when the copy has ended.
    bool DriveUpdateStep();
    bool DriveCopyChunk();
    // GPX read and write of a unit reached as a drive.
    void DriveGpxTransfer();

    // platform::LogView
    void Stop(const std::string& text) override { EndTransfer(text); }
    bool Busy() const override;
    bool OnMessage(unsigned message, platform::WParam wparam, platform::LParam lparam) override;
    bool ShowsStoredLines() const override;

    // CheckReporter, DriveUpdateHost
    void Log(const std::string& line) override;
    void ReplaceLastLine(const std::string& line) override;
    void EndUpdate(const std::string& text) override { EndTransfer(text); }
    bool AskYesNo(const std::string& question) override;
    void Message(const std::string& text) override;
    int DebugLevel() const override;

    int State() const { return state_; }
    int Phase() const { return phase_; }

private:
    // Set-up checks of one request; false after the refusal's message (or a No).
    bool CheckRequest();
    bool CheckRead();
    bool CheckList();
    bool CheckWrite();
    bool CheckGarFile();
    bool CheckTawFile();
    bool CheckImageFile();
    void Refuse(const std::string& text);
    // The transfer details; true when the transfer may start (GO, or unattended).
    bool ShowTransferDetails();
    // Preparation of an image, TAW data or software update before phase 1; false after its end.
    bool PrepareUpload();
    bool PrepareTaw();
    bool PrepareImage();
    bool PrepareSoftwareUpdate();
    bool SearchLoader();
    void StartDriveUpdate();
    bool CompatibleWithUnit();

    // Receive side.
    void StoreUnitSerial(const uint8_t* data, size_t size);
    void WriteRecord(int id, const uint8_t* data, size_t size);
    void ReadRecord(int id, const uint8_t* data, size_t size);
    void WriteRegionBlock(const uint8_t* data, size_t size);
    // Send side.
    bool SendGarRecords();
    bool SendBlocks(TransferFile& file, bool skipBlank, uint16_t endValue, int nextState);
    void SendValue(uint16_t id, uint32_t value, uint32_t size);
    void ShowPacketProgress();

    void Trace(const char* name, const std::string& arguments);
    void AddLines(const std::vector<std::string>& lines);
    // Ends the program after an unattended run's end with the status of its text.
    void FinishRun(const std::string& text);
    void RemoveWorkFile();

    CUsbApp& app_;
    std::unique_ptr<UsbLink> link_;
    std::unique_ptr<UsbConnection> usb_;
    std::optional<platform::LoopHold> hold_;
    DelaySettings delays_;

public:
    ImageChecks checks{*this};  // its send file is the image input

    // The request.
    int mode = 0;
    int database = -1;
    std::string fileName;
    std::string drive;  // the drive field: a letter or a path; empty for a USB unit
    bool askRegion = false;

private:
    bool unattended_ = false;
    bool refused_ = false;
    int state_ = 0;
    int lastSequencerState_ = 0;
    int phase_ = 0;
    int region_ = 0;
    bool loaderNeeded_ = false;
    bool softwareUpdate_ = false;
    int imageType_ = kImageTypeUnknown;
    int unitProductId_ = 0;
    int garProductId_ = 0;
    int expectedCount_ = 0;
    int receivedCount_ = 0;
    uint32_t sendOffset_ = 0;
    bool busySending_ = false;
    int timerId_ = 0;
    int tawRow_ = -1;
    RegionContainer container_;
    uint8_t unitData_[128] = {};
    size_t unitDataSize_ = 0;
    uint8_t transmit_[4 + 128] = {};
    uint8_t receive_[kUsbPacketMax] = {};
    size_t receiveSize_ = 0;  // data bytes of the packet in the receive area
    uint8_t stateReply_ = 0;  // byte 1 of the unit's last transport 17 data
    int lastGarId_ = -1;
    bool screenCounted_ = false;
    int progress_[4] = {-1, -1, -1, -1};
    TransferFile output_;
    TransferFile loader_;
    std::string workFolder_;
    std::string workFile_;
    UnitDrive drive_;
    DriveUpdate update_{*this};
    int packetsHandled_ = 0;
    std::chrono::steady_clock::time_point lastTrace_{};
    bool traced_ = false;
};
