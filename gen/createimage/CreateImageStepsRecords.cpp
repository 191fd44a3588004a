// Create Image, steps 21 to 28: the APT, INT, NDB and VOR records, one per call, each
// section followed by its indexes, one index entry per call.
#include "gen/createimage/CreateImageSteps.h"
#include "gen/image/IdentCoder.h"
#include "gen/image/Image.h"
#include "gen/shell/OperationContext.h"
#include "gen/image/RecordCoder.h"

namespace {

constexpr size_t kMaxRecordBytes = 32;

ImageResult EncodeApt(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    AptRecordInput in;
    if (ImageResult r = AptInputFrom(b.apts[i], b.cmap, b.names, &in); !r) return r;
    in.detailValue = b.words[i].value;
    in.detailIsOffset = b.words[i].isOffset;
    *ident = in.ident;
    return EncodeAptRecord(b.params, in, out);
}

ImageResult EncodeInt(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    IntRecordInput in;
    if (ImageResult r = IntInputFrom(b.ints[i], b.cmap, &in); !r) return r;
    *ident = in.ident;
    return EncodeIntRecord(b.params, in, out);
}

ImageResult EncodeNdb(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    NdbRecordInput in;
    if (ImageResult r = NdbInputFrom(b.ndbs[i], b.cmap, b.names, &in); !r) return r;
    *ident = in.ident;
    return EncodeNdbRecord(b.params, in, out);
}

ImageResult EncodeVor(const CreateImageBuild& b, size_t i, uint8_t* out, std::string* ident) {
    VorRecordInput in;
    if (ImageResult r = VorInputFrom(b.vors[i], b.cmap, b.names, &in); !r) return r;
    *ident = in.ident;
    return EncodeVorRecord(b.params, in, out);
}

}  // namespace

StepStatus WriteSectionRecords(OperationContext& c, CreateImageBuild& b, int section, size_t count,
                               RecordEncoder encode) {
    if (!b.records) b.records = std::make_unique<SectionRecordWriter>(b.image, section);
    if (b.cursor >= count) return StepStatus::Next;
    uint8_t record[kMaxRecordBytes];
    std::string ident;
    if (ImageResult r = encode(b, b.cursor, record, &ident); !r) return Failed(c, r);
    if (ImageResult r = b.records->Add(record, ident); !r) return Failed(c, r);
    ++b.cursor;
    return StepStatus::Again;
}

StepStatus StepWriteAptRecords(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionApt, b.apts.size(), EncodeApt);
}
StepStatus StepWriteIntRecords(OperationContext& c, CreateImageBuild& b) {
    const StepStatus status = WriteSectionRecords(c, b, kSectionInt, b.ints.size(), EncodeInt);
    if (status == StepStatus::Next) std::vector<IntRecord>().swap(b.ints);
    return status;
}
StepStatus StepWriteNdbRecords(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionNdb, b.ndbs.size(), EncodeNdb);
}
StepStatus StepWriteVorRecords(OperationContext& c, CreateImageBuild& b) {
    return WriteSectionRecords(c, b, kSectionVor, b.vors.size(), EncodeVor);
}

// At the end of the indexes the records writer with its bucket table is freed.
StepStatus StepWriteIndexes(OperationContext& c, CreateImageBuild& b) {
    if (!b.index) b.index = std::make_unique<IndexWriter>(b.image, *b.records);
    bool done = false;
    if (ImageResult r = b.index->Step(&done); !r) return Failed(c, r);
    if (!done) return StepStatus::Again;
    b.index.reset();
    b.records.reset();
    return StepStatus::Next;
}

