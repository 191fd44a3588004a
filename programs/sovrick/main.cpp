// Sovrick: the image generator of the 92/190 family.
#include "gen/shell/CGenApp.h"
#include "genmodels/Sovrick92.h"

int main(int argc, char** argv) {
    GenModel model;
    InstallSovrick(model);
    CGenApp app(std::move(model));
    return app.Main(argc, argv);
}
