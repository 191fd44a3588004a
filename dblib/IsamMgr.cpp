#include "dblib/IsamMgr.h"

#include "dblib/Transaction.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

IsamMgr::IsamMgr(const std::string& dataPath, int recordLength, bool openNow)
    : FileMgr(dataPath, recordLength, kUncached, openNow ? kOpenNow : kOpenLater) {
    m_newRec.assign(size_t(recordLength), 0);
    m_oldRec.assign(size_t(recordLength), 0);
    m_key.assign(4, 0);
}

IsamMgr::~IsamMgr() {
    Close();
    m_indexes.clear();   // the first index owns the shared descriptor
}

void IsamMgr::SortKeyNumber(uint8_t* out, int32_t value) {
    uint32_t u = uint32_t(value) + 0x80000000u;
    out[0] = uint8_t(u >> 24);
    out[1] = uint8_t(u >> 16);
    out[2] = uint8_t(u >> 8);
    out[3] = uint8_t(u);
}

// ---- Declarations of the record class ----------------------------------------------------

void IsamMgr::DeclareField(int offset, void* field, int width) {
    if (offset < 0 || width <= 0 || offset + width > RecordLength())
        IsamFatal("%s", kIsamOutOfSync);
    m_fields.push_back({offset, field, width});
}

void IsamMgr::DeclareIndex(const char* name, std::initializer_list<KeyPart> parts, bool unique) {
    int length = unique ? 0 : 4;
    for (const KeyPart& p : parts) length += p.width;
    DeclareIndex(name, length, unique);
    m_indexes.back().parts.assign(parts.begin(), parts.end());
}

void IsamMgr::DeclareIndex(const char* name, int keyLength, bool unique) {
    if (IndexCount() >= kMaxIndexes) IsamFatal("Error: Too Many Indexes!");
    m_indexes.push_back({nullptr, name, {}, keyLength, unique});
}

void IsamMgr::OpenIndexes(const std::string& indexPath, int mode) {
    // Indexes made or rebuilt now reach the files whole or not at all.
    dbtx::ImplicitTransaction transaction(platform::DirName(Path()));
    m_indexPath = indexPath;
    size_t longest = 4;
    for (const IndexEntry& e : m_indexes) longest = std::max(longest, size_t(e.keyLength));
    m_key.assign(longest, 0);
    m_changed.assign(m_indexes.size(), 0);
    if (m_indexes.empty()) IsamFatal("Error: Index Item Size Is Zero!");

    if (IsOpen()) {
        CheckIndexFile();
    } else {
        ReportOpenFailure(*this);
    }
    for (size_t i = 0; i < m_indexes.size(); ++i) {
        IndexEntry& e = m_indexes[i];
        if (!IsOpen())   // left closed: opened on demand by Open
            e.index = std::make_unique<IndexMgr>(m_indexPath, e.keyLength, e.unique, -1, int(i));
        else if (i == 0)
            e.index = std::make_unique<IndexMgr>(m_indexPath, e.keyLength, e.unique);
        else
            e.index = std::make_unique<IndexMgr>(m_indexPath, e.keyLength, e.unique,
                                                 m_indexes[0].index->Descriptor(), int(i));
    }
    if (Ready()) {
        RebuildIndexes();
        for (IndexEntry& e : m_indexes) e.index->Rewind();
    } else {
        if (IsOpen()) ReportOpenFailure(*m_indexes[0].index);
        Close();
    }
    m_currentIndex = 0;
    if (mode == kModeClose) Close();
    transaction.Commit();
}

void IsamMgr::ReportOpenFailure(const FileMgr& file) {
    if (file.OpenDenied())
        IsamFatal("Cannot open %s for writing: %s", file.Path().c_str(),
                  std::strerror(file.OpenError()));
    if (file.OpenError() == EACCES)
        IsamStatus("Error: File held by another program: %s", file.Path().c_str());
}

