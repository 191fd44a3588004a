#include "platform/View.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/DeviceContext.h"
#include "platform/Document.h"
#include "platform/Printing.h"

namespace platform {
namespace {
Ui* CurrentUi() {
    App* app = App::Current();
    return app ? &app->GetUi() : nullptr;
}
}  // namespace

View::View() = default;

View::~View() {
    if (document_) document_->RemoveView(this);
}

void View::Attach(Document* document, Frame* frame) {
    if (document_ != document) {
        if (document_) document_->RemoveView(this);
        document_ = document;
        if (document_) document_->AddView(this);
    }
    frame_ = frame;
}

void View::OnPrepareDC(DeviceContext&, const PrintInfo*) {}

void View::OnUpdate(View*, long) { Invalidate(); }

void View::OnInitialUpdate() { OnUpdate(nullptr, 0); }

void View::OnSize(int, int) {}
void View::OnLButtonDown(unsigned, Point) {}
void View::OnLButtonUp(unsigned, Point) {}
void View::OnLButtonDblClk(unsigned, Point) {}
void View::OnMouseMove(unsigned, Point) {}
bool View::OnKeyDown(const Key&) { return false; }

bool View::OnPreparePrinting(PrintInfo&) { return true; }
void View::OnBeginPrinting(DeviceContext&, PrintInfo&) {}
void View::OnPrint(DeviceContext& dc, PrintInfo&) { OnDraw(dc); }
void View::OnEndPrinting(DeviceContext&, PrintInfo&) {}

Rect View::ClientRect() const {
    Ui* ui = CurrentUi();
    return ui ? ui->ViewClientRect(*this) : Rect{0, 0, 800, 600};
}

void View::Invalidate(bool erase) { InvalidateRect(ClientRect(), erase); }

void View::InvalidateRect(const Rect& rect, bool) {
    Rect client = ClientRect();
    Rect r{std::max(rect.left, client.left), std::max(rect.top, client.top),
           std::min(rect.right, client.right), std::min(rect.bottom, client.bottom)};
    if (r.IsEmpty()) return;
    if (!invalid_) {
        invalidRect_ = r;
    } else {
        invalidRect_ = Rect{std::min(invalidRect_.left, r.left), std::min(invalidRect_.top, r.top),
                            std::max(invalidRect_.right, r.right), std::max(invalidRect_.bottom, r.bottom)};
    }
    invalid_ = true;
    if (Ui* ui = CurrentUi()) ui->ViewInvalidated(*this);
}

void View::UpdateWindow() {
    if (!invalid_) return;
    if (Ui* ui = CurrentUi()) ui->UpdateView(*this);
}

void View::Paint(DeviceContext& dc) {
    Rect clip = invalid_ ? invalidRect_ : ClientRect();
    invalid_ = false;
    dc.SetClipRect(clip);
    OnPrepareDC(dc, nullptr);
    OnDraw(dc);
}

std::unique_ptr<DeviceContext> View::GetDC() {
    Ui* ui = CurrentUi();
    if (!ui) return nullptr;
    std::unique_ptr<DeviceContext> dc = ui->CreateViewDC(*this);
    if (dc) OnPrepareDC(*dc, nullptr);
    return dc;
}

}  // namespace platform
