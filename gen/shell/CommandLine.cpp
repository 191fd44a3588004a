// The generator command line. Each argument is one token; a token is a switch when it starts
// with '-' and its second character lies between 'E' and 'x'.
#include "gen/shell/CommandLine.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "gen/shell/CGenApp.h"
#include "gen/shell/ControlFile.h"

namespace {

// Titles shorter than this without a '.' get one.
constexpr size_t kShortTitle = 23;

bool AllDigits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The number of "-d5", or of "-d" followed by the token "5" (which is then used up);
// `fallback` when there is none.
uint32_t NumberOf(const std::vector<std::string>& tokens, size_t& i, uint32_t fallback) {
    const std::string& t = tokens[i];
    if (t.size() > 2) return static_cast<uint32_t>(std::strtoul(t.c_str() + 2, nullptr, 10));
    if (i + 1 < tokens.size() && AllDigits(tokens[i + 1])) {
        return static_cast<uint32_t>(std::strtoul(tokens[++i].c_str(), nullptr, 10));
    }
    return fallback;
}

// "-T:TITLE" (the character after -T separates), or "-T" and the title as the next token.
std::string DefaultTitle(const std::vector<std::string>& tokens, size_t& i) {
    const std::string& t = tokens[i];
    std::string title;
    if (t.size() > 3) {
        title = t.substr(3);
    } else if (t.size() == 2 && i + 1 < tokens.size() && tokens[i + 1].compare(0, 1, "-") != 0) {
        title = tokens[++i];
    }
    if (title.size() > kDefaultTitleLength) title.resize(kDefaultTitleLength);
    if (title.size() < kShortTitle && title.find('.') == std::string::npos) {
        title += (!title.empty() && title.back() == ' ') ? "." : " .";
    }
    return title;
}

void SetDefaults(GenSettings& s) {
    s.countryFilter.clear();
    s.nameFilter.clear();
    s.icaoFilter.clear();
    s.nameFormSwitch = 0;
    s.debugLevel = 0;
    s.extraDebugLevel = 0;
    s.rawReferenceSwitch = 0;
    s.unknownAirportSwitch = 0;
    s.trainingSwitch = 0;
    s.optimise = true;
    s.optimiseCountries = false;
    s.defaultTitle = kDefaultImageTitle;
}

}  // namespace

void ParseCommandLine(CGenApp& app) {
    GenSettings& s = app.Settings();
    ControlRun& run = app.Control();
    SetDefaults(s);
    const std::vector<std::string>& tokens = app.Args();
    for (size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (t.size() < 2 || t[0] != '-' || t[1] < 'E' || t[1] > 'x') continue;
        if (app.Model().extraSwitch) {
            int used = app.Model().extraSwitch(app, tokens, i);
            if (used > 0) {
                i += static_cast<size_t>(used) - 1;
                continue;
            }
        }
        const bool hasNext = i + 1 < tokens.size();
        switch (t[1]) {
        case 'E':
            run.lastLine = static_cast<int>(NumberOf(tokens, i, 0));
            break;
        case 'F':
            // The control file is read now: -S and -E count only before -F.
            if (hasNext) ReadControlFile(app, tokens[++i].c_str());
            break;
        case 'N':
            if (t == "-NOTRAINING") ++s.trainingSwitch;
            break;
        case 'P':
            ++s.nameFormSwitch;
            break;
        case 'R':
            s.optimise = false;
            break;
        case 'S':
            run.firstLine = static_cast<int>(NumberOf(tokens, i, 0));
            break;
        case 'T':
            s.defaultTitle = DefaultTitle(tokens, i);
            break;
        case 'a':
            ++s.unknownAirportSwitch;
            break;
        case 'c':
            if (hasNext) s.SetCountryFilter(tokens[++i]);
            break;
        case 'd':
            s.debugLevel += NumberOf(tokens, i, 1);
            break;
        case 'f':
            ++s.gridSwitch;
            break;
        case 'i':
            if (hasNext) s.SetIcaoFilter(tokens[++i]);
            break;
        case 'n':
            if (hasNext) s.SetNameFilter(tokens[++i]);
            break;
        case 'p':
            ++s.rawReferenceSwitch;
            break;
        case 'r':
            ++s.recordNumbers;
            break;
        case 'x':
            s.extraDebugLevel += NumberOf(tokens, i, 1);
            break;
        default:
            break;
        }
    }
}
