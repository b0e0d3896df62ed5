// The language selection dialog: six flag buttons that switch the interface language.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class CLanguageDlg;
}

class CLanguageDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 133
    };

    explicit CLanguageDlg(QWidget* parent = nullptr);
    ~CLanguageDlg() override;

protected:
    bool event(QEvent* event) override;

private:
    // Applies the language of index `language`; result 1 when it changed, 0 when it was the
    // current one.
    void Choose(int language);

    std::unique_ptr<Ui::CLanguageDlg> ui_;
};

// Runs the language dialog; returns true when the language changed.
bool SelectLanguage(QWidget* parent);
