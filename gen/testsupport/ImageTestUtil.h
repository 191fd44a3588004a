// Helpers of the image tests: a temporary folder, a scripted user interface, and a small
// image builder that runs the coders in Create Image order.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "gen/image/Image.h"
#include "gen/image/ImageCut.h"
#include "gen/image/ImageFileUi.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/IndexWriter.h"
#include "gen/image/NamesTable.h"
#include "gen/image/PacketCount.h"
#include "gen/image/RecordCoder.h"
#include "gen/image/SectionRecordWriter.h"
#include "gen/image/Sumcheck.h"
#include "gen/image/CountryRecord.h"
#include "platform/testsupport/ScratchDir.h"

namespace imgtest {

using suitetest::ReadAll;
using suitetest::WriteAll;
using TempDir = suitetest::ScratchDir;

class ScriptedUi : public ImageFileUi {
public:
    std::deque<bool> answers;  // Yes/No replies in order; No when none is left
    std::vector<std::string> messages, questions, lines;
    bool controlRun = false;

    void Message(const std::string& text) override { messages.push_back(text); }
    bool Question(const std::string& text) override {
        questions.push_back(text);
        if (answers.empty()) return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    void AddLine(const std::string& text) override { lines.push_back(text); }
    bool ControlFileRun() const override { return controlRun; }
};

// A small database already in image order: countries by id, names alphabetical, records by
// ident. Name references are indexes into `names` (-1 none); countries are indexes too.
struct TestPoint {
    std::string ident;
    int32_t lat = 0;
    int32_t lon = 0;
    uint32_t country = 0;
    int facility = -1;
    int city = -1;
    int32_t value = 0;  // NDB kHz x 10, VOR MHz x 100
};

struct TestDatabase {
    std::vector<std::pair<std::string, std::string>> countries;
    std::vector<std::string> names;
    std::vector<TestPoint> points[kSectionCount];
};

struct BuiltImage {
    uint32_t imageEnd = 0;
    std::vector<uint8_t> sumcheck;
    uint32_t packetCount = 0;
};

inline ImageResult BuildTestImage(Image& image, const TestDatabase& db, const std::string& title, BuiltImage* out,
                                  const ImageDate& date = {1, 15, 2026}) {
    const ImageParams& p = image.Params();
    for (uint32_t i = 0; i < image.PrefillBlockCount(); ++i) {
        if (ImageResult r = image.PrefillBlock(i); !r) return r;
    }
    ImageLayout& layout = image.Layout();
    layout.SetFixed(false, false);

    layout.countryCount = static_cast<uint32_t>(db.countries.size());
    for (size_t i = 0; i < db.countries.size(); ++i) {
        uint8_t rec[9];
        const auto& c = db.countries[i];
        PackCountryRecord(rec, c.first.c_str(), c.first.size(), c.second.c_str(), c.second.size());
        if (ImageResult r = image.Write(layout.countryStart + 9 * i, rec, 9); !r) return r;
    }
    layout.Compute();

    NamesTableWriter names;
    std::vector<uint32_t> bits;
    for (const std::string& n : db.names) {
        bits.push_back(names.Add(n.c_str()));
        const uint32_t at = names.BytesTaken();
        const std::vector<uint8_t> bytes = names.TakeCompleteBytes();
        if (ImageResult r = image.Write(layout.namesStart + at, bytes.data(), bytes.size()); !r) return r;
    }
    {
        const uint32_t at = names.BytesTaken();
        const std::vector<uint8_t> rest = names.Finish();
        if (ImageResult r = image.Write(layout.namesStart + at, rest.data(), rest.size()); !r) return r;
    }
    layout.namesLength = names.ByteLength();
    layout.Compute();

    auto name = [&](int i) { return i < 0 ? NamePosition::Absent() : NamePosition::At(bits[static_cast<size_t>(i)]); };
    for (int s = 0; s < kSectionCount; ++s) {
        const auto& pts = db.points[s];
        layout.sections[s].recordCount = static_cast<uint32_t>(pts.size());
        uint32_t cities = 0;
        for (const TestPoint& t : pts) cities += t.city >= 0 ? 1 : 0;
        layout.sections[s].cityCount = p.sections[s].hasNames ? cities : 0;
        layout.Compute();
        SectionRecordWriter writer(image, s);
        for (const TestPoint& t : pts) {
            std::vector<uint8_t> rec(p.sections[s].recordSize);
            PointRecordInput base;
            base.ident = t.ident;
            base.ident.resize(7, ' ');
            base.lat = t.lat;
            base.lon = t.lon;
            base.countryIndex = t.country;
            base.facility = name(t.facility);
            base.city = name(t.city);
            ImageResult r;
            switch (s) {
            case kSectionApt: {
                AptRecordInput in;
                static_cast<PointRecordInput&>(in) = base;
                r = EncodeAptRecord(p, in, rec.data());
                break;
            }
            case kSectionInt: {
                IntRecordInput in;
                static_cast<PointRecordInput&>(in) = base;
                r = EncodeIntRecord(p, in, rec.data());
                break;
            }
            case kSectionNdb: {
                NdbRecordInput in;
                static_cast<PointRecordInput&>(in) = base;
                in.bfreq = t.value;
                r = EncodeNdbRecord(p, in, rec.data());
                break;
            }
            default: {
                VorRecordInput in;
                static_cast<PointRecordInput&>(in) = base;
                in.vfreq = t.value ? t.value : 11000;
                r = EncodeVorRecord(p, in, rec.data());
                break;
            }
            }
            if (!r) return r;
            if (ImageResult w = writer.Add(rec.data(), base.ident); !w) return w;
        }
        IndexWriter index(image, writer);
        if (ImageResult r = index.Run(); !r) return r;
    }

    HeaderInput header;
    header.title = title;
    header.date = date;
    if (ImageResult r = WriteImageHeader(image, header); !r) return r;
    const uint32_t end = layout.ImageEnd();
    if (ImageResult r = WritePacketCount(image, end, &out->packetCount); !r) return r;
    Sumcheck sum(p.sumcheck);
    for (uint32_t i = 0; i < sum.ChunkCount(); ++i) {
        if (ImageResult r = sum.SumChunk(image, i); !r) return r;
    }
    if (ImageResult r = sum.Write(image, end); !r) return r;
    out->sumcheck = sum.Field();
    out->imageEnd = end;
    return image.Cut(end);
}

// The transfer programs' sumcheck of an image file (computed from the file alone): sections of
// `sectionBytes` summed from the start until one holds no data, the first `skip` bytes left out;
// with a count slot, slot 0 is the number of sections with data and slot 1 is reduced by it.
inline std::vector<uint8_t> TransferSumcheck(const std::vector<uint8_t>& file, size_t skip, size_t firstSlot,
                                             size_t sectionBytes, bool reduceFirst) {
    std::vector<uint8_t> slots(32, 0);
    size_t slot = firstSlot;
    size_t at = 0;
    bool more = true;
    while (more && slot < slots.size()) {
        uint8_t sum = 0;
        bool data = false;
        const size_t end = std::min(file.size(), at + sectionBytes);
        if (at >= file.size()) more = false;
        for (size_t i = at; i < end; ++i) {
            if (i < skip) continue;
            sum = static_cast<uint8_t>(sum + file[i]);
            if (file[i] != 0xFF) data = true;
        }
        slots[slot++] = static_cast<uint8_t>(-sum);
        at += sectionBytes;
        if (!data) more = false;
    }
    if (firstSlot == 1) slots[0] = static_cast<uint8_t>(slot - 1 - 1);
    if (reduceFirst) slots[1] = static_cast<uint8_t>(slots[1] - slots[0]);
    slots.resize(skip);
    return slots;
}

}  // namespace imgtest
