// Kestrane: the aeronautical database manager.
#include "manager/KestraneApp.h"

int main(int argc, char** argv) {
    CKestraneApp app;
    return app.Main(argc, argv);
}
