// The fifteen record documents, one per record file, each with the lines of its record type.
#pragma once

#include <memory>

#include "viewer/CAmbreloDoc.h"

class dfAPTS;
class dfCOUNTRY;
class dfFREQ3;
class dfINTS;
class dfNAMES;
class dfNDBS;
class dfRWY3;
class dfVORS;
class dfUSR;
class dfRESTR;
class dfAPPR;
class dfLWPT;
class dfAWYS;
class dfAWPS;
class dfRTE;

// A record document whose lines come from the line table of record type R; line 0 is the
// record number.
template <class R>
class CAmbreloRecordDoc : public CAmbreloDoc {
public:
    CAmbreloRecordDoc(int fileKind, R& file, const char* indexName, const char* title);
    void FormatLine(int line, std::string& text) const override;
    void AppendLine(int line, std::string& out) const override;
    int GetLineCount() const override;
    bool IsLineSearchable(int line) const override;
    int GetLineValue(int line) const override;

protected:
    char* PutLines(char* p, bool utf8) const override;
    size_t LinesBound() const override;

private:
    const R& m_fields;
};

#define AMBRELO_DOC(Class, R)                   \
    class Class : public CAmbreloRecordDoc<R> { \
    public:                                     \
        explicit Class(R& file);                \
    }

AMBRELO_DOC(CAmbreloADoc, dfAPTS);
AMBRELO_DOC(CAmbreloCDoc, dfCOUNTRY);
AMBRELO_DOC(CAmbreloFDoc, dfFREQ3);
AMBRELO_DOC(CAmbreloIDoc, dfINTS);
AMBRELO_DOC(CAmbreloNDoc, dfNAMES);
AMBRELO_DOC(CAmbreloBDoc, dfNDBS);
AMBRELO_DOC(CAmbreloRDoc, dfRWY3);
AMBRELO_DOC(CAmbreloVDoc, dfVORS);
AMBRELO_DOC(CAmbreloUDoc, dfUSR);
AMBRELO_DOC(CAmbreloRCDoc, dfRESTR);
AMBRELO_DOC(CAmbreloAPDoc, dfAPPR);
AMBRELO_DOC(CAmbreloLWDoc, dfLWPT);
AMBRELO_DOC(CAmbreloAWYDoc, dfAWYS);
AMBRELO_DOC(CAmbreloAWPDoc, dfAWPS);
AMBRELO_DOC(CAmbreloRTDoc, dfRTE);

#undef AMBRELO_DOC

class RecordFile;
// The window title of a file number's document ("apts.dta" ... "rte.dta"), "" out of range.
const char* AmbreloDocTitle(int fileKind);
// The document of a file number (0-14) over that file's record-file object; null when the
// number is out of range or the object is not of the file's type.
std::unique_ptr<CAmbreloDoc> MakeAmbreloDoc(int fileKind, RecordFile& file);
