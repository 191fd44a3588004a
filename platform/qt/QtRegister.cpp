// Linked into every program: makes the Qt backend the window backend of the run.
#include "platform/qt/QtUi.h"

namespace {
const bool g_registered = [] {
    platform::qt::RegisterQtBackend();
    return true;
}();
}  // namespace
