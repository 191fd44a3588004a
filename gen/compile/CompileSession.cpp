#include "gen/compile/CompileSession.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/Bits.h"
#include "common/CLocale.h"
#include "common/IdentDigits.h"
#include "common/LineReader.h"
#include "common/TextHelpers.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/batch/BatchFields.h"
#include "gen/compile/CompileGrid.h"
#include "gen/createimage/CreateImageAirspace.h"
#include "gen/image/AirspaceRelocation.h"
#include "gen/image/ImageParams.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "platform/AtomicFile.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

constexpr size_t kLineLimit = 159;     // characters of one source line read
constexpr size_t kShortestLine = 6;
constexpr size_t kFlushBytes = 1 << 16;

const char* const kWorkFileNames[kWorkFileCount] = {
    "SUAatmp.bin", "SUAbtmp.bin", "SUAmtmp.bin", "SUAgtmp.bin",
    "SUArtmp.bin", "TCCxtmp.bin", "TCCytmp.bin", "TCCztmp.bin",
};

struct ErrorText {
    int code;
    const char* text;
};
const ErrorText kErrorTexts[] = {
    {1, "Line not of recognised format"},
    {2, "Curly brackets absent or do not match"},
    {3, "Priority field absent"},
    {4, "Airspace type unknown"},
    {5, "' to ' absent in height range"},
    {6, "{APT ID} absent"},
    {7, "Cannot find APT in ISAM database"},
    {8, "SUA(a/b) line not found"},
    {9, "Vertex out of sequence"},
    {10, "Matching square bracket absent"},
    {11, "Co-ordinate format incorrect"},
    {12, "Arc description format incorrect"},
    {13, "Circle description format incorrect"},
    {14, "Height header format incorrect, or not vertex 1"},
    {15, "Height header out of permissable range"},
    {16, "Vertexes too far apart"},
    {17, "Not enough vertexes found"},
    {18, "Vertex 1 would be confused with a height header"},
    {19, "Too many vertexes"},
    {20, "Vertex 0 is not the most southerly (and westerly) point"},
    {21, "Area does not close"},
    {22, "SUA(a) not allowed after SUA(b) - please re-order"},
    {23, "Value too large for its field"},
    {24, "Compiled file too large for its format"},
    {30, "Frequencies expected"},
    {40, "Approach ID not present in apid section"},
    {41, "Unknown Country"},
    {42, "This APT is not in this Country"},
    {43, "Cannot find the specified waypoint"},
    {44, "Last Approach was incomplete"},
    {45, "Local NDB has no frequency"},
    {46, "Approach waypoint has unknown type"},
    {47, "Too many waypoints in approach (max 4)"},
    {48, "The compilation produced no data"},
    {49, "The wapoint could not be found in the ISAM database"},
    {50, "The ILS navaid runway could not be found"},
    {51, "Bracket mismatch"},
    {52, "Approach type unknown"},
    {53, "Type/posn digits absent"},
    {54, "Flag value absent"},
    {55, "Line too long or too many fields"},
    {56, "Too many flag sections"},
    {57, "ISAM APTs must be in order, please CreateImage and re-CreateISAM"},
    {58, "Hold parameters absent"},
    {59, "Runway has no threshold co-ordinates"},
    {60, "Illegal flag value"},
    {61, "Cannot open rwyextras file for update"},
    {62, "Seconds not allowed if local waypoint"},
    {63, "Approach waypoints must be nav, faf, map (0,5,7) in that order"},
};

std::string JoinPath(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

void TrimTrailingWhite(std::string& s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
}

}  // namespace

const char* CompileErrorMessage(int code) {
    for (const ErrorText& e : kErrorTexts) {
        if (e.code == code) return e.text;
    }
    return "unknown error";
}

// ---- Work files ----------------------------------------------------------------------------

bool WorkFile::Create(const std::string& path) {
    return CreateAsSpelt(platform::SpellingsInFolder(platform::DirName(path), {platform::BaseName(path)})[0]);
}

