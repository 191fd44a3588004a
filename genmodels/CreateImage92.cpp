#include "genmodels/CreateImage92.h"

#include "common/CLocale.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"
#include "genmodels/ImageFile92.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/VlrTable92.h"

namespace {

using Step = CreateImageStep;

// The airport word keeps the table flags beside the VLR offset: bit 31 for communication items.
constexpr uint32_t kWordHasComms = 0x80000000u;
constexpr uint32_t kWordValue = 0x7FFFFFFFu;

// A count step followed, once it ends, by the scan that numbers the section's records.
StepStatus CountThenScan(OperationContext& c, CreateImageBuild& b, CreateImageStepFn count, CreateImageStepFn scan) {
    const StepStatus status = count(c, b);
    if (status != StepStatus::Next) return status;
    b.walk.Reset();
    b.cursor = 0;
    StepStatus scanned = StepStatus::Again;
    while (scanned == StepStatus::Again) scanned = scan(c, b);
    return scanned;
}

}  // namespace

ImageResult EncodeAptWith92(const CreateImageBuild& b, size_t i, bool cityFallback, uint8_t* out, std::string* ident) {
    AptRecordInput in;
    if (ImageResult r = AptInputFrom(b.apts[i], b.cmap, b.names, &in); !r) return r;
    if (cityFallback && in.city.absent) in.city = in.facility;
    const AirportWord& word = b.words[i];
    in.detailIsOffset = word.isOffset;
    in.detailValue = word.value & kWordValue;
    const uint8_t flags = word.isOffset ? static_cast<uint8_t>(kAptHasVlr92 | ((word.value & kWordHasComms) ? kAptHasComms92 : 0)) : 0;
    *ident = in.ident;
    return EncodeAptRecord92(b.params, in, flags, out);
}

namespace {

ImageResult EncodeApt92(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    return EncodeAptWith92(b, i, false, out, ident);
}

ImageResult EncodeVor92(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    VorRecordInput in;
    if (ImageResult r = VorInputFrom(b.vors[i], b.cmap, b.names, &in); !r) return r;
    *ident = in.ident;
    return EncodeVorRecord92(b.params, in, out);
}

}  // namespace

std::string OperationTitle(const OperationContext& c) {
    if (!c.settings) return "";
    const std::string& title = c.settings->operationTitle;
    const size_t first = title.find_first_not_of(' ');
    if (first == std::string::npos) return c.settings->defaultTitle;
    return title.substr(first, title.find_last_not_of(' ') - first + 1);
}

// Only the rectangle makes an airport brief; flag bit 0 does not.
StepStatus CountApts92(OperationContext& c, CreateImageBuild& b) { return CountAirports(c, b, false); }

StepStatus CountInts92(OperationContext& c, CreateImageBuild& b) { return CountThenScan(c, b, StepCountInts, StepScanInts); }
StepStatus CountNdbs92(OperationContext& c, CreateImageBuild& b) { return CountThenScan(c, b, StepCountNdbs, StepScanNdbs); }
StepStatus CountVors92(OperationContext& c, CreateImageBuild& b) { return CountThenScan(c, b, StepCountVors, StepScanVors); }

namespace {

// The 92/190 entry: inside the limit rectangle with frequencies or a designated first runway;
// otherwise the longest runway's summary.
ImageResult CodeEntry92(const OperationContext& c, const AptRecord& a, const std::vector<DetailRunway>& runways,
                        const std::vector<DetailFrequency>& frequencies, AirportEntry* out) {
    const GeoRect limit = c.settings ? c.settings->limitRect : GeoRect{};
    if (InsideLimitBox(a.alat, a.along, limit) && NeedsVlrEntry92(runways, frequencies)) {
        out->frequencies = !frequencies.empty();
        return EncodeVlrEntry92(a.asno, runways, frequencies, &out->bytes);
    }
    out->summary = MainRunwaySummary(RunwaysOrPlaceholder(runways));
    return ImageResult::Ok();
}

}  // namespace