// A data file created now leaves nothing for an existing index file to name: start it afresh.
void IsamMgr::CheckIndexFile() {
    if (CreatedFile() && platform::FileExists(m_indexPath)) {
        // An index whose trees hold entries names records that are gone with their data
        // file: nothing can rebuild them.
        FileMgr old(m_indexPath, IndexMgr::kNodeRecordLength, kUncached, kOpenLater);
        bool entries = false;
        if (old.Open() == 0) {
            const int32_t count = old.ReadHeaderField(kIndexCountField);
            for (int32_t n = 0; n < count && n < IndexMgr::kMaxDescriptors && !entries; ++n) {
                int32_t root = -1;
                uint16_t nodeCount = 0;
                const int64_t at = IndexMgr::kDescriptorBase + int64_t(n) * IndexMgr::kDescriptorSize;
                entries = old.Read(old.Descriptor(), &root, at, 4) == 4 && root >= 0 &&
                          old.Read(old.Descriptor(), &nodeCount, kHeaderSize + int64_t(root) * old.SlotLength() + 10, 2) == 2 &&
                          nodeCount > 0;
            }
        }
        if (entries) {
            old.Close();
            FileMgr::Close();
            platform::DeleteFile(Path());
            IsamFatal("Error: File Damaged (missing %s)", Path().c_str());
        }
        old.Close();
        FileMgr fresh(m_indexPath, IndexMgr::kNodeRecordLength, kCached, kOpenLater);
        if (fresh.Create() != 0)
            IsamFatal("Cannot open %s for writing: %s", m_indexPath.c_str(), std::strerror(errno));
    }
}

bool IsamMgr::Ready() const {
    return IsOpen() && !m_indexes.empty() && m_indexes[0].index && m_indexes[0].index->IsOpen();
}

// ---- Open and close ----------------------------------------------------------------------

int IsamMgr::Open() {
    if (IsOpen()) return 0;
    if (m_indexes.empty() || !m_indexes[0].index) return -1;
    dbtx::ImplicitTransaction transaction(platform::DirName(Path()));
    if (FileMgr::Open() != 0) {
        ReportOpenFailure(*this);
        return -1;
    }
    CheckIndexFile();
    IndexMgr* first = m_indexes[0].index.get();
    if (first->Open() != 0) {
        ReportOpenFailure(*first);
        FileMgr::Close();
        return -1;
    }
    for (size_t i = 1; i < m_indexes.size(); ++i)
        m_indexes[i].index->AttachDescriptor(first->Descriptor());
    RebuildIndexes();
    for (IndexEntry& e : m_indexes) e.index->Rewind();
    ClearCurrent();
    transaction.Commit();
    return 0;
}

void IsamMgr::Close() {
    ClearCurrent();
    FileMgr::Close();
    for (size_t i = m_indexes.size(); i-- > 0;)
        if (m_indexes[i].index) m_indexes[i].index->Close();
}

void IsamMgr::CloseKeepingPages() {
    if (IsOpen()) dbtx::KeepPagesAtClose(Descriptor());
    if (!m_indexes.empty() && m_indexes[0].index && m_indexes[0].index->IsOpen())
        dbtx::KeepPagesAtClose(m_indexes[0].index->Descriptor());
    Close();
}

void IsamMgr::DropHeldPages() {
    if (IsOpen()) dbtx::DropUnchanged(Descriptor());
    if (!m_indexes.empty() && m_indexes[0].index && m_indexes[0].index->IsOpen())
        dbtx::DropUnchanged(m_indexes[0].index->Descriptor());
}

// ---- Index selection ---------------------------------------------------------------------

void IsamMgr::SelectIndex(const char* name) {
    for (int i = 0; i < IndexCount(); ++i) {
        if (m_indexes[i].name == name) {
            m_currentIndex = i;
            return;
        }
    }
    IsamFatal("Invalid Index Name");
}

void IsamMgr::SelectIndexNumber(int n) {
    if (n < kFileOrder || n >= IndexCount()) IsamFatal("Invalid Index Name");
    m_currentIndex = n;
}

// ---- Records and keys --------------------------------------------------------------------