bool WorkFile::CreateAsSpelt(const std::string& path) {
    Close(false);
    path_ = path;
    // A file left by an earlier run is cut to nothing; a new one is made without the truncation,
    // which would make the file system write its bytes out when it is closed.
    fd_ = platform::OpenFileAsSpelt(path, O_RDWR | O_CREAT | O_EXCL, platform::Share::DenyNone, 0666);
    if (fd_ < 0 && errno == EEXIST) {
        fd_ = platform::OpenFileAsSpelt(path, O_RDWR | O_CREAT | O_TRUNC, platform::Share::DenyNone, 0666);
    }
    size_ = flushed_ = 0;
    buffer_.clear();
    failed_ = fd_ < 0;
    return fd_ >= 0;
}

void WorkFile::Flush() {
    if (fd_ < 0 || buffer_.empty()) return;
    if (platform::WriteAt(fd_, buffer_.data(), buffer_.size(), static_cast<int64_t>(flushed_)) !=
        static_cast<long>(buffer_.size())) {
        failed_ = true;
    }
    flushed_ += buffer_.size();
    buffer_.clear();
}

void WorkFile::Close(bool keep) {
    if (fd_ < 0) return;
    // The bytes of a file that is deleted are never written.
    if (keep) {
        Flush();
        platform::CloseFile(fd_);
    } else {
        platform::CloseAndDeleteFile(fd_, path_);
    }
    fd_ = -1;
}

void WorkFile::Append(const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    buffer_.insert(buffer_.end(), p, p + n);
    size_ += n;
    if (buffer_.size() >= kFlushBytes) Flush();
}

void WorkFile::Patch(uint64_t offset, const void* data, size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    if (n == 0) return;
    if (offset >= flushed_) {  // still buffered: the usual case of the last record's bytes
        std::memcpy(buffer_.data() + (offset - flushed_), p, n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint64_t at = offset + i;
        if (at >= flushed_) {
            buffer_[at - flushed_] = p[i];
        } else if (fd_ >= 0 && platform::WriteAt(fd_, p + i, 1, static_cast<int64_t>(at)) != 1) {
            failed_ = true;
        }
    }
}

void WorkFile::Read(uint64_t offset, void* data, size_t n) {
    auto* p = static_cast<uint8_t*>(data);
    if (n == 0) return;
    if (offset >= flushed_) {
        std::memcpy(p, buffer_.data() + (offset - flushed_), n);
        return;
    }
    for (size_t i = 0; i < n; ++i) {
        const uint64_t at = offset + i;
        if (at >= flushed_) {
            p[i] = buffer_[at - flushed_];
        } else if (fd_ < 0 || platform::ReadAt(fd_, p + i, 1, static_cast<int64_t>(at)) != 1) {
            p[i] = 0;
            failed_ = true;
        }
    }
}

bool WorkFile::CopyTo(int fd, uint64_t& at) {
    // The flushed bytes come from the file, the rest straight from the buffer.
    std::vector<uint8_t> piece(static_cast<size_t>(std::min<uint64_t>(kFlushBytes, flushed_)));
    for (uint64_t from = 0; from < flushed_ && !failed_;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), flushed_ - from));
        if (platform::ReadAt(fd_, piece.data(), n, static_cast<int64_t>(from)) != static_cast<long>(n) ||
            platform::WriteAt(fd, piece.data(), n, static_cast<int64_t>(at)) != static_cast<long>(n)) {
            failed_ = true;
        }
        from += n;
        at += n;
    }
    if (!failed_ && !buffer_.empty()) {
        if (platform::WriteAt(fd, buffer_.data(), buffer_.size(), static_cast<int64_t>(at)) !=
            static_cast<long>(buffer_.size())) {
            failed_ = true;
        }
        at += buffer_.size();
    }
    return !failed_;
}

// ---- Session -------------------------------------------------------------------------------

