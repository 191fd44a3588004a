#include "platform/HeadlessDC.h"

#include <algorithm>
#include <cstdlib>

namespace platform {

TextMetrics HeadlessMetrics(const Font& font) {
    TextMetrics tm;
    int h = std::abs(font.height);
    int cell;
    if (font.height == 0) {
        cell = 16;
        tm.internalLeading = 2;
    } else if (font.height < 0) {
        cell = h * 8 / 7;
        if (cell <= h) cell = h + 1;
        tm.internalLeading = cell - h;
    } else {
        cell = h;
        tm.internalLeading = h / 8;
    }
    tm.height = cell;
    tm.ascent = cell * 4 / 5;
    tm.descent = cell - tm.ascent;
    tm.externalLeading = 0;
    tm.weight = font.weight;
    int bold = font.weight > kWeightNormal ? 1 : 0;
    if (font.pitch == Pitch::Variable) {
        tm.fixedPitch = false;
        tm.aveCharWidth = (cell + 1) / 2 + bold;
        tm.maxCharWidth = cell + bold;
    } else {
        tm.fixedPitch = true;
        tm.aveCharWidth = (cell * 3 + 2) / 5 + bold;
        tm.maxCharWidth = tm.aveCharWidth;
    }
    if (font.width > 0) {
        tm.aveCharWidth = font.width;
        if (tm.fixedPitch || tm.maxCharWidth < font.width) tm.maxCharWidth = font.width;
    }
    if (tm.aveCharWidth < 1) tm.aveCharWidth = 1;
    if (tm.maxCharWidth < tm.aveCharWidth) tm.maxCharWidth = tm.aveCharWidth;
    return tm;
}

std::vector<std::string> RecordedPage::Lines() const {
    std::vector<const DrawRecord*> texts;
    for (const DrawRecord& r : records) {
        if (r.kind == DrawRecord::Kind::Text) texts.push_back(&r);
    }
    std::stable_sort(texts.begin(), texts.end(), [](const DrawRecord* a, const DrawRecord* b) {
        return a->y != b->y ? a->y < b->y : a->x < b->x;
    });
    std::vector<std::string> lines;
    bool first = true;
    int lastY = 0;
    for (const DrawRecord* r : texts) {
        if (first || r->y != lastY) {
            lines.emplace_back();
            lastY = r->y;
            first = false;
        }
        std::string& line = lines.back();
        int width = HeadlessMetrics(r->font).aveCharWidth;
        int column = r->x > 0 ? r->x / width : 0;
        if (static_cast<int>(line.size()) < column) line.resize(static_cast<std::size_t>(column), ' ');
        else if (!line.empty()) line += ' ';
        line += r->text;
    }
    return lines;
}

HeadlessDC HeadlessDC::Screen(Size client) {
    HeadlessDC dc;
    dc.surface_ = client;
    dc.dpi_ = 96;
    dc.clip_ = {0, 0, client.cx, client.cy};
    dc.pages_.emplace_back();
    return dc;
}

HeadlessDC HeadlessDC::Printer(Size page, int dpi) {
    HeadlessDC dc;
    dc.printing_ = true;
    dc.surface_ = page;
    dc.dpi_ = dpi > 0 ? dpi : 600;
    dc.clip_ = {0, 0, page.cx, page.cy};
    return dc;
}

int HeadlessDC::GetDeviceCaps(DeviceCap cap) const {
    switch (cap) {
    case DeviceCap::HorzRes: return surface_.cx;
    case DeviceCap::VertRes: return surface_.cy;
    case DeviceCap::LogPixelsX:
    case DeviceCap::LogPixelsY: return dpi_;
    }
    return 0;
}

Font HeadlessDC::SelectFont(const Font& font) {
    Font old = font_;
    font_ = font;
    metrics_ = HeadlessMetrics(font_);
    return old;
}

TextMetrics HeadlessDC::GetTextMetrics() const { return metrics_; }

Size HeadlessDC::GetTextExtent(std::string_view text) const {
    return {static_cast<int>(text.size()) * metrics_.aveCharWidth, metrics_.height};
}

Color HeadlessDC::GetSysColor(SystemColor which) const {
    switch (which) {
    case SystemColor::Window: return MakeColor(255, 255, 255);
    case SystemColor::WindowText: return MakeColor(0, 0, 0);
    case SystemColor::Highlight: return MakeColor(0, 120, 215);
    case SystemColor::HighlightText: return MakeColor(255, 255, 255);
    case SystemColor::ButtonFace: return MakeColor(240, 240, 240);
    case SystemColor::GrayText: return MakeColor(109, 109, 109);
    }
    return 0;
}

Point HeadlessDC::SetViewportOrigin(Point origin) {
    Point old = origin_;
    origin_ = origin;
    return old;
}

Rect HeadlessDC::GetClipBox() const {
    Rect r = clip_;
    r.Offset(-origin_.x, -origin_.y);
    return r;
}

RecordedPage& HeadlessDC::CurrentPage() {
    if (pages_.empty()) pages_.emplace_back();
    return pages_.back();
}

void HeadlessDC::TextOut(int x, int y, std::string_view text) {
    const TextMetrics& tm = metrics_;
    int width = static_cast<int>(text.size()) * tm.aveCharWidth;
    if ((align_ & kAlignCenter) == kAlignCenter) x -= width / 2;
    else if (align_ & kAlignRight) x -= width;
    if ((align_ & kAlignBaseline) == kAlignBaseline) y -= tm.ascent;
    else if (align_ & kAlignBottom) y -= tm.height;
    if (printing_ && !inPage_) return;  // nothing reaches paper outside a page
    if (!recording_) return;
    DrawRecord& r = CurrentPage().records.emplace_back();
    r.kind = DrawRecord::Kind::Text;
    r.x = x;
    r.y = y;
    r.text.assign(text);
    r.font = font_;
    r.textColor = textColor_;
    r.bkColor = bkColor_;
    r.bkMode = bkMode_;
    r.rect = {x, y, x + width, y + tm.height};
}

void HeadlessDC::FillSolidRect(const Rect& rect, Color color) {
    if (printing_ && !inPage_) return;
    if (!recording_) {
        bkColor_ = color;
        return;
    }
    DrawRecord r;
    r.kind = DrawRecord::Kind::Fill;
    r.x = rect.left;
    r.y = rect.top;
    r.rect = rect;
    r.fillColor = color;
    r.bkColor = color;
    CurrentPage().records.push_back(std::move(r));
    bkColor_ = color;  // as the platform's fill does
}

bool HeadlessDC::StartDoc(const std::string& documentName) {
    if (!printing_) return true;
    if (inDoc_) return false;
    inDoc_ = true;
    docEnded_ = docAborted_ = false;
    docName_ = documentName;
    pages_.clear();
    return true;
}

bool HeadlessDC::EndDoc() {
    if (!printing_) return true;
    if (!inDoc_ || inPage_) return false;
    inDoc_ = false;
    docEnded_ = true;
    return true;
}

void HeadlessDC::AbortDoc() {
    inDoc_ = inPage_ = false;
    docAborted_ = true;
}

bool HeadlessDC::StartPage() {
    if (!printing_) return true;
    if (!inDoc_ || inPage_) return false;
    inPage_ = true;
    pages_.emplace_back();
    return true;
}

bool HeadlessDC::EndPage() {
    if (!printing_) return true;
    if (!inPage_) return false;
    inPage_ = false;
    return true;
}

void HeadlessDC::ClearRecords() {
    pages_.clear();
    if (!printing_) pages_.emplace_back();
}

}  // namespace platform
