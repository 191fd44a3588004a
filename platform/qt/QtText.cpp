#include "platform/qt/QtText.h"

#include <QFile>
#include <QHash>

#include "platform/Text1252.h"

namespace platform::qt {
namespace {

// Code point -> byte for the bytes 0x80..0xFF of the code page.
const QHash<char16_t, char>& HighBytes() {
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            char byte = static_cast<char>(b);
            QString s = QString::fromUtf8(Utf8From1252(std::string_view(&byte, 1)));
            if (s.size() == 1) t.insert(s[0].unicode(), byte);
        }
        return t;
    }();
    return table;
}

}  // namespace

QString From1252(std::string_view text) { return QString::fromUtf8(Utf8From1252(text)); }

std::string To1252(const QString& text) {
    const auto& high = HighBytes();
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t c = text[i].unicode();
        if (c < 0x80) {
            out += static_cast<char>(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        auto it = high.find(c);
        out += it != high.end() ? it.value() : '?';
    }
    return out;
}

QString FromPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string ToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString PlainLabel(std::string_view text) {
    std::string_view shown = text.substr(0, text.find('\t'));
    std::string out;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown[i] != '&') {
            out += shown[i];
        } else if (i + 1 < shown.size() && shown[i + 1] == '&') {
            out += '&';
            ++i;
        }
    }
    return From1252(out);
}

}  // namespace platform::qt
