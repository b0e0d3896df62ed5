// The main window.
#include "app/main_frame.h"

#include "app/app_constants.h"
#include "app/help_dispatch.h"
#include "app/info_dlg.h"
#include "app/lock_keys.h"
#include "app/pictures.h"
#include "app/qt_translations.h"
#include "app/zolt_view.h"
#include "core/app_config.h"
#include "core/help_request.h"
#include "core/texts.h"
#include "platform/help_window.h"
#include "software/vehicle_catalogue.h"

#include <QActionEvent>
#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWhatsThis>

namespace {

// Menu texts: top-level menus by position, items by command.
constexpr int kMenuTitleTexts[4] = {1, 13, 3, 4};
const std::map<int, int> kMenuItemTexts = {{cmd::TesterSoftware, 12},
                                           {cmd::InstallSoftware, 18},
                                           {cmd::Exit, 7},
                                           {cmd::PrintSetup, 6},
                                           {cmd::SelectLanguage, 16},
                                           {cmd::SelectSerialPort, 8},
                                           {cmd::ViewToolbar, 9},
                                           {cmd::ViewStatusBar, 10},
                                           {cmd::AppAbout, 5},
                                           {cmd::Help, 22}};

// Toolbar tips: the command's dialog title, or the printer set-up tip.
struct Tip
{
    const char* section;
    int number;
};
const std::map<int, Tip> kTips = {{cmd::SelectSerialPort, {"DIALOGO_SELEZIONE_PORTA_SERIALE", 1}},
                                  {cmd::TesterSoftware, {"DIALOGO_AGGIORNAMENTO_SW_TESTER", 1}},
                                  {cmd::SelectLanguage, {"DIALOGO_SELEZIONE_LINGUA", 1}},
                                  {cmd::InstallSoftware, {"AGGIORNAMENTO_SW_ECU", 1}},
                                  {cmd::PrintSetup, {"STRINGHE_MENU", 23}},
                                  {cmd::AppAbout, {"DIALOGO_INFORMAZIONI", 1}}};

} // namespace

QString WithoutAccessLetter(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size())
            ++i;
        plain += text[i];
    }
    return plain;
}

MainToolBar::MainToolBar(QWidget* parent) : QToolBar(parent)
{
    setObjectName("mainToolBar");
    setIconSize(QSize(16, 15));
    setMovable(true);
}

QString MainToolBar::TipText(int command)
{
    auto it = kTips.find(command);
    if (it == kTips.end())
        return {};
    // The tip buffer holds 79 characters.
    return UiText(it->second.section, it->second.number).left(79);
}

void MainToolBar::actionEvent(QActionEvent* event)
{
    QToolBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded)
        if (QWidget* button = widgetForAction(event->action()))
            button->installEventFilter(this);
}

bool MainToolBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button && button->defaultAction()) {
            QString tip = TipText(button->defaultAction()->data().toInt());
            auto* help = static_cast<QHelpEvent*>(event);
            if (tip.isEmpty())
                QToolTip::hideText();
            else
                QToolTip::showText(help->globalPos(), tip, button);
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent),
      help_(std::make_unique<HelpDispatch>([](const std::string& file, const std::string& topic) {
          return ShowHelpTopic(QString::fromStdString(file), QString::fromStdString(topic));
      }))
{
    setObjectName("mainFrame");
    setWindowTitle(QString("%1 %2").arg(kAppTitle, QString(kDocTitle).trimmed()));

    QMenuBar* bar = menuBar();
    for (int i = 0; i < 3; ++i) {
        menus_[i] = bar->addMenu(QString());
        menus_[i]->setObjectName(QString("menu%1").arg(i + 1));
    }
    // The fourth menu stays at the right end of the menu bar.
    rightBar_ = new QMenuBar(bar);
    rightBar_->setObjectName("rightMenuBar");
    menus_[3] = rightBar_->addMenu(QString());
    menus_[3]->setObjectName("menu4");
    bar->setCornerWidget(rightBar_, Qt::TopRightCorner);

    AddCommand(menus_[0], cmd::TesterSoftware, Qt::Key_F2);
    AddCommand(menus_[0], cmd::InstallSoftware, Qt::Key_F3);
    menus_[0]->addSeparator();
    AddCommand(menus_[0], cmd::PrintSetup);
    menus_[0]->addSeparator();
    AddCommand(menus_[0], cmd::Exit);
    AddCommand(menus_[1], cmd::SelectSerialPort);
    AddCommand(menus_[1], cmd::SelectLanguage);
    QAction* toolbarToggle = AddCommand(menus_[2], cmd::ViewToolbar);
    QAction* statusToggle = AddCommand(menus_[2], cmd::ViewStatusBar);
    AddCommand(menus_[3], cmd::Help, Qt::Key_F1);
    menus_[3]->addSeparator();
    AddCommand(menus_[3], cmd::AppAbout);

    // Commands without a menu item still have their keys.
    for (auto [command, key] : {std::pair{cmd::Print, QKeySequence(QKeySequence::Print)},
                                std::pair{cmd::PrintDirect, QKeySequence()},
                                std::pair{cmd::PrintPreview, QKeySequence()}}) {
        auto* a = new QAction(this);
        a->setData(command);
        a->setShortcut(key);
        a->setObjectName(QString("action%1").arg(command));
        connect(a, &QAction::triggered, this, [this, command] { OnCommand(command); });
        addAction(a);
        actions_[command] = a;
    }
    // F10 opens the first menu; from there the arrow keys and access letters lead on.
    auto* menuKey = new QAction(this);
    menuKey->setObjectName("menuKey");
    menuKey->setShortcut(Qt::Key_F10);
    connect(menuKey, &QAction::triggered, this,
            [this] { menuBar()->setActiveAction(menus_[0]->menuAction()); });
    addAction(menuKey);
    // Context help: the next click on a command shows its tip as What's This.
    auto* contextHelp = new QAction(this);
    contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(contextHelp);

    toolBar_ = new MainToolBar(this);
    addToolBar(Qt::TopToolBarArea, toolBar_);
    for (int command : {cmd::TesterSoftware, cmd::InstallSoftware, 0, cmd::SelectSerialPort,
                        cmd::SelectLanguage, 0, cmd::PrintSetup, cmd::AppAbout}) {
        if (command == 0) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* a = actions_[command];
        a->setIcon(LoadIcon(QString("toolbar_%1").arg(command)));
        toolBar_->addAction(a);
        toolBar_->widgetForAction(a)->setObjectName(QString("toolButton%1").arg(command));
    }

    toolbarToggle->setCheckable(true);
    toolbarToggle->setChecked(true);
    statusToggle->setCheckable(true);
    statusToggle->setChecked(true);
    disconnect(toolbarToggle, &QAction::triggered, nullptr, nullptr);
    disconnect(statusToggle, &QAction::triggered, nullptr, nullptr);
    connect(toolbarToggle, &QAction::toggled, toolBar_, &QWidget::setVisible);
    connect(statusToggle, &QAction::toggled, this,
            [this](bool on) { statusBar()->setVisible(on); });

    QStatusBar* status = statusBar();
    status->setObjectName("statusBar");
    const char* names[3] = {"CAP", "NUM", "SCRL"};
    for (int i = 0; i < 3; ++i) {
        indicators_[i] = new QLabel(names[i], status);
        indicators_[i]->setObjectName(QString("indicator%1").arg(names[i]));
        indicators_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicators_[i]->setEnabled(false);
        status->addPermanentWidget(indicators_[i]);
    }
    // The platform sends no notice when a lock key changes in another window: ask it often.
    lockTimer_ = new QTimer(this);
    lockTimer_->setInterval(250);
    connect(lockTimer_, &QTimer::timeout, this, &CMainFrame::UpdateLockIndicators);
    UpdateLockIndicators();
    if (ReadLockKeyStates())
        lockTimer_->start();

    RelabelMenu();
    LoadVehicleCatalogue();
    SetHelpHandler([this](int helpId) { help_->WinHelp(helpId); });
}

