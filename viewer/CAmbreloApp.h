// Ambrelo: the read-only viewer of the fifteen record files in the current folder.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/App.h"

class CAmbreloDBOpen;
class CAmbreloDoc;
class CMainFrame;

inline constexpr const char* kAmbreloVersion = "1.0.3";
inline constexpr const char* kAmbreloUsage = "usage: ambrelo [--headless] [--answers FILE] [-D<path>]... [--list FILE|all]";

// Exit statuses.
constexpr int kAmbreloExitOk = 0;
constexpr int kAmbreloExitFailed = 1;   // the database is in use or cannot be opened
constexpr int kAmbreloExitUsage = 2;    // wrong command line

// The program's own command line.
struct AmbreloOptions {
    std::vector<std::string> diagnostics;  // the paths of the -D tokens, in order
    std::string list;                      // --list: a record file name or "all"; empty: none
    bool help = false;
    bool version = false;
};
// False with error set for an unknown switch, --list without a value or with an unknown name.
bool ParseAmbreloCommandLine(const std::vector<std::string>& args, AmbreloOptions& options, std::string& error);

class CAmbreloApp : public platform::App {
public:
    CAmbreloApp();
    ~CAmbreloApp() override;

    static CAmbreloApp* Current();

    bool InitInstance() override;

    // Marks the idents of an approach-ident listing (see ApproachIdentDiagnostic.h).
    void DiagnoseApproachIdents(const std::string& path);

    CAmbreloDBOpen* DbOpener() const { return m_db.get(); }
    // The documents in template order (apts first); closed ones are left out.
    std::vector<CAmbreloDoc*> Documents() const;

    // Every record of one document in record-number order, one block each, written to out
    // (UTF-8); stops when Next stays on the record it was on.
    static void ListRecords(CAmbreloDoc& doc, std::FILE* out);

private:
    std::unique_ptr<CAmbreloDBOpen> m_db;
    std::unique_ptr<CMainFrame> m_mainFrame;
};
