// The example image of the listing tests, built with the image coders in Create Image order:
// three countries, a names table, airports with rwy/com/appr entries (runways with thresholds,
// frequencies with a restriction, approaches with local waypoints), INTs, NDBs, VORs, and an
// FSS/TCC and an SUA section whose bodies are written here from the compiled-file layout and
// relocated into the image.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "gen/image/AirportDetail.h"
#include "gen/image/AirspaceRelocation.h"
#include "gen/image/ApproachId.h"
#include "gen/image/RestrictionCoder.h"
#include "gen/image/RunwayPicture.h"
#include "gen/image/SerialMap.h"
#include "gen/testsupport/ImageTestUtil.h"

namespace listtest {

// Degrees to circle units, kept to whole units of 2^14 so that airspace positions stay exact.
inline int32_t Deg(double degrees) {
    const double units = std::floor(degrees / 360.0 * 4294967296.0 / 16384.0);
    return static_cast<int32_t>(static_cast<int64_t>(units) * 16384);
}

struct ExampleAirport {
    std::string ident;
    double lat, lon;
    uint32_t country;
    const char* facility;
    const char* city;
    int32_t afuel;
    int32_t height;
    std::vector<DetailRunway> runways;
    std::vector<DetailFrequency> frequencies;
    std::vector<DetailApproach> approaches;
    bool brief = false;
};

// Bytes of a little-endian table being assembled.
struct Bytes {
    std::vector<uint8_t> b;
    void U8(uint32_t v) { b.push_back(static_cast<uint8_t>(v)); }
    void U16(uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U24(uint32_t v) {
        U16(v);
        U8(v >> 16);
    }
    uint32_t Size() const { return static_cast<uint32_t>(b.size()); }
    void Append(const Bytes& o) { b.insert(b.end(), o.b.begin(), o.b.end()); }
};

// Vertex records of the SUA section (compiled-file layout), in units of 2^14.
inline void ShortStep(Bytes& m, int32_t dLat, int32_t dLon, bool last = false) {
    m.U8((3u | (static_cast<uint32_t>(dLon) & 0x3F) << 2) & (last ? ~1u : ~0u));
    m.U8(((static_cast<uint32_t>(dLon) >> 6) & 1) | (static_cast<uint32_t>(dLat) & 0x7F) << 1);
}
inline void LongStep(Bytes& m, int32_t dLat, int32_t dLon, bool last = false) {
    m.U8((1u | (static_cast<uint32_t>(dLon) & 0x3F) << 2) & (last ? ~1u : ~0u));
    m.U8(((static_cast<uint32_t>(dLon) >> 6) & 0x1F) | (static_cast<uint32_t>(dLat) & 7) << 5);
    m.U8((static_cast<uint32_t>(dLat) >> 3) & 0xFF);
}
inline void CentreBlock(Bytes& m, int32_t dLat, int32_t dLon, uint32_t radius) {
    const auto la = static_cast<uint32_t>(dLat);
    const auto lo = static_cast<uint32_t>(dLon);
    m.U8(lo & 0xFF);
    m.U8(((lo >> 8) & 0x3F) | (la & 3) << 6);
    m.U8((la >> 2) & 0xFF);
    m.U8(((la >> 10) & 0x0F) | ((radius >> 8) & 0x0F) << 4);
    m.U8(radius & 0xFF);
}

// One SUA area: its record fields (serials of the names file) and its vertex stream.
struct ExampleSua {
    bool tableA;
    int32_t south, west, north, east, lat0, lon0;
    uint32_t lower, upper, type, priority;
    int agency, area, airport;  // name and airport serials, -1 none
    bool heights;
    Bytes stream;
};

class ExampleBuilder {
public:
    explicit ExampleBuilder(const ImageParams& params) : params_(params) {}

    std::vector<std::pair<std::string, std::string>> countries = {{"DE", "GERMANY"}, {"F", "FRANCE"}, {"K", "USA"}};
    std::vector<std::string> names;
    std::vector<ExampleAirport> airports;
    std::vector<imgtest::TestPoint> points[kSectionCount];  // INT, NDB, VOR (APT unused)
    std::vector<std::string> approachIds;
    std::vector<ExampleSua> suas;
    bool withTcc = false;

