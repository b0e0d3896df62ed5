// The information dialog: the program's and the link library's versions and dates under the
// stored heading label, printable as the one-page report.
#pragma once

#include "ui/report_printer.h"

#include <QByteArray>
#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class LinkSession;

namespace Ui {
class CInfoDlg;
}

class CInfoDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 100,
        IDC_HEADING = 1008
    };

    // Where the link library's row comes from: its date and version operations, in the order
    // the row asks for them (date first). Without them the row's two cells stay empty.
    struct LinkTexts
    {
        std::function<std::string()> date;
        std::function<std::string()> version;
    };

    explicit CInfoDlg(QWidget* parent = nullptr, LinkTexts link = {});
    ~CInfoDlg() override;

    // The heading label created from the stored record, or null when the label library is not
    // registered (the heading's frame then stays empty).
    QWidget* Heading() const { return heading_; }

    // Saves the table to the exchange file, then prints the report.
    void OnPrint();

public slots:
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateHeading();
    // Columns 1 and 2 keep their widths; the last is 80 pixels, wider only as far as its texts
    // need and the table has room.
    void FitColumns();
    // A cell or header whose text is cut shows it whole in its tooltip.
    void UpdateTips();

    std::unique_ptr<Ui::CInfoDlg> ui_;
    QWidget* heading_ = nullptr;
    CReportPrinter report_;
};

// The program's own row of the table.
inline constexpr const char* kProgramVersion = "1.08.00";
inline constexpr const char* kProgramDate = "06/06/2007";

// The dialog-init record stored for the heading (control 1008, load from stream): a 32-bit zero,
// the label's property stream and 9 bytes the label does not read; 164 bytes.
QByteArray HeadingInitData();

// The date and version operations of `session`'s link library; none without a loaded library.
CInfoDlg::LinkTexts LinkTextsOf(LinkSession* session);

// Opens the information dialog over `parent`, its link row from `session`.
void ShowInfoDialog(QWidget* parent, LinkSession* session);
