#include "manager/GpxWriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/Angle.h"
#include "dblib/dfRTE.h"
#include "dblib/dfUSR.h"
#include "common/XmlText.h"
#include "manager/FieldText.h"
#include "manager/RouteSlots.h"
#include "manager/SymbolTable.h"

namespace {

constexpr const char* kGpxStart =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>"
    "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\""
    " xmlns:gpxx=\"http://www.garmin.com/xmlschemas/GpxExtensions/v3\""
    " xmlns:gpxtpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v1\""
    " creator=\"aera 660\" version=\"1.1\""
    " xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""
    " xsi:schemaLocation=\"http://www.topografix.com/GPX/1/1 http://www.topografix.com/GPX/1/1/gpx.xsd"
    " http://www.garmin.com/xmlschemas/GpxExtensions/v3 http://www.garmin.com/xmlschemas/GpxExtensionsv3.xsd"
    " http://www.garmin.com/xmlschemas/TrackPointExtension/v1"
    " http://www.garmin.com/xmlschemas/TrackPointExtensionv1.xsd\">"
    "<metadata><link href=\"http://www.garmin.com\"><text>Garmin International</text></link>";

// Characters that stand in element text as they are: printable ASCII but & < > ".
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int c = 0x20; c < 0x7F; ++c) plain[static_cast<size_t>(c)] = c != '&' && c != '<' && c != '>' && c != '"';
    return plain;
}();

bool Plain(std::string_view text) {
    bool plain = true;
    for (char c : text) plain &= kPlain[static_cast<unsigned char>(c)];
    return plain;
}

// Whether the first `length` bytes of a record file's field are plain. The field is tested
// whole, in blocks, so that the test takes the same steps whatever the length.
template <size_t N>
bool PlainField(const char (&field)[N], size_t length) {
#if defined(__SSE2__)
    if constexpr (N == 8 || (N % 16 == 0 && N <= 64)) {
        // A bit for each byte that is not plain, the bits of all blocks in one word. As signed
        // bytes, those below 0x20 and from 0x80 on are less than 0x20.
        auto notPlain = [](__m128i block) {
            const __m128i bad = _mm_or_si128(
                _mm_or_si128(_mm_cmplt_epi8(block, _mm_set1_epi8(0x20)), _mm_cmpeq_epi8(block, _mm_set1_epi8(0x7F))),
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('&')), _mm_cmpeq_epi8(block, _mm_set1_epi8('<'))),
                             _mm_or_si128(_mm_cmpeq_epi8(block, _mm_set1_epi8('>')), _mm_cmpeq_epi8(block, _mm_set1_epi8('"')))));
            return static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(bad)));
        };
        uint64_t bad = 0;
        if constexpr (N == 8) {
            bad = notPlain(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(field))) & 0xFF;
        } else {
            for (size_t at = 0; at < N; at += 16)
                bad |= notPlain(_mm_loadu_si128(reinterpret_cast<const __m128i*>(field + at))) << at;
        }
        const uint64_t within = length >= 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
        return (bad & within) == 0;
    }
#endif
    return Plain(std::string_view(field, length));
}

// Hands the text on once it has grown past a chunk.
constexpr size_t kChunk = 1u << 19;
void MaybeFlush(std::string& out, const GpxFlush& flush) {
    if (flush && out.size() >= kChunk) flush(out);
}

// The text of the waypoints or route points, gathered in a buffer of its own and added to the
// file's text a piece of many points at a time.
class Piece {
public:
    // Room below which the text gathered goes on at the end of a point (or route): more than a
    // waypoint takes with its texts escaped, and Add makes room for more itself.
    static constexpr size_t kPointRoom = 1024;

    // With a flush, the text goes on in chunks as it grows (see EndPoint).
    explicit Piece(std::string& out, const GpxFlush* flush = nullptr) : out_(out), flush_(flush) {}
    ~Piece() { Spill(); }
    Piece(const Piece&) = delete;
    Piece& operator=(const Piece&) = delete;

