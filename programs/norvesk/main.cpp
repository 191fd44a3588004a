// Norvesk: the USB transfer program.
#include "transfer/usb/CUsbApp.h"

int main(int argc, char** argv) {
    CUsbApp app;
    return app.Main(argc, argv);
}