void IsamMgr::LoadRecord(const uint8_t* record) {
    for (const Field& f : m_fields) std::memcpy(f.member, record + f.offset, size_t(f.width));
}

void IsamMgr::StoreRecord(uint8_t* record) {
    for (const Field& f : m_fields) std::memcpy(record + f.offset, f.member, size_t(f.width));
}

void IsamMgr::BuildKey(int index, int32_t recordNumber) {
    uint8_t* p = m_key.data();
    if (index < 0 || index >= IndexCount() || m_indexes[index].parts.empty()) {
        SortKeyNumber(p, recordNumber);
        return;
    }
    const IndexEntry& e = m_indexes[index];
    for (const KeyPart& part : e.parts) {
        switch (part.kind) {
        case KeyKind::Number: {
            int32_t v;
            std::memcpy(&v, part.field, 4);
            SortKeyNumber(p, v);
            break;
        }
        case KeyKind::Text: {
            const char* text = static_cast<const char*>(part.field);
            int n = 0;
            while (n < part.width && text[n] != '\0') ++n;
            std::memcpy(p, text, size_t(n));
            std::memset(p + n, 0, size_t(part.width - n));
            break;
        }
        case KeyKind::Bytes:
            std::memcpy(p, part.field, size_t(part.width));
            break;
        }
        p += part.width;
    }
    if (!e.unique) SortKeyNumber(p, recordNumber);
}

// Reads the record an index entry names; an entry naming no live record means damage.
int IsamMgr::ReadIndexed(int32_t recordNumber) {
    if (ReadRecord(recordNumber) != 0 || SlotStatus() != kSlotLive)
        IsamFatal("Error: File Damaged (index names no record): %s", m_indexPath.c_str());
    return 0;
}

// Searches index `index` for the key of the object's fields; the record number found or -1.
int32_t IsamMgr::SearchKey(int index, int32_t recordNumber) {
    BuildKey(index, recordNumber);
    return m_indexes[index].index->Search(m_key.data());
}

// Deletes the entry of the object's key for recordNumber from an index, when it is there.
void IsamMgr::DeleteKeyOf(int index, int32_t recordNumber) {
    if (SearchKey(index, recordNumber) == recordNumber && m_indexes[index].index->DeleteKey() != 0)
        IsamFatal("Error: File Damaged (index entry): %s", m_indexPath.c_str());
}

// ---- Keyed access ------------------------------------------------------------------------

int IsamMgr::Find() {
    if (!Ready() || m_currentIndex < 0) {
        ClearCurrent();
        return -1;
    }
    int32_t rec = SearchKey(m_currentIndex, 0);
    if (rec < 0) {
        ClearCurrent();
        return -1;
    }
    return ReadIndexed(rec);
}

void IsamMgr::Rewind() {
    ClearCurrent();
    if (Ready() && m_currentIndex >= 0) m_indexes[m_currentIndex].index->Rewind();
}

int IsamMgr::Next(int n) {
    if (!Ready()) {
        ClearCurrent();
        return -1;
    }
    if (m_currentIndex == kFileOrder) {
        if (n < 1) return n;
        for (int i = 0; i < n; ++i) {
            if (NextRecord() != 0) {
                ClearCurrent();
                return -1;
            }
        }
        return 0;
    }
    int32_t rec = m_indexes[m_currentIndex].index->Next(n);
    if (rec < 0) {
        ClearCurrent();
        return -1;
    }
    return ReadIndexed(rec);
}

int IsamMgr::Prev(int n) {
    if (!Ready() || m_currentIndex < 0) {
        ClearCurrent();
        return -1;
    }
    int32_t rec = m_indexes[m_currentIndex].index->Prev(n);
    if (rec < 0) {
        ClearCurrent();
        return -1;
    }
    return ReadIndexed(rec);
}

int IsamMgr::ReadCurrent() {
    if (!Ready() || m_currentIndex < 0) return -1;
    int32_t rec = m_indexes[m_currentIndex].index->CurrentRecord();
    if (rec < 0) return -1;
    return ReadIndexed(rec);
}

