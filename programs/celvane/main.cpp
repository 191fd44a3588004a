// Celvane: the SD-card transfer program.
#include "transfer/sdcard/CCelvaneApp.h"

int main(int argc, char** argv) {
    CCelvaneApp app;
    return app.Main(argc, argv);
}
