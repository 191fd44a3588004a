// Wistrel: the serial transfer program.
#include "transfer/serial/CComApp.h"

int main(int argc, char** argv) {
    CComApp app;
    return app.Main(argc, argv);
}
