// The modal progress dialog that sends a queue of PC files to the tester: the view of a
// CopyEngine, with the file being sent, a progress bar, the byte counts, the transfer rate and
// time left, a moving picture and Cancel.
//
//   CCopyToTesterDlg dlg(link, workspace, boxes, this);   // link: a RequestLink
//   dlg.AddFile("/work/ABS&&1-2.BIN_98304", "/FN0/ABS&&1-2.BIN_98304", 0, 0);
//   int result = dlg.exec();   // 1 all sent, 0 error or window closed, 2 Cancel
#pragma once

#include "transfer/copy_engine.h"
#include "transfer/rate_meter.h"

#include <QDialog>
#include <QElapsedTimer>

#include <memory>

class ErrorBoxes;

namespace Ui {
class CCopyToTesterDlg;
}

class CCopyToTesterDlg : public QDialog
{
    Q_OBJECT

public:
    // The engine's failures are shown in `boxes`.
    CCopyToTesterDlg(RequestLink& link, const Workspace& workspace, ErrorBoxes& boxes,
                     QWidget* parent = nullptr);
    ~CCopyToTesterDlg() override;

    // Queues a file (text mode and compress: 1 on). Returns 1, or 0 when the queue is full.
    int AddFile(const char* pcPath, const char* testerPath, int textMode, int compress);

    // Runs the transfer modally. Returns 1 when every file was sent and acknowledged, 0 after an
    // error or when the window was closed, 2 when the user pressed Cancel. A transfer that ends
    // while opening (a file that cannot be read) returns 0 without showing the dialog.
    int exec() override;

    CopyEngine& Engine() { return engine_; }

public slots:
    // Escape and the Cancel button.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void SetTexts();
    void ShowProgress();
    void ShowPath();
    void OnFinished(int result);

    std::unique_ptr<Ui::CCopyToTesterDlg> ui_;
    const Workspace& workspace_;
    CopyEngine engine_;
    RateMeter rate_;
    QElapsedTimer clock_;
    QString shownPath_;
};
