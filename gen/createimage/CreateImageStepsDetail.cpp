// Create Image, step 20: the rwy/com/appr table, one airport per call (after the calls that
// read the runways, frequencies and restriction chains). Each airport's runways, frequencies
// with their restriction bytes and used approaches are coded into its entry, or into the
// main-runway summary of its APT record.
#include "common/CLocale.h"
#include "gen/image/AirportDetail.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/createimage/CreateImageSteps.h"
#include "gen/shell/GenSettings.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "gen/shell/RunSetup.h"

namespace {

constexpr uint32_t kDetailOffsetLimit = 1u << 19;
constexpr uint32_t kMaxApproachRecords = kMaxApproachSequence + 1;

ImageResult LocalWaypointOf(int32_t lsno, LocalWaypoint* out) {
    LwptRecord l{};
    l.lsno = lsno;
    dbif_index<LwptRecord>("lsno");
    if (!dbif_find(l)) return ImageResult::Data(StringFormatC("Cannot find lwpt lsno = %d", lsno));
    *out = {l.llat, l.llong, NameText(l.lid, sizeof l.lid), l.lfreq};
    return ImageResult::Ok();
}

// One used approach with its waypoints resolved to image positions.
ImageResult ResolveApproach(const CreateImageBuild& b, const AptRecord& a, const ApprRecord& p,
                            const std::vector<int32_t>& runwaySerials, DetailApproach* out) {
    out->sequence = p.pseq;
    out->type = static_cast<uint32_t>(p.ptyp);
    if (ImageResult r = b.approachIds.Index(NameText(p.pid, sizeof p.pid).substr(0, kApproachIdLength), &out->idIndex);
        !r) {
        return r;
    }
    for (int j = 0; j < 4; ++j) {
        const auto kindWord = static_cast<uint32_t>(p.pwtyp[j]);
        if (kindWord == 0) continue;
        const int position = static_cast<int>(kindWord & 0x0F) - 1;
        if (position < 0 || position >= static_cast<int>(kMaxApproachSlots)) {
            return ImageResult::Data(StringFormatC("approach wpt posn=%d out of range (APT=0x%x)", position,
                                                   static_cast<unsigned>(a.asno)));
        }
        if (++out->waypointCount > kMaxApproachSlots) {
            return ImageResult::Data(StringFormatC("too many approach wpts, APT=0x%x", static_cast<unsigned>(a.asno)));
        }
        ApproachWaypoint& w = out->slots[position];
        w = ApproachWaypoint{};
        w.kind = kindWord;
        const int32_t serial = p.pwrecno[j];
        switch (kindWord & 0xF0) {
        case 0x20:
            if (ImageResult r = FindRecordNumber(b.maps[kSectionInt], "INT", serial, &w.recordNumber); !r) return r;
            break;
        case 0x40:
            if (ImageResult r = FindRecordNumber(b.maps[kSectionNdb], "NDB", serial, &w.recordNumber); !r) return r;
            break;
        case 0x60:
            if (ImageResult r = FindRecordNumber(b.maps[kSectionVor], "VOR", serial, &w.recordNumber); !r) return r;
            break;
        case 0xA0:
            w.runway = -1;
            for (size_t i = 0; i < runwaySerials.size(); ++i) {
                if (runwaySerials[i] == serial) {
                    w.runway = static_cast<int32_t>(i);
                    break;
                }
            }
            break;
        case 0xC0:
        case 0xE0:
            if (ImageResult r = LocalWaypointOf(serial, &w.local); !r) return r;
            break;
        default:
            return ImageResult::Data(StringFormatC("Unknown appr wpt type %2x (recno=%d)", kindWord & 0xF0, serial));
        }
    }
    return ImageResult::Ok();
}

ImageResult GatherApproaches(const CreateImageBuild& b, const AptRecord& a, const std::vector<int32_t>& runwaySerials,
                             std::vector<DetailApproach>* approaches) {
    ApprRecord p{};
    p.paptno = a.asno;
    dbif_index<ApprRecord>("paptno");
    if (!dbif_find(p)) return ImageResult::Ok();
    do {
        if (p.paptno != a.asno) break;
        if (!b.apocc.Has(p.psno, OccurrenceTable::kUsed)) continue;
        if (approaches->size() >= kMaxApproachRecords) {
            return ImageResult::Data(StringFormatC("APT=0x%x: more than %u approaches (limit %u)",
                                                   static_cast<unsigned>(a.asno), kMaxApproachRecords,
                                                   kMaxApproachRecords));
        }
        DetailApproach d;
        if (ImageResult r = ResolveApproach(b, a, p, runwaySerials, &d); !r) return r;
        approaches->push_back(d);
    } while (dbif_next(p));
    return ImageResult::Ok();
}

}  // namespace

StepStatus StepWriteDetails(OperationContext& c, CreateImageBuild& b) {
    ImageLayout& layout = b.image.Layout();
    if (b.cursor >= b.apts.size()) {
        if (ImageResult r = b.pending.Flush(b.image); !r) return Failed(c, r);
        // Approach waypoints were the last users of these maps.
        b.maps[kSectionInt] = SerialMap();
        b.maps[kSectionNdb] = SerialMap();
        b.maps[kSectionVor] = SerialMap();
        b.details = AirportDetailSource();
        layout.Compute();
        return StepStatus::Next;
    }
    if (!b.details.LoadPiece(c.nextSerial)) return StepStatus::Again;
    const AptRecord& a = b.apts[b.cursor];
    // The lists keep their memory from airport to airport.
    static thread_local AirportDetailInput in;
    static thread_local std::vector<int32_t> runwaySerials;
    in.runways.clear();
    in.approaches.clear();
    in.approachCount = 0;
    runwaySerials.clear();
    in.asno = a.asno;
    in.lat = a.alat;
    in.lon = a.along;
    in.afuel = a.afuel;
    const GeoRect limit = c.settings ? c.settings->limitRect : GeoRect{};
    in.brief = !InsideLimitBox(a.alat, a.along, limit) || (a.afuel & 1) != 0;
    b.details.Runways(a.asno, &in.runways, &runwaySerials);
    if (ImageResult r = b.details.Frequencies(a.asno, &in.frequencies); !r) return Failed(c, r);
    if (b.params.approaches && !in.brief && b.approachRecords > 0) {
        if (ImageResult r = GatherApproaches(b, a, runwaySerials, &in.approaches); !r) return Failed(c, r);
        in.approachCount = static_cast<uint32_t>(in.approaches.size());
    }
    AirportDetail detail;
    if (ImageResult r = BuildAirportDetail(b.params, in, &detail); !r) return Failed(c, r);
    AirportWord& word = b.words[b.cursor];
    if (detail.hasEntry) {
        const uint32_t offset = layout.detailLength;
        if (offset >= kDetailOffsetLimit) {
            return AbortCreateImage(c, StringFormatC("APT \"%s\": its rwy/com/appr entry at offset %lx lies beyond the "
                                                     "19-bit field (limit 7ffff)",
                                                     TrimmedIdent(ImageIdent(a.aident)).c_str(),
                                                     static_cast<unsigned long>(offset)));
        }
        if (ImageResult r = b.pending.Add(b.image, layout.detailStart + offset, detail.entry.data(), detail.entry.size());
            !r) {
            return Failed(c, r);
        }
        layout.detailLength += static_cast<uint32_t>(detail.entry.size());
        word = {true, offset};
    } else {
        word = {false, detail.summary};
    }
    ++b.cursor;
    return StepStatus::Again;
}
