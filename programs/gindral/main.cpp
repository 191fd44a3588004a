// Gindral: the FLARM aircraft database converter.
#include "sidedata/flarm/CflarmApp.h"

int main(int argc, char** argv) {
    CflarmApp app;
    return app.Main(argc, argv);
}
