// Quenmar: the image generator of the GPS III Pilot.
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/ImageParams.h"

int main(int argc, char** argv) {
    GenModel model;
    model.name = "Quenmar";
    model.version = "5.4.10";
    model.programFile = "quenmar";
    model.compileModes = {{kModeCompileSua, kModeTexts[kModeCompileSua].comboText},
                          {kModeCompileTcc, kModeTexts[kModeCompileTcc].comboText}};
    model.imageParams = &ImageParamsIIIPilot;
    return RunImageGenerator(std::move(model), argc, argv);
}
