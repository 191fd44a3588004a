// Select GPS Type: which unit an export is for, hence its GAR waypoint format or GPX; and the
// run-wide exchange state it sets.
#pragma once

#include <cstdint>

#include "platform/Dialog.h"

class CKestraneGpsTypeDlg : public platform::Dialog {
public:
    static constexpr int kResourceId = 1021;
    static constexpr int kModel = 1044;
    static constexpr int kDoNotAsk = 1045;

    CKestraneGpsTypeDlg();
    bool OnInit() override;
    void OnOk() override;

    std::string model;
    bool doNotAsk = false;
};

// A row of the question: its text, the product id written and the format (the row number).
struct GpsTypeRow {
    const char* text;
    uint16_t productId;
};
extern const GpsTypeRow kGpsTypeRows[10];

// The run-wide exchange state: the current format and product id, and the ones remembered by
// "Do not ask again".
struct ExchangeState {
    int format = 0;
    uint16_t productId = 0;
    int rememberedFormat = 0;
    uint16_t rememberedProductId = 0;
};
ExchangeState& Exchange();

// The chosen format (1-10), 0 when cancelled. A remembered format is taken without asking.
int SelectGpsType();
// The row text of a format (1-10).
const char* GpsTypeText(int format);
