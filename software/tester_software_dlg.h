// The tester software update dialog: the catalogue's vehicles and ECUs, the selection to
// download, and the software on the tester, as a view of a TesterSoftwareEngine.
//
//   CTesterSoftwareDlg dlg(link, runCopy, this);   // link: the engine's RequestLink
//   dlg.exec();                                     // always 1
//
// `runCopy` runs the copy dialog modally on a queue of files and returns how many the tester
// acknowledged.
#pragma once

#include "core/error_boxes.h"
#include "software/tester_software_engine.h"

#include <QDialog>
#include <QList>

#include <functional>
#include <memory>
#include <vector>

namespace Ui {
class CTesterSoftwareDlg;
}

class QTreeWidgetItem;

inline constexpr int kTesterSoftwareHelpId = 0x20000 + 131;
inline constexpr const char* kTesterSoftwareSection = "DIALOGO_AGGIORNAMENTO_SW_TESTER";

class CTesterSoftwareDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 131,
        IDB_VEHICLE = 209,
        IDB_ECU = 226,
        IDC_DRAG = 316,
    };

    // Runs the copy of `queue` modally over `parent`. Returns the number of files the tester
    // acknowledged (the first ones of the queue), which the listing after it must show.
    using CopyRunner = std::function<int(QWidget* parent,
                                         const std::vector<TesterSoftwareEngine::CopyItem>& queue)>;
    // Runs the installation dialog modally over `parent`.
    using InstallRunner = std::function<void(QWidget* parent)>;

    CTesterSoftwareDlg(RequestLink& link, CopyRunner runCopy, QWidget* parent = nullptr);
    ~CTesterSoftwareDlg() override;

    // Replaces the installation dialog (tests).
    void SetInstallRunner(InstallRunner run) { runInstall_ = std::move(run); }

    TesterSoftwareEngine& Engine() { return engine_; }

    // Shows the engine's failures in `boxes` (the program's, which the copy dialog uses too, so
    // that the line lost in the middle of a download is said once), not in boxes of its own.
    void ShowFailuresIn(ErrorBoxes& boxes) { shownIn_ = &boxes; }

    // The opening sequence: catalogue, texts, empty selection, and a listing 1 ms later.
    void Open();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetTexts();
    void FillVehicles();
    void OnVehicleChanged();
    void AddEcuRow(QTreeWidgetItem* item);
    void RemoveFromSelection();
    void DeleteFromTester();
    void Install();
    void UpdateControls();
    void ShowSelection();
    void ShowFailure(const ErrorReport& report);
    void AskConflict(const std::string& question);
    void RunCopy(const std::vector<TesterSoftwareEngine::CopyItem>& queue);
    bool Confirm();
    void EndDrag(const QPoint& globalPos);
    // Widens the lists, and the dialog within the screen, until every name shows whole.
    void FitLists();
    void MeasureCatalogueNames();

    std::unique_ptr<Ui::CTesterSoftwareDlg> ui_;
    TesterSoftwareEngine engine_;
    ErrorBoxes boxes_;
    ErrorBoxes* shownIn_ = &boxes_;
    CopyRunner runCopy_;
    InstallRunner runInstall_;
    bool closing_ = false;
    int dragRow_ = -1; // the ECU row pressed, and dragged once the mouse moved
    QPoint dragStart_;
    bool dragging_ = false;
    int ecuNamesWidth_ = 0; // the widest ECU name of the catalogue, in each of the two lists
    int selectionNamesWidth_ = 0;
    QList<int> fittedNeeds_; // the lists' widths the dialog was last fitted to
    bool fitPending_ = false;
};
