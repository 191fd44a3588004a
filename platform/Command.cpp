#include "platform/Command.h"

namespace platform {

std::string KeyName(const Key& key) {
    std::string name;
    if (key.ctrl) name += "Ctrl+";
    if (key.shift) name += "Shift+";
    if (key.alt) name += "Alt+";
    switch (key.code) {
    case kKeyBackspace: return name + "Backspace";
    case kKeyTab: return name + "Tab";
    case kKeyReturn: return name + "Enter";
    case kKeyEscape: return name + "Esc";
    case kKeySpace: return name + "Space";
    case kKeyPageUp: return name + "PgUp";
    case kKeyPageDown: return name + "PgDn";
    case kKeyEnd: return name + "End";
    case kKeyHome: return name + "Home";
    case kKeyLeft: return name + "Left";
    case kKeyUp: return name + "Up";
    case kKeyRight: return name + "Right";
    case kKeyDown: return name + "Down";
    case kKeyInsert: return name + "Ins";
    case kKeyDelete: return name + "Del";
    default: break;
    }
    if (key.code >= kKeyF1 && key.code < kKeyF1 + 12) return name + "F" + std::to_string(key.code - kKeyF1 + 1);
    if (key.code > 0x20 && key.code < 0x7F) return name + static_cast<char>(key.code);
    return name + "#" + std::to_string(key.code);
}

Command& CommandTable::Add(Command command) {
    unsigned id = command.id;
    Command& slot = commands_[id];
    slot = std::move(command);
    return slot;
}

Command& CommandTable::Add(unsigned id, std::function<void()> handler,
                           std::function<void(CommandState&)> update) {
    Command command;
    command.id = id;
    if (const Command* old = Find(id)) {
        command.text = old->text;
        command.keys = old->keys;
    }
    command.handler = std::move(handler);
    command.update = std::move(update);
    return Add(std::move(command));
}

const Command* CommandTable::Find(unsigned id) const {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : &it->second;
}

Command* CommandTable::Find(unsigned id) {
    auto it = commands_.find(id);
    return it == commands_.end() ? nullptr : &it->second;
}

const Command* CommandTable::FindKey(const Key& key) const {
    for (const auto& [id, command] : commands_) {
        for (const Key& k : command.keys) {
            if (k == key) return &command;
        }
    }
    return nullptr;
}

bool CommandTarget::ExecuteCommand(unsigned id) {
    const Command* command = commands_.Find(id);
    if (!command || !command->handler) return false;
    // Copy: the handler may replace its own table entry.
    auto handler = command->handler;
    handler();
    return true;
}

bool CommandTarget::QueryCommand(CommandState& state) const {
    const Command* command = commands_.Find(state.id);
    if (!command || (!command->handler && !command->update)) return false;
    state.enabled = true;
    state.checked = false;
    if (command->update) command->update(state);
    return true;
}

}  // namespace platform
