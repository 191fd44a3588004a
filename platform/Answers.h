// Scripted answers for the headless backend, in code or from an answer file
// (syntax in platform/ANSWERS.md).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/MessageBox.h"

namespace platform {

struct ScriptedAnswer {
    // Matched as a substring (case-sensitive) of the caption, or of any text
    // of the dialog (static texts, labels) or of the message box's text.
    std::string match;
    // Control (label, or "#id") and value, applied in order.
    std::vector<std::pair<std::string, std::string>> values;
    // Button to press: its label ("OK", "Yes", "Browse->") or "#id".
    std::string press;
    int sourceLine = 0;  // line in the answer file, 0 when made in code
};

// A user action of a headless run, taken when the program waits for the user: a command
// along the command route ("command 32772"), or a left click on the active view at a point
// of its client area ("click 5 150").
struct DriveStep {
    std::string verb;       // "command" or "click"
    std::vector<int> args;  // the command id, or x and y
    int sourceLine = 0;
};

struct AnswerParseResult {
    bool ok = true;
    std::vector<ScriptedAnswer> answers;
    std::vector<DriveStep> steps;
    std::string error;  // "answers.txt:7: 'set' before any 'match'"
};

// Parses answer-file text; name is used in error messages. A malformed line
// stops the parse with an error naming its line.
AnswerParseResult ParseAnswers(const std::string& text, const std::string& name);
AnswerParseResult LoadAnswerFile(const std::string& path);

class Dialog;

// Answers waiting for use, in order; shared by the backends.
class AnswerQueue {
public:
    void Add(ScriptedAnswer answer) { answers_.push_back(std::move(answer)); }
    // False with error set when the file is missing or malformed.
    bool Load(const std::string& path, std::string& error);
    std::size_t Size() const { return answers_.size(); }
    void AddStep(DriveStep step) { steps_.push_back(std::move(step)); }
    // The next user action, in file order; false when none is left.
    bool TakeStep(DriveStep& out);
    // The first remaining answer matching the caption or one of the texts; removed.
    bool Take(const std::string& caption, const std::vector<std::string>& texts, ScriptedAnswer& out);

private:
    std::deque<ScriptedAnswer> answers_;
    std::deque<DriveStep> steps_;
};

// "#133" -> 133 ("#-1" -> -1); 0 when the text is not of that form.
int ParseControlRef(const std::string& ref);
// The texts of a dialog an answer's match is looked for in: labels and static texts.
std::vector<std::string> DialogTexts(Dialog& dialog);
// "line 7: " for an answer read from a file, else empty.
std::string AnswerWhere(const ScriptedAnswer& answer);
// Sets the answer's values on the dialog's controls as a user would, in order, until the
// dialog ends; each control that is missing or refuses its value is passed to report.
void ApplyAnswerValues(Dialog& dialog, const ScriptedAnswer& answer,
                       const std::function<void(const std::string&)>& report);
// The id of the button the answer presses in the dialog (label, #id or a standard button
// name); 0 when it names none.
int AnswerDialogButton(Dialog& dialog, const ScriptedAnswer& answer);
// The message box button the answer presses; 0 when the buttons do not offer it.
int AnswerMessageButton(const ScriptedAnswer& answer, Buttons buttons);

}  // namespace platform
