#include "viewer/CAmbreloApp.h"

#include <cstdio>

#include "common/CLocale.h"
#include "dblib/CAmbreloDBOpen.h"
#include "dblib/DbDir.h"
#include "dblib/RecordFile.h"
#include "platform/Dialog.h"
#include "platform/DocTemplate.h"
#include "platform/MessageBox.h"
#include "viewer/ApproachIdentDiagnostic.h"
#include "viewer/CAmbreloView.h"
#include "viewer/CMainFrame.h"
#include "viewer/RecordDocs.h"

using namespace platform;

bool ParseAmbreloCommandLine(const std::vector<std::string>& args, AmbreloOptions& options, std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.compare(0, 2, "-D") == 0) {
            options.diagnostics.push_back(a.substr(2));
        } else if (a == "--list") {
            if (i + 1 >= args.size()) {
                error = "switch '--list' needs a value";
                return false;
            }
            options.list = args[++i];
            if (options.list != "all" && RecordFileNumber(options.list.c_str()) < 0) {
                error = "unknown record file '" + options.list + "'";
                return false;
            }
        } else if (a == "--help") {
            options.help = true;
        } else if (a == "--version") {
            options.version = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown switch '" + a + "'";
            return false;
        }
        // Other tokens are not for the viewer.
    }
    return true;
}

CAmbreloApp::CAmbreloApp() {
    SetAppName("Ambrelo");
    // ParseAmbreloCommandLine: -D<path> has no separator
    SetCommandLineDecl(CheckedByProgram("ambrelo", "Ambrelo", kAmbreloVersion));
    Commands().Add(kCmdAppAbout, [] {
        Dialog about({100, "About Ambrelo",
                      {StaticControl(StringFormatC("Ambrelo Version %s", kAmbreloVersion)),
                       StaticControl("Read-only viewer of the aeronautical database"),
                       ButtonControl(kIdOk, "OK", true)}});
        about.RunModal();
    });
}

CAmbreloApp::~CAmbreloApp() {
    // The documents point into the opener's record buffers and live in the main frame.
    for (const auto& t : DocTemplates()) t->CloseAll();
    m_mainFrame.reset();
    m_db.reset();
}

CAmbreloApp* CAmbreloApp::Current() { return dynamic_cast<CAmbreloApp*>(App::Current()); }

bool CAmbreloApp::InitInstance() {
    AmbreloOptions options;
    std::string error;
    if (!ParseAmbreloCommandLine(Args(), options, error)) {
        std::fprintf(stderr, "ambrelo: %s\n%s\n", error.c_str(), kAmbreloUsage);
        SetExitCode(kAmbreloExitUsage);
        return false;
    }
    if (options.help || options.version) {
        if (options.help)
            std::printf("%s\n  -D<path>       mark the approach idents of the listing at <path>\n"
                        "  --list FILE    print every record of a record file (apts ... rte, or all)\n",
                        kAmbreloUsage);
        else
            std::printf("Ambrelo %s\n", kAmbreloVersion);
        return false;
    }

    SetRegistryKey("Local AppWizard-Generated Applications");
    SetDbDir(".");  // the record files of the current folder

    for (int kind = 0; kind < kRecordFileCount; ++kind) {
        AddDocTemplate(std::make_unique<DocTemplate>(
            DocTemplate::Kind::Multi, 129,
            [this, kind]() -> std::unique_ptr<Document> { return MakeAmbreloDoc(kind, *m_db->File(kind)); },
            [] { return std::make_unique<CChildFrame>(); }, [] { return std::make_unique<CAmbreloView>(); },
            AmbreloDocTitle(kind)));
    }

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->Create("Ambrelo")) {
        SetExitCode(kAmbreloExitFailed);
        return false;
    }
    SetMainFrame(m_mainFrame.get());
    m_mainFrame->Show(ShowState::Normal);

    m_db = std::make_unique<CAmbreloDBOpen>();
    if (m_db->Status() != 0) {
        ShowMessage(kDbInUseText);
        SetExitCode(kAmbreloExitFailed);
        return false;
    }
    m_db->OpenAll();
    for (int kind = 0; kind < kRecordFileCount; ++kind) {
        if (!m_db->File(kind)) {
            ShowMessage(kDbInUseText);
            SetExitCode(kAmbreloExitFailed);
            return false;
        }
    }

    const auto& templates = DocTemplates();
    for (auto it = templates.rbegin(); it != templates.rend(); ++it) (*it)->OpenNewDocument();
    m_mainFrame->ArrangeChildren(ChildArrangement::Tile);

    if (!options.list.empty()) {
        int only = options.list == "all" ? -1 : RecordFileNumber(options.list.c_str());
        for (CAmbreloDoc* doc : Documents())
            if (only < 0 || doc->FileKind() == only) ListRecords(*doc, stdout);
        SetExitCode(kAmbreloExitOk);
        return false;
    }

    for (CAmbreloDoc* doc : Documents()) doc->EchoRecord();
    for (const std::string& path : options.diagnostics) DiagnoseApproachIdents(path);
    return true;
}

std::vector<CAmbreloDoc*> CAmbreloApp::Documents() const {
    std::vector<CAmbreloDoc*> docs;
    for (const auto& t : DocTemplates())
        for (Document* d : t->Documents())
            if (auto* doc = dynamic_cast<CAmbreloDoc*>(d)) docs.push_back(doc);
    return docs;
}

void CAmbreloApp::ListRecords(CAmbreloDoc& doc, std::FILE* out) {
    // The blocks gather in UTF-8 in a buffer written out when it holds this much.
    constexpr size_t kChunk = size_t(1) << 16;
    std::unique_ptr<char[]> pending(new char[kChunk + doc.RecordBound(true)]);
    char* p = pending.get();
    auto flush = [&] {
        std::fwrite(pending.get(), 1, size_t(p - pending.get()), out);
        p = pending.get();
    };
    auto write = [&] {
        p = doc.PutRecord(p, true);
        if (size_t(p - pending.get()) >= kChunk) flush();
    };
    write();
    // Held open for the walk: each Next then finds its record without opening the file again.
    RecordFile& file = doc.File();
    if (file.Open() == 0) {
        for (;;) {
            int before = doc.SavedRecordNumber();
            int shown = doc.SeekRecord(kSeekNext, 0, 0);
            if (shown < 0 || doc.SavedRecordNumber() == before) break;
            write();
        }
        file.Close();
    }
    flush();
    std::fflush(out);
}

void CAmbreloApp::DiagnoseApproachIdents(const std::string& path) {
    if (m_db) ::DiagnoseApproachIdents(*m_db, path);
}
