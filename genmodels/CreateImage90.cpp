#include "genmodels/CreateImage90.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/image/Image.h"
#include "gen/image/KeyOrder.h"
#include "gen/image/RecordCoder.h"
#include "gen/image/Sumcheck.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"
#include "platform/MessageBox.h"
#include "genmodels/CreateImage92.h"
#include "genmodels/ImageFile90.h"
#include "genmodels/PointRecords92.h"
#include "genmodels/RwyComEntry90.h"

namespace {

using Step = CreateImageStep;

constexpr uint32_t kSuaTypeByte = 17;
constexpr uint32_t kSuaRecordA = 24;
constexpr int32_t kDmeExtraBits = 0xA000;  // vdme bits 13 and 15 also show the DME
constexpr uint8_t kDmeBit = 4;

bool XlMode(const CreateImageBuild& b) { return &b.image.Params() == &ImageParams90Xl; }

// Runways inside the limit rectangle with frequencies or a designated first runway get an
// entry; otherwise the first runway's summary inside the rectangle, the longest one's outside.
ImageResult CodeEntry90(const OperationContext& c, const AptRecord& a, const std::vector<DetailRunway>& runways,
                        const std::vector<DetailFrequency>& frequencies, AirportEntry* out) {
    // The list keeps its memory from airport to airport.
    static thread_local std::vector<FrequencyItem90> items;
    if (ImageResult r = FrequencyItems90(a.asno, frequencies, &items); !r) return r;
    const std::vector<DetailRunway>& list = RunwaysOrPlaceholder(runways);
    const GeoRect limit = c.settings ? c.settings->limitRect : GeoRect{};
    const bool inside = InsideLimitBox(a.alat, a.along, limit);
    if (inside && (!items.empty() || list.front().rw != 0)) {
        out->frequencies = !items.empty();
        return EncodeRwyComEntry90(a.asno, list, items, &out->bytes);
    }
    out->summary = inside ? MainRunwaySummary({list.front()}) : MainRunwaySummary(list);
    return ImageResult::Ok();
}

ImageResult EncodeApt90(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    return EncodeAptWith92(b, i, true, out, ident);
}

ImageResult EncodeNdb90(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    NdbRecordInput in;
    if (ImageResult r = NdbInputFrom(b.ndbs[i], b.cmap, b.names, &in); !r) return r;
    if (in.city.absent) in.city = in.facility;
    *ident = in.ident;
    return EncodeNdbRecord(b.params, in, out);
}

ImageResult EncodeVor90(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    VorRecordInput in;
    if (ImageResult r = VorInputFrom(b.vors[i], b.cmap, b.names, &in); !r) return r;
    if (in.city.absent) in.city = in.facility;
    *ident = in.ident;
    if (ImageResult r = EncodeVorRecord92(b.params, in, out); !r) return r;
    if (in.vdme & kDmeExtraBits) out[5] |= kDmeBit;
    return ImageResult::Ok();
}

// Writes the record numbers of the kind sorted by `key` (ties by record number) at `start`.
template <class Key>
ImageResult WriteSortedIndex(Image& image, uint32_t start, uint32_t n, Key key) {
    std::vector<uint32_t> order;
    OrderByKey(n, key, &order);
    std::vector<uint8_t> bytes(2 * size_t{n});
    for (uint32_t i = 0; i < n; ++i) PutU16(&bytes[2 * i], order[i]);
    return n ? image.Write(start, bytes.data(), bytes.size()) : ImageResult::Ok();
}

}  // namespace

uint8_t SuaType90(uint8_t typeByte) {
    const uint8_t type = typeByte & 15;
    const uint8_t mapped = type < 5 ? type : type == 6 ? 2 : 1;
    return static_cast<uint8_t>((typeByte & 0xF0) | mapped);
}

StepStatus InitialiseImageFile90(OperationContext& c, CreateImageBuild& b) {
    const StepStatus status = StepInitialise(c, b);
    if (status == StepStatus::Stop) return status;
    if (c.calls == 0) {
        // The family has no FSS/TCC section, and airspace only in XL mode.
        b.tcc.Close();
        if (!XlMode(b)) b.sua.Close();
    }
    if (status == StepStatus::Next) {
        ImageLayout& layout = b.image.Layout();
        if (!b.sua.IsOpen()) layout = ImageLayout(ImageParams90);
        layout.SetFixed(false, b.sua.IsOpen());
    }
    return status;
}

StepStatus WriteRwyComApprTable90(OperationContext& c, CreateImageBuild& b) {
    const StepStatus status = WriteAirportEntries(c, b, CodeEntry90);
    if (status != StepStatus::Next) return status;
    // Both name indexes list every record.
    ImageLayout& layout = b.image.Layout();
    for (SectionDescriptor& d : layout.sections) {
        d.cityCount = d.params->hasNames ? d.recordCount : 0;
        d.cellCount = 0;
    }
    layout.Compute();
    return status;
}

