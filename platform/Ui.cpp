#include "platform/Ui.h"

#include <cstdlib>

#include "platform/HeadlessUi.h"

namespace platform {
namespace {
UiFactory g_windowFactory = nullptr;
}

void SetWindowUiFactory(UiFactory factory) { g_windowFactory = factory; }

std::unique_ptr<Ui> CreateUi(bool headless, const std::string& answersFile, std::string& error) {
    if (!headless && g_windowFactory) {
        std::unique_ptr<Ui> ui = g_windowFactory(answersFile, error);
        if (ui) return ui;
        if (!error.empty()) return nullptr;
    }
    auto ui = std::make_unique<HeadlessUi>();
    if (!answersFile.empty() && !ui->LoadAnswers(answersFile, error)) return nullptr;
    if (const char* drive = std::getenv("SUITE_QT_DRIVE"); drive && *drive && !ui->LoadDriver(drive, error))
        return nullptr;
    return ui;
}

}  // namespace platform