CompileSession::CompileSession() = default;
CompileSession::~CompileSession() {
    for (WorkFile& f : files) f.Close(false);
    source.reset();
    if (sourceFd >= 0) platform::CloseFile(sourceFd);
}

void CompileSession::FieldError(const std::string& what, long long value, long long limit) {
    if (error != kErrNone) return;
    error = kErrFieldValue;
    detail = StringFormatC("%s %lld is beyond the limit %lld", what.c_str(), value, limit);
}

void CompileSession::SizeError(const std::string& what, long long value, long long limit) {
    if (error != kErrNone) return;
    error = kErrFileTooLarge;
    detail = StringFormatC("%s %lld is beyond the limit %lld", what.c_str(), value, limit);
}

CompileSession& Session(OperationContext& c) {
    if (!c.compile) c.compile = std::make_unique<CompileSession>();
    return *c.compile;
}

bool OpenCompileSource(OperationContext& c, const std::string& fileName) {
    c.compile = std::make_unique<CompileSession>();
    CompileSession& s = *c.compile;
    if (c.app && c.app->Model().compileErrorFrame) s.errorFrame = c.app->Model().compileErrorFrame;
    s.sourceFd = platform::OpenFile(fileName, O_RDONLY, platform::Share::DenyNone);
    if (s.sourceFd < 0) {
        c.compile.reset();
        if (c.app) c.app->NoteOperationNotDone();
        platform::ShowMessage(StringFormatC("Cannot open %s", fileName.c_str()));
        return false;
    }
    s.source = std::make_unique<LineReader>(LineReader::FromDescriptor(s.sourceFd));
    if (c.model && c.model->imageParams) {
        const AirspaceLayouts& layouts = AirspaceLayoutsOf(*c.model->imageParams);
        s.layoutA = layouts.suaA;
        s.layoutB = layouts.suaB;
        s.nameBits = c.model->imageParams->nameOffsetBits;
        s.tagged = s.nameBits == 20;
        s.suaTypesB = c.model->imageParams->suaTypesB;
        s.suaNoAirport = c.model->imageParams->suaNoAirport;
    }
    return true;
}

bool OpenCompileTempFiles(OperationContext& c) {
    CompileSession& s = Session(c);
    s.error = kErrNone;
    s.recordState = 0;
    s.compiled = s.filtered = s.fssCompiled = 0;
    s.cell = 0;
    s.line.clear();
    s.boxes.clear();
    s.boxes.shrink_to_fit();
    // The working folder is read once for the spellings of all eight.
    const std::vector<std::string> paths =
        platform::SpellingsInFolder("", std::vector<std::string>(kWorkFileNames, kWorkFileNames + kWorkFileCount));
    for (int i = 0; i < kWorkFileCount; ++i) {
        if (!s.files[i].CreateAsSpelt(paths[static_cast<size_t>(i)])) {
            for (WorkFile& f : s.files) f.Close(false);
            if (c.app) c.app->SetState(kStateIdle);
            ProgramError("Failed to open/create temporary files");
        }
    }
    s.filesOpen = true;
    // The record files are opened when first used: the next name number when a name is added.
    s.nameSerialKnown = false;
    return true;
}

void CloseCompileTempFiles(OperationContext& c) {
    if (!c.compile) return;
    CompileSession& s = *c.compile;
    const bool keep = c.settings && (c.settings->debugLevel & kDebugKeepWorkFiles) != 0;
    for (WorkFile& f : s.files) f.Close(keep);
    s.filesOpen = false;
    s.source.reset();
    if (s.sourceFd >= 0) platform::CloseFile(s.sourceFd);
    s.sourceFd = -1;
}

void EndCompileSession(OperationContext& c) {
    if (!c.compile) return;
    CloseCompileTempFiles(c);
    BatchCloseFiles();
    c.compile.reset();
}

// ---- Lines ---------------------------------------------------------------------------------

