#include "platform/Switches.h"

#include <algorithm>

#include "platform/LayerOptions.h"

namespace platform {
namespace {

bool AllDigits(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool StartsWith(const std::string& text, const std::string& head) { return text.compare(0, head.size(), head) == 0; }

// The switch an argument names, with its attached value; null when none does.
const SwitchSpec* Match(const CommandLineSpec& spec, const std::string& arg, std::string& attached) {
    for (const SwitchSpec& s : spec.switches) {
        if (arg == s.name) {
            attached.clear();
            return &s;
        }
    }
    for (const SwitchSpec& s : spec.switches) {
        if (!StartsWith(arg, s.name) || arg.size() == s.name.size()) continue;
        const std::string rest = arg.substr(s.name.size());
        if ((s.value == SwitchValue::Number && AllDigits(rest)) || s.value == SwitchValue::Text) {
            attached = s.value == SwitchValue::Text ? rest.substr(1) : rest;
            return &s;
        }
    }
    return nullptr;
}

std::string Synopsis(const SwitchSpec& s) {
    switch (s.value) {
    case SwitchValue::None: return s.name;
    case SwitchValue::Next: return s.name + " " + s.valueName;
    case SwitchValue::Number: return s.name + "[" + s.valueName + "]";
    case SwitchValue::Text: return s.name + ":" + s.valueName;
    case SwitchValue::Rest: return s.name + " " + s.valueName + "...";
    }
    return s.name;
}

void AddHelpLines(std::string& text, const std::vector<SwitchSpec>& switches) {
    size_t width = 0;
    for (const SwitchSpec& s : switches) width = std::max(width, Synopsis(s).size());
    for (const SwitchSpec& s : switches) {
        std::string left = Synopsis(s);
        left.resize(width, ' ');
        text += "  " + left + "  " + s.help + "\n";
    }
}

}  // namespace

ParsedCommandLine ParseSwitches(const CommandLineSpec& spec, const std::vector<std::string>& args) {
    ParsedCommandLine parsed;
    auto fail = [&parsed](std::string why) {
        if (parsed.error.empty()) parsed.error = std::move(why);
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") break;
        if (arg.size() < 2 || arg[0] != '-') continue;
        if (arg == "--help" || arg == "--version") {
            if (parsed.error.empty()) {
                parsed.action = arg == "--help" ? ParsedCommandLine::Action::Help : ParsedCommandLine::Action::Version;
            }
            return parsed;
        }
        SwitchUse use;
        use.spec = Match(spec, arg, use.value);
        if (!use.spec) {
            fail("unknown switch '" + arg + "'");
            continue;
        }
        use.hasValue = arg != use.spec->name;
        if (use.spec->value == SwitchValue::Rest) {
            for (size_t k = i + 1; k < args.size(); ++k) use.value += (k > i + 1 ? " " : "") + args[k];
            use.hasValue = i + 1 < args.size();
            parsed.uses.push_back(std::move(use));
            continue;
        }
        const bool hasNext = i + 1 < args.size();
        if (!use.hasValue && hasNext) {
            const std::string& next = args[i + 1];
            const bool take = use.spec->value == SwitchValue::Next ||
                              (use.spec->value == SwitchValue::Number && AllDigits(next)) ||
                              (use.spec->value == SwitchValue::Text && !StartsWith(next, "-"));
            if (take) {
                use.value = next;
                use.hasValue = true;
                ++i;
            }
        }
        if (use.spec->value == SwitchValue::Next && !use.hasValue) {
            fail("switch '" + arg + "' needs " + use.spec->valueName);
            continue;
        }
        parsed.uses.push_back(std::move(use));
    }
    return parsed;
}

std::string UsageLine(const CommandLineSpec& spec) {
    std::string line = "usage: " + spec.program;
    for (const SwitchSpec& s : LayerOptionSpecs()) {
        if (s.name != "--help" && s.name != "--version") line += " [" + Synopsis(s) + "]";
    }
    for (const SwitchSpec& s : spec.switches) line += " [" + Synopsis(s) + "]";
    return line;
}

std::string HelpText(const CommandLineSpec& spec) {
    std::string text = UsageLine(spec) + "\n";
    if (!spec.switches.empty()) {
        text += "\nSwitches:\n";
        AddHelpLines(text, spec.switches);
    }
    text += "\nOptions of every program:\n";
    AddHelpLines(text, LayerOptionSpecs());
    return text;
}

std::string VersionText(const CommandLineSpec& spec) {
    std::string text = spec.title.empty() ? spec.program : spec.title;
    if (!spec.version.empty()) text += " " + spec.version;
    return text + "\n";
}

}  // namespace platform
