#include "platform/Dialog.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "platform/App.h"
#include "platform/Exchange.h"
#include "platform/MessageBox.h"

namespace platform {

std::string ControlLabelKey(const std::string& label) {
    std::string key;
    for (unsigned char c : label) {
        if (c == '&') continue;
        key += static_cast<char>(c < 0x80 ? std::tolower(c) : c);
    }
    while (!key.empty() && (key.back() == ':' || key.back() == ' ')) key.pop_back();
    while (!key.empty() && key.front() == ' ') key.erase(key.begin());
    return key;
}

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x < 0x80 && y < 0x80 ? std::tolower(x) != std::tolower(y) : x != y) return false;
    }
    return true;
}

bool HasList(ControlKind k) {
    return k == ControlKind::DropDown || k == ControlKind::DropList || k == ControlKind::ListBox;
}

bool HasText(ControlKind k) {
    return k == ControlKind::Edit || k == ControlKind::NumberEdit || k == ControlKind::DropDown;
}

int ParseBool(std::string v) {
    v = ControlLabelKey(v);
    if (v == "1" || v == "yes" || v == "on" || v == "true" || v == "checked") return 1;
    if (v == "0" || v == "no" || v == "off" || v == "false" || v == "unchecked") return 0;
    return -1;
}

int FindItem(const std::vector<std::string>& items, const std::string& text) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == text) return static_cast<int>(i);
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameIgnoringCase(items[i], text)) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

Dialog::Dialog(DialogDecl decl) : decl_(std::move(decl)), caption_(decl_.caption) {}

Dialog::~Dialog() = default;

void Dialog::BuildControls() {
    controls_.clear();
    for (const ControlDecl& s : decl_.controls) {
        ControlState c;
        c.decl = s;
        c.enabled = !s.disabled;
        c.items = s.items;
        if (!HasText(s.kind)) c.text = s.label;
        controls_.push_back(std::move(c));
    }
}

int Dialog::RunModal() {
    BuildControls();
    caption_ = decl_.caption;
    ended_ = false;
    result_ = kIdCancel;
    focus_ = 0;
    running_ = true;
    OnInit();
    if (!ended_) {
        if (App* app = App::Current()) {
            app->GetUi().RunDialog(*this);
        } else {
            OnCancel();
        }
        if (!ended_) End(kIdCancel);  // a backend always ends the run
    }
    running_ = false;
    return result_;
}

bool Dialog::OnInit() {
    ExchangeData(false);
    return true;
}

void Dialog::OnOk() {
    if (ExchangeData(true)) End(kIdOk);
}

void Dialog::OnCancel() { End(kIdCancel); }
void Dialog::OnButton(int) {}
void Dialog::OnSelChange(int) {}
void Dialog::OnEditChange(int) {}
void Dialog::DoDataExchange(Exchange&) {}

bool Dialog::ExchangeData(bool save) {
    Exchange dx(*this, save);
    DoDataExchange(dx);
    if (dx.Failed()) {
        ShowMessage(dx.FailureText(), MessageStyle{Buttons::Ok, Icon::Warning, 0});
        if (dx.FailedControl() != 0) focus_ = dx.FailedControl();
        return false;
    }
    return true;
}

void Dialog::End(int result) {
    result_ = result;
    ended_ = true;
}

void Dialog::SetCaption(std::string caption) { caption_ = std::move(caption); }

ControlState* Dialog::Control(int id) {
    for (ControlState& c : controls_) {
        if (c.decl.id == id) return &c;
    }
    return nullptr;
}

const ControlState* Dialog::Control(int id) const {
    for (const ControlState& c : controls_) {
        if (c.decl.id == id) return &c;
    }
    return nullptr;
}

ControlState* Dialog::ControlByLabel(const std::string& label) {
    for (ControlState& c : controls_) {
        if (c.decl.kind != ControlKind::Static && c.decl.label == label) return &c;
    }
    std::string key = ControlLabelKey(label);
    for (ControlState& c : controls_) {
        if (c.decl.kind != ControlKind::Static && ControlLabelKey(c.decl.label) == key) return &c;
    }
    return nullptr;
}

std::string Dialog::GetItemText(int id) const {
    const ControlState* c = Control(id);
    return c ? c->text : std::string();
}

void Dialog::SetItemText(int id, std::string text) {
    ControlState* c = Control(id);
    if (!c) return;
    if (c->decl.kind == ControlKind::DropDown) c->selection = FindItem(c->items, text);
    c->text = std::move(text);
}

std::optional<long> Dialog::GetItemInt(int id) const {
    const ControlState* c = Control(id);
    if (!c) return std::nullopt;
    const char* s = c->text.c_str();
    while (*s == ' ' || *s == '\t') ++s;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(s, &end, 10);
    if (end == s || errno == ERANGE) return std::nullopt;
    while (*end == ' ' || *end == '\t') ++end;
    if (*end != '\0') return std::nullopt;
    return v;
}

void Dialog::SetItemInt(int id, long value) { SetItemText(id, std::to_string(value)); }

bool Dialog::IsChecked(int id) const {
    const ControlState* c = Control(id);
    return c && c->checked;
}

void Dialog::SetCheck(int id, bool checked) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        ControlState& c = controls_[i];
        if (c.decl.id != id) continue;
        c.checked = checked;
        if (c.decl.kind == ControlKind::Radio && checked) {
            // Uncheck the other radios of the run of controls forming the group.
            std::size_t a = i, b = i;
            auto same = [&](std::size_t k) {
                return controls_[k].decl.kind == ControlKind::Radio && controls_[k].decl.group == c.decl.group;
            };
            while (a > 0 && same(a - 1)) --a;
            while (b + 1 < controls_.size() && same(b + 1)) ++b;
            for (std::size_t k = a; k <= b; ++k) {
                if (k != i) controls_[k].checked = false;
            }
        }
        return;
    }
}