void IsamMgr::FreeSlot(int32_t slot) {
    SetCurrent(slot);
    if (FreeRecord() != 0) Damaged("record file closed");
}

int IsamMgr::Insert() {
    if (!Ready() || NewRecord() != 0) return -1;
    const int32_t rec = CurrentSlot();
    for (int i = 0; i < IndexCount(); ++i) {
        BuildKey(i, rec);
        if (m_indexes[i].index->InsertKey(rec, m_key.data()) != 0) {
            for (int j = i - 1; j >= 0; --j) DeleteKeyOf(j, rec);
            FreeSlot(rec);
            return -1;
        }
    }
    SetCurrent(rec);
    return 0;
}

int IsamMgr::Amend() {
    if (!Ready() || !HasCurrent()) return -1;
    const int32_t rec = CurrentSlot();
    StoreRecord(m_newRec.data());
    if (ReloadCurrent() != 0) {
        LoadRecord(m_newRec.data());
        ClearCurrent();
        return -1;
    }
    StoreRecord(m_oldRec.data());
    // Every index stands on the old record's entry.
    for (int i = 0; i < IndexCount(); ++i)
        if (SearchKey(i, rec) != rec)
            IsamFatal("Error: File Damaged (record missing from index): %s",
                      m_indexPath.c_str());

    LoadRecord(m_newRec.data());
    int failed = -1;
    for (int i = 0; i < IndexCount(); ++i) {
        BuildKey(i, rec);
        m_changed[i] = m_indexes[i].index->CompareKeyAtCursor(m_key.data()) != 0;
        if (m_changed[i] && m_indexes[i].index->InsertKey(rec, m_key.data()) != 0) {
            m_changed[i] = 0;
            failed = i;
            break;
        }
    }
    if (failed >= 0) {
        for (int j = failed - 1; j >= 0; --j)
            if (m_changed[j]) DeleteKeyOf(j, rec);
        if (m_currentIndex >= 0) {
            LoadRecord(m_oldRec.data());
            SearchKey(m_currentIndex, rec);
        }
        LoadRecord(m_newRec.data());
        SetCurrent(rec);
        return -1;
    }
    if (WriteRecord() != 0) Damaged("record file closed");
    LoadRecord(m_oldRec.data());
    for (int i = 0; i < IndexCount(); ++i)
        if (m_changed[i]) DeleteKeyOf(i, rec);
    LoadRecord(m_newRec.data());
    if (m_currentIndex >= 0) SearchKey(m_currentIndex, rec);
    SetCurrent(rec);
    return 0;
}

int IsamMgr::Erase() {
    if (!Ready() || !HasCurrent()) return -1;
    const int32_t rec = CurrentSlot();
    // The keys come from the record on file, not from fields the caller may have changed.
    if (ReloadCurrent() != 0) {
        ClearCurrent();
        return -1;
    }
    for (int i = 0; i < IndexCount(); ++i) DeleteKeyOf(i, rec);
    FreeSlot(rec);
    return 0;
}

// ---- Rebuild -----------------------------------------------------------------------------

void IsamMgr::RebuildIndexes() {
    for (int i = 0; i < IndexCount(); ++i) {
        IndexMgr* index = m_indexes[i].index.get();
        if (index && index->CreatedNow()) {
            RebuildIndex(i);
            index->ClearCreatedNow();
        }
    }
}

void IsamMgr::RebuildIndex(int i) {
    IndexMgr* index = m_indexes[i].index.get();
    bool any = false;
    ClearCurrent();
    while (NextRecord() == 0) {
        if (!any) {
            IsamStatus("Rebuilding Index File: \"%s\", Name: \"%s\"", m_indexPath.c_str(),
                       m_indexes[i].name.c_str());
            any = true;
        }
        BuildKey(i, CurrentSlot());
        if (index->InsertKey(CurrentSlot(), m_key.data()) != 0)
            IsamFatal("Error rebuilding Index: Duplicate Key!");
    }
    ClearCurrent();
    if (any) IsamStatus("Index Completed");
}