    void Add(std::string_view text) {
        if (text.size() > Room()) {
            Spill();
            if (text.size() > sizeof bytes_) {
                out_ += text;
                return;
            }
        }
        std::memcpy(at_, text.data(), text.size());
        at_ += text.size();
    }
    // A tag: its length is known here, so the copy needs no call.
    template <size_t N>
    void Add(const char (&tag)[N]) {
        static_assert(N - 1 <= sizeof bytes_);
        if (N - 1 > Room()) Spill();
        std::memcpy(at_, tag, N - 1);
        at_ += N - 1;
    }
    void Add(char c) {
        if (Room() == 0) Spill();
        *at_++ = c;
    }
    // Degrees with six decimals, as "%lf" in the C locale writes them.
    void AddDegrees(int32_t value) {
        if (Room() < static_cast<size_t>(kCircleDegreesTextSize)) Spill();
        at_ += FormatCircleDegrees(at_, value);
    }
    // The start tag of a point from its start ("<wpt lat=\""): "<wpt lat="%lf" lon="%lf">".
    template <size_t S>
    void AddPoint(const char (&start)[S], int32_t latitude, int32_t longitude) {
        Add(start);
        AddDegrees(latitude);
        Add("\" lon=\"");
        AddDegrees(longitude);
        Add("\">");
    }
    // An element from its start and end tags ("<name>", "</name>") and its text.
    template <size_t S, size_t E>
    void AddElement(const char (&start)[S], const char (&end)[E], std::string_view text) {
        const bool plain = Plain(text);
        Add(start);
        // Plain ASCII text stands as it is.
        if (plain) Add(text);
        else Add(XmlTextFrom1252(text));
        Add(end);
    }
    // An element of a record file's text field: a plain text is copied with its whole field.
    template <size_t S, size_t E, size_t N>
    void AddElement(const char (&start)[S], const char (&end)[E], const char (&field)[N]) {
        const size_t length = FieldLength(field);
        if (!PlainField(field, length)) {
            AddElement(start, end, std::string_view(field, length));
            return;
        }
        Add(start);
        if (Room() < N) Spill();
        std::memcpy(at_, field, N);
        at_ += length;
        Add(end);
    }
    // Ends a point: the text gathered goes on when the next point might not fit.
    void EndPoint() {
        if (Room() >= kPointRoom) return;
        Spill();
        if (flush_) MaybeFlush(out_, *flush_);
    }
    // Adds what was gathered to the text.
    void Spill() {
        out_.append(bytes_, static_cast<size_t>(at_ - bytes_));
        at_ = bytes_;
    }

private:
    size_t Room() const { return static_cast<size_t>(bytes_ + sizeof bytes_ - at_); }

    std::string& out_;
    const GpxFlush* flush_;
    char bytes_[16384];
    char* at_ = bytes_;
};

// Room for a chunk and the piece that passes it, so that the text is not moved as it grows.
void ReserveChunk(std::string& out, const GpxFlush& flush) {
    if (flush) out.reserve(out.size() + kChunk + kChunk / 2);
}

}  // namespace

void WriteGpxHeader(std::string& out, std::time_t now) {
    out += kGpxStart;
    std::tm utc{};
    gmtime_r(&now, &utc);
    char time[32];
    std::strftime(time, sizeof time, "%Y-%m-%dT%H:%M:%SZ", &utc);
    out += "<time>";
    out += time;
    out += "</time></metadata>";
}

void WriteGpxWaypoint(std::string& out, dfUSR& usr, std::time_t now, const GpxFlush& flush) {
    ReserveChunk(out, flush);
    WriteGpxHeader(out, now);
    usr.SelectIndex("uident");
    usr.Rewind();
    // Waypoints mostly share a symbol: the element of the last one is kept.
    uint32_t symbolCode = UINT32_MAX;
    std::string symbol;
    Piece piece(out, &flush);
    while (usr.Next(1) == 0) {
        piece.AddPoint("<wpt lat=\"", usr.ulat, usr.ulong);
        piece.AddElement("<name>", "</name>", usr.uident);
        piece.AddElement("<desc>", "</desc>", usr.uname);
        const uint32_t code = static_cast<uint32_t>(usr.uicon) >> 8 & 0xFFFF;
        if (code != symbolCode) {
            symbolCode = code;
            symbol.clear();
            if (const char* name = SymbolName(code)) {
                Piece element(symbol);
                element.AddElement("<sym>", "</sym>", name);
            }
        }
        piece.Add(std::string_view(symbol));
        piece.Add("</wpt>");
        piece.EndPoint();
    }
    piece.Add("</gpx>");
}

void WriteGpxRoute(std::string& out, dfRTE& rte, std::time_t now, const GpxFlush& flush) {
    ReserveChunk(out, flush);
    WriteGpxHeader(out, now);
    RouteSlots route;
    Piece piece(out, &flush);
    for (int from = 0; CollectNextRoute(rte, from, route); from = route.number + 1) {
        piece.Add("<rte>");
        if (const auto& title = route.slots[0])
            piece.AddElement("<name>", "</name>", title->rtname1);
        for (size_t order = 1; order < route.slots.size(); ++order) {
            const auto& point = route.slots[order];
            if (!point) continue;
            piece.AddPoint("<rtept lat=\"", point->rtlat, point->rtlong);
            piece.AddElement("<name>", "</name>", point->rtident);
            piece.Add("<extensions><gpxx:RoutePointExtension><gpxx:Subclass>000000000000ffffffff000000000");
            piece.Add(point->rttype == 4 ? '2' : '0');
            piece.Add("000000</gpxx:Subclass></gpxx:RoutePointExtension></extensions></rtept>");
        }
        piece.Add("</rte>");
        piece.EndPoint();
    }
    piece.Add("</gpx>");
}
