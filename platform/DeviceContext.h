// Drawing surfaces: screen, printer and the headless recorder. Text only
// needs what the programs use: fonts, metrics, extents, colours, TextOut.
#pragma once

#include <string>
#include <string_view>

#include "platform/Geometry.h"

namespace platform {

enum class Pitch { Default, Fixed, Variable };
enum class FontFamily { DontCare, Roman, Swiss, Modern, Script, Decorative };
enum class FontQuality { Default, Draft, Proof };

constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;

// A font description. height > 0: cell height, < 0: character height
// (without internal leading), 0: the device's default, all in logical units.
struct Font {
    std::string face;
    int height = 0;
    int width = 0;   // 0: as the face gives
    int weight = kWeightNormal;
    bool italic = false;
    bool underline = false;
    Pitch pitch = Pitch::Default;
    FontFamily family = FontFamily::DontCare;
    FontQuality quality = FontQuality::Default;
    friend bool operator==(const Font&, const Font&) = default;
};

struct TextMetrics {
    int height = 0;            // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;
    int maxCharWidth = 0;
    int weight = kWeightNormal;
    bool fixedPitch = false;
};

enum class BkMode { Transparent, Opaque };

// Text alignment flags for TextOut.
constexpr unsigned kAlignLeft = 0x00;
constexpr unsigned kAlignRight = 0x02;
constexpr unsigned kAlignCenter = 0x06;
constexpr unsigned kAlignTop = 0x00;
constexpr unsigned kAlignBottom = 0x08;
constexpr unsigned kAlignBaseline = 0x18;

// Device capabilities asked by the programs.
enum class DeviceCap {
    HorzRes,      // width of the drawing surface, device units
    VertRes,      // height
    LogPixelsX,   // device units per inch
    LogPixelsY,
};

class DeviceContext {
public:
    virtual ~DeviceContext() = default;

    virtual bool IsPrinting() const = 0;
    virtual int GetDeviceCaps(DeviceCap cap) const = 0;

    // Selects a font; returns the one selected before.
    virtual Font SelectFont(const Font& font) = 0;
    virtual const Font& CurrentFont() const = 0;
    virtual TextMetrics GetTextMetrics() const = 0;
    // Width and height of a text (Windows-1252 bytes) in the current font.
    virtual Size GetTextExtent(std::string_view text) const = 0;

    virtual Color SetTextColor(Color color) = 0;
    virtual Color SetBkColor(Color color) = 0;
    virtual Color TextColor() const = 0;
    virtual Color BkColor() const = 0;
    virtual BkMode SetBkMode(BkMode mode) = 0;
    virtual unsigned SetTextAlign(unsigned align) = 0;
    // The system colour of the current theme.
    virtual Color GetSysColor(SystemColor which) const = 0;

    // Logical origin: the logical point shown at device (0,0) is -origin.
    virtual Point SetViewportOrigin(Point origin) = 0;
    virtual Point ViewportOrigin() const = 0;
    Point LogicalToDevice(Point p) const { Point o = ViewportOrigin(); return {p.x + o.x, p.y + o.y}; }
    Point DeviceToLogical(Point p) const { Point o = ViewportOrigin(); return {p.x - o.x, p.y - o.y}; }

    // The part that needs drawing, in logical units.
    virtual Rect GetClipBox() const = 0;
    virtual void SetClipRect(const Rect& deviceRect) = 0;

    // Text in logical units, aligned as SetTextAlign says; background by BkMode.
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // Fills a logical rectangle; leaves the background colour set to color.
    virtual void FillSolidRect(const Rect& rect, Color color) = 0;

    // Printer jobs and pages (screen contexts ignore them and answer true).
    virtual bool StartDoc(const std::string& documentName) = 0;
    virtual bool EndDoc() = 0;
    virtual void AbortDoc() = 0;
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
};

// The text drawing state (colours, background mode, alignment, origin) that every
// context keeps the same way; backends derive from it and do the drawing.
class StatefulDeviceContext : public DeviceContext {
public:
    Color SetTextColor(Color color) override { return Exchange(textColor_, color); }
    Color SetBkColor(Color color) override { return Exchange(bkColor_, color); }
    Color TextColor() const override { return textColor_; }
    Color BkColor() const override { return bkColor_; }
    BkMode SetBkMode(BkMode mode) override { return Exchange(bkMode_, mode); }
    unsigned SetTextAlign(unsigned align) override { return Exchange(align_, align); }
    Point ViewportOrigin() const override { return origin_; }

protected:
    template <typename T>
    static T Exchange(T& field, T value) {
        T old = field;
        field = value;
        return old;
    }

    Color textColor_ = MakeColor(0, 0, 0);
    Color bkColor_ = MakeColor(255, 255, 255);
    BkMode bkMode_ = BkMode::Opaque;
    unsigned align_ = kAlignLeft | kAlignTop;
    Point origin_{0, 0};
};

}  // namespace platform