CMainFrame::~CMainFrame()
{
    SetHelpHandler(nullptr);
}

QAction* CMainFrame::AddCommand(QMenu* menu, int command, const QKeySequence& key)
{
    QAction* a = menu->addAction(QString());
    a->setData(command);
    a->setObjectName(QString("action%1").arg(command));
    if (!key.isEmpty())
        a->setShortcut(key);
    connect(a, &QAction::triggered, this, [this, command] { OnCommand(command); });
    actions_[command] = a;
    return a;
}

QAction* CMainFrame::GetAction(int command) const
{
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::SetView(CZOLTView* view)
{
    view_ = view;
    setCentralWidget(view);
    view->SetPrinter(GetPrinter());
    connect(view, &CZOLTView::LanguageChanged, this, &CMainFrame::RelabelMenu);
    connect(view, &CZOLTView::MaximizeRequested, this, &QWidget::showMaximized);
}

void CMainFrame::RelabelMenu()
{
    for (int i = 0; i < 4; ++i)
        menus_[i]->setTitle(UiText("STRINGHE_MENU", kMenuTitleTexts[i]));
    for (auto [command, number] : kMenuItemTexts)
        if (QAction* a = GetAction(command))
            a->setText(UiText("STRINGHE_MENU", number));
    // Fly-by status texts and What's This of the commands follow the tips.
    for (auto [command, tip] : kTips)
        if (QAction* a = GetAction(command)) {
            a->setStatusTip(MainToolBar::TipText(command));
            a->setWhatsThis(MainToolBar::TipText(command));
        }
    toolBar_->setWindowTitle(WithoutAccessLetter(UiText("STRINGHE_MENU", 9)));
    // The menu bar lays its corner out only when the corner is set: the Help menu's new title
    // would otherwise keep the old width and hide behind an extension button.
    rightBar_->adjustSize();
    menuBar()->setCornerWidget(rightBar_, Qt::TopRightCorner);
    SwitchQtTranslations(AppConfig.language);
    menuBar()->update();
}

QPrinter* CMainFrame::GetPrinter()
{
    if (!printer_)
        printer_ = std::make_unique<QPrinter>();
    return printer_.get();
}

void CMainFrame::UpdateLockIndicators()
{
    const std::optional<LockKeyStates> states = ReadLockKeyStates();
    const bool lit[3] = {states && states->caps, states && states->num, states && states->scroll};
    for (int i = 0; i < 3; ++i) {
        indicators_[i]->setVisible(states.has_value());
        indicators_[i]->setEnabled(lit[i]);
    }
}

void CMainFrame::OnCommand(int command)
{
    switch (command) {
    case cmd::Exit:
        close();
        return;
    case cmd::Help:
        help_->WinHelp(0);
        return;
    case cmd::AppAbout:
        ShowInfoDialog(this, view_ ? view_->GetLink() : nullptr);
        return;
    case cmd::PrintSetup: {
        QPrintDialog dlg(GetPrinter(), this);
        dlg.exec();
        return;
    }
    default:
        if (view_)
            view_->OnCommand(command);
    }
}
