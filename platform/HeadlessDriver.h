// The test driver of the headless backend: the statements of platform/DriverScript.h run on
// the program's frames and views whenever the headless loop would otherwise end. A shot writes
// NAME.txt only: the texts every view of the main window draws when painted whole.
#pragma once

#include <string>

#include "platform/DriverScript.h"

namespace platform {

class App;
class HeadlessUi;

class HeadlessDriver {
public:
    explicit HeadlessDriver(HeadlessUi& ui) : ui_(ui) {}
    bool Load(const std::string& path, std::string& error) { return script_.Load(path, error); }
    bool Parse(const std::string& text, const std::string& name, std::string& error) {
        return script_.Parse(text, name, error);
    }
    bool HasWork() const { return script_.HasWork(); }
    void RunNext(App& app);

private:
    void Shot(App& app, const DriverStatement& s);
    void Command(App& app, const DriverStatement& s);
    void Click(App& app, const DriverStatement& s);

    HeadlessUi& ui_;
    DriverScript script_;
};

}  // namespace platform