bool ReadSourceLine(CompileSession& s) {
    s.haveLine = false;
    if (!s.source || s.sourceEnded) return false;
    const LineReader::Result r = s.source->Next(s.raw, kLineLimit);
    if (r == LineReader::Result::End || r == LineReader::Result::Error) {
        s.sourceEnded = true;
        return false;
    }
    s.haveLine = true;
    return true;
}

std::string CompileFolder(const OperationContext& c) { return c.app ? c.app->GetDbFolder() : std::string("db50"); }

void ShowCompileProgress(OperationContext& c, std::string_view text, int number) {
    // Once per record and per grid cell: made without the printf machinery.
    char line[64];
    const size_t n = std::min(text.size(), sizeof line - 12);
    std::memcpy(line, text.data(), n);
    char* at = line + n;
    auto magnitude = static_cast<uint32_t>(number);
    if (number < 0) {
        *at++ = '-';
        magnitude = 0u - magnitude;
    }
    at = PutNumber(at, magnitude, 1);
    c.ReplaceLastLine(std::string_view(line, static_cast<size_t>(at - line)));
}

char* ReadCompileLine(OperationContext& c) {
    CompileSession& s = Session(c);
    std::string& l = s.line;
    l = s.raw;
    size_t cut = l.find('\r');
    if (cut == std::string::npos) cut = l.find('\n');
    if (cut != std::string::npos) l.resize(cut);
    const size_t slash = l.find('/');
    if (slash != std::string::npos && slash + 1 < l.size() && l[slash + 1] == '/') {
        l.resize(slash);
        TrimTrailingWhite(l);
    }
    if (l.size() < kShortestLine) return nullptr;
    const bool listing = c.settings && c.settings->listing;
    if (!listing) {
        // The same progress line again changes nothing: it is written once per record.
        const size_t lines = c.doc ? c.doc->Lines().size() : 0;
        if (s.progressStep != static_cast<int64_t>(c.step) || s.progressLines != lines) {
            ShowCompileProgress(c, "Compiling record ", static_cast<int>(c.step));
            s.progressStep = c.step;
            s.progressLines = c.doc ? c.doc->Lines().size() : 0;
        }
    } else {
        c.AddLine(StringFormatC("%3x:%s", s.fssMode ? s.fssCompiled : s.compiled, l.c_str()));
    }
    char* p = l.data();
    while (*p == ' ' || *p == '\t') ++p;
    return p;
}

bool IsFilteredOut(OperationContext& c, int32_t lowerFeet, int32_t north, int32_t east, int32_t south,
                   int32_t west) {
    if (!c.settings) return false;
    const GenSettings& g = *c.settings;
    const GeoRect& r = g.limitRect;
    bool drop = g.maxBase != 0 && lowerFeet > g.maxBase;
    if (!drop && r.SwSet()) {
        drop = north < r.swLat || static_cast<int32_t>(static_cast<uint32_t>(east) - static_cast<uint32_t>(r.swLon)) < 0;
    }
    if (!drop && r.NeSet()) {
        drop = south > r.neLat ||
               static_cast<int32_t>(static_cast<uint32_t>(west) - static_cast<uint32_t>(r.neLon)) >= 1;
    }
    if (!drop) return false;
    CompileSession& s = Session(c);
    ++s.filtered;
    if (g.listing) c.AddLine("The above record was filtered out");
    return true;
}

void CompileErrorText(OperationContext& c) {
    CompileSession& s = Session(c);
    if (!(c.settings && c.settings->listing)) c.AddLine(s.recordStart);
    c.AddLine(StringFormatC(s.errorFrame, CompileErrorMessage(s.error)));
    if (!s.detail.empty()) c.AddLine(s.detail);
    c.failed = true;
    if (c.app) c.app->AbandonControlRun();
    s.source.reset();
    if (s.sourceFd >= 0) platform::CloseFile(s.sourceFd);
    s.sourceFd = -1;
}

