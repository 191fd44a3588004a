// Tessily: the image generator of the 696 family.
#include "gen/shell/CGenApp.h"
#include "gen696/Tessily696.h"

int main(int argc, char** argv) {
    GenModel model;
    InstallTessily(model);
    CGenApp app(std::move(model));
    return app.Main(argc, argv);
}
