// Room gen/listing: what is listed and saved from an image: section listings and their line
// formats, filters, listings turned back into batch text, full dumps and Save As.
//
// The section listings of an image: the iterator that hands out the record handles of the
// current listing kind that pass the filters, and the formatter that turns a handle into its
// line. Kinds: 1 title, 2 countries, 3 names, 4 APTs, 5 INTs, 6 NDBs, 7 VORs, 8 SUAs, 9 FSSs,
// 10 ARTCCs, 11 approaches.
#pragma once

#include <cstdint>
#include <string>

struct GenModel;
class ImageReader;
class OperationContext;

// A line request: the listing kind and the flags of the Save As dumps.
struct ListingRequest {
    int kind = 0;
    bool dump = false;     // raw-code forms
    bool decimal = false;  // signed decimal coordinates
};

// The next handle of the requested listing kind that passes the filters, or -1 at the end. The
// dump flag matters: it leaves out raw lines of INTs, NDBs and VORs and adds the TCC byte lists.
// The walk starts again whenever the context's listing position is reset.
int32_t NextListingItem(OperationContext& context, const ListingRequest& request);
// The same for the context's listing kind, as the screen listing walks it.
int32_t NextListingItem(OperationContext& context);

// The line of a handle; kind 0 or above 11, or an image that could not be loaded, give "".
void ListSection(OperationContext& context, const ListingRequest& request, int32_t handle, std::string& out);

// The reader of the context's loaded image (null when none is loaded).
const ImageReader* ListingReader(const OperationContext& context);

// Sets the model's listing iterator and formatter, and the hooks that load and release the
// image information when an image source is opened and closed (hooks already set run too).
void InstallImageListings(GenModel& model);