void CompileRecordLines(OperationContext& c, const std::function<void(char* line)>& dispatch,
                        const std::function<bool(const char* line)>& startsRecord) {
    CompileSession& s = Session(c);
    while (s.haveLine) {
        if (char* line = ReadCompileLine(c)) dispatch(line);
        if (s.error) break;
        if (!ReadSourceLine(s)) break;
        const char* next = s.raw.c_str();
        while (*next == ' ' || *next == '\t') ++next;
        if (s.recordState != 0 && startsRecord(next)) break;
    }
}

bool EndCompileOperation(OperationContext& c) {
    EndCompileSession(c);
    return true;
}

bool CompileGridStep(OperationContext& c, GridBuilder& grid, int cells, const GridSummary& summary, bool empty,
                     const std::function<bool()>& write) {
    CompileSession& s = Session(c);
    return CompileGridStep(c, [&](int cell) { return grid.AddCell(c, s, cell); }, cells, summary, empty, write);
}

bool CompileGridStep(OperationContext& c, const std::function<bool(int cell)>& addCell, int cells,
                     const GridSummary& summary, bool empty, const std::function<bool()>& write) {
    CompileSession& s = Session(c);
    if (!s.gridStarted) {
        s.gridStarted = true;
        c.AddLine(summary());
        if (empty) {
            s.error = kErrNoData;
            CompileErrorText(c);
            return EndCompileOperation(c);
        }
        c.AddLine("");
    }
    ShowCompileProgress(c, "Creating Grid Index ", s.cell);
    if (!addCell(s.cell)) {
        CompileErrorText(c);
        return EndCompileOperation(c);
    }
    if (++s.cell < cells) return false;
    s.boxes.clear();
    s.boxes.shrink_to_fit();
    if (!write()) CompileErrorText(c);
    return EndCompileOperation(c);
}

const char* MatchingParen(const char* open) {
    int depth = 0;
    for (const char* q = open; *q; ++q) {
        if (*q == '(') ++depth;
        if (*q == ')' && --depth == 0) return q;
    }
    return nullptr;
}

std::string TrimmedText(const char* from, const char* to) {
    while (to > from && (to[-1] == ' ' || to[-1] == '\t')) --to;
    while (from < to && (*from == ' ' || *from == '\t')) ++from;
    return std::string(from, static_cast<size_t>(to - from));
}

char* ReadCoordinatePair(CompileSession& s, char* text, int32_t* lat, int32_t* lon, int bits) {
    s.coordinates.error = 0;
    text = ParseCoordinate(text, lat, bits, false, s.coordinates);
    text = ParseCoordinate(text, lon, bits, true, s.coordinates);
    if (s.coordinates.error) s.Fail(kErrCoordinate);
    return text;
}

bool CompiledNameNumber(OperationContext& c, CompileSession& s, const std::string& text, uint32_t* out) {
    const int32_t n = GetNameNumber(c, text);
    if (n < 0) {
        *out = 0xFFFFFFFFu;
        return true;
    }
    const long long limit = static_cast<long long>((1u << s.nameBits) - 2);
    if (n > limit || n == 0xFFFF) {
        s.FieldError("name number", n, n == 0xFFFF ? 0xFFFE : limit);
        return false;
    }
    *out = static_cast<uint32_t>(n);
    return true;
}

void PutNameNumber(const CompileSession& s, const AirspaceNameSlot& slot, uint8_t* record, uint32_t number) {
    record[slot.lowByte] = static_cast<uint8_t>(number);
    record[slot.lowByte + 1] = static_cast<uint8_t>(number >> 8);
    PutBits(slot.highBit, s.nameBits - 16, record, number >> 16);
}

// ---- Output --------------------------------------------------------------------------------

