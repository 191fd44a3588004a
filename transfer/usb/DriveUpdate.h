// The update of a unit reached as a drive: the file the unit holds is backed up beside the
// input file, the new file is made from the input in the input's folder and copied onto the
// unit, each copy a chunk per idle turn under a temporary name that takes the file's own name
// only once its data is on the medium.
#pragma once

#include <cstdint>
#include <string>

#include "transfer/common/CardFile.h"
#include "transfer/common/FileCopy.h"
#include "transfer/common/TransferFile.h"
#include "transfer/common/UnitDrive.h"

// What the update reports to the program's log and how it ends the transfer.
class DriveUpdateHost {
public:
    virtual ~DriveUpdateHost() = default;
    virtual void Log(const std::string& line) = 0;
    virtual void ReplaceLastLine(const std::string& line) = 0;
    // Ends the transfer with the text; the update is over.
    virtual void EndUpdate(const std::string& text) = 0;
};

struct DriveUpdateRequest {
    UnitDrive drive;
    std::string inputFile;
    const CardFile* row = nullptr;  // where the file goes on the unit
    bool programMode = false;       // making a card: its folder made, nothing backed up
    uint32_t dataOffset = 0;        // the data of the input to send
    uint32_t dataLength = 0;
};

class DriveUpdate {
public:
    static constexpr size_t kChunkBytes = 4096;
    static constexpr int kBackupFolders = 19;

    explicit DriveUpdate(DriveUpdateHost& host) : host_(host) {}
    ~DriveUpdate() { Abandon(); }

    // The next step is step 0.
    void Begin(const DriveUpdateRequest& request);
    // Runs one step; the new step number while there is more to do, 0 when the update has
    // ended (completed or aborted).
    int DriveUpdateStep();
    // 0 started, 1 the source cannot be opened, 2 the target cannot be created.
    int StartFileCopy(const std::string& source, const std::string& target);
    // 0 when the copy has finished (or failed, which ends the transfer), 1 otherwise.
    int CopyFileChunk();
    // StartFileCopy into folder/name; false after the step's error.
    bool CopyFileInto(const std::string& source, const std::string& folder, const std::string& name);

    // A copy was started by the last step and runs in the idle turns that follow.
    bool Copying() const { return copying_; }
    bool Running() const { return step_ >= 0; }
    // Drops an unfinished copy and the work file; the backup folder and files already on the
    // unit stay.
    void Abandon();

    const std::string& BackupFolder() const { return backupFolder_; }
    const std::string& Target() const { return target_; }
    const std::string& WorkFile() const { return workFile_; }

private:
    bool RunStep(int step);
    bool Fail(const std::string& text);
    bool MakeWorkFile();
    void StartActivity(const char* text);

    DriveUpdateHost& host_;
    DriveUpdateRequest request_;
    int step_ = -1;
    std::string unitFolder_;
    std::string target_;
    bool targetExists_ = false;
    uint32_t attributes_ = 0;
    std::string workFolder_;
    std::string workFile_;
    std::string backupFolder_;
    std::string activity_;
    uint64_t activityBytes_ = 0;
    std::string error_;
    TransferFile source_;
    FileCopy copy_{kChunkBytes};
    bool copying_ = false;
};
