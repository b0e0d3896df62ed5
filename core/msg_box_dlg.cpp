// The program's own message box.
#include "core/msg_box_dlg.h"

#include "core/app_config.h"
#include "core/help_request.h"
#include "core/texts.h"
#include "linklib/link_event.h"
#include "platform/profile.h"
#include "ui_msg_box_dlg.h"

#include <QKeyEvent>
#include <QStyle>

namespace {

constexpr int kYesNo = 0x04;
constexpr int kOkCancel = 0x01;
constexpr const char* kSection = "DIALOGO_MSG_BOX";

QString cut399(const std::string& text)
{
    return QString::fromUtf8(text.data(),
                             qsizetype(platform::utf8CutLength(text.data(), text.size(), 399)));
}

} // namespace

CMsgBoxDlg::CMsgBoxDlg(QWidget* parent) : QDialog(parent), ui_(new Ui::CMsgBoxDlg)
{
    ui_->setupUi(this);
    // No Ok/Cancel semantics of the platform: each button closes with its own code.
    connect(ui_->buttonYes, &QPushButton::clicked, this,
            [this] { done((style_ & kOkCancel) ? 1 : 6); });
    connect(ui_->buttonNo, &QPushButton::clicked, this,
            [this] { done((style_ & kOkCancel) ? 2 : 7); });
    connect(ui_->buttonOk, &QPushButton::clicked, this, [this] { done(1); });
}

CMsgBoxDlg::~CMsgBoxDlg() = default;

void CMsgBoxDlg::SetContent(const std::string& title, const std::string& message, int style,
                            int helpId)
{
    style_ = style;
    helpId_ = helpId;
    setWindowTitle(cut399(title));
    ui_->message->setText(cut399(message));
    setProperty("helpId", helpId);
    Relabel();
}

void CMsgBoxDlg::Relabel()
{
    auto text = [](int number) { return UiText(kSection, number); };
    if (style_ & kYesNo) {
        ui_->buttonYes->setText(text(3));
        ui_->buttonNo->setText(text(1));
    }
    if (style_ & kOkCancel) {
        ui_->buttonYes->setText(text(2));
        ui_->buttonNo->setText(text(4));
    }
    ui_->buttonOk->setText(text(2));

    bool twoButtons = style_ & (kYesNo | kOkCancel);
    ui_->buttonYes->setVisible(twoButtons);
    ui_->buttonNo->setVisible(twoButtons);
    ui_->buttonOk->setVisible(!twoButtons);
    (twoButtons ? ui_->buttonYes : ui_->buttonOk)->setDefault(true);

    QStyle::StandardPixmap icon = QStyle::SP_MessageBoxInformation;
    switch (style_ & 0x70) {
    case 0x10:
        icon = QStyle::SP_MessageBoxCritical;
        break;
    case 0x20:
        icon = QStyle::SP_MessageBoxQuestion;
        break;
    case 0x30:
        icon = QStyle::SP_MessageBoxWarning;
        break;
    default:
        break;
    }
    ui_->icon->setPixmap(QWidget::style()->standardIcon(icon).pixmap(32, 32));
    ui_->icon->setProperty("stockIcon", int(icon));
}

int CMsgBoxDlg::EscapeCode() const
{
    if (style_ & kOkCancel)
        return 2;
    if (style_ & kYesNo)
        return 7;
    return 1;
}

void CMsgBoxDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    adjustSize();
}

void CMsgBoxDlg::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        done(EscapeCode());
        return;
    }
    if (event->key() == Qt::Key_F1 && helpId_ != 0) {
        RequestHelp(helpId_);
        return;
    }
    QDialog::keyPressEvent(event);
}

// Everything else that rejects the box is its window's close box.
void CMsgBoxDlg::reject()
{
    done(7);
}

bool CMsgBoxDlg::event(QEvent* event)
{
    // A link notification that reaches the box while it is open is taken and ignored.
    if (event->type() == LinkMessageEvent::eventType())
        return true;
    return QDialog::event(event);
}
