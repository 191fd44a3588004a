#include "platform/DialogDecl.h"

namespace platform {

ControlDecl EditControl(int id, std::string label, int limit) {
    ControlDecl c;
    c.kind = ControlKind::Edit;
    c.id = id;
    c.label = std::move(label);
    c.limit = limit;
    return c;
}

ControlDecl NumberControl(int id, std::string label) {
    ControlDecl c = EditControl(id, std::move(label));
    c.kind = ControlKind::NumberEdit;
    return c;
}

ControlDecl CheckControl(int id, std::string label) {
    ControlDecl c;
    c.kind = ControlKind::Check;
    c.id = id;
    c.label = std::move(label);
    return c;
}

ControlDecl RadioControl(int id, std::string label, int group) {
    ControlDecl c = CheckControl(id, std::move(label));
    c.kind = ControlKind::Radio;
    c.group = group;
    return c;
}

ControlDecl DropDownControl(int id, std::string label, std::vector<std::string> items, int limit) {
    ControlDecl c;
    c.kind = ControlKind::DropDown;
    c.id = id;
    c.label = std::move(label);
    c.items = std::move(items);
    c.limit = limit;
    return c;
}

ControlDecl DropListControl(int id, std::string label, std::vector<std::string> items) {
    ControlDecl c = DropDownControl(id, std::move(label), std::move(items));
    c.kind = ControlKind::DropList;
    return c;
}

ControlDecl ListBoxControl(int id, std::string label, std::vector<std::string> items) {
    ControlDecl c = DropDownControl(id, std::move(label), std::move(items));
    c.kind = ControlKind::ListBox;
    return c;
}

ControlDecl ButtonControl(int id, std::string label, bool isDefault) {
    ControlDecl c;
    c.kind = ControlKind::Button;
    c.id = id;
    c.label = std::move(label);
    c.defaultButton = isDefault;
    return c;
}

ControlDecl StaticControl(std::string text, int id) {
    ControlDecl c;
    c.kind = ControlKind::Static;
    c.id = id;
    c.label = std::move(text);
    return c;
}

}  // namespace platform
