#include "viewer/ApproachIdentDiagnostic.h"

#include <fcntl.h>

#include <cstring>

#include "common/IdentDigits.h"
#include "common/LineReader.h"
#include "common/LineWriter.h"
#include "dblib/CAmbreloDBOpen.h"
#include "dblib/dfINTS.h"
#include "dblib/dfNDBS.h"
#include "dblib/dfVORS.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t kMarkColumn = 5;
constexpr size_t kIdentColumn = 7;
constexpr size_t kIdentLength = 7;

// The three files an ident is looked for in, in order, with their ident index and mark.
struct IdentFile {
    int fileNumber;
    const char* index;
    char mark;
    char* (*field)(RecordFile&);
};

const IdentFile kIdentFiles[] = {
    {dfINTS::kFileNumber, "iident", 'I', [](RecordFile& f) { return static_cast<dfINTS&>(f).iident; }},
    {dfNDBS::kFileNumber, "bident", 'N', [](RecordFile& f) { return static_cast<dfNDBS&>(f).bident; }},
    {dfVORS::kFileNumber, "vident", 'V', [](RecordFile& f) { return static_cast<dfVORS&>(f).vident; }},
};
constexpr size_t kIdentFieldSize = sizeof dfINTS::iident;
static_assert(sizeof dfNDBS::bident == kIdentFieldSize && sizeof dfVORS::vident == kIdentFieldSize);

// The kind the stored ident is found as, or a blank.
char FindIdent(CAmbreloDBOpen& db, const char* ident) {
    for (const IdentFile& f : kIdentFiles) {
        RecordFile* file = db.File(f.fileNumber);
        if (!file) continue;
        char* key = f.field(*file);
        std::memset(key, 0, kIdentFieldSize);
        std::memcpy(key, ident, std::strlen(ident));
        if (file->Find() == 0) return f.mark;
    }
    return ' ';
}

}  // namespace

std::string DiagnosticOutputPath(const std::string& inputPath) {
    size_t cut = inputPath.find_last_of("/\\");
    return cut == std::string::npos ? "apiddiag.txt" : inputPath.substr(0, cut + 1) + "apiddiag.txt";
}

bool MarkApproachIdentLine(CAmbreloDBOpen& db, std::string& line) {
    if (line.size() <= kIdentColumn || line[4] != ' ' || line[6] != ' ') return true;
    char mark = line[kMarkColumn];
    if (mark != ' ' && mark != 'x') return false;
    std::string ident = line.substr(kIdentColumn, kIdentLength);
    while (!ident.empty() && static_cast<unsigned char>(ident.back()) < '!') ident.pop_back();
    char stored[kIdentLength + 1] = {};
    std::memcpy(stored, ident.data(), ident.size());
    EncodeIdentDigits(stored);
    line[kMarkColumn] = stored[0] ? FindIdent(db, stored) : ' ';
    return true;
}

bool DiagnoseApproachIdents(CAmbreloDBOpen& db, const std::string& inputPath) {
    std::string input = platform::NormalizePath(inputPath);
    int in = platform::OpenFile(input, O_RDONLY, platform::Share::DenyNone);
    if (in < 0) {
        platform::ShowMessage("Cannot open apidgen file");
        return false;
    }
    int out = platform::OpenFile(DiagnosticOutputPath(input), O_WRONLY | O_CREAT | O_TRUNC,
                                 platform::Share::DenyWrite);
    if (out < 0) {
        platform::CloseFile(in);
        platform::ShowMessage("Cannot open apiddiag file");
        return false;
    }
    for (const IdentFile& f : kIdentFiles) {
        if (RecordFile* file = db.File(f.fileNumber); file && file->Open() == 0) file->SelectIndex(f.index);
    }
    LineReader reader = LineReader::FromDescriptor(in);
    LineWriter writer(out);
    std::string line;
    for (;;) {
        LineReader::Result r = reader.Next(line, 1 << 20);
        if (r == LineReader::Result::End || r == LineReader::Result::Error) break;
        if (r == LineReader::Result::LongLine) reader.SkipRestOfLine();
        if (MarkApproachIdentLine(db, line)) writer.WriteLine(line);
    }
    writer.Flush();
    for (const IdentFile& f : kIdentFiles) {
        if (RecordFile* file = db.File(f.fileNumber)) file->Close();
    }
    platform::CloseFile(out);
    platform::CloseFile(in);
    return true;
}
