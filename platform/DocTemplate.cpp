#include "platform/DocTemplate.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/Document.h"
#include "platform/Frame.h"
#include "platform/View.h"

namespace platform {

struct DocTemplate::Instance {
    // Declaration order matters: the frame (with its views) goes first.
    std::unique_ptr<Document> document;
    std::unique_ptr<Frame> frame;
    ~Instance() {
        frame.reset();
        document.reset();
    }
};

DocTemplate::DocTemplate(Kind kind, unsigned resourceId, DocumentFactory makeDocument,
                         FrameFactory makeFrame, ViewFactory makeView, std::string title)
    : kind_(kind), resourceId_(resourceId), makeDocument_(std::move(makeDocument)),
      makeFrame_(std::move(makeFrame)), makeView_(std::move(makeView)), title_(std::move(title)) {
    if (title_.empty()) title_ = "Untitled";
}

DocTemplate::~DocTemplate() { CloseAll(); }

Document* DocTemplate::OpenNewDocument() {
    App* app = App::Current();
    if (kind_ == Kind::Single && !instances_.empty()) {
        Instance& inst = *instances_.front();
        if (!inst.document->OnNewDocument()) return nullptr;
        for (View* v : inst.document->Views()) v->OnInitialUpdate();
        return inst.document.get();
    }
    Frame* mainFrame = app ? app->MainFrame() : nullptr;
    if (kind_ == Kind::Multi && !mainFrame) return nullptr;

    auto inst = std::make_unique<Instance>();
    inst->document = makeDocument_();
    inst->frame = makeFrame_();
    std::unique_ptr<View> view = makeView_ ? makeView_() : nullptr;
    if (!inst->document || !inst->frame) return nullptr;
    inst->document->SetTemplate(this);
    inst->document->SetTitle(title_);
    Frame* frame = inst->frame.get();
    if (kind_ == Kind::Multi) mainFrame->AddChild(frame);
    if (view) {
        View* v = view.get();
        v->Attach(inst->document.get(), frame);
        frame->AddView(std::move(view));
        frame->SetActiveView(v);
    }
    if (!frame->Create(title_)) return nullptr;  // inst destroys frame, views, document
    if (kind_ == Kind::Single && app && !app->MainFrame()) app->SetMainFrame(frame);
    if (!inst->document->OnNewDocument()) return nullptr;
    if (kind_ == Kind::Multi) mainFrame->ActivateChild(frame);
    Document* doc = inst->document.get();
    instances_.push_back(std::move(inst));
    for (View* v : doc->Views()) v->OnInitialUpdate();
    return doc;
}

void DocTemplate::CloseDocument(Document* document) {
    auto it = std::find_if(instances_.begin(), instances_.end(),
                           [&](const auto& inst) { return inst->document.get() == document; });
    if (it == instances_.end()) return;
    std::unique_ptr<Instance> inst = std::move(*it);
    instances_.erase(it);
    inst.reset();
}

void DocTemplate::CloseAll() {
    while (!instances_.empty()) {
        std::unique_ptr<Instance> inst = std::move(instances_.back());
        instances_.pop_back();
        inst.reset();
    }
}

std::vector<Document*> DocTemplate::Documents() const {
    std::vector<Document*> docs;
    for (const auto& inst : instances_) docs.push_back(inst->document.get());
    return docs;
}

}  // namespace platform
