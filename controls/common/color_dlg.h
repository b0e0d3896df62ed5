// The colour picker of the property pages: three channel sliders with their edits, the colour it
// was opened with and the colour being made.
#pragma once

#include "controls/common/kro_property_page.h"
#include "controls/common/ole_color.h"

#include <QDialog>

#include <memory>

namespace Ui {
class CColorDlg;
}
class QLineEdit;
class QSlider;

class CColorDlg : public QDialog
{
    Q_OBJECT

public:
    CColorDlg(OLE_COLOR initial, PageFlavor flavor, QWidget* parent = nullptr);
    ~CColorDlg() override;

    OLE_COLOR Initial() const { return initial_; }
    OLE_COLOR Current() const { return current_; }
    // The dialog's answer: the current colour after OK, the initial one otherwise.
    OLE_COLOR Result() const { return result() == Accepted ? current_ : initial_; }

    // Reads a channel as typed: plain decimal digits after an optional sign, up to the first
    // other character, from at most 39 characters; an empty text gives 0.
    static int ParseChannel(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FromSliders();
    void FromEdit(int channel);

    std::unique_ptr<Ui::CColorDlg> ui_;
    QSlider* sliders_[3];
    QLineEdit* edits_[3];
    OLE_COLOR initial_;
    OLE_COLOR current_;
    PageFlavor flavor_;
};
