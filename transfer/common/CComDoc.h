// The transfer programs' document: the transfer log, and the listing of a GAR file that the
// views show instead of the log while it is open. Save As writes what is shown as text, or a
// listed screen dump as a bitmap.
#pragma once

#include <string>

#include "platform/LogDocument.h"
#include "transfer/common/GarListing.h"

class CComDoc : public platform::LogDocument {
public:
    CComDoc();
    ~CComDoc() override;

    // While a GAR file is listed: its title and record lines; otherwise the log.
    int GetLineCount() const override;
    const std::string& GetLine(int i) override;

    // Lists the GAR file; with an empty name closes the listing and shows the log again.
    void ListGarFile(const std::string& name);
    bool IsListing() const { return listing_.IsListing(); }
    GarListing& Listing() { return listing_; }

    // "Packets Transferred: %d", changing the last line in place.
    void ShowPacketProgress(int packets);

    void OnFileSaveAs();
    // The shown lines, each ended by CR LF, or (bitmap) the listed screen dump; written under
    // a temporary name and renamed at the end. False after a message when nothing was written.
    bool SaveAs(const std::string& path, bool bitmap);

private:
    GarListing listing_;
};
