#include "gen/CommandLine.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "gen/CGenApp.h"
#include "gen/ControlFile.h"

namespace {

std::vector<std::string> SplitAtBlanks(const std::string& line) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && line[i] == ' ') ++i;
        size_t start = i;
        while (i < line.size() && line[i] != ' ') ++i;
        if (i > start) tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

// "-d" adds 1, "-d5" adds 5.
uint32_t Increment(const std::string& token) {
    if (token.size() <= 2) return 1;
    return static_cast<uint32_t>(std::strtoul(token.c_str() + 2, nullptr, 10));
}

std::string DefaultTitleFrom(const std::string& token) {
    std::string title = token.size() > 3 ? token.substr(3) : std::string();
    if (title.size() > kDefaultTitleLength) title.resize(kDefaultTitleLength);
    if (title.size() < 23 && title.find('.') == std::string::npos) {
        title += (!title.empty() && title.back() == ' ') ? "." : " .";
    }
    return title;
}

}  // namespace

void ParseCommandLine(CGenApp& app) {
    GenSettings& s = app.Settings();
    ControlRun& run = app.Control();
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

    std::vector<std::string> tokens = SplitAtBlanks(app.CommandLine());
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
        bool hasNext = i + 1 < tokens.size();
        if (t == "-NOTRAINING") {
            ++s.trainingSwitch;
            continue;
        }
        switch (t[1]) {
        case 'E':
            run.lastLine = std::atoi(t.c_str() + 2);
            break;
        case 'F':
            if (hasNext) ReadControlFile(app, tokens[++i].c_str());
            break;
        case 'P':
            ++s.nameFormSwitch;
            break;
        case 'R':
            s.optimise = false;
            break;
        case 'S':
            run.firstLine = std::atoi(t.c_str() + 2);
            break;
        case 'T':
            s.defaultTitle = DefaultTitleFrom(t);
            break;
        case 'a':
            ++s.unknownAirportSwitch;
            break;
        case 'c':
            if (hasNext) s.SetCountryFilter(tokens[++i]);
            break;
        case 'd':
            s.debugLevel += Increment(t);
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
            s.extraDebugLevel += Increment(t);
            break;
        default:
            break;
        }
    }
}
