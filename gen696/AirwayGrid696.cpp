#include "gen696/AirwayGrid696.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>

#include "gen696/PointIndexes696.h"
#include "gen696/PointRecords696.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kUnit = 2 * kPi / 4294967296.0;   // radians per angle unit
// Below this sine of a segment's arc (its ends near the same or opposite points) every point
// along it takes its sines.
constexpr double kSteadySine = 1e-3;

// Longitude cells apart, taken across the 180-degree meridian when that is shorter.
int32_t LonDelta(int32_t from, int32_t to) {
    int32_t d = to - from;
    if (d > 170) d -= 180;
    if (d < -170) d += 180;
    return d;
}

}  // namespace

// The cells floor(atan2(s, c) / cell) of directions one after another. A direction that lies
// inside the cell last found by more than a margin far beyond the rounding of either way is in
// that cell without its angle being computed; the others take the angle as always. The cell
// last found is kept from segment to segment, as the next one mostly starts in it.
class AirwayGrid696::AngleCells {
public:
    explicit AngleCells(double width) : width_(width) {
        for (int32_t k = -kEdges; k <= kEdges; ++k) edges_[static_cast<size_t>(k + kEdges)] = SinCos(k);
    }

    // How far the direction lies inside the cell last found, beyond the margin: the least of
    // |p| sin and cos of the angles from the cell's low edge and to its high edge, each a
    // distance that moves no faster than the point (s, c); below zero when it is not inside.
    double Clearance(double s, double c) const {
        if (!known_) return -1;
        return ClearanceOf(s, c, sinLow_, cosLow_, sinHigh_, cosHigh_);
    }
    int32_t Last() const { return last_; }

    // `c` may differ from the exact value `exactC` gives by its last bits.
    template <class ExactC>
    int32_t Of(double s, double c, const ExactC& exactC) {
        if (Clearance(s, c) > 0) return last_;
        Take(static_cast<int32_t>(std::floor(std::atan2(s, exactC()) / width_)));
        return last_;
    }

    // A direction known within `slack`, inside a cell next to the one last found by the margin
    // and the slack, is in that cell, which its angle would give: it becomes the cell last found.
    bool StepInto(double s, double c, double slack) {
        if (!known_) return false;
        for (const int32_t k : {last_ - 1, last_ + 1}) {
            if (!Known(k)) continue;
            const auto [sinLow, cosLow] = Edge(k);
            const auto [sinHigh, cosHigh] = Edge(k + 1);
            if (ClearanceOf(s, c, sinLow, cosLow, sinHigh, cosHigh) > slack) {
                Take(k);
                return true;
            }
        }
        return false;
    }

private:
    static constexpr double kMargin = 1e-9;
    static constexpr int32_t kEdges = 91;   // the edges within the half turn, each way

    static double ClearanceOf(double s, double c, double sinLow, double cosLow, double sinHigh, double cosHigh) {
        const double margin = kMargin * (std::abs(s) + std::abs(c));
        return std::min(std::min(s * cosLow - c * sinLow - margin, c * sinHigh - s * cosHigh - margin),
                        std::min(c * cosLow + s * sinLow, c * cosHigh + s * sinHigh));
    }
    // Cells across the half turn are left to the angle.
    bool Known(int32_t k) const { return k * width_ > -kPi + 1e-6 && (k + 1) * width_ < kPi - 1e-6; }
    void Take(int32_t k) {
        last_ = k;
        known_ = Known(k);
        if (known_) {
            std::tie(sinLow_, cosLow_) = Edge(k);
            std::tie(sinHigh_, cosHigh_) = Edge(k + 1);
        }
    }

    std::pair<double, double> SinCos(int32_t k) const {
        const double angle = k * width_;
        return {std::sin(angle), std::cos(angle)};
    }
    // The sine and cosine of edge k, looked up once.
    std::pair<double, double> Edge(int32_t k) const {
        return k >= -kEdges && k <= kEdges ? edges_[static_cast<size_t>(k + kEdges)] : SinCos(k);
    }

    double width_;
    std::pair<double, double> edges_[2 * kEdges + 1];
    int32_t last_ = 0;
    bool known_ = false;
    double sinLow_ = 0, cosLow_ = 0, sinHigh_ = 0, cosHigh_ = 0;
};

int32_t AirwayCell696(int32_t angle) {
    return static_cast<int32_t>(std::floor(static_cast<double>(angle) / kGridCell696));
}

AirwayGrid696::AirwayGrid696()
    : cells_(kGridBoxes696),
      lats_(std::make_unique<AngleCells>(kGridCell696 * kUnit)),
      lons_(std::make_unique<AngleCells>(kGridCell696 * kUnit)) {}

AirwayGrid696::~AirwayGrid696() = default;

void AirwayGrid696::StartAirway(uint32_t number) {
    airway_ = number;
    havePrevious_ = false;
}

