// Trevossa: lists and converts the obstacle and VRP data of the unit maker's database files.
#include "sidedata/obstacles/CTrevossaApp.h"

int main(int argc, char** argv) {
    obstacles::CTrevossaApp app;
    return app.Main(argc, argv);
}
