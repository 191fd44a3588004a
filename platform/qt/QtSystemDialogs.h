// The file, font and message dialogs of the Qt backend, with scripted answers named as in
// the headless backend's twins: "File name" and "Files of type"; "Font", "Size" (the height
// in the program's units), "Bold" and "Italic"; a message box's buttons by name.
#pragma once

#include <QString>

#include <string_view>

#include "platform/FileDialog.h"
#include "platform/FontDialog.h"
#include "platform/MessageBox.h"

namespace platform::qt {

class QtUi;

int RunQtMessageBox(QtUi& ui, std::string_view text, std::string_view caption, const MessageStyle& style);
bool RunQtFileDialog(QtUi& ui, FileDialogRequest& request);
bool RunQtFontDialog(QtUi& ui, FontDialogRequest& request);

// "Image File [*.img; 0.dat]" with "*.img;0.dat" -> "Image File [*.img; 0.dat] (*.img *.IMG 0.dat 0.DAT)":
// patterns match either case, as the programs' users expect of their file names.
QString QtNameFilter(const FileFilter& filter);

}  // namespace platform::qt
