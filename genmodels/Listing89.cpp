#include "genmodels/Listing89.h"

#include "common/CLocale.h"
#include "gen/createisam/CreateIsamSource.h"
#include "gen/image/Image.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateIsam89.h"
#include "genmodels/ImageFile89.h"
#include "genmodels/OlderImageListing.h"

namespace {

// At a debug level the country table, the GEO section and the two kinds.
void ListSectionMap89(OperationContext& c, const IsamImageSource& src) {
    if (!c.settings || c.settings->debugLevel == 0) return;
    const ImageLayout& layout = src.Layout();
    c.AddLine(StringFormatC("CNT_ST=%lx,  RECS=%ld", static_cast<unsigned long>(layout.countryStart),
                            static_cast<long>(layout.countryCount)));
    uint32_t count = 0;
    uint32_t start = kAbsent89;
    if (c.image) GeoSection89(*c.image, &count, &start);
    c.AddLine(StringFormatC("GEO_ST=%lx,  RECS=%d", static_cast<unsigned long>(start), static_cast<int>(count)));
    for (int k : {kSectionApt, kSectionVor}) {
        const SectionDescriptor& d = layout.sections[k];
        c.AddLine(StringFormatC("%s:ST=%lx, RECS=%d, X1=%lx, X2=%lx", d.params->name,
                                static_cast<unsigned long>(d.recordsStart), static_cast<int>(d.recordCount),
                                static_cast<unsigned long>(d.infoStart), static_cast<unsigned long>(d.gridIndexStart)));
    }
}

std::string Counts89(const IsamImageSource& source) {
    const uint32_t apts = source.Section(kSectionApt).recordCount;
    const uint32_t vors = source.Section(kSectionVor).recordCount;
    return StringFormatC("(%d APTs, %d VORs, %d TOTAL)", static_cast<int>(apts), static_cast<int>(vors),
                         static_cast<int>(apts + vors));
}

// NAME-ID: the name without its trailing blanks, "-", the id; the record number in front when
// record numbers are shown.
std::string CountryLine89(const IsamImageSource& source, uint32_t n, bool recordNumbers) {
    std::string id;
    std::string name;
    source.Country(n, &id, &name);
    while (!name.empty() && name.back() == ' ') name.pop_back();
    const std::string text = name + "-" + id;
    return recordNumbers ? StringFormatC("%3ld: %s", static_cast<long>(n), text.c_str()) : text;
}

constexpr OlderListingFamily kFamily89 = {
    CheckImageRecords89, nullptr, nullptr, ListSectionMap89, Counts89, CountryLine89, AptElevation89, 8, false, true,
};

}  // namespace

void InstallListing89(GenModel& model) { InstallOlderImageListing(model, kFamily89); }
