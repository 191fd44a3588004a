// File>Save Memory As without its dialog: the five save types, and the save of the merged set
// to a path, which asks before overwriting, asks for a missing version, and replaces a file
// only when its new contents are complete.
#pragma once

#include <functional>
#include <string>

#include "sidedata/flarm/FlarmFileKind.h"

class FlarmMemory;

struct FlarmSaveType {
    const char* filter;     // "Butterfly [*.bfn]"
    const char* pattern;    // "*.bfn"
    const char* extension;  // ".bfn"
    const char* kindName;   // "Butterfly", in "Writing a %s type file"
    const char* optionName; // "bfn", the KIND of --to
    FlarmFileKind kind;     // what the reader detects in the file
    bool needsVersion;
    int (*write)(FlarmMemory& memory, const std::string& path, std::string& out);
};

constexpr int kFlarmSaveTypeCount = 5;
// Index 1 to 5 in dialog order: entry index - 1.
extern const FlarmSaveType kFlarmSaveTypes[kFlarmSaveTypeCount];

// The 1-based index of a --to KIND, 0 when there is none.
int FlarmSaveTypeByOption(const std::string& option);

struct FlarmSaveHooks {
    // "Are you sure you want to overwrite %s ?": true for Yes.
    std::function<bool(const std::string& question, const std::string& path)> confirmOverwrite;
    // Set Version Number, for a type that needs the version while it is empty.
    std::function<void()> askVersion;
};

enum class FlarmSaveOutcome {
    Written,      // "Saved %d items as %s" listed
    NotWritten,   // No to the overwrite question, or no version: nothing touched
    OpenFailed,   // "Unable to open %s": the old file, if any, is kept
    UnknownType,  // "Unknown file type"
};

struct FlarmSaveResult {
    FlarmSaveOutcome outcome = FlarmSaveOutcome::NotWritten;
    int written = 0;
    std::string path;  // with the extension appended when it was missing
};

FlarmSaveResult SaveFlarmMemory(FlarmMemory& memory, const std::string& path, int typeIndex,
                                const FlarmSaveHooks& hooks);

// Writes the bytes to a new file beside `path` and renames it to `path` (an existing file is
// replaced only then). False when any step fails; nothing is left behind.
bool ReplaceFileContents(const std::string& path, const std::string& bytes);
