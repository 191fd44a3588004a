// The device context of the Qt backend: a view's paint, a measuring context of a view, a
// printer page, or the recorded pages of a print preview. Coordinates are logical units;
// the viewport origin moves them to device pixels.
#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QPointF>
#include <QRect>
#include <QRectF>
#include <QSize>
#include <QString>

#include <string>
#include <vector>

#include "platform/DeviceContext.h"

class QPainter;
class QPaintDevice;

namespace platform::qt {

// One drawing step in device pixels: painted at once or kept for a print preview.
struct DrawOp {
    enum class Kind { Text, Fill };
    Kind kind = Kind::Text;
    QRectF rect;       // Fill: the area; Text: the text's cell
    QPointF baseline;  // Text: start of the baseline
    QString text;
    QFont font;
    QColor color;       // text or fill colour
    QColor background;  // Text with an opaque background
    bool opaque = false;
};
using DrawPage = std::vector<DrawOp>;

void PaintOp(QPainter& painter, const DrawOp& op);
void PaintPage(QPainter& painter, const DrawPage& page);

// A text drawn in a paint, in device pixels (screenshots name where each text went).
struct DrawnText {
    QRect rect;
    std::string text;  // Windows-1252
};

// Colours of the desktop theme by the layer's names.
QColor ThemeColor(const QPalette& palette, SystemColor which);
Color ToColor(const QColor& c);
QColor ToQColor(Color c);

class QtDC : public StatefulDeviceContext {
public:
    // metrics: the device fonts are measured for (null: the screen). painter: where drawing
    // goes (null: measuring only, or recording). size and dpi answer GetDeviceCaps.
    QtDC(QPaintDevice* metrics, QPainter* painter, bool printing, QSize size, int dpi);

    // The part of the window a paint event asks for (device pixels): the clip box always
    // covers it.
    void SetPaintRect(const QRect& rect) { paintRect_ = rect; clip_ = rect; }
    // Texts drawn are added to log (null: none).
    void LogTexts(std::vector<DrawnText>* log) { log_ = log; }
    // Drawing goes to pages (a new page at each StartPage) instead of the painter.
    void RecordInto(std::vector<DrawPage>* pages) { pages_ = pages; }

    bool IsPrinting() const override { return printing_; }
    int GetDeviceCaps(DeviceCap cap) const override;

    Font SelectFont(const Font& font) override;
    const Font& CurrentFont() const override { return font_; }
    TextMetrics GetTextMetrics() const override { return metrics_; }
    Size GetTextExtent(std::string_view text) const override;

    Color GetSysColor(SystemColor which) const override;

    Point SetViewportOrigin(Point origin) override;
    Rect GetClipBox() const override;
    void SetClipRect(const Rect& deviceRect) override;

    void TextOut(int x, int y, std::string_view text) override;
    void FillSolidRect(const Rect& rect, Color color) override;

    // A screen context has no document or pages: these answer true.
    bool StartDoc(const std::string& documentName) override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool StartPage() override;
    bool EndPage() override;

protected:
    void SetPainter(QPainter* painter) { painter_ = painter; }
    std::vector<DrawPage>* RecordedPages() const { return pages_; }

private:
    void Emit(DrawOp op);

    QPaintDevice* device_;
    QPainter* painter_;
    bool printing_;
    QSize size_;
    int dpi_;
    Font font_{"System", 16, 0, kWeightNormal, false, false, Pitch::Variable};
    QFont qfont_;
    TextMetrics metrics_;
    QRect paintRect_;
    QRect clip_;
    std::vector<DrawnText>* log_ = nullptr;
    std::vector<DrawPage>* pages_ = nullptr;
};

}  // namespace platform::qt
