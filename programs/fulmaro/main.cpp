// Fulmaro: the image generator of the GPS 89.
#include "gen/shell/CGenApp.h"
#include "genmodels/Fulmaro89.h"

int main(int argc, char** argv) {
    GenModel model;
    InstallFulmaro(model);
    CGenApp app(std::move(model));
    return app.Main(argc, argv);
}
