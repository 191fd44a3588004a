// A file of fixed-length slots behind a 1024-byte header, with a free list of deleted slots.
// The common form of every data file (.dta) and index file (.dtx).
#pragma once

#include "dblib/DiskMgr.h"

#include <cstdint>
#include <string>
#include <vector>

class FileMgr : public DiskMgr {
public:
    static constexpr int kHeaderSize = 1024;
    static constexpr int kVersionMarkOffset = 1020;
    static constexpr int kSlotLive = 0;
    static constexpr int kSlotDeleted = 1;

    // Open modes of the constructor.
    static constexpr int kOpenLater = 0;
    static constexpr int kOpenNow = 1;
    static constexpr int kAdopt = 3;   // borrow an already open descriptor of another FileMgr

    // Header fields: offset and width of each.
    struct HeaderField {
        int offset;
        int width;
    };
    static constexpr HeaderField kHeaderSizeField{0, 2};
    static constexpr HeaderField kSlotLengthField{2, 2};
    static constexpr HeaderField kSlotCountField{4, 4};
    static constexpr HeaderField kFreeHeadField{8, 4};
    static constexpr HeaderField kIndexCountField{12, 2};

    FileMgr(const std::string& path, int recordLength, int diskMode, int openMode,
            int descriptor = -1);
    virtual ~FileMgr();

    // Opens the file (created when missing). While another program holds it, tries again for
    // about two seconds, then gives up with -1 and errno EACCES. A slot length on disk that
    // differs from this object's, or a header that contradicts the file, is fatal.
    [[nodiscard]] int Open();
    // Creates (or truncates) the file with a fresh header; the file is left closed.
    [[nodiscard]] int Create();
    // Forgets the current slot; closes the descriptor when owned.
    void Close();

    // Stores the object's record in a new live slot (the most recently freed one, else appended),
    // which becomes current. -1 when closed.
    [[nodiscard]] int NewRecord();
    // Rewrites the current slot from the object's record. -1 when closed or without a current slot.
    [[nodiscard]] int WriteRecord();
    // Deletes the current slot to the head of the free list. -1 when closed or without one.
    [[nodiscard]] int FreeRecord();
    // Loads the next live slot after the current one (slot 0 first). -1 at the end of the file.
    [[nodiscard]] int NextRecord();
    // Loads a slot whatever its status and makes it current. -1 when closed, when the number is
    // negative or when the slot lies beyond the end of the file (nothing is loaded then).
    [[nodiscard]] int ReadRecord(int32_t slot);

    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }
    int RecordLength() const { return m_recordLength; }
    int SlotLength() const { return m_slotLength; }
    int32_t CurrentSlot() const { return m_current; }
    // Status word of the slot last loaded (kSlotLive or kSlotDeleted).
    int SlotStatus() const { return m_slotStatus; }
    // True when the last Open had to create the file.
    bool CreatedFile() const { return m_createdFile; }
    // errno of the last failed Open (EACCES: held by another program, or not permitted when
    // OpenDenied()), 0 after a success.
    int OpenError() const { return m_openError; }
    // True when the last Open failed because the file (or its folder) may not be written.
    bool OpenDenied() const { return m_openDenied; }

    // Header fields read from the file (0 when closed).
    int32_t SlotCount();
    int32_t FreeListHead();
    int32_t ReadHeaderField(HeaderField field);
    void WriteHeaderField(HeaderField field, int32_t value);

protected:
    // Record bytes of a slot -> the object's fields, and back. Empty here.
    virtual void LoadRecord(const uint8_t* record);
    virtual void StoreRecord(uint8_t* record);

    // Loads the current slot into the object again: from the slot bytes last read or written
    // when they are the current slot's, else from the file. -1 without a live current slot.
    [[nodiscard]] int ReloadCurrent();

    // Borrows another FileMgr's open descriptor (not owned; forgotten by Close).
    void AdoptDescriptor(int fd);
    // Checks the header against this object and the file: out-of-sync or damaged is fatal.
    void CheckHeader();
    // Reports a damaged file through the fatal path.
    [[noreturn]] void Damaged(const char* what) const;
    // Writes length bytes at offset; a write that fails or falls short is fatal, naming the
    // file and the system's reason.
    void WriteBytes(const void* data, int64_t offset, int length);
    [[noreturn]] void WriteFailed() const;

    void SetCurrent(int32_t slot) {
        m_current = slot;
        m_pastEnd = false;
    }
    void ClearCurrent() {
        m_current = -1;
        m_pastEnd = false;
    }
    int64_t SlotOffset(int32_t slot) const {
        return kHeaderSize + int64_t(slot) * m_slotLength;
    }

private:
    int ReadSlot(int32_t slot);
    // The header of a new file: no slots, an empty free list, no indexes, no mark.
    void FreshHeader(uint8_t* header) const;
    bool ReadCountAndHead(int32_t& count, int32_t& head);

    std::string m_path;
    int m_fd = -1;
    bool m_ownsFd = true;
    int m_headerSize = kHeaderSize;
    int m_slotLength;
    int m_recordLength;
    int32_t m_current = -1;
    int m_slotStatus = kSlotLive;
    bool m_createdFile = false;
    bool m_pastEnd = false;
    int m_openError = 0;
    bool m_openDenied = false;
    std::vector<uint8_t> m_slot;   // one slot image: status word and record
    int32_t m_slotHolds = -1;      // the slot whose bytes m_slot holds, -1 none
    // Slot count and free-list head of an uncached file held by this object alone: read once
    // at Open, written through, so NewRecord and FreeRecord need not read them again.
    bool m_headerKnown = false;
    int32_t m_count = 0;
    int32_t m_head = -1;
};