    int Name(const std::string& text) const {
        auto it = std::find(names.begin(), names.end(), text);
        return it == names.end() ? -1 : static_cast<int>(it - names.begin());
    }

    ImageResult Build(Image& image, uint32_t* imageEnd);

private:
    ImageResult WriteAirspace(Image& image, const AppendedPositions& at, const TccSectionHeader& tcc,
                              const Bytes& tccBody, const SuaSectionHeader& sua, const Bytes& suaBody,
                              uint32_t suaRecordsAt);

    const ImageParams& params_;
    NameMap nameMap_;
    std::vector<uint32_t> nameBits_;
    SerialMap airportSerials_;
};

// The FSS/TCC body: tables x, a, z, y, m, b, r, g (one FSS, one TCC with two vertices).
inline Bytes ExampleTccBody(const ExampleBuilder& b, TccSectionHeader* h) {
    auto pos = [](Bytes& t, int32_t lat, int32_t lon) {
        t.U16((static_cast<uint32_t>(lon) + 16384) >> 16);
        t.U16(((static_cast<uint32_t>(lat) + 8192) >> 15) & 0xFFFF);
    };
    Bytes x, a, z, y, m, tb, r, g;
    // FSS: 122.20 marked '*' (bit 14 clear), 123.60.
    x.U16((12220 - 10800) | 0x8000);
    x.U16((12360 - 10800) | 0x4000);
    pos(a, Deg(38.75), Deg(-77.0));
    a.U16(0);
    a.U16(static_cast<uint32_t>(b.Name("WASHINGTON FSS")));
    a.U8(0);
    a.U8(0);
    // TCC frequencies: vertex 0 three words, vertex 1 ten words (two lines).
    const uint32_t flags[4] = {0, 1u << 13, 2u << 13, 3u << 13};
    for (int i = 0; i < 3; ++i) z.U16((12000 + 5 * i - 10800) | flags[i] | (i < 2 ? 0x8000 : 0));
    for (int i = 0; i < 10; ++i) z.U16((13000 + 10 * i - 10800) | flags[i % 4] | (i < 9 ? 0x8000 : 0));
    pos(y, Deg(41.0), Deg(-72.0));
    y.U16(0 | 0x8000);
    pos(y, Deg(43.0), Deg(-70.0));
    y.U16(3);
    for (int i = 0; i < 30; ++i) m.U8(static_cast<uint32_t>(i));
    const int32_t swLat = Deg(40.0) + 4096, swLon = Deg(-74.0) + 4096, neLat = Deg(44.0) + 4096,
                  neLon = Deg(-69.0) + 4096;
    const auto sla = static_cast<uint32_t>(swLat), slo = static_cast<uint32_t>(swLon);
    const auto nla = static_cast<uint32_t>(neLat), nlo = static_cast<uint32_t>(neLon);
    tb.U16(slo >> 16);
    tb.U16((sla >> 15) & 0xFFFF);
    tb.U16(nlo >> 16);
    tb.U16((nla >> 15) & 0xFFFF);
    tb.U16(0x1234);
    tb.U16(static_cast<uint32_t>(b.Name("BOSTON CENTER")));
    tb.U16(0);
    tb.U24(0);
    tb.U8(((slo >> 14) & 3) | ((sla >> 14) & 1) << 2 | ((nlo >> 14) & 3) << 3 | ((nla >> 14) & 1) << 5);
    tb.U8(0);
    r.U16(0);
    for (int i = 0; i < 23; ++i) g.U8(0);
    Bytes body;
    const Bytes* parts[8] = {&x, &a, &z, &y, &m, &tb, &r, &g};
    uint32_t starts[8];
    for (int i = 0; i < 8; ++i) {
        starts[i] = body.Size();
        body.Append(*parts[i]);
    }
    h->v[0] = body.Size();
    for (int i = 1; i < 8; ++i) h->v[i] = starts[i];
    return body;
}

inline ImageResult ExampleBuilder::Build(Image& image, uint32_t* imageEnd) {
    const ImageParams& p = params_;
    for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) {
        if (ImageResult r = image.PrefillBlock(i); !r) return r;
    }
    std::sort(names.begin(), names.end());
    std::sort(countries.begin(), countries.end());
    ImageLayout& layout = image.Layout();
    layout.SetFixed(withTcc, !suas.empty());
    layout.countryCount = static_cast<uint32_t>(countries.size());
    for (size_t i = 0; i < countries.size(); ++i) {
        uint8_t rec[9];
        const auto& c = countries[i];
        PackCountryRecord(rec, c.first.c_str(), c.first.size(), c.second.c_str(), c.second.size());
        if (ImageResult r = image.Write(layout.countryStart + 9 * i, rec, 9); !r) return r;
    }
    layout.Compute();

