// Dialogs declared as data: their caption and controls, rendered by each
// backend from the same declaration.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class ControlKind {
    Edit,        // text; limit = maximum length (0: none)
    NumberEdit,  // digits (and a leading '-') only
    Check,       // check box
    Radio,       // one of a group: the radios that follow each other with the
                 // same group number form the group
    DropDown,    // combo box with an edit part
    DropList,    // combo box choosing from its list only
    ListBox,
    Button,      // push button; ids kIdOk/kIdCancel close the dialog
    Static,      // text
};

// Standard control and result ids.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;
constexpr int kIdStatic = -1;  // static texts nobody addresses

struct ControlDecl {
    ControlKind kind = ControlKind::Static;
    int id = kIdStatic;
    std::string label;              // button/check/radio text, static text, or the
                                    // caption shown beside an edit, combo or list
    int limit = 0;                  // Edit/NumberEdit/DropDown: maximum length, 0 none
    int group = 0;                  // Radio: group number
    bool defaultButton = false;     // Button: pressed by Enter
    bool disabled = false;          // initially disabled
    std::vector<std::string> items; // DropDown/DropList/ListBox: initial items
};

struct DialogDecl {
    int resourceId = 0;
    std::string caption;
    std::vector<ControlDecl> controls;
};

// Builders, so declarations read as tables.
ControlDecl EditControl(int id, std::string label, int limit = 0);
ControlDecl NumberControl(int id, std::string label);
ControlDecl CheckControl(int id, std::string label);
ControlDecl RadioControl(int id, std::string label, int group);
ControlDecl DropDownControl(int id, std::string label, std::vector<std::string> items = {}, int limit = 0);
ControlDecl DropListControl(int id, std::string label, std::vector<std::string> items = {});
ControlDecl ListBoxControl(int id, std::string label, std::vector<std::string> items = {});
ControlDecl ButtonControl(int id, std::string label, bool isDefault = false);
ControlDecl StaticControl(std::string text, int id = kIdStatic);

}  // namespace platform