StepStatus WriteAirportEntries(OperationContext& c, CreateImageBuild& b, AirportEntryCoder code) {
    ImageLayout& layout = b.image.Layout();
    if (b.cursor >= b.apts.size()) {
        if (ImageResult r = b.pending.Flush(b.image); !r) return Failed(c, r);
        b.details = AirportDetailSource();  // its memory serves the records' sort keys
        layout.Compute();
        return StepStatus::Next;
    }
    if (!b.details.LoadPiece(c.nextSerial)) return StepStatus::Again;
    const AptRecord& a = b.apts[b.cursor];
    // The lists keep their memory from airport to airport.
    static thread_local std::vector<DetailRunway> runways;
    static thread_local std::vector<int32_t> serials;
    static thread_local std::vector<DetailFrequency> frequencies;
    static thread_local AirportEntry entry;
    runways.clear();
    serials.clear();
    entry.bytes.clear();
    entry.frequencies = false;
    entry.summary = 0;
    b.details.Runways(a.asno, &runways, &serials);
    if (ImageResult r = b.details.Frequencies(a.asno, &frequencies); !r) return Failed(c, r);
    AirportWord& word = b.words[b.cursor];
    if (ImageResult r = code(c, a, runways, frequencies, &entry); !r) return Failed(c, r);
    if (!entry.bytes.empty()) {
        const uint32_t offset = layout.detailLength;
        if (offset >= kVlrOffsetLimit92) {
            return AbortCreateImage(c, StringFormatC("APT \"%s\": its rwy/com entry at offset %lx lies beyond the "
                                                     "18-bit field (limit 3ffff)",
                                                     TrimmedIdent(ImageIdent(a.aident)).c_str(),
                                                     static_cast<unsigned long>(offset)));
        }
        if (ImageResult r = b.pending.Add(b.image, layout.detailStart + offset, entry.bytes.data(), entry.bytes.size());
            !r) {
            return Failed(c, r);
        }
        layout.detailLength += static_cast<uint32_t>(entry.bytes.size());
        word = {true, offset | (entry.frequencies ? kWordHasComms : 0)};
    } else {
        word = {false, entry.summary};
    }
    ++b.cursor;
    return StepStatus::Again;
}

StepStatus WriteRwyComApprTable92(OperationContext& c, CreateImageBuild& b) { return WriteAirportEntries(c, b, CodeEntry92); }

StepStatus WriteAptRecords92(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionApt, b.apts.size(), EncodeApt92);
}

StepStatus WriteVorRecords92(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionVor, b.vors.size(), EncodeVor92);
}

StepStatus WriteImageHeader92(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) return StepStatus::Again;
    Header92Input input;
    input.label = ImageLabel92(OperationTitle(c));
    input.date = TodayLocal();
    input.tcc = b.tcc.IsOpen() ? &b.tcc.Tcc() : nullptr;
    input.sua = b.sua.IsOpen() ? &b.sua.Sua() : nullptr;
    if (ImageResult r = WriteImageHeader92(b.image, input, &b.positions); !r) return Failed(c, r);
    c.calls = kImage92HeaderSize - 1;  // the progress line shows the header length
    return StepStatus::Next;
}

std::vector<CreateImageRow> CreateImageTable92() {
    return {
        {Step::Initialise, "Initialising image file", StepInitialise},
        {Step::ScanCountries, "Scanning countries", StepScanCountries},
        {Step::ScanNames, "Scanning city and facility names", StepScanNames},
        {Step::CountApts, "Counting APTS", CountApts92},
        {Step::ScanApts, "Scanning APTS", StepScanApts},
        {Step::CountInts, "Counting INTS", CountInts92},
        {Step::CountNdbs, "Counting NDBS", CountNdbs92},
        {Step::CountVors, "Counting VORS", CountVors92},
        {Step::CountTcc, "Counting FSS/TCCS", StepCountTcc},
        {Step::CountSua, "Counting SUAS", StepCountSua},
        {Step::FlagCountries, "Flagging unused country records", StepFlagCountries},
        {Step::FlagNames, "Flagging unused name records", StepFlagNames},
        {Step::WriteCountries, "Writing country table to image file", StepWriteCountries},
        {Step::WriteNames, "Writing names table to image file", StepWriteNames},
        {Step::WriteDetails, "Writing rwy/com/appr info table to image file", WriteRwyComApprTable92},
        {Step::WriteAptRecords, "Writing APT records to image file", WriteAptRecords92},
        {Step::WriteAptIndexes, "Writing APT indexes to image file", StepWriteIndexes},
        {Step::WriteIntRecords, "Writing INT records to image file", StepWriteIntRecords},
        {Step::WriteIntIndexes, "Writing INT indexes to image file", StepWriteIndexes},
        {Step::WriteNdbRecords, "Writing NDB records to image file", StepWriteNdbRecords},
        {Step::WriteNdbIndexes, "Writing NDB indexes to image file", StepWriteIndexes},
        {Step::WriteVorRecords, "Writing VOR records to image file", WriteVorRecords92},
        {Step::WriteVorIndexes, "Writing VOR indexes to image file", StepWriteIndexes},
        {Step::WriteHeader, "Writing Header to image file", WriteImageHeader92},
        {Step::WriteTcc, "Writing FSS/TCC Section to image file", StepWriteTcc},
        {Step::WriteSua, "Writing SUA Section to image file", StepWriteSua},
        {Step::PacketCount, "Calculating Packet Count", StepPacketCount},
        {Step::Sumcheck, "Calculating Sumcheck bytes", StepSumcheck},
    };
}

void InstallCreateImage92(GenModel& model) { InstallCreateImage(model, CreateImageTable92()); }
