// The generator command line: the switches, declared once for the parser, the usage and the
// help, and applied in the order given.
#include "gen/shell/CommandLine.h"

#include <algorithm>

#include <cstdlib>
#include <string>
#include <vector>

#include "gen/shell/CGenApp.h"
#include "gen/shell/ControlFile.h"
#include "gen/shell/GenExit.h"

namespace {

using platform::SwitchDecl;
using platform::SwitchUse;
using platform::SwitchValue;

// Titles shorter than this without a '.' get one.
constexpr size_t kShortTitle = 23;

const std::vector<SwitchDecl>& GeneratorSwitches() {
    static const std::vector<SwitchDecl> switches = {
        {"-F", SwitchValue::Next, "FILE", "read the control file FILE now and run its sections"},
        {"-S", SwitchValue::Number, "N", "(before -F) start after the first Line= numbered N or more"},
        {"-E", SwitchValue::Number, "N", "(before -F) stop at the first Line= numbered N or more"},
        {"-T", SwitchValue::Text, "TITLE", "the default image title (or -T TITLE)"},
        {"-c", SwitchValue::Next, "CC", "country filter (its first two characters)"},
        {"-n", SwitchValue::Next, "NAME", "name filter"},
        {"-i", SwitchValue::Next, "ICAO", "ICAO filter"},
        {"-d", SwitchValue::Number, "N", "raise the debug level by N (1 without N)"},
        {"-x", SwitchValue::Number, "N", "raise the extra debug level by N (1 without N)"},
        {"-r", SwitchValue::None, "", "record numbers in listings"},
        {"-R", SwitchValue::None, "", "no optimising: Create Image keeps unused data"},
        {"-P", SwitchValue::None, "", "the long SBS form in Save As"},
        {"-p", SwitchValue::None, "", "approach listings show raw reference values"},
        {"-a", SwitchValue::None, "", "SUA compiler: unknown airports are stored as none"},
        {"-f", SwitchValue::None, "", "image information shows the grid"},
        {"-NOTRAINING", SwitchValue::None, "", "SUA compiler: training areas are left out"},
    };
    return switches;
}

// The number of "-d5" or "-d 5"; `fallback` when there is none.
uint32_t NumberOf(const SwitchUse& use, uint32_t fallback) {
    return use.hasValue ? static_cast<uint32_t>(std::strtoul(use.value.c_str(), nullptr, 10)) : fallback;
}

// "-T:TITLE" (the character after -T separates), or "-T" and the title as the next argument.
std::string DefaultTitle(const SwitchUse& use) {
    std::string title = use.value;
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

bool IsIgnored(const GenModel& model, const std::string& name) {
    return std::find(model.ignoredSwitches.begin(), model.ignoredSwitches.end(), name) != model.ignoredSwitches.end();
}

}  // namespace

platform::CommandLineDecl GeneratorCommandLine(const GenModel& model) {
    platform::CommandLineDecl decl;
    decl.program = model.programFile;
    decl.title = model.name;
    decl.version = model.version;
    decl.switches = GeneratorSwitches();
    for (platform::SwitchDecl& sw : decl.switches) {
        if (IsIgnored(model, sw.name)) sw.help = "accepted, without effect";
        for (const auto& [name, help] : model.switchHelp) {
            if (sw.name == name) sw.help = help;
        }
    }
    decl.switches.insert(decl.switches.end(), model.extraSwitches.begin(), model.extraSwitches.end());
    return decl;
}

void ParseCommandLine(CGenApp& app) {
    GenSettings& s = app.Settings();
    ControlRun& run = app.Control();
    SetDefaults(s);
    const platform::CommandLineDecl& decl = app.CommandDecl();
    // Wrong arguments were refused before start-up; a test's own list skips them.
    const platform::ParsedCommandLine parsed = platform::ParseSwitches(decl, app.Args());
    for (const SwitchUse& use : parsed.uses) {
        const std::string& name = use.decl->name;
        if (IsIgnored(app.Model(), name)) {
            continue;
        } else if (name == "-F") {
            // The control file is read now: -S and -E count only before -F.
            if (!ReadControlFile(app, use.value.c_str())) app.SetExitCode(kExitFatal);
        } else if (name == "-S") {
            run.firstLine = static_cast<int>(NumberOf(use, 0));
        } else if (name == "-E") {
            run.lastLine = static_cast<int>(NumberOf(use, 0));
        } else if (name == "-T") {
            s.defaultTitle = DefaultTitle(use);
        } else if (name == "-c") {
            s.SetCountryFilter(use.value);
        } else if (name == "-n") {
            s.SetNameFilter(use.value);
        } else if (name == "-i") {
            s.SetIcaoFilter(use.value);
        } else if (name == "-d") {
            s.debugLevel += NumberOf(use, 1);
        } else if (name == "-x") {
            s.extraDebugLevel += NumberOf(use, 1);
        } else if (name == "-r") {
            ++s.recordNumbers;
        } else if (name == "-R") {
            s.optimise = false;
        } else if (name == "-P") {
            ++s.nameFormSwitch;
        } else if (name == "-p") {
            ++s.rawReferenceSwitch;
        } else if (name == "-a") {
            ++s.unknownAirportSwitch;
        } else if (name == "-f") {
            ++s.gridSwitch;
        } else if (name == "-NOTRAINING") {
            ++s.trainingSwitch;
        } else if (app.Model().onExtraSwitch) {
            app.Model().onExtraSwitch(app, use);
        }
    }
}
