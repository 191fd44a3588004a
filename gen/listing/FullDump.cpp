#include "gen/listing/FullDump.h"

#include <utility>
#include <vector>

#include "common/LineWriter.h"
#include "gen/shell/CGenApp.h"
#include "gen/shell/GenModel.h"
#include "gen/shell/GenSettings.h"
#include "gen/shell/OperationContext.h"

ListingLineToBatch::Form SaveAsModes::ConvertForm() const {
    if (!sbs) return ListingLineToBatch::Form::Batch;
    return longSbs ? ListingLineToBatch::Form::SbsAirports : ListingLineToBatch::Form::SbsWaypoints;
}

bool IsRawByteLine(const std::string& line) {
    static const std::string kDigits = "01234567890abcdef";
    return line.size() >= 4 && line[0] == ' ' && kDigits.find(line[1]) != std::string::npos &&
           kDigits.find(line[2]) != std::string::npos && line[3] == ' ';
}

bool DumpAllRecords(OperationContext& context, const SaveAsModes& modes, LineWriter& out) {
    ListingModesSwap swap(context, 0, modes.dumpFlag, 0);
    std::vector<int> kinds;
    if (modes.shownKind < kListSuas) {
        kinds = {kListApts, kListInts, kListNdbs, kListVors};
    } else {
        kinds = {modes.shownKind};
    }
    ListingLineToBatch convert(modes.ConvertForm(), modes.keepOtherEnd);
    // A model that lists its images itself walks and writes them in its own dump forms.
    const GenModel* model = context.app ? &context.app->Model() : nullptr;
    const bool ownListing =
        model && model->nextListingItem && model->listSection && model->listDumpLine && !ListingReader(context);
    const int shownKind = context.kind;
    std::string text;
    bool ok = true;
    for (int kind : kinds) {
        ListingRequest request;
        request.kind = kind;
        request.dump = modes.batch;
        request.decimal = modes.sbs;
        const bool converted = kind < kListSuas && modes.batch;
        context.ResetListingPosition();
        if (ownListing) {
            context.kind = kind;
            context.listingDump = request.dump;
        }
        for (int32_t handle; ok;) {
            handle = ownListing ? model->nextListingItem(context) : NextListingItem(context, request);
            if (handle < 0) break;
            if (ownListing && request.dump) {
                model->listDumpLine(context, kind, handle, request.decimal, text);
            } else if (ownListing) {
                model->listSection(context, handle, text);
            } else {
                ListSection(context, request, handle, text);
            }
            if (converted) convert.Convert(text, out);
            if (!text.empty()) ok = out.WriteLine(text);
        }
    }
    context.kind = shownKind;
    context.listingDump = false;
    context.ResetListingPosition();
    return out.Flush() && ok;
}

ListingModesSwap::ListingModesSwap(OperationContext& context, int recordNumbers, uint32_t debugLevel,
                                   uint32_t extraDebugLevel)
    : context_(context), recordNumbers_(recordNumbers), debugLevel_(debugLevel), extraDebugLevel_(extraDebugLevel) {
    Swap();
}

ListingModesSwap::~ListingModesSwap() { Swap(); }

void ListingModesSwap::Swap() {
    if (context_.app) {
        context_.app->SwapListingModes(recordNumbers_, debugLevel_, extraDebugLevel_);
    } else if (context_.settings) {
        // A context without an application (a test or tool) keeps its settings itself.
        std::swap(context_.settings->recordNumbers, recordNumbers_);
        std::swap(context_.settings->debugLevel, debugLevel_);
        std::swap(context_.settings->extraDebugLevel, extraDebugLevel_);
    }
}