void AirwayGrid696::Put(int32_t latCell, int32_t lonCell) {
    latCell = std::clamp(latCell, -45, 44);
    lonCell = ((lonCell + 90) % 180 + 180) % 180 - 90;
    std::vector<uint32_t>& list = cells_[static_cast<size_t>((latCell + 45) * 180 + (lonCell + 90))];
    // The airway being added, once in the list, is mostly its last entry.
    if ((list.empty() || list.back() != airway_) && std::find(list.begin(), list.end(), airway_) == list.end()) {
        if (list.size() == list.capacity()) list.reserve(list.size() + 64);
        list.push_back(airway_);
    }
    havePrevious_ = true;
    prevLat_ = latCell;
    prevLon_ = lonCell;
}

void AirwayGrid696::AddCell(int32_t latCell, int32_t lonCell) {
    latCell = std::clamp(latCell, -45, 44);
    lonCell = ((lonCell + 90) % 180 + 180) % 180 - 90;
    if (havePrevious_ && latCell == prevLat_ && lonCell == prevLon_) return;   // the airway is in it already
    // At most one cell between per step: the walk toward the cell ends (at most 90 + 90 steps).
    for (int guard = 0; havePrevious_ && guard < 400; ++guard) {
        const int32_t dLat = latCell - prevLat_;
        const int32_t dLon = LonDelta(prevLon_, lonCell);
        if (std::abs(dLat) < 2 && std::abs(dLon) < 2) break;
        if (std::abs(dLat) >= 2) {
            Put(prevLat_ + (dLat > 0 ? 1 : -1), prevLon_);
        } else {
            Put(prevLat_, prevLon_ + (dLon > 0 ? 1 : -1));
        }
    }
    Put(latCell, lonCell);
}

void AirwayGrid696::UnitVector(int32_t lat, int32_t lon, double* v) {
    const double f = lat * kUnit;
    const double l = lon * kUnit;
    v[0] = std::cos(f) * std::cos(l);
    v[1] = std::cos(f) * std::sin(l);
    v[2] = std::sin(f);
}

