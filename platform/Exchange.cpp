#include "platform/Exchange.h"

#include <climits>
#include <cstdio>

#include "platform/Dialog.h"

namespace platform {

void Exchange::Fail(int id, std::string text) {
    if (failed_) return;
    failed_ = true;
    failedControl_ = id;
    failure_ = std::move(text);
}

void Exchange::Text(int id, std::string& value, int maxLength) {
    if (failed_) return;
    if (!save_) {
        std::string shown = value;
        if (maxLength > 0 && shown.size() > static_cast<std::size_t>(maxLength)) shown.resize(static_cast<std::size_t>(maxLength));
        dialog_.SetItemText(id, std::move(shown));
        return;
    }
    std::string text = dialog_.GetItemText(id);
    if (maxLength > 0 && text.size() > static_cast<std::size_t>(maxLength)) {
        char buf[80];
        std::snprintf(buf, sizeof buf, "Please enter no more than %d characters.", maxLength);
        Fail(id, buf);
        return;
    }
    value = std::move(text);
}

void Exchange::Long(int id, long& value) {
    if (failed_) return;
    if (!save_) {
        dialog_.SetItemInt(id, value);
        return;
    }
    std::optional<long> v = dialog_.GetItemInt(id);
    if (!v) {
        Fail(id, "Please enter an integer.");
        return;
    }
    value = *v;
}

void Exchange::Int(int id, int& value) {
    if (failed_) return;
    long v = value;
    Long(id, v);
    if (!save_ || failed_) return;
    if (v < INT_MIN || v > INT_MAX) {
        Fail(id, "Please enter an integer.");
        return;
    }
    value = static_cast<int>(v);
}

void Exchange::UInt(int id, unsigned& value) {
    if (failed_) return;
    long v = static_cast<long>(value);
    Long(id, v);
    if (!save_ || failed_) return;
    if (v < 0 || static_cast<unsigned long>(v) > UINT_MAX) {
        Fail(id, "Please enter a positive integer.");
        return;
    }
    value = static_cast<unsigned>(v);
}

void Exchange::Range(int id, long value, long min, long max) {
    if (failed_ || !save_) return;
    if (value < min || value > max) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Please enter an integer between %ld and %ld.", min, max);
        Fail(id, buf);
    }
}

void Exchange::Check(int id, int& value) {
    if (failed_) return;
    if (save_) value = dialog_.IsChecked(id) ? 1 : 0;
    else dialog_.SetCheck(id, value != 0);
}

void Exchange::Check(int id, bool& value) {
    if (failed_) return;
    if (save_) value = dialog_.IsChecked(id);
    else dialog_.SetCheck(id, value);
}

void Exchange::Radio(int firstId, int& value) {
    if (failed_) return;
    if (save_) {
        value = dialog_.CheckedRadio(firstId);
        return;
    }
    // The radios of the group are the controls that follow firstId.
    auto& controls = dialog_.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        if (controls[i].decl.id != firstId || controls[i].decl.kind != ControlKind::Radio) continue;
        int group = controls[i].decl.group;
        for (std::size_t k = i; k < controls.size(); ++k) {
            if (controls[k].decl.kind != ControlKind::Radio || controls[k].decl.group != group) break;
            controls[k].checked = static_cast<int>(k - i) == value;
        }
        return;
    }
}

void Exchange::Index(int id, int& value) {
    if (failed_) return;
    if (save_) value = dialog_.GetCurSel(id);
    else dialog_.SetCurSel(id, value);
}

void Exchange::Choice(int id, std::string& value) {
    if (failed_) return;
    const ControlState* c = dialog_.Control(id);
    if (!c) return;
    if (save_) {
        if (c->decl.kind == ControlKind::DropDown) value = c->text;
        else value = dialog_.GetItemString(id, c->selection);
        return;
    }
    int found = -1;
    for (int i = 0; i < dialog_.GetCount(id); ++i) {
        if (dialog_.GetItemString(id, i) == value) {
            found = i;
            break;
        }
    }
    dialog_.SetCurSel(id, found);
    if (c->decl.kind == ControlKind::DropDown && found < 0) dialog_.SetItemText(id, value);
}

}  // namespace platform
