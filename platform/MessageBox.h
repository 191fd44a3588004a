// Message boxes: text, buttons, icon, default button; the result is the
// button pressed (kIdOk, kIdCancel, kIdYes, kIdNo, kIdAbort, kIdRetry, kIdIgnore).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DialogDecl.h"

namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, AbortRetryIgnore, RetryCancel };
enum class Icon { None, Error, Question, Warning, Information };

struct MessageStyle {
    Buttons buttons = Buttons::Ok;
    Icon icon = Icon::None;
    int defaultButton = 0;  // 0-based position among the buttons
};

// Button ids of a style in display order ("Yes", "No", "Cancel" ...).
std::vector<int> ButtonIds(Buttons buttons);
// "OK", "Cancel", "Yes", "No", "Abort", "Retry", "Ignore"; empty for others.
std::string ButtonName(int id);
// Id of a button name (ignoring case), 0 when unknown.
int ButtonIdFromName(std::string_view name);
// The id of the style's default button (the first when out of range).
int DefaultButtonId(const MessageStyle& style);

// Shows a message box through the running application's backend with the
// application's name as caption. Without an App: writes the text to
// standard error and returns the default button.
int ShowMessage(std::string_view text, MessageStyle style = {});
int ShowMessage(std::string_view text, std::string_view caption, MessageStyle style);

}  // namespace platform
