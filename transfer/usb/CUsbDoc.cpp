#include "transfer/usb/CUsbDoc.h"

#include <string>

#include "transfer/common/TransferFile.h"

void CUsbDoc::AddLine(std::string_view text) {
    CComDoc::AddLine(text);
    if (echo_ && echo_->IsOpen()) {
        std::string line(text);
        line += "\r\n";
        echo_->Write(line.data(), line.size());
    }
}
