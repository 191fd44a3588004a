// The document of one record file: the record on show, its lines and the seek that moves it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Document.h"

class RecordFile;

// Seek modes.
inline constexpr int kSeekPrevious = -2;
inline constexpr int kSeekNext = -1;
inline constexpr int kSeekSearch = 0;

class CAmbreloDoc : public platform::Document {
public:
    // file: the record-file object whose fields are the record buffer; recordNumber: its
    // record-number field; indexName: the record-number index; title: the window title.
    CAmbreloDoc(int fileKind, RecordFile& file, int32_t& recordNumber, const char* indexName,
                const char* title);
    ~CAmbreloDoc() override;

    // Moves to another record (mode kSeekPrevious, kSeekNext or kSeekSearch) and returns the
    // record number on show, -1 when the last read failed. A line above 0 searches by that
    // line's value. The record file is opened and closed again, unless the caller holds it open.
    virtual int SeekRecord(int mode, int value, int line);
    // The text of a line of the current record (empty for a line that does not exist).
    virtual void FormatLine(int line, std::string& text) const;
    // The line's text appended to out.
    virtual void AppendLine(int line, std::string& out) const;
    virtual int GetLineCount() const { return 0; }
    virtual bool IsLineSearchable(int /*line*/) const { return false; }
    // The value of a searchable line; the record number for any other line.
    virtual int GetLineValue(int /*line*/) const { return 0; }

    // The title, then a seek to record 0 or the next higher one.
    bool OnNewDocument() override;

    int FileKind() const { return m_fileKind; }
    RecordFile& File() const { return *m_record; }
    int SavedRecordNumber() const { return m_savedRecordNumber; }
    const std::string& WindowTitle() const { return m_title; }

    // The title line, then every line of the current record without trailing blanks, then an
    // empty line, through the document's echo (standard output when headless).
    void EchoRecord() const;
    // The same block as one text, each line ended by '\n', appended to out.
    void AppendRecord(std::string& out) const;
    // The most bytes of the block, and the block written at p (room for RecordBound() bytes);
    // the end. With utf8 the block is in UTF-8, which takes up to three times the bytes.
    size_t RecordBound(bool utf8 = false) const { return (m_title.size() + 2 + LinesBound()) * (utf8 ? 3 : 1); }
    char* PutRecord(char* p, bool utf8 = false) const;

protected:
    // Every line of the current record written at p, trimmed and each ended by '\n' (in UTF-8
    // with utf8), and the most bytes it takes in the code page.
    virtual char* PutLines(char* p, bool /*utf8*/) const { return p; }
    virtual size_t LinesBound() const { return 0; }

    int32_t RecordNumber() const { return *m_recordNumber; }

private:
    bool ReadMatching(bool forward, int value, int line);

    int m_fileKind;
    int m_savedRecordNumber = 0;
    int32_t* m_recordNumber;
    RecordFile* m_record;
    std::string m_indexName;
    int m_indexNumber = -1;
    std::string m_title;
};

// A line's text with its trailing blanks and control characters cut.
std::string TrimLine(std::string text);
