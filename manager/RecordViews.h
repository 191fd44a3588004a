// The six list windows: airports with their runway and frequency rows, intersections, NDBs,
// VORs, user waypoints and routes.
#pragma once

#include "manager/KestraneScrollView.h"

class CKestraneAView : public CKestraneScrollView {
public:
    CKestraneAView();
    ~CKestraneAView() override;
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
    int32_t ReadLine(int index) override;
    // Reloads the selected airport's rows and adds or removes row lines to match.
    void RelistSelectedAirport();

    // Edit menu of the airports window.
    static constexpr unsigned kCmdAddApt = 32830, kCmdChgApt = 32831, kCmdDelApt = 32832, kCmdAddRwy = 32833,
                              kCmdChgRwy = 32834, kCmdDelRwy = 32835, kCmdAddFrq = 32836, kCmdChgFrq = 32837,
                              kCmdDelFrq = 32838;
    void OnAddRecord() override;
    void OnChangeRecord() override;
    void OnDeleteRecord() override;
    void OnAddApt();
    void OnChgApt();
    void OnDelApt();
    void OnAddRwy();
    void OnChgRwy();
    void OnDelRwy();
    void OnAddFrq();
    void OnChgFrq();
    void OnDelFrq();
    // The line of the airport of the selected line.
    int SelectedAirportLine() const;

protected:
    // With the runway, frequency and restriction files, so that the rows of the airports of one
    // step are read without opening them for each airport.
    int OpenFiles() override;
    void CloseFiles() override;
    // Without the restriction file: the rows open it when a chain is read.
    int OpenFilesToDraw() override;
    int AppendRecordLines(int32_t number) override;
    int PartOfSelected(int32_t word) const override;
};

class CKestraneIView : public CKestraneScrollView {
public:
    CKestraneIView();
    void OnAddRecord() override { OnAddInt(); }
    void OnChangeRecord() override { OnChgInt(); }
    void OnDeleteRecord() override { OnDelInt(); }
    void OnAddInt();
    void OnChgInt();
    void OnDelInt();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneNView : public CKestraneScrollView {
public:
    CKestraneNView();
    void OnAddRecord() override { OnAddNdb(); }
    void OnChangeRecord() override { OnChgNdb(); }
    void OnDeleteRecord() override { OnDelNdb(); }
    void OnAddNdb();
    void OnChgNdb();
    void OnDelNdb();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneVView : public CKestraneScrollView {
public:
    CKestraneVView();
    void OnAddRecord() override { OnAddVor(); }
    void OnChangeRecord() override { OnChgVor(); }
    void OnDeleteRecord() override { OnDelVor(); }
    void OnAddVor();
    void OnChgVor();
    void OnDelVor();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneUView : public CKestraneScrollView {
public:
    CKestraneUView();
    void OnAddRecord() override { OnAddUsr(); }
    void OnChangeRecord() override { OnChgUsr(); }
    void OnDeleteRecord() override { OnDelUsr(); }
    void OnAddUsr();
    void OnChgUsr();
    void OnDelUsr();
    static constexpr unsigned kCmdBatchDump = 32839;
    // File > Batch Dump: every user waypoint as an ADD line, into a file the user names.
    void OnBatchDump();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;

    // File > Import, Export and Clear: user waypoints to and from GAR and GPX files.
    static constexpr unsigned kCmdImportUsr = 32818;
    static constexpr unsigned kCmdExportUsr = 32819;
    static constexpr unsigned kCmdClearUsr = 32816;
    void OnImportUsr();
    void OnExportUsr();
    void OnClearUsr();
};

class CKestraneRView : public CKestraneScrollView {
public:
    static constexpr int kRoutes = 30;
    CKestraneRView();
    void OnAddRecord() override { OnAddRte(); }
    void OnChangeRecord() override { OnChgRteTitle(); }
    void OnDeleteRecord() override { OnDelRte(); }
    void OnAddRte();
    void OnChgRteTitle();
    void OnDelRte();
    void FormatLine(int32_t word) override;

    // File > Import, Export, Clear and Convert: routes to and from GAR and GPX files.
    static constexpr unsigned kCmdImportRte = 32813;
    static constexpr unsigned kCmdExportRte = 32814;
    static constexpr unsigned kCmdClearRte = 32815;
    static constexpr unsigned kCmdConvertRte = 32826;
    void OnImportRte();
    void OnExportRte();
    void OnClearRte();
    void OnConvertRte();

protected:
    bool Position(bool fresh) override;
    bool LoadRecords(int count, bool keepGoing) override;

private:
    int nextRoute_ = 0;
};
