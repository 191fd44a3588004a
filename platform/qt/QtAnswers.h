// Scripted answers and screenshots of the Qt backend. With an answer file (--answers FILE)
// a dialog or message box that an answer matches is shown, filled in as a user would, and its
// button pressed; one that no answer matches waits for the user. With the environment
// variable SUITE_QT_SHOTS naming a folder, every answered window is saved there as a PNG
// before its button is pressed (NN-caption.png).
#pragma once

#include <QString>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Answers.h"

class QWidget;

namespace platform::qt {

class QtAnswers {
public:
    QtAnswers();

    bool Load(const std::string& path, std::string& error) { return queue_.Load(path, error); }
    void Add(ScriptedAnswer answer) { queue_.Add(std::move(answer)); }
    std::size_t Left() const { return queue_.Size(); }
    bool Take(const std::string& caption, const std::vector<std::string>& texts, ScriptedAnswer& out) {
        return queue_.Take(caption, texts, out);
    }
    // A problem with an answer, on standard error as the headless backend reports it.
    void Report(const std::string& text) const;

    // The answer's values for the controls of a window the layer did not declare (the file,
    // font and print dialogs), named by label or #id as in the headless backend's twin;
    // values for any other control are reported.
    struct NamedControl {
        const char* label;
        int id;
    };
    std::map<int, std::string> ValuesFor(const ScriptedAnswer& answer, const std::vector<NamedControl>& controls,
                                         const std::string& dialogName) const;

    // Folder of the screenshots (empty: none are taken).
    void SetShotFolder(std::string folder) { shotFolder_ = std::move(folder); }
    const std::string& ShotFolder() const { return shotFolder_; }
    // Saves the window as NN-<caption>.png; returns the path (empty when not saved).
    std::string ShotOfAnswered(QWidget& window);
    // Path in the shot folder for a file name (empty when there is no folder).
    std::string ShotPath(const std::string& name) const;

    // Once the modal window is up: apply() fills it in, the screenshot is taken when the
    // window has settled, then press() presses the answer's button.
    void WhenShown(QWidget& window, std::function<void()> apply, std::function<void()> press);

private:
    AnswerQueue queue_;
    std::string shotFolder_;
    int shots_ = 0;
};

}  // namespace platform::qt