    NamesTableWriter writer;
    for (size_t i = 0; i < names.size(); ++i) {
        const uint32_t bit = writer.Add(names[i].c_str());
        nameBits_.push_back(bit);
        nameMap_.Add(static_cast<int32_t>(i), bit);
        const uint32_t at = writer.BytesTaken();
        const std::vector<uint8_t> bytes = writer.TakeCompleteBytes();
        if (ImageResult r = image.Write(layout.namesStart + at, bytes.data(), bytes.size()); !r) return r;
    }
    {
        const uint32_t at = writer.BytesTaken();
        const std::vector<uint8_t> rest = writer.Finish();
        if (ImageResult r = image.Write(layout.namesStart + at, rest.data(), rest.size()); !r) return r;
    }
    layout.namesLength = writer.ByteLength();
    ApproachIdTable ids;
    for (const std::string& id : approachIds) ids.Insert(id);
    layout.approachIdCount = ids.Count();
    layout.Compute();
    for (uint32_t i = 0; i < ids.Count(); ++i) {
        uint8_t packed[4];
        ids.Pack(i, packed);
        if (ImageResult r = image.Write(layout.approachIdStart + 4 * i, packed, 4); !r) return r;
    }

    // Airports in ident order, with their entries.
    std::sort(airports.begin(), airports.end(), [](const ExampleAirport& a, const ExampleAirport& b) {
        std::string x = ImageIdent(a.ident.c_str()), y = ImageIdent(b.ident.c_str());
        for (char& c : x) c = static_cast<char>(IdentCharCode6(c) + 1);
        for (char& c : y) c = static_cast<char>(IdentCharCode6(c) + 1);
        return x < y;
    });
    std::vector<AptRecordInput> apts;
    std::vector<uint8_t> detail;
    auto name = [&](const char* text) {
        return text ? NamePosition::At(nameBits_[static_cast<size_t>(Name(text))]) : NamePosition::Absent();
    };
    for (size_t i = 0; i < airports.size(); ++i) {
        const ExampleAirport& a = airports[i];
        airportSerials_.Add(static_cast<int32_t>(i));
        AirportDetailInput in;
        in.asno = static_cast<int32_t>(i);
        in.lat = Deg(a.lat);
        in.lon = Deg(a.lon);
        in.afuel = a.afuel;
        in.brief = a.brief;
        in.runways = a.runways.empty() ? std::vector<DetailRunway>{DetailRunway::Placeholder()} : a.runways;
        in.frequencies = a.frequencies;
        in.approaches = a.approaches;
        in.approachCount = static_cast<uint32_t>(a.approaches.size());
        AirportDetail d;
        if (ImageResult r = BuildAirportDetail(p, in, &d); !r) return r;
        AptRecordInput rec;
        rec.ident = ImageIdent(a.ident.c_str());
        rec.lat = in.lat;
        rec.lon = in.lon;
        rec.countryIndex = a.country;
        rec.facility = name(a.facility);
        rec.city = name(a.city);
        rec.afuel = a.afuel;
        rec.aheight = a.height;
        rec.detailIsOffset = d.hasEntry;
        rec.detailValue = d.hasEntry ? static_cast<uint32_t>(detail.size()) : d.summary;
        detail.insert(detail.end(), d.entry.begin(), d.entry.end());
        apts.push_back(rec);
    }
    layout.detailLength = static_cast<uint32_t>(detail.size());
    layout.Compute();
    if (!detail.empty()) {
        if (ImageResult r = image.Write(layout.detailStart, detail.data(), detail.size()); !r) return r;
    }

