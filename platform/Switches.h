// A program's command line declared as data: its switches with their values and help texts.
// App::Main checks every argument against it (and the layer's own options) before the program
// starts, so that a wrong switch, --help and --version create nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform {

// Exit status of a wrong command line (unknown switch, missing value, bad layer option).
inline constexpr int kExitUsage = 2;

enum class SwitchValue {
    None,    // the switch alone: "-R"
    Next,    // the next argument is its value, which must be there: "-F FILE"
    Number,  // an optional number, attached or as the next all-digit argument: "-d", "-d5", "-d 5"
    Text,    // an optional text after one separator character ("-T:TITLE"), or the next
             // argument unless it starts with '-' ("-T TITLE")
    Rest,    // the rest of the command line, its arguments joined by blanks ("-SUAT Class C");
             // parsing goes on over those arguments as usual
};

struct SwitchDecl {
    std::string name;                 // "-F", "-NOTRAINING", "--headless"
    SwitchValue value = SwitchValue::None;
    std::string valueName;            // shown in the usage and help ("FILE", "N")
    std::string help;                 // one line
};

struct CommandLineDecl {
    std::string program;              // "brondel": usage and the prefix of messages
    std::string title;                // "Brondel": --version (the program name when empty)
    std::string version;              // "5.4.10"
    std::vector<SwitchDecl> switches;
    // The program checks its arguments itself, before it makes anything (its own wrong-switch
    // message with the usage line, exit kExitUsage, and its own --help and --version): the
    // layer then passes them on unchecked.
    bool checkedByProgram = false;
};

// The command line of a program that checks its arguments itself (checkedByProgram).
inline CommandLineDecl CheckedByProgram(std::string program, std::string title, std::string version) {
    CommandLineDecl decl;
    decl.program = std::move(program);
    decl.title = std::move(title);
    decl.version = std::move(version);
    decl.checkedByProgram = true;
    return decl;
}

// One switch as it was given.
struct SwitchUse {
    const SwitchDecl* decl = nullptr;
    std::string value;                // attached or taken from the next argument
    bool hasValue = false;
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version };
    Action action = Action::Run;
    // Why the command line is wrong ("unknown switch '-Z'"); empty when it is right. The
    // wrong argument is skipped and the rest still parsed, so `uses` holds every good switch.
    std::string error;
    std::vector<SwitchUse> uses;      // in the order given (pointers into the declaration)
};

// Parses the arguments that remain after the layer's options were taken off. An argument that
// starts with '-' (other than "-" alone) must be a switch of the declaration, "--help" or "--version";
// other arguments, and everything after a lone "--", are not switches and are left to the
// program. --help and --version end parsing where they stand.
ParsedCommandLine ParseSwitches(const CommandLineDecl& decl, const std::vector<std::string>& args);

// "usage: brondel [--headless] [--answers FILE] [-F FILE] ..." (no line end).
std::string UsageLine(const CommandLineDecl& decl);
// The usage line, the program's switches and the layer's options, one per line.
std::string HelpText(const CommandLineDecl& decl);
// "Brondel 5.4.10" with a line end.
std::string VersionText(const CommandLineDecl& decl);

}  // namespace platform
