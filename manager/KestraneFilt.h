// The Filters Setup dialog (View > Filters, F2): country, ident prefix and name prefix.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Dialog.h"

class CKestraneFilt : public platform::Dialog {
public:
    static constexpr int kResourceId = 1014;
    static constexpr int kCountry = 1000;
    static constexpr int kIcao = 1001;
    static constexpr int kName = 1002;

    CKestraneFilt();
    bool OnInit() override;
    void OnOk() override;

private:
    std::vector<int32_t> countries_;  // item data: country record numbers
};

// Runs the dialog; on OK the filters change and every open window is listed afresh.
void RunFiltersSetup();
