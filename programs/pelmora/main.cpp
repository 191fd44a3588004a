// Pelmora: the image generator of the 195/196/295/296/96/396 and iQue 3600a family.
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/ImageParams.h"

int main(int argc, char** argv) {
    GenModel model;
    model.name = "Pelmora";
    model.version = "5.4.10";
    model.programFile = "pelmora";
    model.compileModes = {{kModeCompileSua, kModeTexts[kModeCompileSua].comboText},
                          {kModeCompileTcc, kModeTexts[kModeCompileTcc].comboText},
                          {kModeCompileApr, kModeTexts[kModeCompileApr].comboText}};
    model.imageParams = &ImageParams195;
    return RunImageGenerator(std::move(model), argc, argv);
}
