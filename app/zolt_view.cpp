// The main view.
#include "app/zolt_view.h"

#include "app/app_constants.h"
#include "app/language_dlg.h"
#include "app/serial_port_dlg.h"
#include "core/app_config.h"
#include "core/app_settings.h"
#include "link/link_session.h"
#include "link/request_link.h"
#include "link/view_link_handler.h"
#include "software/install_software_dlg.h"
#include "software/tester_software_dlg.h"
#include "transfer/copy_to_tester_dlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace {

constexpr const char* kCopySection = "DIALOGO_COPY_PC_TESTER";
constexpr int kDownloadDoneText = 10; // "%d" files sent
constexpr const char* kGenericSection = "GENERIC_STRING";
constexpr int kDisconnectedText = 20; // "%s": the device
constexpr int kReconnectedText = 21;  // "%s": the device

// What a tester gone away cuts short, and what is asked of it until it is back, fails with one
// of these; the status bar says why once.
bool SaidByDisconnection(const ErrorReport& report)
{
    return report.section == kErrorSection &&
           (report.number == ErrorText::kNoAnswer || report.number == ErrorText::kCannotSend);
}

} // namespace

CZOLTView::CZOLTView(QWidget* parent) : QWidget(parent), boxes_(AppConfig)
{
    setObjectName("view");
    setAttribute(Qt::WA_OpaquePaintEvent);
    logo_.Load(AppConfig.logoPath);
}

CZOLTView::~CZOLTView()
{
    linkHandler_.reset();
    if (!link_)
        return;
    // No event loop runs for what closing says (the library not released): shown at once.
    disconnect(link_.get(), &LinkSession::Failed, &boxes_, nullptr);
    connect(link_.get(), &LinkSession::Failed, this,
            [this](const ErrorReport& report) { boxes_.ShowAtOnce(report); });
    link_->CloseLink();
}

bool CZOLTView::Create()
{
    link_ = std::make_unique<LinkSession>(AppConfig);
    // Failures of setting the link up are shown once it is done: if the program must end,
    // at once, since no event loop will run for them.
    std::vector<ErrorReport> failures;
    auto collect = connect(link_.get(), &LinkSession::Failed, this,
                           [&failures](const ErrorReport& report) { failures.push_back(report); });
    const bool opened = link_->OpenLink(this, PortTarget::Com(AppConfig.comPort)) == 0;
    disconnect(collect);
    for (const ErrorReport& report : failures)
        opened ? boxes_.Show(report) : boxes_.ShowAtOnce(report);
    if (!opened) {
        link_.reset();
        return false;
    }
    boxes_.Watch(link_.get());
    const auto say = [this](int number, const QString& device) {
        emit StatusMessage(QString::fromStdString(
            FillText(AppConfig.Text(kGenericSection, number), {device.toStdString()})));
    };
    connect(link_.get(), &LinkSession::Disconnected, this,
            [say](const QString& device) { say(kDisconnectedText, device); });
    connect(link_.get(), &LinkSession::Reconnected, this,
            [say](const QString& device) { say(kReconnectedText, device); });
    boxes_.SetHoldBack([this](const ErrorReport& report) {
        return link_ && link_->Reconnecting() && SaidByDisconnection(report);
    });
    connect(link_->Window(), &LinkWindow::ViewShowRequested, this, [this] {
        setFocus();
        show();
    });
    connect(link_->Window(), &LinkWindow::ViewDeactivateRequested, this, [this] {
        clearFocus();
        QEvent deactivate(QEvent::WindowDeactivate);
        QCoreApplication::sendEvent(this, &deactivate);
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
    });
    linkHandler_ = std::make_unique<ViewLinkHandler>(*link_, this);
    boxes_.Watch(linkHandler_.get());
    connect(linkHandler_.get(), &ViewLinkHandler::MaximizeRequested, this,
            &CZOLTView::MaximizeRequested);
    return true;
}

