// The generator's side of the image-file operations' user interface: message boxes, lines in
// the listing, and the control-file run.
#pragma once

#include "gen/image/ImageFileUi.h"

class CGenApp;

class AppImageFileUi : public ImageFileUi {
public:
    explicit AppImageFileUi(CGenApp& app) : app_(app) {}
    void Message(const std::string& text) override;
    bool Question(const std::string& text) override;
    void AddLine(const std::string& text) override;
    bool ControlFileRun() const override;

private:
    CGenApp& app_;
};
