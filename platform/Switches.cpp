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
const SwitchDecl* Match(const CommandLineDecl& decl, const std::string& arg, std::string& attached) {
    for (const SwitchDecl& s : decl.switches) {
        if (arg == s.name) {
            attached.clear();
            return &s;
        }
    }
    for (const SwitchDecl& s : decl.switches) {
        if (!StartsWith(arg, s.name) || arg.size() == s.name.size()) continue;
        const std::string rest = arg.substr(s.name.size());
        if ((s.value == SwitchValue::Number && AllDigits(rest)) || s.value == SwitchValue::Text) {
            attached = s.value == SwitchValue::Text ? rest.substr(1) : rest;
            return &s;
        }
    }
    return nullptr;
}

std::string Synopsis(const SwitchDecl& s) {
    switch (s.value) {
    case SwitchValue::None: return s.name;
    case SwitchValue::Next: return s.name + " " + s.valueName;
    case SwitchValue::Number: return s.name + "[" + s.valueName + "]";
    case SwitchValue::Text: return s.name + ":" + s.valueName;
    case SwitchValue::Rest: return s.name + " " + s.valueName + "...";
    }
    return s.name;
}

void AddHelpLines(std::string& text, const std::vector<SwitchDecl>& switches) {
    size_t width = 0;
    for (const SwitchDecl& s : switches) width = std::max(width, Synopsis(s).size());
    for (const SwitchDecl& s : switches) {
        std::string left = Synopsis(s);
        left.resize(width, ' ');
        text += "  " + left + "  " + s.help + "\n";
    }
}

}  // namespace

ParsedCommandLine ParseSwitches(const CommandLineDecl& decl, const std::vector<std::string>& args) {
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
        use.decl = Match(decl, arg, use.value);
        if (!use.decl) {
            fail("unknown switch '" + arg + "'");
            continue;
        }
        use.hasValue = arg != use.decl->name;
        if (use.decl->value == SwitchValue::Rest) {
            for (size_t k = i + 1; k < args.size(); ++k) use.value += (k > i + 1 ? " " : "") + args[k];
            use.hasValue = i + 1 < args.size();
            parsed.uses.push_back(std::move(use));
            continue;
        }
        const bool hasNext = i + 1 < args.size();
        if (!use.hasValue && hasNext) {
            const std::string& next = args[i + 1];
            const bool take = use.decl->value == SwitchValue::Next ||
                              (use.decl->value == SwitchValue::Number && AllDigits(next)) ||
                              (use.decl->value == SwitchValue::Text && !StartsWith(next, "-"));
            if (take) {
                use.value = next;
                use.hasValue = true;
                ++i;
            }
        }
        if (use.decl->value == SwitchValue::Next && !use.hasValue) {
            fail("switch '" + arg + "' needs " + use.decl->valueName);
            continue;
        }
        parsed.uses.push_back(std::move(use));
    }
    return parsed;
}

std::string UsageLine(const CommandLineDecl& decl) {
    std::string line = "usage: " + decl.program;
    for (const SwitchDecl& s : LayerOptionDecls()) {
        if (s.name != "--help" && s.name != "--version") line += " [" + Synopsis(s) + "]";
    }
    for (const SwitchDecl& s : decl.switches) line += " [" + Synopsis(s) + "]";
    return line;
}

std::string HelpText(const CommandLineDecl& decl) {
    std::string text = UsageLine(decl) + "\n";
    if (!decl.switches.empty()) {
        text += "\nSwitches:\n";
        AddHelpLines(text, decl.switches);
    }
    text += "\nOptions of every program:\n";
    AddHelpLines(text, LayerOptionDecls());
    return text;
}

std::string VersionText(const CommandLineDecl& decl) {
    std::string text = decl.title.empty() ? decl.program : decl.title;
    if (!decl.version.empty()) text += " " + decl.version;
    return text + "\n";
}

}  // namespace platform
