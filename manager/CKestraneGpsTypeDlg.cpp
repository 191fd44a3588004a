#include "manager/CKestraneGpsTypeDlg.h"

#include <cstring>

const GpsTypeRow kGpsTypeRows[10] = {{"12/45", 41},   {"89/90/95", 45},  {"195", 48},     {"III Pilot", 71},
                                     {"92/190", 112}, {"295", 128},      {"196/296", 145}, {"96/96C", 364},
                                     {"396/496/696", 402}, {"Aera", 1063}};

namespace {

platform::DialogDecl GpsTypeDecl() {
    using namespace platform;
    std::vector<std::string> rows;
    for (const GpsTypeRow& row : kGpsTypeRows) rows.emplace_back(row.text);
    return {CKestraneGpsTypeDlg::kResourceId,
            "Select GPS Type",
            {StaticControl("Different GPS models require different file formats."),
             DropListControl(CKestraneGpsTypeDlg::kModel, "Required Format", rows),
             CheckControl(CKestraneGpsTypeDlg::kDoNotAsk, "Do not ask again"), ButtonControl(kIdOk, "OK", true),
             ButtonControl(kIdCancel, "Cancel")}};
}

}  // namespace

CKestraneGpsTypeDlg::CKestraneGpsTypeDlg() : platform::Dialog(GpsTypeDecl()) {}

bool CKestraneGpsTypeDlg::OnInit() {
    for (int i = 0; i < GetCount(kModel); ++i) {
        if (GetItemString(kModel, i) == "196/296") SetCurSel(kModel, i);
    }
    return true;
}

void CKestraneGpsTypeDlg::OnOk() {
    const int row = GetCurSel(kModel);
    model = row >= 0 ? GetItemString(kModel, row) : "";
    doNotAsk = IsChecked(kDoNotAsk);
    End(platform::kIdOk);
}

ExchangeState& Exchange() {
    static ExchangeState state;
    return state;
}

const char* GpsTypeText(int format) { return format >= 1 && format <= 10 ? kGpsTypeRows[format - 1].text : ""; }

int SelectGpsType() {
    ExchangeState& state = Exchange();
    if (state.rememberedFormat != 0) {
        state.format = state.rememberedFormat;
        state.productId = state.rememberedProductId;
        return state.format;
    }
    for (;;) {
        CKestraneGpsTypeDlg dialog;
        if (dialog.RunModal() != platform::kIdOk) return 0;
        for (int format = 1; format <= 10; ++format) {
            const GpsTypeRow& row = kGpsTypeRows[format - 1];
            if (dialog.model != row.text) continue;
            state.format = format;
            state.productId = row.productId;
            if (dialog.doNotAsk) {
                state.rememberedFormat = format;
                state.rememberedProductId = row.productId;
            }
            return format;
        }
    }
}
