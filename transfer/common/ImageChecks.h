// The checks of the files that the transfer programs send and receive: the image type from
// the header's part number, the sumcheck bytes and packet count, whether an image or GAR file
// suits the connected unit, and the unit maker's loader for units that need one. Findings go
// to the transfer log, questions to the user, through CheckReporter.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "transfer/common/ImageBlocks.h"
#include "transfer/common/TransferFile.h"

// Where the checks write and ask.
class CheckReporter {
public:
    virtual ~CheckReporter() = default;
    virtual void Log(const std::string& line) = 0;
    // A YES/NO question; true for YES.
    virtual bool AskYesNo(const std::string& question) = 0;
    // A message box with OK.
    virtual void Message(const std::string& text) = 0;
    virtual int DebugLevel() const = 0;
    virtual void SetWaitCursor(bool /*on*/) {}
};

constexpr int kImageTypeUnknown = -1;
constexpr int kImageTypes = 7;
constexpr int kSumcheckSlots = 32;
constexpr int kBlockSize = 128;

struct SumcheckLayoutRow {
    int fieldLength;    // sumcheck bytes at the image's start (skipped by the sums)
    int firstSlot;      // 1: slot 0 holds the number of sections with data
    int sectionBlocks;  // 128-byte blocks per section
};

// The layout of an image type 0..6, or null.
const SumcheckLayoutRow* SumcheckLayout(int imageType);
// Header offset of the stored packet count of an image type, 0 when it has none.
int StoredPacketCountOffset(int imageType);
// True when the unit product id may take images of the type.
bool ImageTypeAllowsUnit(int imageType, int productId);
// True when GAR files of the two product ids are interchangeable.
bool GarModelsInterchangeable(int garProductId, int unitProductId);
// The model word of a unit in loader file names ("496"), "UNKNOWN" when none.
const char* LoaderModelWord(int productId);
// The image type of a 64-byte (or longer) header, -1 when none; partNumber gets the number.
int ImageTypeOfHeader(const uint8_t* header, size_t size, int* partNumber = nullptr);

// Copies `length` bytes from the source's position to the target in pieces of at most 128
// bytes; stops after a short read. Returns the number of pieces read.
int CopyRecordBytes(TransferFile& source, TransferFile& target, uint32_t length);

class ImageChecks {
public:
    explicit ImageChecks(CheckReporter& reporter) : reporter_(reporter) {}

    // The image in the send file.
    bool DetectImageType();
    bool DecodePartNumber(int offset);
    int ComputeSumcheckBytes(uint8_t result[kSumcheckSlots]);
    void VerifySumchecks();
    void CountPackets();
    bool CheckPacketCount();
    bool CheckImageCompatibility();
    bool CheckGarCompatibility();
    bool CheckCompatibility();

    static bool NeedsLoader(int productId);
    int SearchLoaderFile();
    void AddList(const std::string& name);
    void ClearLoaderCandidates() { loaderCandidates_.clear(); }
    int FindLoader(const std::string& source);
    // The loader file of the connected unit: "vrp%s.bin" or "ldr%s.bin".
    std::string LoaderFileName() const;

    // The next GAR record of the send file into packet (id, size, data; 257 bytes);
    // false after a message when the file stops early.
    bool ReadGarRecord(uint8_t* packet);
    // The id of the send file's first record, -1 when it cannot be read; the file is rewound.
    int PeekGarRecordId(uint8_t* packet);

    // Open the transfer file: row -1 the current one (fileName), a HostFileTable row its host
    // file (which becomes the current one). Receiving: truncate empties the file, otherwise
    // writing goes on at its end.
    bool OpenSendFile(int row = -1);
    bool OpenReceiveFile(int row, bool truncate);

    TransferFile sendFile;
    TransferFile receiveFile;
    std::string fileName;  // the current transfer file
    std::string folder = ".";  // the current folder: loader candidates and loader file

    int imageType = kImageTypeUnknown;
    int partNumber = 0;
    int unitProductId = 0;
    int garProductId = 0;
    int garRecordCount = 0;
    int countedPackets = 0;
    int lastDataPacket = 0;
    int recordsSent = 0;
    uint8_t header[256] = {};

    const std::vector<std::string>& LoaderCandidates() const { return loaderCandidates_; }

private:
    bool Ask(const std::string& question, const char* answerFormat, int format);

    // The send file's blocks from its current position, scanned once per open and start.
    const ImageBlocks& Blocks();

    CheckReporter& reporter_;
    std::vector<std::string> loaderCandidates_;
    ImageBlocks blocks_;
};
