// What the image-file operations (type check, joining halves, region files) need of the user
// interface: the generator's view supplies it, tests script it.
#pragma once

#include <string>

class ImageFileUi {
public:
    virtual ~ImageFileUi() = default;
    // A message box with the text.
    virtual void Message(const std::string& text) = 0;
    // A Yes/No message box; true on Yes.
    virtual bool Question(const std::string& text) = 0;
    // A line added to the listing.
    virtual void AddLine(const std::string& text) = 0;
    // True while a control-file section runs (GO state non-zero): no overwrite question.
    virtual bool ControlFileRun() const = 0;
};

// "Are you SURE you want to " followed by the text, as a Yes/No question.
inline bool ConfirmPrompt(ImageFileUi& ui, const std::string& text) {
    return ui.Question("Are you SURE you want to " + text);
}
