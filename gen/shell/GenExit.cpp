#include "gen/shell/GenExit.h"

#include <cstdlib>
#include <string>
#include <utility>

#include "platform/App.h"
#include "platform/MessageBox.h"

namespace {
std::function<void(int)>& ExitHandler() {
    static std::function<void(int)> handler;
    return handler;
}
}  // namespace

void SetGenExitHandler(std::function<void(int)> handler) { ExitHandler() = std::move(handler); }

void GenExit(int status) {
    if (ExitHandler()) ExitHandler()(status);
    if (platform::App* app = platform::App::Current()) app->GetUi().FinishOutput();
    std::exit(status);
}

void ProgramError(std::string_view text) {
    std::string message = "*** ";
    message.append(text);
    message += " ***";
    platform::ShowMessage(message, {platform::Buttons::Ok, platform::Icon::Error});
    GenExit(kExitFatal);
}
