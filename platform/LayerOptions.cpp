#include "platform/LayerOptions.h"

#include <cstdlib>

namespace platform {

LayerOptionsResult TakeLayerOptions(std::vector<std::string>& args, LayerOptions& options) {
    LayerOptionsResult result;
    std::vector<std::string> rest;
    rest.reserve(args.size());
    bool scanning = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!scanning) {
            rest.push_back(a);
            continue;
        }
        if (a == "--") {
            scanning = false;
            rest.push_back(a);
        } else if (a == "--headless") {
            options.headless = true;
        } else if (a == "--answers") {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                result.ok = false;
                result.error = "--answers needs a file name";
                return result;
            }
            options.answersFile = args[++i];
        } else if (a.rfind("--answers=", 0) == 0) {
            options.answersFile = a.substr(10);
            if (options.answersFile.empty()) {
                result.ok = false;
                result.error = "--answers needs a file name";
                return result;
            }
        } else {
            rest.push_back(a);
        }
    }
    args = std::move(rest);
    return result;
}

const std::vector<SwitchDecl>& LayerOptionDecls() {
    static const std::vector<SwitchDecl> decls = {
        {"--headless", SwitchValue::None, "", "no windows: dialogs take scripted answers, lines go to standard output"},
        {"--answers", SwitchValue::Next, "FILE", "the scripted answers of dialogs and message boxes"},
        {"--help", SwitchValue::None, "", "print this help and exit"},
        {"--version", SwitchValue::None, "", "print the program's name and version and exit"},
    };
    return decls;
}

bool NoDisplayAvailable() {
    const char* x = std::getenv("DISPLAY");
    const char* w = std::getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(w && *w);
}

}  // namespace platform
