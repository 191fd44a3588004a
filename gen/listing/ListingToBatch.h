// Listing lines of the point-record kinds rebuilt as batch text (or as SBS waypoint lines): an
// APT, INT, NDB or VOR line becomes its ADD line; an airport's frequency and runway lines become
// FRQ and RWY lines of the airport listed last.
#pragma once

#include <string>

#include "gen/listing/SaveAsFields.h"

class LineWriter;

class ListingLineToBatch {
public:
    enum class Form {
        Batch,         // batch text
        SbsWaypoints,  // compact SBS lines
        SbsAirports,   // long SBS airport lines (-P)
    };

    // With `keepOtherEnd` a runway line's designator is taken whole as the line shows it
    // ("14R-32L"); without, the other end only where it is not the first's reciprocal.
    explicit ListingLineToBatch(Form form = Form::Batch, bool keepOtherEnd = false)
        : form_(form), keepOtherEnd_(keepOtherEnd) {}

    // Replaces the line by its converted form ("" when it gives nothing to write). An airport
    // line that holds a frequency and a runway writes the frequency's batch line to `out`
    // itself (with CR LF) and leaves the runway's in the line. A detail line whose first field
    // is not empty (a damaged airport's message) becomes a batch comment holding it whole.
    void Convert(std::string& line, LineWriter& out);

    // The last batch line built (the last airport's line while its detail lines follow).
    const std::string& Buffer() const { return buffer_; }

private:
    void ConvertDetail(std::string& line, LineWriter& out);
    void AppendFrequency();

    Form form_;
    bool keepOtherEnd_;
    std::string buffer_;
    SplitListingLine split_;  // the line being converted; its storage serves every line
    SbsAirportLine sbsAirport_;
};
