// Scripted answers for the headless backend, in code or from an answer file
// (syntax in platform/ANSWERS.md).
#pragma once

#include <string>
#include <utility>
#include <vector>

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

struct AnswerParseResult {
    bool ok = true;
    std::vector<ScriptedAnswer> answers;
    std::string error;  // "answers.txt:7: 'set' before any 'match'"
};

// Parses answer-file text; name is used in error messages. A malformed line
// stops the parse with an error naming its line.
AnswerParseResult ParseAnswers(const std::string& text, const std::string& name);
AnswerParseResult LoadAnswerFile(const std::string& path);

}  // namespace platform
