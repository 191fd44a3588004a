// A test driver for the Qt backend: the file named by the environment variable
// SUITE_QT_DRIVE holds statements that are run one at a time whenever the program waits
// for the user (no modal window up, nothing left to do). Dialogs they open are answered
// by the answer file. One statement a line, '#' starts a comment:
//   shot NAME            the main window as NAME.png in the SUITE_QT_SHOTS folder, with
//                        NAME.txt giving where each text of its views was drawn
//                        ("x y width height<TAB>text" in window pixels, UTF-8)
//   command ID|PATH      a menu or toolbar command by id or menu path ("File/Print...")
//   key KEY              a key to the active view ("Down", "Ctrl+C", "Shift+F2")
//   click TEXT [shift] [ctrl]
//                        a left click on the first text of the active view containing TEXT
//   clipboard FILE       the clipboard's text written to FILE (UTF-8)
//   wait MS              waits before the next statement
//   close                closes the main window as its close button does
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform::qt {

class QtUi;

class QtDriver {
public:
    explicit QtDriver(QtUi& ui) : ui_(ui) {}

    // Reads the statements; false with error set when the file is missing or malformed.
    bool Load(const std::string& path, std::string& error);
    bool Parse(const std::string& text, const std::string& name, std::string& error);
    bool HasWork() const { return next_ < statements_.size(); }
    // Milliseconds to wait before the next statement.
    int Delay() const;
    // Runs the next statement (the program waits for the user).
    void RunNext();

private:
    struct Statement {
        std::string verb;
        std::vector<std::string> args;
        int line = 0;
    };
    void Run(const Statement& s);
    void Fail(const Statement& s, const std::string& why) const;
    void Shot(const Statement& s);
    void Command(const Statement& s);
    void KeyPress(const Statement& s);
    void Click(const Statement& s);

    QtUi& ui_;
    std::vector<Statement> statements_;
    std::size_t next_ = 0;
};

}  // namespace platform::qt