StepStatus WriteAptRecords90(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionApt, b.apts.size(), EncodeApt90);
}

StepStatus WriteNdbRecords90(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionNdb, b.ndbs.size(), EncodeNdb90);
}

StepStatus WriteVorRecords90(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionVor, b.vors.size(), EncodeVor90);
}

StepStatus WriteIndexes90(OperationContext& c, CreateImageBuild& b) { return WriteKindIndexes(c, b, true); }

StepStatus WriteKindIndexes(OperationContext& c, CreateImageBuild& b, bool signedLatitude) {
    const SectionRecordWriter& records = *b.records;
    const SectionDescriptor& d = b.image.Layout().sections[records.Section()];
    const uint32_t n = records.Count();
    if (n != d.recordCount) {
        return Failed(c, ImageResult::Internal(StringFormatC("Program error: %s records written %u, counted %u",
                                                             d.params->name, n, d.recordCount)));
    }
    const auto& keys = records.Keys();
    const uint32_t k = c.calls;
    if (k < kBucketCount) {
        if (k == 0) {
            if (ImageResult r = b.image.WriteU16(d.infoStart + kInfoRecordCount, n); !r) return Failed(c, r);
        }
        const uint32_t entry = records.Buckets().Entry(k);
        if (ImageResult r = b.image.WriteU16(d.infoStart + kInfoBuckets + 2 * k, entry); !r) return Failed(c, r);
        return StepStatus::Again;
    }
    // Phases after the buckets: latitude, city, facility; each written whole on its first call,
    // the call count then moved on by one per entry.
    const uint32_t phases = d.params->hasNames ? 3 : 1;
    const uint32_t phase = n ? (k - kBucketCount) / n : phases;
    if (phase >= phases) {
        b.records.reset();
        return StepStatus::Next;
    }
    ImageResult r = ImageResult::Ok();
    if (phase == 0) {
        r = WriteSortedIndex(b.image, d.gridIndexStart, n, [&](uint32_t i) {
            // The unsigned key leaves out the sign that bit 31 repeats from bit 30.
            return signedLatitude ? int64_t{keys[i].lat} : int64_t{keys[i].lat & 0x7FFFFFFF};
        });
    } else if (phase == 1) {
        r = WriteSortedIndex(b.image, d.cityIndexStart, n, [&](uint32_t i) { return keys[i].city >> 3; });
    } else {
        r = WriteSortedIndex(b.image, d.facilityIndexStart, n, [&](uint32_t i) { return keys[i].facility >> 3; });
    }
    if (!r) return Failed(c, r);
    c.calls += n - 1;
    return StepStatus::Again;
}

StepStatus WriteImageHeader90(OperationContext& c, CreateImageBuild& b) {
    if (c.calls == 0) return StepStatus::Again;
    Header90Input input;
    input.label = ImageLabel90(OperationTitle(c));
    input.date = TodayLocal();
    input.sua = b.sua.IsOpen() ? &b.sua.Sua() : nullptr;
    uint32_t position = kAbsent24;
    if (ImageResult r = WriteImageHeader90(b.image, input, &position); !r) return Failed(c, r);
    b.positions.sua = position;
    c.calls = kImage90HeaderSize - 1;  // the progress line shows the header length
    return StepStatus::Next;
}

StepStatus WriteSuaSection90(OperationContext& c, CreateImageBuild& b) {
    const StepStatus status = StepWriteSua(c, b);
    if (status != StepStatus::Next) return status;
    // Table 0 (the header line's third pair) takes the unit's area types.
    const SuaSectionHeader& h = b.sua.Sua();
    const uint32_t start = b.positions.sua + h.v[SuaSectionHeader::O2];
    for (uint32_t i = 0; i < h.v[SuaSectionHeader::C2]; ++i) {
        const uint32_t at = start + kSuaRecordA * i + kSuaTypeByte;
        uint8_t type = 0;
        if (b.image.Read(at, &type, 1) != 1) return Failed(c, ImageResult::Internal("Program error: SUA record beyond the image"));
        type = SuaType90(type);
        if (ImageResult r = b.image.Write(at, &type, 1); !r) return Failed(c, r);
    }
    return status;
}

