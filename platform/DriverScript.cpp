#include "platform/DriverScript.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Dialog.h"

namespace platform {
namespace {

std::vector<std::string> SplitArgs(const std::string& text) {
    std::vector<std::string> args;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
        if (i >= text.size()) break;
        std::string arg;
        if (text[i] == '"') {
            std::size_t end = text.find('"', i + 1);
            if (end == std::string::npos) end = text.size();
            arg = text.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < text.size() && text[i] != ' ' && text[i] != '\t') arg += text[i++];
        }
        args.push_back(arg);
    }
    return args;
}

}  // namespace

bool DriverScript::Load(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot read driver file " + path;
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return Parse(ss.str(), path, error);
}

bool DriverScript::Parse(const std::string& text, const std::string& name, std::string& error) {
    static const char* const kVerbs[] = {"shot", "command", "key", "click", "clipboard", "wait", "close"};
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> args = SplitArgs(line);
        if (args.empty() || args[0][0] == '#') continue;
        DriverStatement s{ControlLabelKey(args[0]), {args.begin() + 1, args.end()}, lineNo};
        if (s.verb != "click" && s.args.size() > 1) {
            // One argument: the rest of the line ("command File/Debug Level...").
            std::string rest;
            for (const std::string& a : s.args) rest += (rest.empty() ? "" : " ") + a;
            s.args = {rest};
        }
        bool known = false;
        for (const char* v : kVerbs) known = known || s.verb == v;
        std::size_t need = s.verb == "close" ? 0 : 1;
        if (!known || s.args.size() < need) {
            error = name + ":" + std::to_string(lineNo) + ": " +
                    (known ? "'" + s.verb + "' needs an argument" : "unknown statement '" + args[0] + "'");
            return false;
        }
        statements_.push_back(std::move(s));
    }
    return true;
}

bool ParseKeyName(const std::string& name, Key& key) {
    key = Key{};
    std::string rest = name;
    for (;;) {
        std::size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 >= rest.size()) break;
        std::string mod = ControlLabelKey(rest.substr(0, plus));
        if (mod == "ctrl") key.ctrl = true;
        else if (mod == "shift") key.shift = true;
        else if (mod == "alt") key.alt = true;
        else return false;
        rest = rest.substr(plus + 1);
    }
    std::string k = ControlLabelKey(rest);
    static const struct {
        const char* name;
        int code;
    } kNames[] = {
        {"down", kKeyDown},     {"up", kKeyUp},           {"left", kKeyLeft},     {"right", kKeyRight},
        {"home", kKeyHome},     {"end", kKeyEnd},         {"pageup", kKeyPageUp}, {"pagedown", kKeyPageDown},
        {"insert", kKeyInsert}, {"ins", kKeyInsert},      {"delete", kKeyDelete}, {"del", kKeyDelete},
        {"return", kKeyReturn}, {"enter", kKeyReturn},    {"escape", kKeyEscape}, {"esc", kKeyEscape},
        {"tab", kKeyTab},       {"space", kKeySpace},     {"backspace", kKeyBackspace},
    };
    if (k.size() == 1 && std::isalnum(static_cast<unsigned char>(k[0]))) {
        key.code = std::toupper(static_cast<unsigned char>(k[0]));
    } else if (k.size() >= 2 && k[0] == 'f' && std::atoi(k.c_str() + 1) >= 1 && std::atoi(k.c_str() + 1) <= 12) {
        key.code = kKeyF1 + std::atoi(k.c_str() + 1) - 1;
    } else {
        for (const auto& n : kNames) {
            if (k == n.name) key.code = n.code;
        }
    }
    return key.code != 0;
}

std::string DriverShotPath(const std::string& name) {
    const char* folder = std::getenv("SUITE_QT_SHOTS");
    if (!folder || !*folder) return "";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::string(folder) + "/" + name;
}

void DriverFail(const DriverStatement& s, const std::string& why) {
    std::fprintf(stderr, "driver: line %d: %s: %s\n", s.line, s.verb.c_str(), why.c_str());
    std::fflush(stderr);
}

}  // namespace platform
