#include "platform/qt/QtFonts.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QHash>

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

constexpr int kDefaultHeight = 16;

std::string Lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Cell height (ascent + descent) of one pixel of size, per face, weight and style.
double CellRatio(const QFont& font) {
    static QHash<QString, double> cache;
    QString key = font.family() + '/' + QString::number(font.weight()) + (font.italic() ? "/i" : "");
    auto it = cache.find(key);
    if (it != cache.end()) return it.value();
    QFont probe = font;
    probe.setPixelSize(1000);
    QFontMetricsF m(probe);
    double ratio = (m.ascent() + m.descent()) / 1000.0;
    if (!(ratio > 0.5 && ratio < 3.0)) ratio = 1.15;
    cache.insert(key, ratio);
    return ratio;
}

}  // namespace

QString InstalledFace(const Font& font) {
    std::string face = Lower(font.face);
    static const struct {
        const char* face;
        const char* installed;
    } kMap[] = {
        {"courier new", "Liberation Mono"}, {"courier", "Liberation Mono"},
        {"lucida console", "Liberation Mono"}, {"consolas", "Liberation Mono"},
        {"fixedsys", "Liberation Mono"}, {"terminal", "Liberation Mono"},
        {"arial", "Liberation Sans"}, {"helvetica", "Liberation Sans"},
        {"ms sans serif", "Liberation Sans"}, {"ms shell dlg", "Liberation Sans"},
        {"system", "Liberation Sans"}, {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"}, {"ms serif", "Liberation Serif"},
    };
    for (const auto& m : kMap) {
        if (face == m.face) return QString::fromLatin1(m.installed);
    }
    if (!face.empty()) return From1252(font.face);
    if (font.pitch == Pitch::Fixed || font.family == FontFamily::Modern) return "Liberation Mono";
    if (font.family == FontFamily::Roman) return "Liberation Serif";
    return "Liberation Sans";
}

QFont ToQFont(const Font& font) {
    QFont q(InstalledFace(font));
    bool fixed = font.pitch == Pitch::Fixed || font.family == FontFamily::Modern ||
                 q.family() == QLatin1String("Liberation Mono");
    if (fixed) {
        q.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
        q.setFixedPitch(true);
    } else if (font.family == FontFamily::Roman) {
        q.setStyleHint(QFont::Serif);
    } else if (font.family == FontFamily::Swiss) {
        q.setStyleHint(QFont::SansSerif);
    }
    int weight = font.weight <= 0 ? kWeightNormal : std::clamp(font.weight, 1, 1000);
    q.setWeight(static_cast<QFont::Weight>(weight));
    q.setItalic(font.italic);
    q.setUnderline(font.underline);
    q.setKerning(false);
    if (font.quality == FontQuality::Draft) q.setStyleStrategy(QFont::PreferDefault);
    int height = font.height == 0 ? kDefaultHeight : font.height;
    int pixels = height < 0 ? -height : static_cast<int>(std::lround(height / CellRatio(q)));
    q.setPixelSize(std::max(1, pixels));
    return q;
}

TextMetrics MeasureFont(const Font& font, QPaintDevice* device) {
    QFont q = ToQFont(font);
    QFontMetricsF m = device ? QFontMetricsF(q, device) : QFontMetricsF(q);
    TextMetrics tm;
    tm.ascent = static_cast<int>(std::ceil(m.ascent()));
    tm.descent = static_cast<int>(std::ceil(m.descent()));
    tm.height = tm.ascent + tm.descent;
    tm.internalLeading = std::max(0, tm.height - q.pixelSize());
    tm.externalLeading = std::max(0, static_cast<int>(std::lround(m.leading())));
    tm.aveCharWidth = std::max(1, static_cast<int>(std::lround(m.averageCharWidth())));
    tm.maxCharWidth = std::max(tm.aveCharWidth, static_cast<int>(std::lround(m.maxWidth())));
    tm.weight = font.weight <= 0 ? kWeightNormal : font.weight;
    tm.fixedPitch = QFontInfo(q).fixedPitch();
    if (tm.fixedPitch) tm.aveCharWidth = std::max(1, static_cast<int>(std::lround(m.horizontalAdvance('x'))));
    return tm;
}

double HeightToPoints(int height, int dpi) {
    if (dpi <= 0) dpi = 96;
    return std::abs(height) * 72.0 / dpi;
}

int PointsToHeight(double points, int dpi, bool characterHeight) {
    if (dpi <= 0) dpi = 96;
    int h = std::max(1, static_cast<int>(std::lround(points * dpi / 72.0)));
    return characterHeight ? -h : h;
}

}  // namespace platform::qt
