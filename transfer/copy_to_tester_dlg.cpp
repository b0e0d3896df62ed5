// The copy dialog: texts, progress display and the two ways of stopping a transfer.
#include "transfer/copy_to_tester_dlg.h"

#include "core/error_boxes.h"
#include "core/texts.h"
#include "core/workspace.h"
#include "ui_copy_to_tester_dlg.h"

#include <QCloseEvent>
#include <QFontMetrics>

namespace {

constexpr const char* kSection = "DIALOGO_COPY_PC_TESTER";
constexpr int kPictureSize = 48;

} // namespace

CCopyToTesterDlg::CCopyToTesterDlg(RequestLink& link, const Workspace& workspace, ErrorBoxes& boxes,
                                   QWidget* parent)
    : QDialog(parent), ui_(new Ui::CCopyToTesterDlg), workspace_(workspace),
      engine_(link, workspace)
{
    ui_->setupUi(this);
    setObjectName(QStringLiteral("CCopyToTesterDlg"));
    setModal(true);
    ui_->pcIcon->setPixmap(CopyAnimation::PcPicture(kPictureSize));
    ui_->testerIcon->setPixmap(CopyAnimation::TesterPicture(kPictureSize));
    ui_->pcPath->setText(QString());
    ui_->progressText->setText(QString());
    ui_->rateText->setText(QString());

    connect(ui_->cancelButton, &QPushButton::clicked, this, &CCopyToTesterDlg::reject);
    connect(&engine_, &CopyEngine::ProgressChanged, this, &CCopyToTesterDlg::ShowProgress);
    connect(&engine_, &CopyEngine::CancelEnabled, ui_->cancelButton, &QWidget::setEnabled);
    connect(&engine_, &CopyEngine::Finished, this, &CCopyToTesterDlg::OnFinished);
    connect(&engine_, &CopyEngine::Failed, &boxes, &ErrorBoxes::Show);
}

CCopyToTesterDlg::~CCopyToTesterDlg() = default;

int CCopyToTesterDlg::AddFile(const char* pcPath, const char* testerPath, int textMode,
                              int compress)
{
    if (!pcPath || !testerPath)
        return 0;
    return engine_.AddFile(pcPath, testerPath, textMode == 1, compress == 1) ? 1 : 0;
}

void CCopyToTesterDlg::SetTexts()
{
    auto text = [this](int number) {
        return QString::fromStdString(workspace_.Text(kSection, number));
    };
    setWindowTitle(text(1));
    ui_->cancelButton->setText(text(3));
    ui_->caption->setText(text(5));
}

int CCopyToTesterDlg::exec()
{
    SetTexts();
    rate_.Reset();
    clock_.start();
    if (!engine_.Start())
        return engine_.Result();
    ui_->progress->setRange(0, engine_.ProgressMaximum());
    ui_->progress->setValue(0);
    ui_->animation->Start();
    return QDialog::exec();
}

void CCopyToTesterDlg::ShowProgress()
{
    ui_->progress->setRange(0, engine_.ProgressMaximum());
    ui_->progress->setValue(engine_.ProgressPosition());
    ui_->progressText->setText(QString::fromStdString(engine_.ProgressText()));
    ShowPath();
    rate_.Add(clock_.elapsed(), engine_.BytesRead());
    const std::uint64_t left =
        engine_.Total() > engine_.BytesRead() ? engine_.Total() - engine_.BytesRead() : 0;
    ui_->rateText->setText(QString::fromStdString(rate_.Text(left)));
}

void CCopyToTesterDlg::ShowPath()
{
    const QString path = QString::fromStdString(engine_.CurrentPcPath());
    if (path == shownPath_)
        return;
    shownPath_ = path;
    // A long path keeps its beginning and its file name; the whole of it is in the tip.
    const int width = std::max(ui_->pcPath->width(), ui_->pcPath->minimumWidth());
    ui_->pcPath->setText(ui_->pcPath->fontMetrics().elidedText(path, Qt::ElideMiddle, width));
    ui_->pcPath->setToolTip(path);
}

void CCopyToTesterDlg::OnFinished(int result)
{
    ui_->animation->Stop();
    done(result);
}

void CCopyToTesterDlg::reject()
{
    engine_.Cancel();
}

void CCopyToTesterDlg::closeEvent(QCloseEvent* event)
{
    // The close box ends the transfer like Cancel does, but the caller receives 0.
    event->ignore();
    engine_.Close();
}
