#include "viewer/CAmbreloDoc.h"

#include <algorithm>

#include "dblib/RecordFile.h"
#include "platform/Text1252.h"

CAmbreloDoc::CAmbreloDoc(int fileKind, RecordFile& file, int32_t& recordNumber, const char* indexName,
                         const char* title)
    : m_fileKind(fileKind), m_recordNumber(&recordNumber), m_record(&file), m_indexName(indexName),
      m_title(title) {}

CAmbreloDoc::~CAmbreloDoc() = default;

void CAmbreloDoc::FormatLine(int /*line*/, std::string& text) const { text.clear(); }

bool CAmbreloDoc::OnNewDocument() {
    if (!platform::Document::OnNewDocument()) return false;
    SetTitle(m_title);
    SeekRecord(kSeekSearch, 0, 0);
    return true;
}

// Steps in one direction until a record's line value equals value (every record when no line
// is given); at the end of the file steps back once. False when the last read failed.
bool CAmbreloDoc::ReadMatching(bool forward, int value, int line) {
    RecordFile& file = *m_record;
    for (;;) {
        int rc = forward ? file.Next() : file.Prev();
        if (rc != 0) return (forward ? file.Prev() : file.Next()) == 0;
        if (line <= 0 || GetLineValue(line) == value) return true;
    }
}

int CAmbreloDoc::SeekRecord(int mode, int value, int line) {
    RecordFile& file = *m_record;
    bool ok = false;
    const bool heldOpen = file.IsOpen();  // a caller walking the whole file keeps it open
    if (file.Open() == 0) {
        // The index is looked up by name once; its number is selected thereafter.
        if (m_indexNumber < 0) {
            file.SelectIndex(m_indexName.c_str());
            m_indexNumber = file.CurrentIndexNumber();
        } else {
            file.SelectIndexNumber(m_indexNumber);
        }
        if (mode < 0 && heldOpen && file.HasCurrent() && *m_recordNumber == m_savedRecordNumber) {
            ok = true;  // the index still stands on the record on show
        } else if (mode < 0) {
            *m_recordNumber = m_savedRecordNumber;
            ok = file.Find() == 0;
            // A record gone since it was shown: the position stays where it stood.
        } else if (line > 0) {
            file.Rewind();
            ok = file.Next() == 0;
        }
        if (mode == kSeekPrevious) {
            ok = ReadMatching(false, value, line);
        } else if (mode == kSeekNext) {
            ok = ReadMatching(true, value, line);
        } else if (line <= 0) {
            *m_recordNumber = value;
            // Absent: the record the index stands on is the next higher number.
            ok = file.Find() == 0 || file.ReadCurrent() == 0;
        } else {
            while (ok) {
                int v = GetLineValue(line);
                if (value >= 0 ? v >= value : v <= value) break;
                if (file.Next() != 0) {
                    ok = file.Prev() == 0;
                    break;
                }
            }
        }
    }
    m_savedRecordNumber = *m_recordNumber;
    if (!ok) *m_recordNumber = -1;
    if (!heldOpen) file.Close();
    return *m_recordNumber;
}

std::string TrimLine(std::string text) {
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.pop_back();
    return text;
}

char* CAmbreloDoc::PutRecord(char* p, bool utf8) const {
    p = utf8 ? platform::PutUtf8From1252(m_title, p) : std::copy(m_title.begin(), m_title.end(), p);
    *p++ = '\n';
    p = PutLines(p, utf8);
    *p++ = '\n';
    return p;
}

void CAmbreloDoc::AppendRecord(std::string& out) const {
    const size_t start = out.size();
    out.resize(start + RecordBound());
    out.resize(size_t(PutRecord(out.data() + start) - out.data()));
}

void CAmbreloDoc::AppendLine(int line, std::string& out) const {
    std::string text;
    FormatLine(line, text);
    out += text;
}

void CAmbreloDoc::EchoRecord() const {
    std::string block;
    AppendRecord(block);
    for (size_t at = 0; at < block.size();) {
        size_t end = block.find('\n', at);
        EchoLine(std::string_view(block).substr(at, end - at));
        at = end + 1;
    }
}
