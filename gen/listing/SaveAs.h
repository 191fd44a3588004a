// File > Save As of a generator, and the save at the end of a control-file section with a
// SaveAs= name: what the listing document shows written into a file, in the form that the file
// name selects (text, batch text, full dumps, SBS waypoint files, or region files from the image
// title listing).
#pragma once

#include <string>

#include "gen/shell/GenModel.h"

class CGenApp;
class CGenDoc;
class LineWriter;
class OperationContext;
struct SaveAsModes;

inline constexpr const char* kFileExistsQuestion = "File Exists - Overwrite(YES) or Append(NO) ?";

// What to do with a file that exists.
enum class ExistingFile {
    Ask,        // "File Exists - Overwrite(YES) or Append(NO) ?"
    Overwrite,
    Append,
};

// Saves the document's shown listing under the path. False when nothing was saved: the name
// was refused, the question cancelled, or the file could not be opened or written (each with
// its message box). A save that completes adds "Saved As \"%s\"" to the listing.
bool SaveListingAs(CGenApp& app, const std::string& path, ExistingFile existing);

// File > Save As: the save dialog with the types the shown listing offers, then the save.
// Nothing happens while the shown listing has no lines.
void OnFileSaveAs(CGenApp& app);

// Writes the lines the document shows: their text, or, in the batch form, the dump form of each
// record line converted (raw byte lines left out). False when a write failed.
bool WriteShownLines(CGenDoc& doc, OperationContext& context, const SaveAsModes& modes, LineWriter& out);

// Sets the model's File > Save As command and its control-file save (hooks the model already
// has are kept).
void InstallSaveAs(GenModel& model);
