#include "genmodels/CreateImage89.h"

#include "common/CLocale.h"
#include "gen/batch/BatchDatabase.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/image/SerialMap.h"
#include "gen/image/Sumcheck.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateImage90.h"
#include "genmodels/CreateImage92.h"
#include "genmodels/ImageFile89.h"
#include "platform/MessageBox.h"

namespace {

using Step = CreateImageStep;

constexpr uint32_t kGeoPiece = 132;
inline constexpr const char* kGeoCorruptText = "GEO file \"db45/geo.dat\" corrupt or absent - ignoring";

std::string GeoPath(const OperationContext& c) {
    return (c.app ? c.app->GetDbFolder() : std::string(".")) + "/GEO.DAT";
}

// The GEO data that goes into the image: false without usable GEO.DAT.
bool ImageGeo(const OperationContext& c, GeoData89* geo) { return ReadGeoFile89(GeoPath(c), geo) == GeoFileState::Usable; }

ImageResult EncodeApt89(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    const AptRecord& a = b.apts[i];
    AptRecordInput in;
    in.ident = ImageIdent(a.aident);
    in.lat = a.alat;
    in.lon = a.along;
    in.afuel = a.afuel;
    in.aheight = a.aheight;
    if (ImageResult r = FindCountryIndex(b.cmap, a.acountry, &in.countryIndex); !r) return r;
    *ident = in.ident;
    return EncodeAptRecord89(b.params, in, out);
}

ImageResult EncodeVor89(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    const VorRecord& v = b.vors[i];
    VorRecordInput in;
    in.ident = ImageIdent(v.vident);
    in.lat = v.vlat;
    in.lon = v.vlong;
    in.vfreq = v.vfreq;
    in.vdme = v.vdme;
    if (ImageResult r = FindCountryIndex(b.cmap, v.vcountry, &in.countryIndex); !r) return r;
    *ident = in.ident;
    return EncodeVorRecord89(b.params, in, out);
}

}  // namespace

StepStatus InitialiseImageFile89(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) {
        for (int f = 0; f < kBatchFileCount; ++f) dbif_open(f);
        GeoData89 geo;
        const GeoFileState state = ReadGeoFile89(GeoPath(c), &geo);
        if (state == GeoFileState::Absent) ProgramError("db50/GEO.DAT absent");
        if (state == GeoFileState::Corrupt) platform::ShowMessage(kGeoCorruptText);
    }
    if (ImageResult r = b.image.PrefillBlock(c.calls); !r) return AbortCreateImage(c, r.text);
    if (c.calls + 1 < b.image.PrefillBlockCount()) return StepStatus::Again;
    b.image.Layout().SetFixed(false, false);
    InitBatchSerials(c.nextSerial);
    return StepStatus::Next;
}

StepStatus WriteAptRecords89(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) b.image.Layout().Compute();
    return WriteSectionRecords(c, b, kSectionApt, b.apts.size(), EncodeApt89);
}

StepStatus WriteVorRecords89(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionVor, b.vors.size(), EncodeVor89);
}

StepStatus WriteIndexes89(OperationContext& c, CreateImageBuild& b) { return WriteKindIndexes(c, b, false); }

StepStatus WriteImageHeader89(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) return StepStatus::Again;
    GeoData89 geo;
    Header89Input input;
    input.title = OperationTitle(c);
    input.date = TodayLocal();
    input.geo = ImageGeo(c, &geo) ? &geo : nullptr;
    uint32_t start = 0;
    if (ImageResult r = WriteImageHeader89(b.image, input, &start); !r) return Failed(c, r);
    c.calls = kImage89HeaderSize - 1;
    return StepStatus::Next;
}

StepStatus WriteGeoSection89(OperationContext& c, CreateImageBuild& b) {
    GeoData89 geo;
    if (ImageGeo(c, &geo) && !geo.records.empty()) {
        const ImageLayout& layout = b.image.Layout();
        const uint32_t start = layout.ImageEnd() - layout.appendedLength;
        if (ImageResult r = b.image.Write(start, geo.records.data(), geo.records.size()); !r) return Failed(c, r);
        // The progress counts the 132-byte pieces.
        c.calls += static_cast<uint32_t>((geo.records.size() - 1) / kGeoPiece);
    }
    return StepStatus::Next;
}

StepStatus CalcSumcheckByte89(OperationContext& c, CreateImageBuild& b) {
    const uint32_t end = b.image.Layout().ImageEnd();
    if (end > kImage89DataLimit) {
        platform::ShowMessage(StringFormatC("Please note image is %ld bytes too long - DO NOT USE",
                                            static_cast<long>(end - kImage89DataLimit)));
        return StepStatus::Next;
    }
    std::vector<uint8_t> data(kImage89Size);
    const long got = b.image.Read(0, data.data(), data.size());
    const uint8_t check = ChunkCheck(data.data(), got < 0 ? 0 : static_cast<size_t>(got), 1);
    if (ImageResult r = b.image.Write(0, &check, 1); !r) return Failed(c, r);
    return StepStatus::Next;
}

std::vector<CreateImageRow> CreateImageTable89() {
    return {
        {Step::Initialise, "Initialising image file", InitialiseImageFile89},
        {Step::ScanCountries, "Scanning countries", StepScanCountries},
        {Step::CountApts, "Counting APTS", CountApts92},
        {Step::ScanApts, "Scanning APTS", StepScanApts},
        {Step::CountVors, "Counting VORS", CountVors92},
        {Step::FlagCountries, "Flagging unused country records", StepFlagCountries},
        {Step::WriteCountries, "Writing country table to image file", StepWriteCountries},
        {Step::WriteAptRecords, "Writing APT records to image file", WriteAptRecords89},
        {Step::WriteAptIndexes, "Writing APT indexes to image file", WriteIndexes89},
        {Step::WriteVorRecords, "Writing VOR records to image file", WriteVorRecords89},
        {Step::WriteVorIndexes, "Writing VOR indexes to image file", WriteIndexes89},
        {Step::WriteHeader, "Writing Header to image file", WriteImageHeader89},
        {Step::WriteApproachIds, "Writing GEO Section to image file", WriteGeoSection89},
        {Step::Sumcheck, "Calculating Sumcheck byte", CalcSumcheckByte89},
    };
}

void InstallCreateImage89(GenModel& model) { InstallCreateImage(model, CreateImageTable89()); }
