// Test-driver statements, run one at a time whenever the program waits for the user (no modal
// window up, nothing left to do). Both backends read the file named by SUITE_QT_DRIVE; dialogs
// the statements open are answered by the answer file. One statement a line, '#' a comment:
//   shot NAME            the texts the views drew as NAME.txt in the SUITE_QT_SHOTS folder
//                        ("x y width height<TAB>text", UTF-8); the Qt backend adds NAME.png
//   command ID|PATH      a menu or toolbar command by id or menu path ("File/Print...")
//   key KEY              a key to the active view ("Down", "Ctrl+C", "Shift+F2")
//   click TEXT [shift] [ctrl]
//                        a left click on the first text of the active view containing TEXT
//   clipboard FILE       the clipboard's text written to FILE (UTF-8)
//   wait MS              waits before the next statement
//   close                closes the main window as its close button does
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Command.h"

namespace platform {

struct DriverStatement {
    std::string verb;               // lower case
    std::vector<std::string> args;  // click: text and modifiers; others: the rest of the line
    int line = 0;
};

class DriverScript {
public:
    // False with error set when the file is missing or malformed.
    bool Load(const std::string& path, std::string& error);
    bool Parse(const std::string& text, const std::string& name, std::string& error);
    bool HasWork() const { return next_ < statements_.size(); }
    // The next statement (HasWork must hold).
    const DriverStatement& Next() { return statements_[next_++]; }
    // The statement taken last, or null.
    const DriverStatement* Last() const { return next_ > 0 ? &statements_[next_ - 1] : nullptr; }

private:
    std::vector<DriverStatement> statements_;
    std::size_t next_ = 0;
};

// "Ctrl+Shift+Down", "F2", "c" -> the key; false for an unknown name.
bool ParseKeyName(const std::string& name, Key& key);
// The folder of the shots (SUITE_QT_SHOTS, made when missing) joined with the name; "" when unset.
std::string DriverShotPath(const std::string& name);
// Reports a statement that could not be run on standard error.
void DriverFail(const DriverStatement& s, const std::string& why);

}  // namespace platform