    for (int s = 0; s < kSectionCount; ++s) {
        const uint32_t count =
            s == kSectionApt ? static_cast<uint32_t>(apts.size()) : static_cast<uint32_t>(points[s].size());
        uint32_t cities = 0;
        if (s == kSectionApt) {
            for (const auto& a : apts) cities += a.city.absent ? 0 : 1;
        } else {
            for (const auto& t : points[s]) cities += t.city >= 0 ? 1 : 0;
        }
        layout.sections[s].recordCount = count;
        layout.sections[s].cityCount = p.sections[s].hasNames ? cities : 0;
        layout.Compute();
        SectionRecordWriter records(image, s);
        for (uint32_t n = 0; n < count; ++n) {
            std::vector<uint8_t> rec(p.sections[s].recordSize);
            ImageResult r;
            std::string ident;
            if (s == kSectionApt) {
                r = EncodeAptRecord(p, apts[n], rec.data());
                ident = apts[n].ident;
            } else {
                const imgtest::TestPoint& t = points[s][n];
                PointRecordInput base;
                base.ident = ImageIdent(t.ident.c_str());
                base.lat = t.lat;
                base.lon = t.lon;
                base.countryIndex = t.country;
                base.facility = t.facility < 0 ? NamePosition::Absent()
                                               : NamePosition::At(nameBits_[static_cast<size_t>(t.facility)]);
                base.city =
                    t.city < 0 ? NamePosition::Absent() : NamePosition::At(nameBits_[static_cast<size_t>(t.city)]);
                ident = base.ident;
                if (s == kSectionInt) {
                    IntRecordInput in;
                    static_cast<PointRecordInput&>(in) = base;
                    r = EncodeIntRecord(p, in, rec.data());
                } else if (s == kSectionNdb) {
                    NdbRecordInput in;
                    static_cast<PointRecordInput&>(in) = base;
                    in.bfreq = t.value & 0x7FFF;
                    in.bcompat = static_cast<int32_t>(static_cast<uint32_t>(t.value) >> 16);
                    r = EncodeNdbRecord(p, in, rec.data());
                } else {
                    VorRecordInput in;
                    static_cast<PointRecordInput&>(in) = base;
                    in.vfreq = t.value & 0xFFFF;
                    in.vdme = static_cast<int32_t>(static_cast<uint32_t>(t.value) >> 16);
                    r = EncodeVorRecord(p, in, rec.data());
                }
            }
            if (!r) return r;
            if (ImageResult w = records.Add(rec.data(), ident); !w) return w;
        }
        IndexWriter index(image, records);
        if (ImageResult r = index.Run(); !r) return r;
    }

