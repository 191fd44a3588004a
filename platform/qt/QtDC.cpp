#include "platform/qt/QtDC.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

#include "platform/qt/QtFonts.h"
#include "platform/qt/QtText.h"

namespace platform::qt {

void PaintOp(QPainter& painter, const DrawOp& op) {
    if (op.kind == DrawOp::Kind::Fill) {
        painter.fillRect(op.rect, op.color);
        return;
    }
    if (op.opaque) painter.fillRect(op.rect, op.background);
    painter.setFont(op.font);
    painter.setPen(op.color);
    painter.drawText(op.baseline, op.text);
}

void PaintPage(QPainter& painter, const DrawPage& page) {
    for (const DrawOp& op : page) PaintOp(painter, op);
}

QColor ThemeColor(const QPalette& palette, SystemColor which) {
    switch (which) {
    case SystemColor::Window: return palette.color(QPalette::Active, QPalette::Base);
    case SystemColor::WindowText: return palette.color(QPalette::Active, QPalette::Text);
    case SystemColor::Highlight: return palette.color(QPalette::Active, QPalette::Highlight);
    case SystemColor::HighlightText: return palette.color(QPalette::Active, QPalette::HighlightedText);
    case SystemColor::ButtonFace: return palette.color(QPalette::Active, QPalette::Button);
    case SystemColor::GrayText: return palette.color(QPalette::Disabled, QPalette::Text);
    }
    return Qt::black;
}

Color ToColor(const QColor& c) { return MakeColor(c.red(), c.green(), c.blue()); }

QColor ToQColor(Color c) { return QColor(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

QtDC::QtDC(QPaintDevice* metrics, QPainter* painter, bool printing, QSize size, int dpi)
    : device_(metrics), painter_(painter), printing_(printing), size_(size), dpi_(dpi > 0 ? dpi : 96),
      clip_(QPoint(0, 0), size) {
    QPalette palette = QApplication::palette();
    textColor_ = printing ? MakeColor(0, 0, 0) : ToColor(ThemeColor(palette, SystemColor::WindowText));
    bkColor_ = printing ? MakeColor(255, 255, 255) : ToColor(ThemeColor(palette, SystemColor::Window));
    SelectFont(font_);
}

int QtDC::GetDeviceCaps(DeviceCap cap) const {
    switch (cap) {
    case DeviceCap::HorzRes: return size_.width();
    case DeviceCap::VertRes: return size_.height();
    case DeviceCap::LogPixelsX:
    case DeviceCap::LogPixelsY: return dpi_;
    }
    return 0;
}

Font QtDC::SelectFont(const Font& font) {
    Font old = font_;
    font_ = font;
    qfont_ = ToQFont(font);
    metrics_ = MeasureFont(font, device_);
    return old;
}

Size QtDC::GetTextExtent(std::string_view text) const {
    QFontMetricsF m = device_ ? QFontMetricsF(qfont_, device_) : QFontMetricsF(qfont_);
    return {static_cast<int>(std::lround(m.horizontalAdvance(From1252(text)))), metrics_.height};
}

Color QtDC::GetSysColor(SystemColor which) const { return ToColor(ThemeColor(QApplication::palette(), which)); }

Point QtDC::SetViewportOrigin(Point origin) {
    Point old = origin_;
    origin_ = origin;
    return old;
}

Rect QtDC::GetClipBox() const {
    return {clip_.left() - origin_.x, clip_.top() - origin_.y, clip_.right() + 1 - origin_.x,
            clip_.bottom() + 1 - origin_.y};
}

void QtDC::SetClipRect(const Rect& r) {
    clip_ = QRect(r.left, r.top, r.Width(), r.Height());
    if (!paintRect_.isEmpty()) clip_ = clip_.united(paintRect_);
}

void QtDC::TextOut(int x, int y, std::string_view text) {
    DrawOp op;
    op.kind = DrawOp::Kind::Text;
    op.text = From1252(text);
    op.font = qfont_;
    QFontMetricsF m = device_ ? QFontMetricsF(qfont_, device_) : QFontMetricsF(qfont_);
    double width = m.horizontalAdvance(op.text);
    double left = x + origin_.x;
    double top = y + origin_.y;
    if ((align_ & kAlignCenter) == kAlignCenter) left -= width / 2;
    else if ((align_ & kAlignCenter) == kAlignRight) left -= width;
    if ((align_ & kAlignBaseline) == kAlignBaseline) top -= metrics_.ascent;
    else if ((align_ & kAlignBaseline) == kAlignBottom) top -= metrics_.height;
    op.rect = QRectF(left, top, width, metrics_.height);
    op.baseline = QPointF(left, top + metrics_.ascent);
    op.color = ToQColor(textColor_);
    op.background = ToQColor(bkColor_);
    op.opaque = bkMode_ == BkMode::Opaque;
    if (log_) log_->push_back({op.rect.toAlignedRect(), std::string(text)});
    Emit(std::move(op));
}

void QtDC::FillSolidRect(const Rect& r, Color color) {
    DrawOp op;
    op.kind = DrawOp::Kind::Fill;
    op.rect = QRectF(r.left + origin_.x, r.top + origin_.y, r.Width(), r.Height());
    op.color = ToQColor(color);
    bkColor_ = color;
    Emit(std::move(op));
}

void QtDC::Emit(DrawOp op) {
    if (pages_) {
        if (pages_->empty()) pages_->emplace_back();
        pages_->back().push_back(std::move(op));
    } else if (painter_) {
        PaintOp(*painter_, op);
    }
}

bool QtDC::StartDoc(const std::string&) { return true; }
bool QtDC::EndDoc() { return true; }
void QtDC::AbortDoc() {}
bool QtDC::StartPage() { return true; }
bool QtDC::EndPage() { return true; }

}  // namespace platform::qt
