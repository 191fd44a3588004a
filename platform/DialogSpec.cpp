#include "platform/DialogSpec.h"

namespace platform {

ControlSpec EditControl(int id, std::string label, int limit) {
    ControlSpec c;
    c.kind = ControlKind::Edit;
    c.id = id;
    c.label = std::move(label);
    c.limit = limit;
    return c;
}

ControlSpec NumberControl(int id, std::string label) {
    ControlSpec c = EditControl(id, std::move(label));
    c.kind = ControlKind::NumberEdit;
    return c;
}

ControlSpec CheckControl(int id, std::string label) {
    ControlSpec c;
    c.kind = ControlKind::Check;
    c.id = id;
    c.label = std::move(label);
    return c;
}

ControlSpec RadioControl(int id, std::string label, int group) {
    ControlSpec c = CheckControl(id, std::move(label));
    c.kind = ControlKind::Radio;
    c.group = group;
    return c;
}

ControlSpec DropDownControl(int id, std::string label, std::vector<std::string> items, int limit) {
    ControlSpec c;
    c.kind = ControlKind::DropDown;
    c.id = id;
    c.label = std::move(label);
    c.items = std::move(items);
    c.limit = limit;
    return c;
}

ControlSpec DropListControl(int id, std::string label, std::vector<std::string> items) {
    ControlSpec c = DropDownControl(id, std::move(label), std::move(items));
    c.kind = ControlKind::DropList;
    return c;
}

ControlSpec ListBoxControl(int id, std::string label, std::vector<std::string> items) {
    ControlSpec c = DropDownControl(id, std::move(label), std::move(items));
    c.kind = ControlKind::ListBox;
    return c;
}

ControlSpec ButtonControl(int id, std::string label, bool isDefault) {
    ControlSpec c;
    c.kind = ControlKind::Button;
    c.id = id;
    c.label = std::move(label);
    c.defaultButton = isDefault;
    return c;
}

ControlSpec StaticControl(std::string text, int id) {
    ControlSpec c;
    c.kind = ControlKind::Static;
    c.id = id;
    c.label = std::move(text);
    return c;
}

}  // namespace platform
