// The program's own modal message box, whose button captions follow the chosen language.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class CMsgBoxDlg;
}

class CMsgBoxDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 276,
        IDC_ICON = 1124,
        IDC_MESSAGE = 1021
    };

    explicit CMsgBoxDlg(QWidget* parent = nullptr);
    ~CMsgBoxDlg() override;

    // Sets title, message (each cut to 399 bytes), style and help id before the box runs.
    void SetContent(const std::string& title, const std::string& message, int style, int helpId);

    int GetHelpId() const { return helpId_; }
    int GetStyle() const { return style_; }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Relabel();
    int EscapeCode() const;

    std::unique_ptr<Ui::CMsgBoxDlg> ui_;
    int style_ = 0;
    int helpId_ = 0;
};
