// Control files: sections of keyword=value lines, each describing one operation.
#pragma once

class CGenApp;
class CGenSetupDlg;

// Reads the whole control file into the application's section table; false (message shown)
// when it cannot be opened.
bool ReadControlFile(CGenApp& app, const char* fileName);

// Fills the setup dialog and the filters from the running section; true when the section
// runs without dialogs.
bool ApplyControlSection(CGenApp& app, CGenSetupDlg& dialog);
