#include "gen/listing/ListingSession.h"

#include <map>

#include "common/CLocale.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"

namespace {

std::map<const OperationContext*, std::unique_ptr<ListingSession>>& Sessions() {
    static std::map<const OperationContext*, std::unique_ptr<ListingSession>> sessions;
    return sessions;
}

const GenSettings& SettingsOf(const OperationContext& context) {
    static const GenSettings defaults;
    return context.settings ? *context.settings : defaults;
}

// Looks every name pointer of the APT, NDB, VOR and SUA records up in the list of name starts;
// the first one that is not found is reported and ends the check.
void CheckNamePointers(const ImageReader& reader, const InfoLineSink& lines) {
    const ImageInfo& info = reader.Info();
    const ImageParams& params = reader.Params();
    uint8_t record[kMaxImageRecord];
    for (int s = 0; s < kSectionCount; ++s) {
        const SectionParams& section = params.sections[s];
        if (!section.hasNames) continue;
        for (uint32_t n = 0; n < reader.RecordCount(s); ++n) {
            if (!reader.ReadRecord(s, n, record)) return;
            for (NameField field : {NameField::Facility, NameField::City}) {
                const NamePosition name = GetNamePointer(params, section, field, record);
                if (NameIndexFromPointer(info, name, lines) == kNameIndexCorrupt) return;
            }
        }
    }
    const AirspaceLayouts& air = reader.Airspace();
    for (uint32_t n = 0; n < reader.SuaCount(); ++n) {
        if (!reader.ReadSua(n, record)) return;
        for (const AirspaceNameSlot* field : {&SuaAgencyName(air), &SuaAreaName(air)}) {
            if (NameIndexFromPointer(info, AirspaceName(params, *field, record), lines) == kNameIndexCorrupt) return;
        }
    }
}

}  // namespace

ListingSession* FindListingSession(const OperationContext& context) {
    auto it = Sessions().find(&context);
    return it == Sessions().end() ? nullptr : it->second.get();
}

void CloseListingSource(const OperationContext& context) { Sessions().erase(&context); }

ListingFlags ListingFlagsOf(const OperationContext& context, bool dump, bool decimal) {
    const GenSettings& s = SettingsOf(context);
    ListingFlags f;
    f.recordNumbers = s.recordNumbers != 0;
    f.debugLevel = s.debugLevel;
    f.extraLevel = s.extraDebugLevel;
    f.rawReferences = s.rawReferenceSwitch != 0;
    f.dump = dump || context.listingDump;
    f.decimal = decimal;
    return f;
}

void ShowImageInfo(OperationContext& context) {
    auto session = std::make_unique<ListingSession>();
    ListingSession& s = *session;
    Sessions()[&context] = std::move(session);
    context.countryNumber = -1;
    const Image* image = context.image;
    if (!image || !image->IsOpen()) {
        if (!context.imageName.empty()) context.AddLine("Cannot read image file " + context.imageName);
        return;
    }
    const GenSettings& settings = SettingsOf(context);
    const InfoLineSink lines = [&context](const std::string& text) { context.AddLine(text); };
    auto info = std::make_unique<ImageInfo>(image->Params());
    if (ImageResult r = LoadImageInfo(*image, settings.debugLevel, info.get(), lines); !r) {
        context.AddLine(r.text);
        context.AddLine("");
        return;
    }
    s.info = std::move(info);
    s.reader = std::make_unique<ImageReader>(*image, *s.info);
    // Listings read every record, many more than once: serve them from memory.
    s.reader->LoadIntoMemory();
    if (settings.debugLevel) CheckNamePointers(*s.reader, lines);
    context.AddLine(s.info->SizeLine());
    context.AddLine("");
    s.filter = ListingFilter::From(settings, *s.info);
    context.countryNumber = s.filter.countryIndex;
}
