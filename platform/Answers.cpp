#include "platform/Answers.h"

#include <cctype>
#include <fstream>
#include <sstream>

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
        } else {
            return fail(lineNo, "unknown keyword '" + keyword + "' (expected match, set or press)");
        }
    }
    if (open) return fail(current.sourceLine, "answer has no 'press' line");
    return result;
}

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

}  // namespace platform
