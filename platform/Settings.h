// The settings store: the values programs keep in the registry, in one INI
// file per program: $XDG_CONFIG_HOME (default ~/.config)/<key>/<program>.ini,
// with the same section and value names. Each write rewrites the file
// atomically (temporary file, then rename); each read sees the file as it is.
#pragma once

#include <optional>
#include <string>

namespace platform {

class Settings {
public:
    // Settings folder key and program name; both must be set (non-empty)
    // before values can be read or written.
    void SetKey(std::string key) { key_ = std::move(key); }
    void SetProgram(std::string program) { program_ = std::move(program); }
    const std::string& Key() const { return key_; }

    // Full path of the INI file, empty when key or program is not set.
    std::string FilePath() const;

    // Missing value (or missing/unreadable file): the default.
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& def = "") const;
    std::optional<std::string> Find(const std::string& section, const std::string& name) const;
    // Decimal value as the registry's integer reader does: leading blanks,
    // optional sign, digits; anything else gives the default.
    int ReadInt(const std::string& section, const std::string& name, int def) const;

    // False when the file cannot be written (the old file then stays whole)
    // or a section/name is empty or holds '[', ']', '=' or a control character.
    // Values may hold any bytes: ones with control characters or a leading
    // quote are stored quoted with backslash escapes.
    bool WriteString(const std::string& section, const std::string& name, const std::string& value);
    bool WriteInt(const std::string& section, const std::string& name, int value);
    // Removes one value; false when the file cannot be written.
    bool Remove(const std::string& section, const std::string& name);

private:
    std::string key_;
    std::string program_;
};

}  // namespace platform
