#include "genmodels/CreateIsam89.h"

#include "common/CLocale.h"
#include "gen/createisam/CreateIsam.h"
#include "gen/image/Image.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/GenExit.h"
#include "gen/shell/OperationContext.h"
#include "genmodels/CreateIsam92.h"
#include "genmodels/ImageFile89.h"
#include "platform/AtomicFile.h"

namespace {

constexpr uint32_t kGeoPiece = 132;
constexpr uint8_t kAfuelBits = 0x0E;

// Every record file but those of the user waypoints and routes.
const char* const kEraseList89[] = {"appr", "apts", "country", "freq3", "ints", "lwpt", "names",
                                    "ndbs", "restr", "rwy3",   "vors",  "awys", "awps"};

StepStatus EraseDatabaseFiles89(OperationContext& c, CreateIsamState& s) {
    return EraseDatabaseFiles(c, s, CheckImageRecords89, kEraseList89, sizeof kEraseList89 / sizeof kEraseList89[0]);
}

StepStatus IsamWriteApts89(OperationContext& c, CreateIsamState& s) { return IsamWriteApts(c, s, ReadAirport89); }

void ReadVor89(const uint8_t* record, VorRecord* v) {
    v->vfreq = 10800 + 5 * static_cast<int32_t>(record[8]);
    v->vdme = record[5] & 6;
    v->vfacil = v->vcity = 0;
}

StepStatus IsamWriteVors89(OperationContext& c, CreateIsamState& s) { return IsamWriteVorsWith(c, s, ReadVor89); }

// GEO.DAT with the image's GEO records (a count of 0 without a GEO section).
StepStatus WriteGeoFile89(OperationContext& c, CreateIsamState& s) {
    uint32_t count = 0;
    uint32_t start = 0;
    const uint8_t* records = nullptr;
    if (c.image && GeoSection89(*c.image, &count, &start)) records = s.source->At(start, uint64_t{kGeoRecordSize} * count);
    if (!records) count = 0;
    const std::vector<uint8_t> bytes = GeoFileBytes89(count, records);
    const std::string path = (c.app ? c.app->GetDbFolder() : std::string(".")) + "/GEO.DAT";
    platform::AtomicFile out;
    if (!out.Open(path, platform::AtomicFile::Start::Empty) || !out.Write(bytes.data(), bytes.size()) || !out.Commit()) {
        ProgramError(StringFormatC("Cannot Open %s", path.c_str()));
    }
    c.calls = static_cast<uint32_t>(bytes.size() / kGeoPiece);
    return StepStatus::Next;
}

const std::vector<IsamStepRow> kRows89 = {
    {EraseDatabaseFiles89, "Erasing existing database records"},
    {IsamWriteCountries, "Writing countries table"},
    {IsamWriteApts89, "Writing apts table"},
    {IsamWriteVors89, "Writing vors table"},
    {WriteGeoFile89, "Writing geo file"},
};

}  // namespace

ImageResult CheckImageRecords89(const IsamImageSource& source) { return CheckIsamCountries(source); }

void ReadAirport89(const CreateIsamState& s, uint32_t n, AptRecord* apt, DecodedAirportDetail* detail) {
    *apt = IsamAptRecord(*s.source, n, *s.names, s.countryNumber);
    const uint8_t* record = s.source->Record(kSectionApt, n);
    apt->aheight = AptElevation89(record);
    apt->afuel = record[5] & kAfuelBits;
    apt->afacil = apt->acity = 0;
    *detail = DecodedAirportDetail{};
}

void InstallCreateIsam89(GenModel& model) { InstallCreateIsam(model, kRows89); }
