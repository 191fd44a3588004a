#include "gen/image/IndexWriter.h"

#include <algorithm>

#include "common/CLocale.h"
#include "gen/image/Image.h"
#include "gen/image/KeyOrder.h"
#include "gen/image/PositionField.h"
#include "gen/image/SectionRecordWriter.h"

namespace {

int64_t GridKey(const RecordSortKeys& k) {
    return static_cast<int64_t>(k.lat / kGridBoxSize) * 1000 + (k.lon / kGridBoxSize);
}

}  // namespace

IndexWriter::IndexWriter(Image& image, const SectionRecordWriter& records)
    : image_(&image), records_(&records), section_(records.Section()) {}

void IndexWriter::SortBy(State next) {
    const auto& keys = records_->Keys();
    OrderByKey(static_cast<uint32_t>(keys.size()),
               [&](uint32_t n) -> int64_t {
                   switch (next) {
                   case State::GridIndex: return GridKey(keys[n]);
                   case State::CityIndex: return keys[n].city;
                   default: return keys[n].facility;
                   }
               },
               &order_);
    state_ = next;
    call_ = 0;
}

ImageResult IndexWriter::WriteIndex(uint32_t start, uint32_t count) {
    // The whole index at its first entry's call; the calls after it only count.
    if (call_ != 0) return ImageResult::Ok();
    std::vector<uint8_t> bytes(2 * size_t{count});
    for (uint32_t i = 0; i < count; ++i) PutU16(&bytes[2 * i], order_[i]);
    return count ? image_->Write(start, bytes.data(), bytes.size()) : ImageResult::Ok();
}

ImageResult IndexWriter::Step(bool* done) {
    *done = false;
    SectionDescriptor& d = image_->Layout().sections[section_];
    const uint32_t n = records_->Count();
    switch (state_) {
    case State::Buckets:
        if (call_ == 0) {
            if (n != d.recordCount) {
                return ImageResult::Internal(StringFormatC("Program error: %s records written %u, counted %u",
                                                           d.params->name, n, d.recordCount));
            }
            if (ImageResult r = image_->WriteU16(d.infoStart + kInfoRecordCount, n); !r) return r;
        }
        if (ImageResult r = image_->WriteU16(d.infoStart + kInfoBuckets + 2 * call_, records_->Buckets().Entry(call_)); !r) {
            return r;
        }
        if (++call_ == kBucketCount) SortBy(State::GridIndex);
        return ImageResult::Ok();

    case State::GridIndex:
        if (call_ < n) {
            if (ImageResult r = WriteIndex(d.gridIndexStart, n); !r) return r;
            ++call_;
        }
        if (call_ >= n) {
            gridOrder_.assign(order_.begin(), order_.end());
            if (d.params->hasNames) {
                SortBy(State::CityIndex);
            } else {
                state_ = State::Boxes;
                call_ = 0;
            }
        }
        return ImageResult::Ok();

    case State::CityIndex:
        if (call_ == 0 && records_->CityCount() != d.cityCount) {
            return ImageResult::Internal(StringFormatC("Program error: %s records with a city name %u, counted %u",
                                                       d.params->name, records_->CityCount(), d.cityCount));
        }
        if (call_ < d.cityCount) {
            if (ImageResult r = WriteIndex(d.cityIndexStart, d.cityCount); !r) return r;
            ++call_;
        }
        if (call_ >= d.cityCount) SortBy(State::FacilityIndex);
        return ImageResult::Ok();

    case State::FacilityIndex:
        if (call_ < n) {
            if (ImageResult r = WriteIndex(d.facilityIndexStart, n); !r) return r;
            ++call_;
        }
        if (call_ >= n) {
            state_ = State::Boxes;
            call_ = 0;
        }
        return ImageResult::Ok();

    case State::Boxes:
        if (call_ == 0) {
            boxes_.assign(kGridBoxCount, Box{});
            lastBox_ = -1;
        }
        if (call_ < n) {
            if (ImageResult r = BoxStep(); !r) return r;
            ++call_;
        }
        if (call_ >= n) {
            state_ = State::Cells;
            call_ = 0;
            searchBox_ = 0;
            cells_ = 0;
        }
        return ImageResult::Ok();

    case State::Cells: {
        bool finished = false;
        if (ImageResult r = CellStep(&finished); !r) return r;
        if (finished) {
            d.cellCount = cells_;
            image_->Layout().Compute();
            boxes_.clear();
            state_ = State::Done;
            *done = true;
        }
        return ImageResult::Ok();
    }

    case State::Done:
        *done = true;
        return ImageResult::Ok();
    }
    return ImageResult::Ok();
}

ImageResult IndexWriter::BoxStep() {
    const RecordSortKeys& k = records_->Keys()[gridOrder_[call_]];
    const int32_t box = GridBox(k.lat, k.lon);
    if (box < 0 || box >= kGridBoxCount) return ImageResult::Internal(StringFormatC("grid box out of range %d", box));
    if (box < lastBox_) return ImageResult::Internal(StringFormatC("x2 record out of sequence %d", static_cast<int>(call_)));
    Box& b = boxes_[static_cast<size_t>(box)];
    if (box != lastBox_) b.first = static_cast<uint16_t>(call_);
    ++b.count;
    lastBox_ = box;
    return ImageResult::Ok();
}

ImageResult IndexWriter::CellStep(bool* finished) {
    *finished = false;
    while (searchBox_ < kGridBoxCount && boxes_[searchBox_].count == 0) ++searchBox_;
    if (searchBox_ >= kGridBoxCount) {
        *finished = true;
        return ImageResult::Ok();
    }
    const uint32_t cell = searchBox_ / kBoxesPerCell;
    uint8_t bytes[kGridCellSize];
    EncodeCellCorner(cell, bytes);
    for (uint32_t i = 0; i < kBoxesPerCell; ++i) {
        const Box& b = boxes_[cell * kBoxesPerCell + i];
        PutU16(bytes + 5 + 4 * i, b.count);
        PutU16(bytes + 7 + 4 * i, b.first);
    }
    const SectionDescriptor& d = image_->Layout().sections[section_];
    if (ImageResult r = image_->Write(d.cellsStart + kGridCellSize * cells_, bytes, sizeof bytes); !r) return r;
    ++cells_;
    searchBox_ = (cell + 1) * kBoxesPerCell;
    return ImageResult::Ok();
}

ImageResult IndexWriter::Run() {
    bool done = false;
    while (!done) {
        if (ImageResult r = Step(&done); !r) return r;
    }
    return ImageResult::Ok();
}
