// The headless backend's device context: measures fonts arithmetically and
// records what is drawn, so views can be laid out, painted and printed
// without a display.
#pragma once

#include <string>
#include <vector>

#include "platform/DeviceContext.h"

namespace platform {

// One recorded drawing call (logical coordinates as passed, after alignment:
// x and y are the top-left corner of the text cell).
struct DrawRecord {
    enum class Kind { Text, Fill };
    Kind kind = Kind::Text;
    int x = 0;
    int y = 0;
    std::string text;   // Text
    Font font;          // Text
    Color textColor = 0;
    Color bkColor = 0;
    BkMode bkMode = BkMode::Opaque;
    Rect rect;          // Fill: the rectangle; Text: the text's cell
    Color fillColor = 0;
};

struct RecordedPage {
    std::vector<DrawRecord> records;
    // The texts of the page as lines: records sorted by y then x, texts on
    // the same y joined by blanks at their character column (x / average
    // character width of their font).
    std::vector<std::string> Lines() const;
};

// Metrics of the headless fonts. Cell height H = |height| (character height
// given: H = |height| * 8 / 7, internal leading = H - |height|; cell height
// given: internal leading H / 8), the device default 16 when 0; ascent = H * 4 / 5, descent = H - ascent, external
// leading 0. Fixed and default pitch: every character is (H * 3 + 2) / 5
// wide. Variable pitch: average (H + 1) / 2, maximum H, and each character
// measured at the average. Weight above normal adds 1 to the widths; a
// width given in the font replaces the average.
TextMetrics HeadlessMetrics(const Font& font);

class HeadlessDC : public StatefulDeviceContext {
public:
    // A screen context of the given client size, or a printer page of the
    // given size at the given resolution.
    static HeadlessDC Screen(Size client);
    static HeadlessDC Printer(Size page, int dpi);

    bool IsPrinting() const override { return printing_; }
    int GetDeviceCaps(DeviceCap cap) const override;

    Font SelectFont(const Font& font) override;
    const Font& CurrentFont() const override { return font_; }
    TextMetrics GetTextMetrics() const override;
    Size GetTextExtent(std::string_view text) const override;

    Color GetSysColor(SystemColor which) const override;

    Point SetViewportOrigin(Point origin) override;
    Rect GetClipBox() const override;
    void SetClipRect(const Rect& deviceRect) override { clip_ = deviceRect; }

    void TextOut(int x, int y, std::string_view text) override;
    void FillSolidRect(const Rect& rect, Color color) override;

    bool StartDoc(const std::string& documentName) override;
    bool EndDoc() override;
    void AbortDoc() override;
    bool StartPage() override;
    bool EndPage() override;

    // Recording. Screen contexts record into page 0 (one page); printer
    // contexts one page per StartPage.
    const std::vector<RecordedPage>& Pages() const { return pages_; }
    const std::string& DocumentName() const { return docName_; }
    bool DocEnded() const { return docEnded_; }
    bool DocAborted() const { return docAborted_; }
    void ClearRecords();
    // Drawing from now on is not recorded (a paint that nobody reads back).
    void DiscardRecords() { recording_ = false; }

private:
    HeadlessDC() = default;
    RecordedPage& CurrentPage();

    bool printing_ = false;
    Size surface_{800, 600};
    int dpi_ = 96;
    Font font_{"System", 16, 0, kWeightNormal, false, false, Pitch::Variable};
    TextMetrics metrics_ = HeadlessMetrics(font_);  // of font_
    Rect clip_{0, 0, 800, 600};
    std::vector<RecordedPage> pages_;
    std::string docName_;
    bool inDoc_ = false;
    bool inPage_ = false;
    bool docEnded_ = false;
    bool docAborted_ = false;
    bool recording_ = true;
};

}  // namespace platform
