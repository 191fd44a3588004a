#include "platform/Settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace platform {
namespace {

// A value, or a line that is not one (kept as it stands, so that a rewrite
// loses nothing of a damaged file).
struct Entry {
    std::string name;
    std::string value;  // decoded
    bool raw = false;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
    bool headerless = false;  // lines before the first section header
};
using IniData = std::vector<Section>;

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 0x80 && y < 0x80) {
            if (std::tolower(x) != std::tolower(y)) return false;
        } else if (x != y) {
            return false;
        }
    }
    return true;
}

std::string Trim(const std::string& s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    std::size_t e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

bool NeedsQuotes(const std::string& v) {
    if (!v.empty() && (v.front() == '"' || v.front() == ' ' || v.back() == ' ' || v.front() == '\t' || v.back() == '\t')) return true;
    for (unsigned char c : v) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

std::string Encode(const std::string& v) {
    if (!NeedsQuotes(v)) return v;
    std::string out = "\"";
    for (unsigned char c : v) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02X", c);
                out += buf;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string Decode(const std::string& raw) {
    std::string v = Trim(raw);
    if (v.size() < 2 || v.front() != '"' || v.back() != '"') return v;
    std::string in = v.substr(1, v.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '\\' || i + 1 >= in.size()) {
            out += in[i];
            continue;
        }
        char n = in[++i];
        switch (n) {
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'x':
            if (i + 2 < in.size() && HexDigit(in[i + 1]) >= 0 && HexDigit(in[i + 2]) >= 0) {
                out += static_cast<char>(HexDigit(in[i + 1]) * 16 + HexDigit(in[i + 2]));
                i += 2;
            } else {
                out += "\\x";
            }
            break;
        default: out += n; break;  // \\, \" and anything else: the character itself
        }
    }
    return out;
}

IniData Parse(const std::string& text) {
    IniData data;
    std::size_t pos = 0;
    Section* current = nullptr;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string t = Trim(line);
        if (t.empty()) continue;
        if (t[0] == '[' && t.find(']') != std::string::npos) {
            data.push_back(Section{Trim(t.substr(1, t.find(']') - 1)), {}, false});
            current = &data.back();
            continue;
        }
        if (!current) {
            data.push_back(Section{"", {}, true});
            current = &data.back();
        }
        std::size_t eq = line.find('=');
        std::string name = eq == std::string::npos ? "" : Trim(line.substr(0, eq));
        if (current->headerless || name.empty() || t[0] == ';' || t[0] == '#') {
            current->entries.push_back(Entry{"", line, true});  // comment or damaged line
            continue;
        }
        std::string value = Decode(line.substr(eq + 1));
        bool replaced = false;
        for (Entry& e : current->entries) {
            if (!e.raw && SameName(e.name, name)) {
                e.value = value;
                replaced = true;
            }
        }
        if (!replaced) current->entries.push_back(Entry{name, value, false});
    }
    return data;
}

std::string Format(const IniData& data) {
    std::string out;
    for (const Section& s : data) {
        if (s.entries.empty()) continue;
        if (!out.empty()) out += "\r\n";
        if (!s.headerless) out += "[" + s.name + "]\r\n";
        for (const Entry& e : s.entries) {
            out += e.raw ? e.value : e.name + "=" + Encode(e.value);
            out += "\r\n";
        }
    }
    return out;
}

bool ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    text = ss.str();
    return true;
}

bool MakeFolders(const std::string& path) {
    std::string built;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        built = path.substr(0, slash);
        if (!built.empty() && ::mkdir(built.c_str(), 0777) != 0 && errno != EEXIST) return false;
        pos = slash + 1;
    }
    return true;
}

bool WriteAtomically(const std::string& path, const std::string& text) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!MakeFolders(folder)) return false;
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

bool ValidName(const std::string& n) {
    if (Trim(n).empty() || Trim(n) != n) return false;
    for (unsigned char c : n) {
        if (c < 0x20 || c == '[' || c == ']' || c == '=' || c == 0x7F) return false;
    }
    return true;
}

}  // namespace

std::string Settings::FilePath() const {
    if (key_.empty() || program_.empty()) return "";
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : ".") + "/.config";
    }
    // The key and program become single path components.
    auto component = [](std::string s) {
        for (char& c : s) {
            if (c == '/' || c == '\\') c = '_';
        }
        if (s == "." || s == "..") s = "_";
        return s;
    };
    return base + "/" + component(key_) + "/" + component(program_) + ".ini";
}

std::optional<std::string> Settings::Find(const std::string& section, const std::string& name) const {
    std::string path = FilePath();
    std::string text;
    if (path.empty() || !ReadWhole(path, text)) return std::nullopt;
    IniData data = Parse(text);
    for (const Section& s : data) {
        if (s.headerless || !SameName(s.name, section)) continue;
        for (const Entry& e : s.entries) {
            if (!e.raw && SameName(e.name, name)) return e.value;
        }
    }
    return std::nullopt;
}

std::string Settings::ReadString(const std::string& section, const std::string& name,
                                 const std::string& def) const {
    return Find(section, name).value_or(def);
}

int Settings::ReadInt(const std::string& section, const std::string& name, int def) const {
    auto v = Find(section, name);
    if (!v) return def;
    const char* s = v->c_str();
    while (*s == ' ' || *s == '\t') ++s;
    errno = 0;
    char* end = nullptr;
    long n = std::strtol(s, &end, 10);
    if (end == s || errno == ERANGE || n < INT_MIN || n > INT_MAX) return def;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return def;
    return static_cast<int>(n);
}

namespace {

bool Update(const std::string& path, const std::string& section, const std::string& name,
            const std::string* value) {
    if (path.empty() || !ValidName(section) || !ValidName(name)) return false;
    std::string text;
    IniData data;
    if (ReadWhole(path, text)) data = Parse(text);
    Section* target = nullptr;
    for (Section& s : data) {
        if (!s.headerless && SameName(s.name, section)) {
            target = &s;
            break;
        }
    }
    if (!value) {
        if (!target) return true;
        std::erase_if(target->entries, [&](const Entry& e) { return !e.raw && SameName(e.name, name); });
    } else {
        if (!target) {
            data.push_back(Section{section, {}, false});
            target = &data.back();
        }
        bool set = false;
        for (Entry& e : target->entries) {
            if (!e.raw && SameName(e.name, name)) {
                e.value = *value;
                set = true;
            }
        }
        if (!set) target->entries.push_back(Entry{name, *value, false});
    }
    return WriteAtomically(path, Format(data));
}

}  // namespace

bool Settings::WriteString(const std::string& section, const std::string& name, const std::string& value) {
    return Update(FilePath(), section, name, &value);
}

bool Settings::WriteInt(const std::string& section, const std::string& name, int value) {
    return WriteString(section, name, std::to_string(value));
}

bool Settings::Remove(const std::string& section, const std::string& name) {
    return Update(FilePath(), section, name, nullptr);
}

}  // namespace platform