bool FinishCompilation(OperationContext& c, const std::string& header, const std::vector<int>& tables,
                       const std::string& newName, const std::string& finalName, const std::string& folder) {
    const std::string newPath = JoinPath(folder, newName);
    CompileSession& s = Session(c);
    // Written under a temporary name beside it, and put in its place only when complete.
    platform::AtomicFile out;
    bool written = out.Open(newPath, platform::AtomicFile::Start::Empty, platform::Share::DenyNone);
    if (written) {
        uint64_t at = header.size();
        written = out.WriteAt(header.data(), header.size(), 0);
        for (int t : tables) written = written && s.files[t].CopyTo(out.Descriptor(), at);
        written = written && out.Commit();
        const int error = out.ErrorNumber() != 0 ? out.ErrorNumber() : errno;
        out.Abandon();
        errno = error;
    }
    CloseCompileTempFiles(c);
    if (!written) {
        c.AddLine(StringFormatC("Cannot write \"%s\" in directory \"%s\": %s", newName.c_str(), folder.c_str(),
                                std::strerror(errno)));
        c.failed = true;
        if (c.app) c.app->AbandonControlRun();
        return false;
    }
    c.AddLine("");
    c.AddLine("Compilation Complete");
    const bool running = c.app && c.app->Control().Running();
    if (running) {
        if (!platform::ReplaceFile(newPath, JoinPath(folder, finalName))) {
            c.AddLine(StringFormatC("The file \"%s\" in directory \"%s\" could not be replaced: %s", finalName.c_str(),
                                    folder.c_str(),
                                    errno == EACCES ? "it is in use by another program" : std::strerror(errno)));
            c.AddLine(StringFormatC("There is now a file named \"%s\" in directory \"%s\"", newName.c_str(),
                                    folder.c_str()));
            c.AddLine("");
            c.failed = true;
            c.app->AbandonControlRun();
            return false;
        }
        c.AddLine(StringFormatC("The file \"%s\" in directory \"%s\" has been replaced", finalName.c_str(),
                                folder.c_str()));
    } else {
        c.AddLine(StringFormatC("There is now a file named \"%s\" in directory \"%s\"", newName.c_str(), folder.c_str()));
        c.AddLine(StringFormatC("To use it, rename it \"%s\" after removing the current one.", finalName.c_str()));
    }
    c.AddLine("");
    return true;
}

// ---- Names and idents ----------------------------------------------------------------------

int32_t GetNameNumber(OperationContext& c, const std::string& text) {
    if (text == "<UNSET>") return -1;
    const int32_t found = FindNameNumber(text);
    if (found >= 0 || found == kNameUnset) return found;
    CompileSession& s = Session(c);
    if (!s.nameSerialKnown) {
        InitBatchNameSerial(c.nextSerial);
        s.nameSerialKnown = true;
    }
    const int32_t added = AddNameRecord(c.nextSerial, text);
    if (c.settings && c.settings->debugLevel != 0) {
        c.AddLine(StringFormatC("new_name %s=%d", BatchNameText(text).c_str(), added));
    }
    return added;
}

int32_t FindAirportIdent(char* ident) {
    EncodeIdentDigits(ident);
    std::string key(ident, strnlen(ident, 7));
    TrimTrailingWhite(key);
    AptRecord buf{};
    std::memcpy(buf.aident, key.data(), key.size());
    BatchUseFile<AptRecord>();
    dbif_index<AptRecord>("aident");
    if (!dbif_find(buf)) return -1;
    if (std::strncmp(buf.aident, key.c_str(), sizeof buf.aident) != 0) return -1;
    return buf.asno;
}

int32_t FindCountryFromIdent(const char* text) {
    const char* dash = std::strrchr(text, '-');
    if (!dash) return -1;
    std::string id(dash + 1, strnlen(dash + 1, 3));
    TrimTrailingWhite(id);
    if (id.empty()) return -1;
    CountryRecord buf{};
    std::memcpy(buf.cid, id.data(), id.size());
    BatchUseFile<CountryRecord>();
    dbif_index<CountryRecord>("cid");
    if (!dbif_find(buf)) return -1;
    if (std::strncmp(buf.cid, id.c_str(), sizeof buf.cid) != 0) return -1;
    return buf.csno;
}
