#include "genmodels/Batch92.h"

namespace {

constexpr size_t kRwyFields92 = 9;

}  // namespace

int BatchAddUpdRWY92(BatchContext& c) {
    if (c.line.count != kRwyFields92) return kBatchErrFc;
    return BatchAddRwy(c);
}

int BatchAddUpdUSR92(BatchContext& c) {
    if (c.line.Field(3).size() > kUserIdentLimit92) return kBatchErrF3;
    return BatchAddUsr(c);
}

int BatchAddUpdFRQ92(BatchContext& c) { return BatchAddFrq(c, false); }

BatchHandlerTable BatchHandlers92() {
    BatchHandlerTable t = DefaultBatchHandlers();
    t.add[kBatchRwy] = BatchAddUpdRWY92;
    t.add[kBatchUsr] = BatchAddUpdUSR92;
    t.add[kBatchFrq] = BatchAddUpdFRQ92;
    return t;
}
