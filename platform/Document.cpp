#include "platform/Document.h"

#include <algorithm>

#include "platform/App.h"
#include "platform/View.h"

namespace platform {

Document::Document() = default;

Document::~Document() {
    std::vector<View*> views = std::move(views_);
    views_.clear();
    for (View* v : views) v->Attach(nullptr, v->GetFrame());
}

void Document::UpdateAllViews(View* sender, long hint) {
    // Copy: a view may close during its update.
    std::vector<View*> views = views_;
    for (View* v : views) {
        if (v != sender) v->OnUpdate(sender, hint);
    }
}

void Document::EchoLine(std::string_view line) const {
    if (App* app = App::Current()) app->GetUi().EchoLine(line);
}

void Document::EchoReplacedLine(std::string_view line) const {
    if (App* app = App::Current()) app->GetUi().EchoReplacedLine(line);
}

void Document::AddView(View* view) {
    if (std::find(views_.begin(), views_.end(), view) == views_.end()) views_.push_back(view);
}

void Document::RemoveView(View* view) { std::erase(views_, view); }

}  // namespace platform