    // Airspace bodies.
    TccSectionHeader tcc;
    Bytes tccBody;
    if (withTcc) tccBody = ExampleTccBody(*this, &tcc);
    SuaSectionHeader sua;
    Bytes suaBody;
    uint32_t suaRecordsAt = 0;
    if (!suas.empty()) {
        Bytes m, a, bt;
        std::vector<uint32_t> offsets;
        for (const ExampleSua& u : suas) {
            offsets.push_back(m.Size());
            m.Append(u.stream);
        }
        for (size_t i = 0; i < suas.size(); ++i) {
            const ExampleSua& u = suas[i];
            Bytes& t = u.tableA ? a : bt;
            const auto w = static_cast<uint32_t>(u.west), so = static_cast<uint32_t>(u.south);
            const auto e = static_cast<uint32_t>(u.east), no = static_cast<uint32_t>(u.north);
            t.U16(w >> 16);
            t.U16((so >> 15) & 0xFFFF);
            t.U8(u.lower & 0xFF);
            t.U8(((u.lower >> 8) & 3) | ((w >> 14) & 3) << 2 | ((so >> 14) & 1) << 4);
            t.U16(e >> 16);
            t.U16((no >> 15) & 0xFFFF);
            t.U8(u.upper & 0xFF);
            t.U8(((u.upper >> 8) & 3) | ((e >> 14) & 3) << 2 | ((no >> 14) & 1) << 4);
            t.U16((static_cast<uint32_t>(u.lon0) - w) >> 14);
            t.U24(offsets[i] | (u.heights ? 0x800000 : 0));
            t.U8(u.priority << 6 | u.type);
            t.U16(u.agency < 0 ? 0xFFFF : static_cast<uint32_t>(u.agency));
            t.U16(u.area < 0 ? 0xFFFF : static_cast<uint32_t>(u.area));
            t.U8(u.agency < 0 ? 0xF0 : 0);
            if (u.tableA) t.U16(u.airport < 0 ? 0xFFFF : static_cast<uint32_t>(u.airport));
        }
        Bytes r, g;
        for (size_t i = 0; i < suas.size(); ++i) r.U16(static_cast<uint32_t>(i));
        for (int i = 0; i < 20; ++i) g.U8(0);
        using H = SuaSectionHeader;
        sua.v[H::S] = 0;
        sua.v[H::E] = m.Size();
        suaBody.Append(m);
        sua.v[H::O2] = suaBody.Size();
        sua.v[H::C2] = a.Size() / 25;
        suaRecordsAt = suaBody.Size();
        suaBody.Append(a);
        sua.v[H::O3] = suaBody.Size();
        sua.v[H::C3] = bt.Size() / 23;
        suaBody.Append(bt);
        sua.v[H::O1] = suaBody.Size();
        sua.v[H::C1] = r.Size() / 2;
        suaBody.Append(r);
        sua.v[H::O0] = suaBody.Size();
        sua.v[H::C0] = 1;
        suaBody.Append(g);
        sua.v[H::L] = suaBody.Size();
    }
    HeaderInput header;
    header.title = "LISTING TEST";
    header.date = {11, 5, 2006};
    header.tcc = withTcc ? &tcc : nullptr;
    header.sua = suas.empty() ? nullptr : &sua;
    AppendedPositions at;
    if (ImageResult r = WriteImageHeader(image, header, &at); !r) return r;
    if (ImageResult r = WriteAirspace(image, at, tcc, tccBody, sua, suaBody, suaRecordsAt); !r) return r;
    *imageEnd = layout.ImageEnd();
    return image.Cut(*imageEnd);
}

inline ImageResult ExampleBuilder::WriteAirspace(Image& image, const AppendedPositions& at, const TccSectionHeader& tcc,
                                                 const Bytes& tccBody, const SuaSectionHeader& sua,
                                                 const Bytes& suaBody, uint32_t suaRecordsAt) {
    if (withTcc) {
        std::vector<uint8_t> body = tccBody.b;
        uint8_t* fss = &body[tcc.v[1]];
        if (ImageResult r = RelocateAirspaceRecord(params_, kFssRecord496, fss, nameMap_, 0, airportSerials_); !r)
            return r;
        uint8_t* rec = &body[tcc.v[5]];
        if (ImageResult r =
                RelocateAirspaceRecord(params_, kTccRecord496, rec, nameMap_, at.tcc + tcc.v[4], airportSerials_);
            !r) {
            return r;
        }
        if (ImageResult r = image.Write(at.tcc, body.data(), body.size()); !r) return r;
    }
    if (!suas.empty()) {
        std::vector<uint8_t> body = suaBody.b;
        uint32_t offset = suaRecordsAt;
        for (const ExampleSua& u : suas) {
            const AirspaceRecordLayout& layout = u.tableA ? kSuaRecordA496 : kSuaRecordB496;
            if (ImageResult r =
                    RelocateAirspaceRecord(params_, layout, &body[offset], nameMap_, at.sua, airportSerials_);
                !r) {
                return r;
            }
            offset += layout.size;
        }
        (void)sua;
        if (ImageResult r = image.Write(at.sua, body.data(), body.size()); !r) return r;
    }
    return ImageResult::Ok();
}

}  // namespace listtest
