// The main view.
#include "app/zolt_view.h"

#include "app/app_constants.h"
#include "app/language_dlg.h"
#include "app/main_frame.h"
#include "app/serial_port_dlg.h"
#include "core/app_config.h"
#include "link/link_session.h"
#include "link/view_link_handler.h"
#include "software/install_software_dlg.h"
#include "software/tester_software_dlg.h"
#include "software/tester_software_link.h"
#include "transfer/copy_to_tester_dlg.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

CZOLTView::CZOLTView(QWidget* parent) : QWidget(parent)
{
    setObjectName("view");
    setAttribute(Qt::WA_OpaquePaintEvent);
    logo_.Load(AppConfig.logoPath);
}

CZOLTView::~CZOLTView()
{
    linkHandler_.reset();
    if (link_)
        link_->CloseLink();
}

bool CZOLTView::Create()
{
    link_ = std::make_unique<LinkSession>();
    if (link_->OpenLink(this) != 0) {
        link_.reset();
        return false;
    }
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
    connect(linkHandler_.get(), &ViewLinkHandler::MaximizeRequested, this, [this] {
        if (QWidget* frame = window())
            frame->showMaximized();
    });
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
        if (SelectLanguage(this) && MainFrame())
            MainFrame()->RelabelMenu();
        break;
    case cmd::InstallSoftware: {
        CInstallSoftwareDlg dlg(this);
        dlg.exec();
        break;
    }
    case cmd::SelectSerialPort:
        SelectSerialPort(this, [this](int port) { ReopenPort(port); });
        break;
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
    TesterSoftwareLink link(session);
    CTesterSoftwareDlg dlg(
        link,
        [&session](QWidget* parent, const std::vector<TesterSoftwareEngine::CopyItem>& queue) {
            CCopyToTesterDlg copy(session, parent);
            for (const TesterSoftwareEngine::CopyItem& item : queue)
                copy.AddFile(item.pcPath.c_str(), item.testerPath.c_str(), 0, 0);
            copy.exec();
            return copy.Engine().FilesSent();
        },
        this);
    link.SetEngine(&dlg.Engine());
    dlg.exec();
}

void CZOLTView::ReopenPort(int port)
{
    // The session closes the old port, opens the new one and says so (notice 55, message 2).
    if (link_)
        link_->ReopenPort(port);
    else
        AppConfig.comPort = std::uint8_t(port);
}

void CZOLTView::Print(int command)
{
    // The printer chosen in Print set-up; a view without the main frame (tests) has its own.
    std::unique_ptr<QPrinter> own;
    QPrinter& printer =
        MainFrame() ? *MainFrame()->GetPrinter() : *(own = std::make_unique<QPrinter>());
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
