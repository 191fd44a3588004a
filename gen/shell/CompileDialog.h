// The compile dialog: optional limits of Create Image and the airspace compilers (maximum
// base, limit rectangle corners, brief airports).
#pragma once

#include <string>

#include "platform/Dialog.h"

constexpr int kIdCompileMaxBase = 1000;
constexpr int kIdCompilePrompt = 1004;
constexpr int kIdCompileBrief = 1005;

class CompileDialog : public platform::Dialog {
public:
    CompileDialog();
    std::string caption;     // "Optional Filters for %s"
    std::string prompt;
    std::string maxBase;
    std::string southWest;
    std::string northEast;
    bool briefApts = true;
    bool maxBaseEnabled = false;
    bool briefEnabled = false;

    bool OnInit() override;
    void DoDataExchange(platform::Exchange& dx) override;
};
