// Dallowen: the image generator of the 90/95 XL family.
#include "gen/shell/CGenApp.h"
#include "genmodels/Dallowen90.h"

int main(int argc, char** argv) {
    GenModel model;
    InstallDallowen(model);
    CGenApp app(std::move(model));
    return app.Main(argc, argv);
}
