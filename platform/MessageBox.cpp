#include "platform/MessageBox.h"

#include <cctype>
#include <cstdio>

#include "platform/App.h"
#include "platform/Text1252.h"

namespace platform {

std::vector<int> ButtonIds(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok: return {kIdOk};
    case Buttons::OkCancel: return {kIdOk, kIdCancel};
    case Buttons::YesNo: return {kIdYes, kIdNo};
    case Buttons::YesNoCancel: return {kIdYes, kIdNo, kIdCancel};
    case Buttons::AbortRetryIgnore: return {kIdAbort, kIdRetry, kIdIgnore};
    case Buttons::RetryCancel: return {kIdRetry, kIdCancel};
    }
    return {kIdOk};
}

std::string ButtonName(int id) {
    switch (id) {
    case kIdOk: return "OK";
    case kIdCancel: return "Cancel";
    case kIdAbort: return "Abort";
    case kIdRetry: return "Retry";
    case kIdIgnore: return "Ignore";
    case kIdYes: return "Yes";
    case kIdNo: return "No";
    default: return "";
    }
}

int ButtonIdFromName(std::string_view name) {
    std::string key;
    for (unsigned char c : name) {
        if (c != '&') key += static_cast<char>(std::tolower(c));
    }
    for (int id = kIdOk; id <= kIdNo; ++id) {
        std::string n = ButtonName(id);
        for (char& c : n) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (n == key) return id;
    }
    return 0;
}

int DefaultButtonId(const MessageStyle& style) {
    std::vector<int> ids = ButtonIds(style.buttons);
    if (style.defaultButton < 0 || style.defaultButton >= static_cast<int>(ids.size())) return ids.front();
    return ids[static_cast<std::size_t>(style.defaultButton)];
}

int ShowMessage(std::string_view text, MessageStyle style) {
    App* app = App::Current();
    return ShowMessage(text, app ? std::string_view(app->AppName()) : std::string_view(), style);
}

int ShowMessage(std::string_view text, std::string_view caption, MessageStyle style) {
    if (App* app = App::Current()) return app->GetUi().ShowMessage(text, caption, style);
    std::fprintf(stderr, "%s\n", Utf8From1252(text).c_str());
    return DefaultButtonId(style);
}

}  // namespace platform
