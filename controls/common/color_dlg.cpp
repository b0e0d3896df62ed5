// The colour picker.
#include "controls/common/color_dlg.h"

#include "ui_color_dlg.h"

#include <QFocusEvent>

#include <algorithm>

CColorDlg::CColorDlg(OLE_COLOR initial, PageFlavor flavor, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CColorDlg>()), initial_(initial & 0xFFFFFF),
      current_(initial & 0xFFFFFF), flavor_(flavor)
{
    ui_->setupUi(this);
    sliders_[0] = ui_->redSlider;
    sliders_[1] = ui_->greenSlider;
    sliders_[2] = ui_->blueSlider;
    edits_[0] = ui_->redEdit;
    edits_[1] = ui_->greenEdit;
    edits_[2] = ui_->blueEdit;
    const int channels[3] = {RedOf(initial_), GreenOf(initial_), BlueOf(initial_)};
    for (int c = 0; c < 3; ++c) {
        sliders_[c]->setValue(channels[c]);
        edits_[c]->setText(QString::number(channels[c]));
        connect(sliders_[c], &QSlider::valueChanged, this, &CColorDlg::FromSliders);
        edits_[c]->installEventFilter(this);
        // The label's copy follows every keystroke; textEdited is not sent for the rewrite
        // that follows, so the handler cannot run into itself.
        if (flavor_ == PageFlavor::Label)
            connect(edits_[c], &QLineEdit::textEdited, this, [this, c] { FromEdit(c); });
    }
    ui_->initialSwatch->SetColor(initial_);
    ui_->currentSwatch->SetColor(current_);
}

CColorDlg::~CColorDlg() = default;

int CColorDlg::ParseChannel(const QString& text)
{
    const QString t = text.left(39).trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    long long value = 0;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i)
        value = std::min(value * 10 + (t[i].unicode() - u'0'), 1000000000LL);
    return int(negative ? -value : value);
}

void CColorDlg::FromSliders()
{
    for (int c = 0; c < 3; ++c)
        edits_[c]->setText(QString::number(sliders_[c]->value()));
    current_ = MakeOleColor(sliders_[0]->value(), sliders_[1]->value(), sliders_[2]->value());
    ui_->currentSwatch->SetColor(current_);
}

void CColorDlg::FromEdit(int channel)
{
    QSlider* slider = sliders_[channel];
    const int value = std::clamp(ParseChannel(edits_[channel]->text()), slider->minimum(),
                                 slider->maximum());
    if (slider->value() == value)
        FromSliders(); // the slider did not move, but the edit still shows the clamped value
    else
        slider->setValue(value);
}

bool CColorDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusOut) {
        for (int c = 0; c < 3; ++c)
            if (watched == edits_[c]) {
                if (flavor_ == PageFlavor::Label)
                    FromSliders();
                else
                    FromEdit(c);
            }
    }
    return QDialog::eventFilter(watched, event);
}
