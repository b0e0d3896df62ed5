// The dialog that installs new ECU software from a folder of ".INSTALL" description files:
// each chosen software file is copied into the working directory and entered in the catalogue.
#pragma once

#include "core/string_list.h"

#include <QDialog>

#include <memory>
#include <string>

class InstallEngine;

namespace Ui {
class CInstallSoftwareDlg;
}

inline constexpr int kInstallSoftwareHelpId = 0x20000 + 279;
inline constexpr const char* kInstallSoftwareSection = "AGGIORNAMENTO_SW_ECU";

class CInstallSoftwareDlg : public QDialog
{
    Q_OBJECT

public:
    // Sets the texts, opens the folder tree at the folder used last ("dir_inst") and lists its
    // descriptions. Run it with exec().
    explicit CInstallSoftwareDlg(QWidget* parent = nullptr);
    ~CInstallSoftwareDlg() override;

    // The folder whose descriptions are listed.
    const std::string& CurrentFolder() const { return folder_; }

    // Installs every chosen row, in row order, and reports each result. Returns the number of
    // rows installed.
    int InstallChosen();

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void SetTexts();
    void ScanFolder();
    void OnTreeSelectionChanged();
    void OnPathEdited(const QString& text);
    void SaveFolder();
    void SizeColumns();
    bool InstallRow(int row);

    std::unique_ptr<Ui::CInstallSoftwareDlg> ui_;
    std::unique_ptr<InstallEngine> engine_;
    std::string folder_;
    StringList descriptions_; // full paths, in the rows' order
    bool followingEdit_ = false;
    bool saved_ = false;
};
