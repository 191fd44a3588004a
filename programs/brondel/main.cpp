// Brondel: the image generator of the 495/496 family.
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/ImageParams.h"

int main(int argc, char** argv) {
    GenModel model;
    model.name = "Brondel";
    model.version = "5.4.10";
    model.programFile = "brondel";
    model.compileModes = {{kModeCompileSua, kModeTexts[kModeCompileSua].comboText},
                          {kModeCompileTcc, kModeTexts[kModeCompileTcc].comboText},
                          {kModeCompileApr, kModeTexts[kModeCompileApr].comboText}};
    model.imageParams = &ImageParams496;
    return RunImageGenerator(std::move(model), argc, argv);
}
