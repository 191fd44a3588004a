// Views draw a document through a DeviceContext and take the user's mouse and keys.
#pragma once

#include <memory>

#include "platform/Command.h"
#include "platform/Geometry.h"

namespace platform {

class DeviceContext;
class Document;
class Frame;
struct PrintInfo;

// Mouse and modifier flags passed with mouse events.
constexpr unsigned kMouseLeft = 0x0001;
constexpr unsigned kMouseRight = 0x0002;
constexpr unsigned kMouseShift = 0x0004;
constexpr unsigned kMouseCtrl = 0x0008;
constexpr unsigned kMouseMiddle = 0x0010;

class View : public CommandTarget {
public:
    View();
    ~View() override;  // leaves its document

    Document* GetDocument() const { return document_; }
    Frame* GetFrame() const { return frame_; }

    // Drawing of the visible part (clip box) in logical units.
    virtual void OnDraw(DeviceContext& dc) = 0;
    // Sets up a device context before drawing, measuring or printing; info is
    // non-null while printing. The base does nothing; ScrollView moves the
    // origin by the scroll position on the screen.
    virtual void OnPrepareDC(DeviceContext& dc, const PrintInfo* info);
    // The document changed (hint as given to UpdateAllViews); base: Invalidate.
    virtual void OnUpdate(View* sender, long hint);
    // Once, after the frame and view exist; base: OnUpdate(nullptr, 0).
    virtual void OnInitialUpdate();
    // Client area resized (device units).
    virtual void OnSize(int cx, int cy);

    virtual void OnLButtonDown(unsigned flags, Point point);
    virtual void OnLButtonUp(unsigned flags, Point point);
    virtual void OnLButtonDblClk(unsigned flags, Point point);
    virtual void OnMouseMove(unsigned flags, Point point);
    // Keys not bound to a command; true when used.
    virtual bool OnKeyDown(const Key& key);

    // Printing (the layer's print loop calls these, see Printing.h).
    // OnPreparePrinting: set the page range; false cancels.
    virtual bool OnPreparePrinting(PrintInfo& info);
    virtual void OnBeginPrinting(DeviceContext& dc, PrintInfo& info);
    // One page: info.currentPage; base calls OnDraw.
    virtual void OnPrint(DeviceContext& dc, PrintInfo& info);
    virtual void OnEndPrinting(DeviceContext& dc, PrintInfo& info);

    // Client area in device units (origin 0,0).
    Rect ClientRect() const;
    // Marks all or part (device units) of the client area for repainting.
    void Invalidate(bool erase = true);
    void InvalidateRect(const Rect& rect, bool erase = true);
    // Paints the invalid part now.
    void UpdateWindow();
    bool IsInvalid() const { return invalid_; }
    const Rect& InvalidRect() const { return invalidRect_; }
    // Paints the invalid part into dc (the backend calls this with its own
    // context); clears the invalid state.
    void Paint(DeviceContext& dc);

    // A screen context for measuring outside painting (like a window's DC),
    // already prepared with OnPrepareDC(dc, nullptr).
    std::unique_ptr<DeviceContext> GetDC();

    // Used by DocTemplate and Frame.
    void Attach(Document* document, Frame* frame);

private:
    Document* document_ = nullptr;
    Frame* frame_ = nullptr;
    bool invalid_ = false;
    Rect invalidRect_;
};

}  // namespace platform