void AirwayGrid696::AddSegment(int32_t fromLat, int32_t fromLon, int32_t toLat, int32_t toLon) {
    // Points along the great circle a small part of a cell apart; each adds its cell.
    // A segment mostly starts where the one before ended: that end's vector is taken again.
    double a[3];
    if (haveEnd_ && fromLat == endLat_ && fromLon == endLon_) {
        std::copy(std::begin(end_), std::end(end_), a);
    } else {
        UnitVector(fromLat, fromLon, a);
    }
    UnitVector(toLat, toLon, end_);
    haveEnd_ = true;
    endLat_ = toLat;
    endLon_ = toLon;
    const double ax = a[0], ay = a[1], az = a[2];
    const double bx = end_[0], by = end_[1], bz = end_[2];
    // A start in the cells last found, inside them by more than the chord to the end: every
    // point along the arc is nearer the start than the end is, so in those cells too, which
    // add nothing after the start's.
    // The cells go to AddCell through `add`, which passes over the cells it passed last.
    int32_t addedLat = 0;
    int32_t addedLon = 0;
    bool added = false;
    const auto add = [&](int32_t latCell, int32_t lonCell) {
        if (added && latCell == addedLat && lonCell == addedLon) return;
        AddCell(latCell, lonCell);
        added = true;
        addedLat = latCell;
        addedLon = lonCell;
    };
    const int32_t fromLatCell = AirwayCell696(fromLat);
    const int32_t fromLonCell = AirwayCell696(fromLon);
    add(fromLatCell, fromLonCell);
    const double chord = std::sqrt((bx - ax) * (bx - ax) + (by - ay) * (by - ay) + (bz - az) * (bz - az));
    if (fromLatCell == lats_->Last() && fromLonCell == lons_->Last() &&
        std::min(lons_->Clearance(ay, ax), lats_->Clearance(az, std::sqrt(ax * ax + ay * ay))) >
            chord * (1 + 1e-6) + 1e-12) {
        add(AirwayCell696(toLat), AirwayCell696(toLon));
        return;
    }
    const double dot = std::clamp(ax * bx + ay * by + az * bz, -1.0, 1.0);
    const double d = std::acos(dot);
    const double cell = kGridCell696 * kUnit;
    const int steps = std::max(1, static_cast<int>(std::ceil(d / (cell / 16))));
    const double sd = std::sin(d);
    // The point of step i as the sines of its angles from both ends give it.
    const auto addExact = [&](int i) {
        const double t = static_cast<double>(i) / steps;
        const double wa = std::sin((1 - t) * d) / sd;
        const double wb = std::sin(t * d) / sd;
        const double x = wa * ax + wb * bx, y = wa * ay + wb * by, z = wa * az + wb * bz;
        // Latitude atan2(z, hypot(x, y)), longitude atan2(y, x).
        const int32_t latCell = lats_->Of(z, std::sqrt(x * x + y * y), [&] { return std::hypot(x, y); });
        const int32_t lonCell = lons_->Of(y, x, [&] { return x; });
        add(latCell, lonCell);
    };
    if (sd < kSteadySine) {
        for (int i = 1; i < steps && sd > 1e-12; ++i) addExact(i);
        add(AirwayCell696(toLat), AirwayCell696(toLon));
        return;
    }
    // Otherwise the angle from the start turns by a fixed step: its cosine and sine follow by
    // rotation, within `slack` of the sines above in every part of the point (a bound far above
    // the rounding of both ways). A point that this puts inside both cells last found by the
    // margin and the slack is there, as is one inside a cell next to those; the others are taken
    // as above. As a step moves the point
    // by less than its angle, the points of as many steps as the clearance beyond the slack
    // holds are in those cells too, and pass without being looked at. cos d is the dot product
    // within its rounding; the turn, at most a sixteenth of a cell, takes its series.
    const double cot = dot / sd;
    const double inv = 1 / sd;
    const double h = d / steps;
    const double h2 = h * h;
    const double turnC = 1 - h2 / 2 * (1 - h2 / 12 * (1 - h2 / 30 * (1 - h2 / 56)));
    const double turnS = h * (1 - h2 / 6 * (1 - h2 / 20 * (1 - h2 / 42)));
    constexpr double kEps = 2.220446049250313e-16;
    const double weightError = (4.0 * steps + 16) * kEps * (1 + std::abs(cot) + inv);
    const double slack = 4 * (2 * weightError + 8 * kEps * inv);
    const double stride = h * (1 + 1e-6);
    double rc = 1;
    double rs = 0;
    const auto turn = [&] {
        const double nc = rc * turnC - rs * turnS;
        rs = rs * turnC + rc * turnS;
        rc = nc;
    };
    // The point's clearance in its cell, after a step into the cell next to the last one where
    // it left that; none where only its angle can tell.
    const auto settled = [slack](AngleCells& cells, double sine, double cosine) -> std::optional<double> {
        const double clear = cells.Clearance(sine, cosine);
        if (clear > slack) return clear;
        if (!cells.StepInto(sine, cosine, slack)) return std::nullopt;
        return cells.Clearance(sine, cosine);
    };
    for (int i = 1; i < steps; ++i) {
        turn();
        const double wa = rc - rs * cot;
        const double wb = rs * inv;
        const double x = wa * ax + wb * bx, y = wa * ay + wb * by, z = wa * az + wb * bz;
        // A point that left a cell for the one next to it takes that one without its angle.
        const std::optional<double> lonClear = settled(*lons_, y, x);
        const double rho = std::sqrt(x * x + y * y);
        const std::optional<double> latClear = lonClear ? settled(*lats_, z, rho) : std::nullopt;
        if (!latClear) {
            addExact(i);
            continue;
        }
        const double clear = std::min(*lonClear, *latClear);
        add(lats_->Last(), lons_->Last());
        for (double passed = (clear - slack) / stride; passed >= 1 && i + 1 < steps; passed -= 1) {
            ++i;
            turn();
        }
    }
    add(AirwayCell696(toLat), AirwayCell696(toLon));
}

void AirwayGrid696::Sections(std::vector<uint8_t>* lists, uint32_t* entries, std::vector<uint8_t>* runs,
                             uint32_t* runCount) const {
    lists->clear();
    runs->clear();
    *entries = 0;
    *runCount = 0;
    std::vector<uint32_t> firsts(kGridBoxes696, 0x3FFFF);
    for (uint32_t i = 0; i < kGridBoxes696; ++i) {
        if (!cells_[i].empty()) firsts[i] = *entries;
        for (uint32_t number : cells_[i]) {
            lists->push_back(static_cast<uint8_t>(number));
            lists->push_back(static_cast<uint8_t>(number >> 8));
            lists->push_back(static_cast<uint8_t>(number >> 16));
            ++*entries;
        }
    }
    for (uint32_t k = 0; k < kGridBoxes696 / 5; ++k) {
        uint16_t counts[5];
        uint32_t sum = 0;
        for (uint32_t i = 0; i < 5; ++i) {
            counts[i] = static_cast<uint16_t>(std::min<size_t>(cells_[5 * k + i].size(), 0xFFFF));
            sum += counts[i];
        }
        if (sum == 0) continue;
        uint8_t rec[kBoxRunBytes696];
        PackBoxRun696(k, counts, &firsts[5 * k], RunForm696::Airways, rec);
        runs->insert(runs->end(), rec, rec + kBoxRunBytes696);
        ++*runCount;
    }
}
