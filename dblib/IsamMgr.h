// Indexed record file: a data file (.dta) of fixed-length records and up to 30 B+-tree
// indexes in one index file (.dtx). The record's fields are members of the derived record
// class; every operation keeps all indexes in step with the data file.
//
// A record class declares itself in its constructor:
//
//   dfAPTS::dfAPTS(const std::string& dataPath, const std::string& indexPath, int mode)
//       : IsamMgr(dataPath, 52) {
//       DeclareField(0, asno);          // int32_t asno;
//       DeclareField(4, aident);        // char aident[8];
//       ...
//       DeclareIndex("asno", {NumberKey(asno)}, true);
//       DeclareIndex("aident", {TextKey(aident, 8)}, false);
//       OpenIndexes(indexPath, mode);   // mode kModeClose (2): closed again at the end
//   }
//
// The declared fields are copied unchanged between a slot and the members (LoadRecord,
// StoreRecord); the declared key parts build each index's key (BuildKey), a non-unique index
// ending in SortKeyNumber(record number). A class may override LoadRecord, StoreRecord and
// BuildKey instead (then declare the index by its key length).
#pragma once

#include "dblib/IndexMgr.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class IsamMgr : public FileMgr {
public:
    static constexpr int kMaxIndexes = 30;
    static constexpr int kFileOrder = -1;   // index number: walk the data file in slot order
    static constexpr int kModeClose = 2;    // constructor mode: close the record file at the end

    // Opens the data file now (created when missing) unless openNow is false.
    IsamMgr(const std::string& dataPath, int recordLength, bool openNow = true);
    ~IsamMgr() override;

    // Opens the data and index files when closed (creating them when missing) and rewinds every
    // index. Indexes missing from the index file are rebuilt. -1 when a file cannot be opened
    // (for example held by another program); the record file then stays closed.
    [[nodiscard]] int Open();
    // Closes the data file and every index; the fields keep the record last read.
    void Close();
    // Close for an owner that opens the file again soon: the pages read so far serve that open
    // when the files are provably unchanged by then (dbtx::KeepPagesAtClose).
    void CloseKeepingPages();
    // Frees the memory that holds pages of the data and index files read so far (the files stay
    // open; later reads read them again).
    void DropHeldPages();

    // Makes the named index current (exact, case-sensitive); an unknown name is fatal.
    void SelectIndex(const char* name);
    // Makes index n current; kFileOrder walks the data file in slot order (Next only).
    void SelectIndexNumber(int n);
    int CurrentIndexNumber() const { return m_currentIndex; }
    int IndexCount() const { return int(m_indexes.size()); }
    const std::string& IndexName(int n) const { return m_indexes[n].name; }
    IndexMgr* Index(int n) { return m_indexes[n].index.get(); }
    const std::string& IndexPath() const { return m_indexPath; }

    // All return 0 for success and -1 for failure (also for a duplicate unique key).
    // Find: the first record whose key equals the key built from the fields. On a miss the
    // position stays where the key would stand (Prev(1) gives the record below it).
    [[nodiscard]] int Find();
    // No current record; the current index before its first entry.
    void Rewind();
    [[nodiscard]] int Next(int n = 1);
    [[nodiscard]] int Prev(int n = 1);
    // The record under the current index position.
    [[nodiscard]] int ReadCurrent();
    // Stores the fields as a new record and keys it into every index.
    [[nodiscard]] int Insert();
    // Rewrites the current record, re-keying the indexes whose key changed.
    [[nodiscard]] int Amend();
    // Deletes the current record; Next(1) then reads the record that followed it.
    [[nodiscard]] int Erase();
    // Rebuilds every index created empty (a new or lost index file) from the data file.
    void RebuildIndexes();

    bool HasCurrent() const { return CurrentSlot() >= 0; }

    // The 4 bytes of (value + 0x80000000), most significant first: byte order = numeric order.
    static void SortKeyNumber(uint8_t* out, int32_t value);

protected:
    enum class KeyKind { Number, Text, Bytes };
    struct KeyPart {
        KeyKind kind;
        const void* field;
        int width;
    };
    // A signed 32-bit field as SortKeyNumber.
    static KeyPart NumberKey(const int32_t& field) { return {KeyKind::Number, &field, 4}; }
    // A text field up to its terminator, zero-padded to width.
    static KeyPart TextKey(const char* field, int width) { return {KeyKind::Text, field, width}; }
    // Raw bytes.
    static KeyPart BytesKey(const void* field, int width) { return {KeyKind::Bytes, field, width}; }

    // A member of the object holding `width` bytes of the record at `offset`.
    void DeclareField(int offset, void* field, int width);
    template <class T>
    void DeclareField(int offset, T& field) {
        DeclareField(offset, static_cast<void*>(&field), int(sizeof field));
    }
    // The next index in index order, with its key parts.
    void DeclareIndex(const char* name, std::initializer_list<KeyPart> parts, bool unique);
    // The next index by key length (including the 4-byte suffix when not unique); its key comes
    // from an overridden BuildKey.
    void DeclareIndex(const char* name, int keyLength, bool unique);
    // Creates the declared indexes on the index file, rebuilds the ones created now, and with
    // mode kModeClose closes the record file again.
    void OpenIndexes(const std::string& indexPath, int mode);

    // Fills KeyBuffer() with the key of index `index` from the fields; for an undeclared index
    // number, SortKeyNumber(recordNumber).
    virtual void BuildKey(int index, int32_t recordNumber);
    uint8_t* KeyBuffer() { return m_key.data(); }

    void LoadRecord(const uint8_t* record) override;
    void StoreRecord(uint8_t* record) override;

private:
    struct Field {
        int offset;
        void* member;
        int width;
    };
    struct IndexEntry {
        std::unique_ptr<IndexMgr> index;
        std::string name;
        std::vector<KeyPart> parts;
        int keyLength;
        bool unique;
    };
    bool Ready() const;
    void NeedRecordFile();
    [[nodiscard]] int ReadIndexed(int32_t recordNumber);
    int32_t SearchKey(int index, int32_t recordNumber);
    void DeleteKeyOf(int index, int32_t recordNumber);
    void ResetIndexFile();
    void CheckIndexFile();
    static void ReportOpenFailure(const FileMgr& file);
    void RebuildIndex(int index);
    void FreeSlot(int32_t slot);

    std::vector<Field> m_fields;
    std::vector<IndexEntry> m_indexes;
    int m_currentIndex = 0;
    std::string m_indexPath = "Invalid Index";
    std::vector<uint8_t> m_key;      // the key buffer, as long as the longest key
    std::vector<uint8_t> m_newRec;   // Amend: the caller's record
    std::vector<uint8_t> m_oldRec;   // Amend: the record on file
    std::vector<char> m_changed;     // Amend: indexes re-keyed
};
