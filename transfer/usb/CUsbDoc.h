// The USB program's log document: the transfer programs' log, whose lines also go, each ended
// by CR LF, into the details file of a details-only run while that file is open.
#pragma once

#include <string_view>

#include "transfer/common/CComDoc.h"

class TransferFile;

class CUsbDoc : public CComDoc {
public:
    void AddLine(std::string_view text);
    // The file the lines are echoed into (null: none).
    void SetEcho(TransferFile* file) { echo_ = file; }

private:
    TransferFile* echo_ = nullptr;
};
