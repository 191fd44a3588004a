// Commands: one table per command target gives each command id its handler,
// its enable/check state and its keys; menus, toolbar and keys are made from it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/MessageTarget.h"

namespace platform {

// Key codes of the keys the programs bind; letters and digits are their
// upper-case ASCII codes ('C', '0').
enum KeyCode : int {
    kKeyBackspace = 0x08,
    kKeyTab = 0x09,
    kKeyReturn = 0x0D,
    kKeyEscape = 0x1B,
    kKeySpace = 0x20,
    kKeyPageUp = 0x21,
    kKeyPageDown = 0x22,
    kKeyEnd = 0x23,
    kKeyHome = 0x24,
    kKeyLeft = 0x25,
    kKeyUp = 0x26,
    kKeyRight = 0x27,
    kKeyDown = 0x28,
    kKeyInsert = 0x2D,
    kKeyDelete = 0x2E,
    kKeyF1 = 0x70,  // F1..F12 = kKeyF1 + 0..11
};

struct Key {
    int code = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
    friend bool operator==(const Key&, const Key&) = default;
};

// "Ctrl+C", "F2", "Down", "Ctrl+Insert", "Shift+Del" ...
std::string KeyName(const Key& key);

// State asked of an update handler before a menu, toolbar or key uses a command.
struct CommandState {
    unsigned id = 0;
    bool enabled = true;
    bool checked = false;
    std::string text;  // menu text when the handler changes it; empty keeps it
};

struct Command {
    unsigned id = 0;
    std::string text;               // menu text, "&Setup..." style markers allowed
    std::vector<Key> keys;          // accelerators
    std::function<void()> handler;  // may be empty: the command is only described
    std::function<void(CommandState&)> update;  // may be empty: always enabled
};

class CommandTable {
public:
    // Adds or replaces the command with this id.
    Command& Add(Command command);
    Command& Add(unsigned id, std::function<void()> handler,
                 std::function<void(CommandState&)> update = {});
    const Command* Find(unsigned id) const;
    Command* Find(unsigned id);
    // The command bound to this key, or null.
    const Command* FindKey(const Key& key) const;
    const std::map<unsigned, Command>& All() const { return commands_; }

    // Status-line text and button tip of a command, separated by '\n' ("Next Record\nNext").
    void SetPrompt(unsigned id, std::string prompt) { prompts_[id] = std::move(prompt); }
    // The command's prompt, or null when it has none here.
    const std::string* Prompt(unsigned id) const {
        auto it = prompts_.find(id);
        return it == prompts_.end() ? nullptr : &it->second;
    }

private:
    std::map<unsigned, Command> commands_;
    std::map<unsigned, std::string> prompts_;
};

// A message target that handles commands from its table. Frames route a
// command along view -> document -> frame -> application until one handles it.
class CommandTarget : public MessageTarget {
public:
    CommandTable& Commands() { return commands_; }
    const CommandTable& Commands() const { return commands_; }

    // Runs the handler when this target has one; true when handled.
    virtual bool ExecuteCommand(unsigned id);
    // Fills the state when this target knows the command; false otherwise.
    virtual bool QueryCommand(CommandState& state) const;

    bool OnCommandMessage(unsigned id) override { return ExecuteCommand(id); }

private:
    CommandTable commands_;
};

// Standard command ids the layer itself understands.
constexpr unsigned kCmdFileNew = 57600;
constexpr unsigned kCmdFileOpen = 57601;
constexpr unsigned kCmdFileClose = 57602;
constexpr unsigned kCmdFileSave = 57603;
constexpr unsigned kCmdFileSaveAs = 57604;
constexpr unsigned kCmdFilePrintSetup = 57606;
constexpr unsigned kCmdFilePrint = 57607;
constexpr unsigned kCmdFilePrintPreview = 57609;
constexpr unsigned kCmdEditCopy = 57634;
constexpr unsigned kCmdAppAbout = 57664;
constexpr unsigned kCmdAppExit = 57665;
constexpr unsigned kCmdWindowNew = 57648;
constexpr unsigned kCmdWindowArrange = 57649;
constexpr unsigned kCmdWindowCascade = 57650;
constexpr unsigned kCmdWindowTile = 57651;
constexpr unsigned kCmdViewToolbar = 59392;
constexpr unsigned kCmdViewStatusBar = 59393;

}  // namespace platform
