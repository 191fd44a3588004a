#include "platform/Answers.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "platform/Dialog.h"
#include "platform/Text1252.h"

namespace platform {
namespace {

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Unquote(const std::string& s) {
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

AnswerParseResult ParseAnswers(const std::string& input, const std::string& name) {
    AnswerParseResult result;
    // Answer files are written in UTF-8 or in Windows-1252; texts inside are 1252.
    std::string text;
    if (!Utf8To1252(input, text)) text = input;

    bool open = false;
    ScriptedAnswer current;
    auto fail = [&](int line, const std::string& why) {
        result.ok = false;
        result.answers.clear();
        result.steps.clear();
        result.error = name + ":" + std::to_string(line) + ": " + why;
        return result;
    };

    std::size_t pos = 0;
    int lineNo = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;

        std::size_t blank = line.find_first_of(" \t");
        std::string keyword = Lower(line.substr(0, blank));
        std::string rest = blank == std::string::npos ? "" : Trim(line.substr(blank));

        if (keyword == "match") {
            if (open) {
                return fail(lineNo, "'match' before the 'press' of the answer at line " +
                                        std::to_string(current.sourceLine));
            }
            if (rest.empty()) return fail(lineNo, "'match' needs a text");
            current = ScriptedAnswer{};
            current.match = Unquote(rest);
            current.sourceLine = lineNo;
            open = true;
        } else if (keyword == "set") {
            if (!open) return fail(lineNo, "'set' outside an answer (no 'match' before it)");
            std::size_t eq = rest.find('=');
            if (eq == std::string::npos) return fail(lineNo, "'set' needs CONTROL = VALUE");
            std::string control = Trim(rest.substr(0, eq));
            if (control.empty()) return fail(lineNo, "'set' needs a control label or #id before '='");
            current.values.emplace_back(control, Unquote(Trim(rest.substr(eq + 1))));
        } else if (keyword == "press") {
            if (!open) return fail(lineNo, "'press' outside an answer (no 'match' before it)");
            if (rest.empty()) return fail(lineNo, "'press' needs a button label or #id");
            current.press = Unquote(rest);
            result.answers.push_back(std::move(current));
            current = ScriptedAnswer{};
            open = false;
        } else if (keyword == "command" || keyword == "click") {
            if (open) return fail(lineNo, "'" + keyword + "' inside the answer at line " + std::to_string(current.sourceLine));
            DriveStep step{keyword, {}, lineNo};
            std::istringstream numbers(rest);
            int n;
            while (numbers >> n) step.args.push_back(n);
            std::size_t want = keyword == "command" ? 1 : 2;
            if (!numbers.eof() || step.args.size() != want)
                return fail(lineNo, keyword == "command" ? "'command' needs a command id" : "'click' needs X Y");
            result.steps.push_back(std::move(step));
        } else {
            return fail(lineNo, "unknown keyword '" + keyword + "' (expected match, set, press, command or click)");
        }
    }
    if (open) return fail(current.sourceLine, "answer has no 'press' line");
    return result;
}

namespace {

bool Contains(const std::string& haystack, const std::string& needle) {
    return !needle.empty() && haystack.find(needle) != std::string::npos;
}

}  // namespace

AnswerParseResult LoadAnswerFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        AnswerParseResult r;
        r.ok = false;
        r.error = "cannot read answer file " + path;
        return r;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return ParseAnswers(ss.str(), path);
}

bool AnswerQueue::Load(const std::string& path, std::string& error) {
    AnswerParseResult r = LoadAnswerFile(path);
    if (!r.ok) {
        error = r.error;
        return false;
    }
    for (auto& a : r.answers) answers_.push_back(std::move(a));
    for (auto& s : r.steps) steps_.push_back(std::move(s));
    return true;
}

bool AnswerQueue::TakeStep(DriveStep& out) {
    if (steps_.empty()) return false;
    out = std::move(steps_.front());
    steps_.pop_front();
    return true;
}

bool AnswerQueue::Take(const std::string& caption, const std::vector<std::string>& texts,
                       ScriptedAnswer& out) {
    for (auto it = answers_.begin(); it != answers_.end(); ++it) {
        bool hit = it->match == "*" || Contains(caption, it->match);
        for (std::size_t i = 0; !hit && i < texts.size(); ++i) hit = Contains(texts[i], it->match);
        if (hit) {
            out = std::move(*it);
            answers_.erase(it);
            return true;
        }
    }
    return false;
}

int ParseControlRef(const std::string& ref) {
    if (ref.size() < 2 || ref[0] != '#') return 0;
    int id = 0;
    for (std::size_t i = 1; i < ref.size(); ++i) {
        char c = ref[i];
        if (c == '-' && i == 1) continue;
        if (c < '0' || c > '9' || id > 100000000) return 0;
        id = id * 10 + (c - '0');
    }
    return ref[1] == '-' ? -id : id;
}

std::vector<std::string> DialogTexts(Dialog& dialog) {
    std::vector<std::string> texts;
    for (const ControlState& c : dialog.Controls()) {
        texts.push_back(c.decl.label);
        if (c.decl.kind == ControlKind::Static) texts.push_back(c.text);
    }
    return texts;
}

std::string AnswerWhere(const ScriptedAnswer& answer) {
    return answer.sourceLine ? "line " + std::to_string(answer.sourceLine) + ": " : std::string();
}

void ApplyAnswerValues(Dialog& dialog, const ScriptedAnswer& answer,
                       const std::function<void(const std::string&)>& report) {
    for (const auto& [name, value] : answer.values) {
        int id = ParseControlRef(name);
        ControlState* c = id != 0 ? dialog.Control(id) : dialog.ControlByLabel(name);
        if (!c) {
            report(AnswerWhere(answer) + "no control '" + name + "' in dialog '" + dialog.Caption() + "'");
            continue;
        }
        std::string why;
        if (!dialog.UserSetValue(*c, value, why)) {
            report(AnswerWhere(answer) + "cannot set '" + name + "' to '" + value + "': " + why);
        }
        if (dialog.HasEnded()) return;
    }
}

int AnswerDialogButton(Dialog& dialog, const ScriptedAnswer& answer) {
    int id = ParseControlRef(answer.press);
    if (id != 0) return id;
    const ControlState* b = dialog.ControlByLabel(answer.press);
    if (b && b->decl.kind == ControlKind::Button) return b->decl.id;
    return ButtonIdFromName(answer.press);
}

int AnswerMessageButton(const ScriptedAnswer& answer, Buttons buttons) {
    int id = ParseControlRef(answer.press);
    if (id == 0) id = ButtonIdFromName(answer.press);
    for (int b : ButtonIds(buttons)) {
        if (b == id) return id;
    }
    return 0;
}

}  // namespace platform
