// The approach-ident diagnostic: a copy of an approach-ident listing in which each ident that
// exists as an intersection, NDB or VOR carries the kind it was found as.
#pragma once

#include <string>

class CAmbreloDBOpen;

// The output path: everything after the input's last '/' or '\' replaced by "apiddiag.txt".
std::string DiagnosticOutputPath(const std::string& inputPath);

// One line of the listing as it is written out: the ident's kind ('I', 'N', 'V' or a blank)
// in column 5; false when the line is dropped (another mark already set). Lines not of the
// marked form (too short, or column 4 or 6 not a blank) are kept unchanged.
bool MarkApproachIdentLine(CAmbreloDBOpen& db, std::string& line);

// Reads the listing at inputPath and writes the marked copy beside it. A file that cannot be
// opened is reported in a message box ("Cannot open apidgen file", "Cannot open apiddiag
// file"); false then.
bool DiagnoseApproachIdents(CAmbreloDBOpen& db, const std::string& inputPath);