void CZOLTView::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    dc.fillRect(rect(), palette().color(QPalette::Window));
    logo_.Paint(&dc, rect(), CDibPicture::kModeStretch);
}

void CZOLTView::OnCommand(int command)
{
    switch (command) {
    case cmd::TesterSoftware:
        OpenTesterSoftware();
        break;
    case cmd::SelectLanguage:
        if (SelectLanguage(this))
            emit LanguageChanged();
        break;
    case cmd::InstallSoftware: {
        CInstallSoftwareDlg dlg(this);
        dlg.exec();
        break;
    }
    case cmd::SelectSerialPort: {
        SerialPortContext context;
        if (link_) {
            context.api = link_->Api();
            if (link_->PortOpen())
                context.ownDevice = QFile::decodeName(link_->Device().c_str());
        }
        SelectSerialPort(this, context, [this](int port) { ReopenPort(port); });
    } break;
    case cmd::Print:
    case cmd::PrintDirect:
    case cmd::PrintPreview:
        Print(command);
        break;
    default:
        break;
    }
}

void CZOLTView::OpenTesterSoftware()
{
    if (!link_)
        return;
    LinkSession& session = *link_;
    SessionRequestLink link(session);
    CTesterSoftwareDlg dlg(
        link,
        [this, &session](QWidget* parent,
                         const std::vector<TesterSoftwareEngine::CopyItem>& queue) {
            SessionRequestLink copyLink(session);
            CCopyToTesterDlg copy(copyLink, AppConfig, boxes_, parent);
            for (const TesterSoftwareEngine::CopyItem& item : queue)
                copy.AddFile(item.pcPath.c_str(), item.testerPath.c_str(), 0, 0);
            // The copy dialog closes as soon as the transfer ends: a download that went well is
            // said on the status bar, one that failed was said in its box (or, cut short by
            // the tester going away, on the status bar).
            if (copy.exec() == CopyEngine::kResultSent)
                emit StatusMessage(
                    QString::fromStdString(FillText(AppConfig.Text(kCopySection, kDownloadDoneText),
                                                    {std::to_string(copy.Engine().FilesSent())})));
            return copy.Engine().FilesSent();
        },
        this);
    dlg.ShowFailuresIn(boxes_); // one place for the copy's failures and the dialog's
    dlg.exec();
}

void CZOLTView::ReopenPort(int port)
{
    // Only a port that opened is kept and saved; after a failure its reason alone is said, and
    // the port that worked stays in use.
    const LinkSession::Reopen result =
        link_ ? link_->ReopenPort(PortTarget::Com(port)) : LinkSession::Reopen::Opened;
    switch (result) {
    case LinkSession::Reopen::Unchanged:
        SaveComPort(port);
        return;
    case LinkSession::Reopen::Opened: {
        AppConfig.comPort = std::uint8_t(port);
        SaveComPort(port);
        ErrorReport notice(ErrorText::kPortChanged);
        notice.style = kStyleNotice;
        boxes_.Show(notice);
        return;
    }
    case LinkSession::Reopen::Kept:
    case LinkSession::Reopen::NoPort:
        return; // the session said what happened
    }
}

void CZOLTView::Print(int command)
{
    // The printer chosen in Print set-up; a view without the main frame (tests) has its own.
    std::unique_ptr<QPrinter> own;
    QPrinter& printer = printer_ ? *printer_ : *(own = std::make_unique<QPrinter>());
    auto render = [this](QPrinter* p) {
        QPainter dc(p);
        QRect page = p->pageLayout().paintRectPixels(p->resolution());
        logo_.Paint(&dc, QRect(QPoint(0, 0), page.size()), CDibPicture::kModeStretch);
    };
    if (command == cmd::PrintPreview) {
        QPrintPreviewDialog preview(&printer, this);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this, render);
        preview.exec();
        return;
    }
    if (command == cmd::Print) {
        QPrintDialog dlg(&printer, this);
        if (dlg.exec() != QDialog::Accepted)
            return;
    }
    render(&printer);
}
