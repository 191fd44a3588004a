// The test driver of the Qt backend: runs the statements of platform/DriverScript.h on the
// real windows whenever the program waits for the user.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/DriverScript.h"

namespace platform::qt {

class QtUi;

class QtDriver {
public:
    explicit QtDriver(QtUi& ui) : ui_(ui) {}

    // Reads the statements; false with error set when the file is missing or malformed.
    bool Load(const std::string& path, std::string& error);
    bool Parse(const std::string& text, const std::string& name, std::string& error);
    bool HasWork() const { return script_.HasWork(); }
    // Milliseconds to wait before the next statement.
    int Delay() const;
    // Runs the next statement (the program waits for the user).
    void RunNext();

private:
    using Statement = DriverStatement;
    void Run(const Statement& s);
    void Fail(const Statement& s, const std::string& why) const;
    void Shot(const Statement& s);
    void Command(const Statement& s);
    void KeyPress(const Statement& s);
    void Click(const Statement& s);

    QtUi& ui_;
    DriverScript script_;
};

}  // namespace platform::qt
