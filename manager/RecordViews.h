// The six list windows: airports with their runway and frequency rows, intersections, NDBs,
// VORs, user waypoints and routes.
#pragma once

#include "manager/KestraneScrollView.h"

class CKestraneAView : public CKestraneScrollView {
public:
    CKestraneAView();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
    int32_t ReadLine(int index) override;
    // Reloads the selected airport's rows and adds or removes row lines to match.
    void RelistSelectedAirport();

protected:
    // With the runway, frequency and restriction files, so that the rows of the airports of one
    // step are read without opening them for each airport.
    int OpenFiles() override;
    void CloseFiles() override;
    int AppendRecordLines(int32_t number) override;
    int PartOfSelected(int32_t word) const override;
};

class CKestraneIView : public CKestraneScrollView {
public:
    CKestraneIView();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneNView : public CKestraneScrollView {
public:
    CKestraneNView();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneVView : public CKestraneScrollView {
public:
    CKestraneVView();
    void FormatLine(int32_t word) override;
    bool PassesNameFilter() override;
};

class CKestraneUView : public CKestraneScrollView {
public:
    CKestraneUView();
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