StepStatus CalcSumcheckBytes90(OperationContext& c, CreateImageBuild& b) {
    const uint32_t end = b.image.Layout().ImageEnd();
    const uint32_t limit = Image90Limit(XlMode(b));
    if (c.calls == 0 && end > limit) {
        platform::ShowMessage(StringFormatC("Please note image is %ld bytes too long - DO NOT USE",
                                            static_cast<long>(end - limit)));
        return StepStatus::Next;
    }
    if (c.calls % 2 == 0) return StepStatus::Again;
    const uint32_t m = c.calls / 2;
    for (uint32_t k = 2 * m; k <= 2 * m + 1; ++k) {
        // Read a piece at a time; the pieces' checks add up to the chunk's. Chunk 0 leaves out
        // the sumcheck field; bytes beyond the file add nothing.
        uint8_t piece[4096];
        uint8_t byte = 0;
        for (uint32_t at = 0; at < kImage90Chunk; at += sizeof piece) {
            const long got = b.image.Read(uint64_t{k} * kImage90Chunk + at, piece, sizeof piece);
            const size_t length = got < 0 ? 0 : static_cast<size_t>(got);
            const size_t skip = k == 0 && at < kImage90SumcheckField ? std::min<size_t>(length, kImage90SumcheckField - at) : 0;
            byte = static_cast<uint8_t>(byte + ChunkCheck(piece, length, skip));
            if (length < sizeof piece) break;
        }
        if (ImageResult r = b.image.Write(1 + k, &byte, 1); !r) return Failed(c, r);
    }
    if (uint64_t{2 * m + 2} * kImage90Chunk <= end) return StepStatus::Again;
    const uint8_t n = static_cast<uint8_t>(SumcheckChunks90(end));
    if (ImageResult r = b.image.Write(0, &n, 1); !r) return Failed(c, r);
    return StepStatus::Next;
}

std::vector<CreateImageRow> CreateImageTable90() {
    return {
        {Step::Initialise, "Initialising image file", InitialiseImageFile90},
        {Step::ScanCountries, "Scanning countries", StepScanCountries},
        {Step::ScanNames, "Scanning city and facility names", StepScanNames},
        {Step::CountApts, "Counting APTS", CountApts92},
        {Step::ScanApts, "Scanning APTS", StepScanApts},
        {Step::CountInts, "Counting INTS", CountInts92},
        {Step::CountNdbs, "Counting NDBS", CountNdbs92},
        {Step::CountVors, "Counting VORS", CountVors92},
        {Step::CountSua, "Counting SUAS", StepCountSua},
        {Step::FlagCountries, "Flagging unused country records", StepFlagCountries},
        {Step::FlagNames, "Flagging unused name records", StepFlagNames},
        {Step::WriteCountries, "Writing country table to image file", StepWriteCountries},
        {Step::WriteNames, "Writing names table to image file", StepWriteNames},
        {Step::WriteDetails, "Writing rwy/com/appr info table to image file", WriteRwyComApprTable90},
        {Step::WriteAptRecords, "Writing APT records to image file", WriteAptRecords90},
        {Step::WriteAptIndexes, "Writing APT indexes to image file", WriteIndexes90},
        {Step::WriteIntRecords, "Writing INT records to image file", StepWriteIntRecords},
        {Step::WriteIntIndexes, "Writing INT indexes to image file", WriteIndexes90},
        {Step::WriteNdbRecords, "Writing NDB records to image file", WriteNdbRecords90},
        {Step::WriteNdbIndexes, "Writing NDB indexes to image file", WriteIndexes90},
        {Step::WriteVorRecords, "Writing VOR records to image file", WriteVorRecords90},
        {Step::WriteVorIndexes, "Writing VOR indexes to image file", WriteIndexes90},
        {Step::WriteHeader, "Writing Header to image file", WriteImageHeader90},
        {Step::WriteSua, "Writing SUA Section to image file", WriteSuaSection90},
        {Step::Sumcheck, "Calculating Sumcheck bytes", CalcSumcheckBytes90},
    };
}

void InstallCreateImage90(GenModel& model) {
    InstallCreateImage(model, CreateImageTable90());
    // After the framework's end of the operation: the TOO MANY WAYPOINTS block of each kind over
    // the limit.
    auto finish = model.finishImage;
    model.finishImage = [finish](OperationContext& c) {
        std::vector<std::pair<const char*, uint32_t>> over;
        if (c.image) {
            for (const SectionDescriptor& d : c.image->Layout().sections) {
                if (d.recordCount > kWaypointWarning90) over.emplace_back(d.params->name, d.recordCount);
            }
        }
        const StepStatus status = finish(c);
        if (status != StepStatus::Done) return status;
        for (const auto& [name, count] : over) {
            c.AddLine("*****************WARNING*******************");
            c.AddLine("***********TOO MANY WAYPOINTS**************");
            c.AddLine(StringFormatC("The %s section has %d entries (max 32768)", name, static_cast<int>(count)));
            c.AddLine("This image should not be uploaded to a GPS unit");
            c.AddLine("It is only for use by this software package");
            c.AddLine("*******************************************");
        }
        return status;
    };
}
