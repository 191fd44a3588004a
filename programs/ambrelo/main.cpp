// Ambrelo: the read-only viewer of the aeronautical database in the current folder.
#include "viewer/CAmbreloApp.h"

int main(int argc, char** argv) {
    CAmbreloApp app;
    return app.Main(argc, argv);
}
