#include "manager/KestraneFilt.h"

#include <cctype>
#include <cstring>

#include "common/IdentDigits.h"
#include "dblib/KestraneDatabase.h"
#include "manager/KestraneApp.h"
#include "manager/LineFormats.h"
#include "manager/ManagerSettings.h"

namespace {

platform::DialogDecl FiltersDecl() {
    using namespace platform;
    return {CKestraneFilt::kResourceId,
            "Filters Setup",
            {DropListControl(CKestraneFilt::kCountry, "Country"), EditControl(CKestraneFilt::kIcao, "Icao Filter", 8),
             EditControl(CKestraneFilt::kName, "Name Filter", 31), ButtonControl(kIdOk, "OK", true),
             ButtonControl(kIdCancel, "Cancel")}};
}

}  // namespace

CKestraneFilt::CKestraneFilt() : platform::Dialog(FiltersDecl()) {}

bool CKestraneFilt::OnInit() {
    dfCOUNTRY& country = *KestraneDb().country;
    country.SelectIndex("csno");
    (void)country.Rewind();
    while (country.Next(1) == 0) {
        countries_.push_back(country.csno);
        const int32_t number = country.csno;
        AddString(kCountry, GetCountryText(number));
        if (number == Manager().countryFilter) SetCurSel(kCountry, static_cast<int>(countries_.size()) - 1);
    }
    char ident[9] = {};
    std::strncpy(ident, Manager().identFilter.c_str(), 8);
    DecodeIdentDigits(ident);
    SetItemText(kIcao, ident);
    SetItemText(kName, Manager().nameFilter);
    return true;
}

void CKestraneFilt::OnOk() {
    const int row = GetCurSel(kCountry);
    ManagerSettings& m = Manager();
    m.countryFilter = row >= 0 && row < static_cast<int>(countries_.size()) ? countries_[static_cast<size_t>(row)] : -1;
    std::string ident = GetItemText(kIcao).substr(0, 8);
    for (char& c : ident) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    char stored[9] = {};
    std::strncpy(stored, ident.c_str(), 8);
    EncodeIdentDigits(stored);
    m.identFilter = stored;
    m.nameFilter = GetItemText(kName);
    End(platform::kIdOk);
}

void RunFiltersSetup() {
    CKestraneFilt dialog;
    if (dialog.RunModal() == platform::kIdOk) UpdateAllRecordViews(0);
}