int Dialog::CheckedRadio(int firstId) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (controls_[i].decl.id != firstId || controls_[i].decl.kind != ControlKind::Radio) continue;
        int group = controls_[i].decl.group;
        for (std::size_t k = i; k < controls_.size(); ++k) {
            if (controls_[k].decl.kind != ControlKind::Radio || controls_[k].decl.group != group) break;
            if (controls_[k].checked) return static_cast<int>(k - i);
        }
        return -1;
    }
    return -1;
}

void Dialog::EnableItem(int id, bool enabled) {
    if (ControlState* c = Control(id)) c->enabled = enabled;
}

bool Dialog::IsItemEnabled(int id) const {
    const ControlState* c = Control(id);
    return c && c->enabled;
}

void Dialog::ShowItem(int id, bool visible) {
    if (ControlState* c = Control(id)) c->visible = visible;
}

int Dialog::AddString(int id, std::string text) {
    ControlState* c = Control(id);
    if (!c || !HasList(c->decl.kind)) return -1;
    c->items.push_back(std::move(text));
    return static_cast<int>(c->items.size()) - 1;
}

void Dialog::ResetContent(int id) {
    ControlState* c = Control(id);
    if (!c || !HasList(c->decl.kind)) return;
    c->items.clear();
    c->selection = -1;
    if (c->decl.kind != ControlKind::ListBox) c->text.clear();
}

int Dialog::GetCount(int id) const {
    const ControlState* c = Control(id);
    return c && HasList(c->decl.kind) ? static_cast<int>(c->items.size()) : 0;
}

int Dialog::GetCurSel(int id) const {
    const ControlState* c = Control(id);
    return c && HasList(c->decl.kind) ? c->selection : -1;
}

bool Dialog::SetCurSel(int id, int index) {
    ControlState* c = Control(id);
    if (!c || !HasList(c->decl.kind)) return false;
    if (index < -1 || index >= static_cast<int>(c->items.size())) {
        c->selection = -1;
        return false;
    }
    c->selection = index;
    if (c->decl.kind != ControlKind::ListBox) c->text = index >= 0 ? c->items[static_cast<std::size_t>(index)] : "";
    return true;
}

std::string Dialog::GetItemString(int id, int index) const {
    const ControlState* c = Control(id);
    if (!c || index < 0 || index >= static_cast<int>(c->items.size())) return "";
    return c->items[static_cast<std::size_t>(index)];
}

void Dialog::NextControl(bool previous) {
    if (controls_.empty()) return;
    int n = static_cast<int>(controls_.size());
    int at = -1;
    for (int i = 0; i < n; ++i) {
        if (controls_[static_cast<std::size_t>(i)].decl.id == focus_) at = i;
    }
    for (int step = 1; step <= n; ++step) {
        int k = ((at < 0 ? 0 : at) + (previous ? -step : step) % n + n) % n;
        const ControlState& c = controls_[static_cast<std::size_t>(k)];
        if (c.enabled && c.visible && c.decl.kind != ControlKind::Static) {
            focus_ = c.decl.id;
            return;
        }
    }
}

bool Dialog::UserSetValue(ControlState& c, const std::string& value, std::string& why) {
    if (!c.enabled || !c.visible) {
        why = "control is disabled";
        return false;
    }
    int id = c.decl.id;
    switch (c.decl.kind) {
    case ControlKind::NumberEdit:
        for (std::size_t i = 0; i < value.size(); ++i) {
            unsigned char ch = static_cast<unsigned char>(value[i]);
            if (!std::isdigit(ch) && !(i == 0 && ch == '-')) {
                why = "only digits can be typed here";
                return false;
            }
        }
        [[fallthrough]];
    case ControlKind::Edit:
        c.text = value;
        if (c.decl.limit > 0 && c.text.size() > static_cast<std::size_t>(c.decl.limit)) c.text.resize(static_cast<std::size_t>(c.decl.limit));
        focus_ = id;
        OnEditChange(id);
        return true;
    case ControlKind::Check:
    case ControlKind::Radio: {
        int b = ParseBool(value);
        if (b < 0) {
            why = "expected 1 or 0";
            return false;
        }
        if (c.decl.kind == ControlKind::Radio && b) SetCheck(id, true);
        else c.checked = b != 0;
        focus_ = id;
        OnSelChange(id);
        return true;
    }
    case ControlKind::DropDown:
    case ControlKind::DropList:
    case ControlKind::ListBox: {
        int index = FindItem(c.items, value);
        focus_ = id;
        if (index >= 0) {
            c.selection = index;
            if (c.decl.kind != ControlKind::ListBox) c.text = c.items[static_cast<std::size_t>(index)];
            OnSelChange(id);
            return true;
        }
        if (c.decl.kind == ControlKind::DropDown) {
            c.selection = -1;
            c.text = value;
            if (c.decl.limit > 0 && c.text.size() > static_cast<std::size_t>(c.decl.limit)) c.text.resize(static_cast<std::size_t>(c.decl.limit));
            OnEditChange(id);
            return true;
        }
        why = "no item '" + value + "' in the list";
        return false;
    }
    case ControlKind::Button:
    case ControlKind::Static:
        break;
    }
    why = "this control takes no value";
    return false;
}

bool Dialog::UserPress(int id) {
    const ControlState* c = Control(id);
    if (c && (c->decl.kind != ControlKind::Button || !c->enabled || !c->visible)) return false;
    if (!c && id != kIdOk && id != kIdCancel) return false;
    if (id == kIdOk) OnOk();
    else if (id == kIdCancel) OnCancel();
    else OnButton(id);
    return true;
}

}  // namespace platform
