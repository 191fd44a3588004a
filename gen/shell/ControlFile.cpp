// Control files: lines of keyword=value grouped into sections, each closed by GO=.
#include "gen/shell/ControlFile.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "common/LineReader.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/CGenDoc.h"
#include "gen/shell/CGenSetupDlg.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/RunSetup.h"
#include "platform/FileSystem.h"
#include "platform/MessageBox.h"

namespace {

// A line is read in pieces of this many characters and joined again.
constexpr size_t kPieceLength = 159;
// Longest value of a text field: file names take as much as the setup takes.
constexpr size_t kValueLength = 159;
constexpr size_t kPathValueLength = 255;
// A joined line longer than this is not kept whole (its end is skipped).
constexpr size_t kJoinedLineLimit = 4096;

enum class Key {
    Line, Mode, Section, Filename, Title, SaveAs, Append, Listing, FilterCO, FilterICAO, FilterNAM, FilterSW,
    FilterNE, MaxBase, LimitSW, LimitNE, BriefAPTs, OptimiseCNT, Message, GO,
};

struct Keyword {
    const char* text;  // including its '='
    Key key;
    std::string ControlSection::*textField;
    int ControlSection::*numberField;
    size_t limit;
};

const Keyword kKeywords[] = {
    {"Line=", Key::Line, nullptr, nullptr, kValueLength},
    {"Mode=", Key::Mode, nullptr, &ControlSection::mode, kValueLength},
    {"Section=", Key::Section, nullptr, &ControlSection::section, kValueLength},
    {"Filename=", Key::Filename, &ControlSection::fileName, nullptr, kPathValueLength},
    {"Title=", Key::Title, &ControlSection::title, nullptr, kValueLength},
    {"SaveAs=", Key::SaveAs, &ControlSection::saveAs, nullptr, kPathValueLength},
    {"Append=", Key::Append, nullptr, &ControlSection::append, kValueLength},
    {"Listing=", Key::Listing, nullptr, &ControlSection::listing, kValueLength},
    {"FilterCO=", Key::FilterCO, &ControlSection::filterCO, nullptr, kValueLength},
    {"FilterICAO=", Key::FilterICAO, &ControlSection::filterICAO, nullptr, kValueLength},
    {"FilterNAM=", Key::FilterNAM, &ControlSection::filterNAM, nullptr, kValueLength},
    {"FilterSW=", Key::FilterSW, &ControlSection::filterSW, nullptr, kValueLength},
    {"FilterNE=", Key::FilterNE, &ControlSection::filterNE, nullptr, kValueLength},
    {"MaxBase=", Key::MaxBase, &ControlSection::maxBase, nullptr, kValueLength},
    {"LimitSW=", Key::LimitSW, &ControlSection::limitSW, nullptr, kValueLength},
    {"LimitNE=", Key::LimitNE, &ControlSection::limitNE, nullptr, kValueLength},
    {"BriefAPTs=", Key::BriefAPTs, nullptr, &ControlSection::briefApts, kValueLength},
    {"OptimiseCNT=", Key::OptimiseCNT, nullptr, &ControlSection::optimiseCountries, kValueLength},
    {"Message=", Key::Message, &ControlSection::message, nullptr, kValueLength},
    {"GO=", Key::GO, nullptr, &ControlSection::goState, kValueLength},
};

// The integer value of a text, as atoi reads it, held to the int range.
int IntegerOf(const std::string& text) {
    errno = 0;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

bool ModeOf(const GenModel& model, const std::string& value, int* mode) {
    for (int m = 0; m < kModeCount; ++m) {
        if (value == model.ModeKeyword(m)) {
            *mode = m;
            return true;
        }
    }
    return false;
}

ControlSection CarriedOver(const ControlSection& done) {
    ControlSection next;
    next.mode = done.mode;
    next.section = done.section;
    next.fileName = done.fileName;
    next.fileNameMode = done.fileNameMode;
    next.title = done.title;
    next.maxBase = done.maxBase;
    next.limitSW = done.limitSW;
    next.limitNE = done.limitNE;
    next.briefApts = done.briefApts;
    next.filterCO = done.filterCO;
    next.filterNAM = done.filterNAM;
    next.filterICAO = done.filterICAO;
    next.filterSW = done.filterSW;
    next.filterNE = done.filterNE;
    next.append = 0;
    next.listing = 0;
    next.goState = 0;
    next.optimiseCountries = 0;
    return next;
}

class ControlFileReader {
public:
    ControlFileReader(CGenApp& app, int fd) : app_(app), fd_(fd), reader_(LineReader::FromDescriptor(fd)) {}
    ~ControlFileReader() { platform::CloseFile(fd_); }

    // False when the file could not be read to its end.
    bool Read() {
        ControlRun& run = app_.Control();
        run.count = 0;
        run.index = 0;
        run.sections[0] = ControlSection();
        std::string line;
        if (run.firstLine != 0 && !SkipToFirstLine(line)) return !failed_;
        while (NextLine(line)) {
            if (!Handle(line)) break;
        }
        return !failed_;
    }

private:
    // The next whole line, its pieces joined; false at the end of the file.
    bool NextLine(std::string& line) {
        line.clear();
        std::string piece;
        for (;;) {
            LineReader::Result r = reader_.Next(piece, kPieceLength);
            if (r == LineReader::Result::Error) failed_ = true;
            if (r == LineReader::Result::End || r == LineReader::Result::Error) return !line.empty();
            if (line.size() < kJoinedLineLimit) line += piece;
            if (r == LineReader::Result::Line) break;
        }
        Trim(line);
        return true;
    }

    // The comment, the line end and the trailing blanks and control characters are cut.
    static void Trim(std::string& line) {
        size_t nul = line.find('\0');
        if (nul != std::string::npos) line.resize(nul);
        size_t slash = line.find('/');
        if (slash != std::string::npos && slash + 1 < line.size() && line[slash + 1] == '/') line.resize(slash);
        size_t end = line.find('\r');
        if (end == std::string::npos) end = line.find('\n');
        if (end != std::string::npos) line.resize(end);
        while (!line.empty() && static_cast<unsigned char>(line.back()) < 33) line.pop_back();
    }

    // -S: skips the lines up to and including the first Line= numbered at least the first line.
    bool SkipToFirstLine(std::string& line) {
        const int first = app_.Control().firstLine;
        while (NextLine(line)) {
            if (line.compare(0, 5, "Line=") == 0 && IntegerOf(line.substr(5)) >= first) return true;
        }
        return false;
    }

    // One line; false when reading stops here.
    bool Handle(const std::string& line) {
        ControlRun& run = app_.Control();
        // Any line after the last section the table holds, a blank one too, is one too many.
        if (run.count >= kMaxControlSections) {
            platform::ShowMessage("Too many Control File Sections");
            GenExit(kExitFatal);
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) return true;
        const std::string value = line.substr(equals + 1);
        const Keyword* keyword = nullptr;
        for (const Keyword& k : kKeywords) {
            if (line.compare(0, std::char_traits<char>::length(k.text), k.text) == 0) keyword = &k;
        }
        if (!keyword || value.size() > keyword->limit) {
            platform::ShowMessage("Unknown Control File Keyword " + line.substr(0, std::min(equals + 1, kValueLength)));
            return true;
        }
        ControlSection& section = run.sections[run.count];
        switch (keyword->key) {
        case Key::Line:
            return !(run.lastLine != 0 && IntegerOf(value) >= run.lastLine);
        case Key::Mode:
            if (!ModeOf(app_.Model(), value, &section.mode)) platform::ShowMessage("Unknown Control File Mode=" + value);
            return true;
        case Key::Section:
            if (!app_.Model().SectionOfKeyword(value, &section.section)) platform::ShowMessage("Unknown Control File Section=" + value);
            return true;
        case Key::GO:
            section.goState = IntegerOf(value) == 0 ? kGoConfirm : section.saveAs.empty() ? kGoUnattended : kGoSaveAs;
            if (section.fileNameGiven) section.fileNameMode = section.mode;
            ++run.count;
            if (run.count < kMaxControlSections) run.sections[run.count] = CarriedOver(section);
            return true;
        case Key::Filename:
            section.fileNameGiven = true;
            [[fallthrough]];
        case Key::SaveAs:
            // Paths written on Windows use backslashes.
            section.*(keyword->textField) = platform::NormalizePath(value);
            return true;
        default:
            if (keyword->textField) section.*(keyword->textField) = value;
            if (keyword->numberField) section.*(keyword->numberField) = IntegerOf(value);
            return true;
        }
    }

    CGenApp& app_;
    int fd_;
    LineReader reader_;
    bool failed_ = false;
};

}  // namespace

bool ReadControlFile(CGenApp& app, const char* fileName) {
    std::string name = fileName ? fileName : "";
    if (!name.empty() && name[0] == '"') {
        name.erase(0, 1);
        size_t quote = name.rfind('"');
        if (quote != std::string::npos) name.resize(quote);
    }
    const std::string path = platform::NormalizePath(name);
    int fd = platform::IsDirectory(path) ? -1 : platform::OpenFile(path, O_RDONLY, platform::Share::DenyNone);
    bool read = fd >= 0;
    if (read) {
        ControlFileReader reader(app, fd);
        read = reader.Read();
    }
    ControlRun& run = app.Control();
    if (!read) {
        // Half a control file is not run.
        platform::ShowMessage("Cannot open Control File " + name);
        run.count = 0;
        run.goState = kGoNone;
        return false;
    }
    run.index = 0;
    run.goState = run.count > 0 ? run.sections[0].goState : kGoNone;
    return true;
}

bool ApplyControlSection(CGenApp& app, CGenSetupDlg& dialog) {
    ControlRun& run = app.Control();
    if (run.goState == kGoNone) return false;
    const ControlSection& section = run.Current();
    CGenDoc* doc = app.Document();
    if (!section.message.empty() && doc) {
        doc->AddLine("");
        doc->AddLine(section.message);
        doc->AddLine("");
    }
    if (run.goState == kGoSaveAs && !app.Model().saveAs && doc) {
        doc->AddLine("Save As is not available: the listing will not be saved as \"" + section.saveAs + "\"");
    }
    dialog.mode = section.mode;
    dialog.section = section.section;
    dialog.listing = section.listing;
    dialog.fileName = section.fileName;
    dialog.title = section.title;
    GenSettings& s = app.Settings();
    s.optimiseCountries = section.optimiseCountries != 0;
    s.SetCountryFilter(section.filterCO);
    s.SetNameFilter(section.filterNAM);
    s.SetIcaoFilter(section.filterICAO);
    RememberSetupChoice(dialog.mode, dialog.section, dialog.fileName);
    s.rectangleError = false;
    ParseFilterRectangle(s.filterRect, section.filterSW, section.filterNE, s);
    if (s.rectangleError) {
        // The section is shown in the setup; the control-file run has ended before its end.
        app.NoteOperationNotDone();
        run.goState = kGoNone;
    }
    return run.goState > kGoConfirm;
}
