// Fixture of the Create Image tests: a generator of one family with Create Image and Batch
// Update installed, in a temporary working folder; helpers that fill the database through the
// batch update, run Create Image as GO does, and read the image back.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gen/testsupport/ShellTestSupport.h"
#include "common/Bits.h"
#include "gen/shell/CGenDBOpen.h"
#include "gen/createimage/CreateImageProgram.h"
#include "gen/image/Image.h"
#include "gen/image/ImageHeader.h"
#include "gen/image/ImageLayout.h"
#include "gen/image/NameCoder.h"
#include "gen/image/NamePointer.h"
#include "gen/image/PositionField.h"
#include "gen/testsupport/ImageTestUtil.h"
#include "gen/testsupport/RecordTestSupport.h"

namespace cimgtest {

// An image file read back: its bytes and the layout its header describes.
struct ImageBack {
    explicit ImageBack(const ImageParams& p) : params(&p), layout(p) {}
    const ImageParams* params;
    std::vector<uint8_t> file;
    ImageLayout layout;

    const uint8_t* Record(int section, uint32_t n) const { return &file[layout.sections[section].RecordOffset(n)]; }
    uint32_t U16(uint32_t at) const { return GetU16(&file[at]); }
    uint32_t U24(uint32_t at) const { return GetU24(&file[at]); }
    // The name at a names-table position ("<none>" when absent).
    std::string NameAt(const NamePosition& pos) const {
        if (pos.absent) return "<none>";
        std::string text;
        uint32_t next = 0;
        if (!DecodeNameText(&file[layout.namesStart], pos.bit, layout.namesLength * 8, &text, &next)) return "<bad>";
        return text;
    }
    std::string RecordName(int section, uint32_t n, NameField field) const {
        return NameAt(GetNamePointer(*params, params->sections[section], field, Record(section, n)));
    }
    // The name of a pointer kept at an airspace record's name slot.
    std::string SlotName(const uint8_t* record, uint32_t lowByte, uint32_t highBit, uint32_t startBit) const {
        const uint32_t offset = GetU16(record + lowByte) | GetBits(highBit, params->nameOffsetBits - 16, record) << 16;
        if (offset == params->NameOffsetAbsent()) return "<none>";
        return NameAt(NamePosition::At(offset * 8 + 7 - GetBits(startBit, 3, record)));
    }
};

inline ImageBack ReadImageBack(const ImageParams& params, const std::string& path) {
    ImageBack back(params);
    back.file = imgtest::ReadAll(path);
    Image image(params);
    EXPECT_TRUE(image.Open(path).ok());
    const ImageResult r = ReadImageLayout(image, &back.layout);
    EXPECT_TRUE(r.ok()) << r.text;
    return back;
}

class CreateImageTest : public shelltest::ShellTest {
protected:
    void Start(const ImageParams& params = ImageParams496) {
        GenModel model = shelltest::TestModel();
        model.imageParams = &params;
        InstallImageOperations(model);
        MakeApp(std::move(model));
    }

    // Starts an operation as GO does and runs it to its end.
    void Run(int mode, const std::string& file, const std::string& title = "TEST") {
        CGenView& view = View();
        view.mode = mode;
        view.fileName = file;
        view.title = title;
        view.listing = false;
        App().SetState(kStateStartPending);
        for (long n = 1; App().State() != kStateIdle && n < 50'000'000; ++n) App().OnIdle(n);
    }

    void Batch(const std::string& lines) {
        WriteFile("batch.txt", lines);
        Run(kModeBatchUpdate, "batch.txt");
    }

    // Create Image of test.img; the listing lines it added.
    std::vector<std::string> Create(const std::string& file = "test.img", const std::string& title = "TEST") {
        const size_t from = Doc().Lines().size();
        Run(kModeCreateImage, file, title);
        return LinesFrom(from);
    }

    // Lines echoed so far (every replacement of the last line included).

    // Every record of a database file in serial order.
    template <class Record>
    std::vector<Record> All(const char* index) {
        EXPECT_EQ(App().OpenDatabaseChecked(), 1);
        return recordtest::AllRecords<Record>(index);
    }
    int32_t NameSerial(const std::string& text) {
        for (const NameRecord& n : All<NameRecord>("nsno")) {
            if (text == std::string(n.nname, strnlen(n.nname, sizeof n.nname))) return n.nsno;
        }
        ADD_FAILURE() << "no name " << text;
        return -1;
    }
    template <class Record>
    void Add(const Record& record) {
        EXPECT_EQ(App().OpenDatabaseChecked(), 1);
        dbif_open<Record>();
        EXPECT_EQ(dbif_add(record), 1);
        dbif_close<Record>();
    }
};

}  // namespace cimgtest
