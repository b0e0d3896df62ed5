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
#include <QDialogButtonBox>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QWhatsThis>

#include <algorithm>
#include <iterator>

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

// Status bar lock indicators: object name and text number, in the panes' order.
constexpr const char* kIndicatorNames[3] = {"CAP", "NUM", "SCRL"};
constexpr int kIndicatorTexts[3] = {30, 31, 32};
// Print set-up's confirming button: it confirms the choice, nothing is printed.
constexpr int kPrintSetupOkText = 10;

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
    for (QMenu* menu : menus_)
        menu->installEventFilter(this);

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
    for (int i = 0; i < 3; ++i) {
        indicators_[i] = new QLabel(status);
        indicators_[i]->setObjectName(QString("indicator%1").arg(kIndicatorNames[i]));
        indicators_[i]->setAlignment(Qt::AlignCenter);
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

void CMainFrame::OpenMenu(int index, bool highlightFirst)
{
    QMenu* target = menus_[index];
    for (QMenu* menu : menus_)
        if (menu != target && menu->isVisible())
            menu->hide();
    QMenuBar* bar = index == 3 ? rightBar_ : menuBar();
    bar->setActiveAction(target->menuAction());
    if (highlightFirst)
        for (QAction* a : target->actions())
            if (!a->isSeparator() && a->isEnabled()) {
                target->setActiveAction(a);
                break;
            }
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    const auto* menu = qobject_cast<QMenu*>(watched);
    const int index = int(std::find(std::begin(menus_), std::end(menus_), menu) - menus_);
    if (!menu || index >= 4)
        return QMainWindow::eventFilter(watched, event);

    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool right = key->key() == Qt::Key_Right, left = key->key() == Qt::Key_Left;
        if (key->modifiers() != Qt::NoModifier || !(right || left))
            return false;
        if (QAction* active = menu->activeAction(); active && active->menu() && right)
            return false; // into a submenu, as usual
        const int next = (index + (right ? 1 : 3)) % 4;
        // Within the menu bar Qt moves on by itself; only steps into or out of the corner bar
        // are led here.
        if (index != 3 && next != 3)
            return false;
        QTimer::singleShot(0, this, [this, next] { OpenMenu(next, true); });
        return true;
    }
    if (event->type() == QEvent::MouseMove) {
        // The open menu holds the mouse: sliding onto a title of the other bar opens its menu.
        const QPointF global = static_cast<QMouseEvent*>(event)->globalPosition();
        QMenuBar* other = index == 3 ? menuBar() : rightBar_;
        QAction* title = other->actionAt(other->mapFromGlobal(global.toPoint()));
        for (int i = 0; i < 4 && title; ++i)
            if (menus_[i]->menuAction() == title && i != index) {
                QTimer::singleShot(0, this, [this, i] { OpenMenu(i, false); });
                break;
            }
    }
    return false;
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
    connect(view, &CZOLTView::StatusMessage, statusBar(),
            [this](const QString& text) { statusBar()->showMessage(text); });
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
    for (int i = 0; i < 3; ++i)
        indicators_[i]->setText(UiText("STRINGHE_MENU", kIndicatorTexts[i]));
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
        dlg.setObjectName("printSetupDialog");
        dlg.setWindowTitle(UiText("STRINGHE_MENU", 23));
        // Qt's dialog is a print dialog; here it only chooses the printer and its settings.
        for (auto* buttons : dlg.findChildren<QDialogButtonBox*>())
            if (QPushButton* ok = buttons->button(QDialogButtonBox::Ok))
                ok->setText(UiText("GENERIC_STRING", kPrintSetupOkText));
        dlg.exec();
        return;
    }
    default:
        if (view_)
            view_->OnCommand(command);
    }
}
