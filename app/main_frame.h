// The main window: menu, toolbar and status bar around the view, all labelled in the current
// language.
#pragma once

#include <QMainWindow>
#include <QToolBar>
#include <map>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPrinter;
class QTimer;
class CZOLTView;
class HelpDispatch;

// The toolbar; its tips are looked up when they are shown, so they follow a language change.
class MainToolBar : public QToolBar
{
    Q_OBJECT

public:
    explicit MainToolBar(QWidget* parent = nullptr);

    // Returns the tip of a button's command in the current language (79 characters at most),
    // or "" for a command without one.
    static QString TipText(int command);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void actionEvent(QActionEvent* event) override;
};

class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Rewrites every menu text in the current language, and switches Qt's own dialogs to it.
    void RelabelMenu();

    QAction* GetAction(int command) const;
    CZOLTView* GetView() const { return view_; }
    // Sets the view once it has been created (it may fail, see CreateView).
    void SetView(CZOLTView* view);

    HelpDispatch& GetHelp() { return *help_; }

    // The one printer of the program's run: Print set-up chooses it, printing uses it.
    QPrinter* GetPrinter();

    // Carries out a menu, toolbar or key command.
    void OnCommand(int command);

    // Shows the caps, num and scroll lock states in the status bar; the panes are hidden where
    // the platform cannot tell them.
    void UpdateLockIndicators();

protected:
    // Leads the arrow keys and the mouse between the menu bar and the corner bar that holds
    // the fourth menu, which Qt treats as two separate bars.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* AddCommand(QMenu* menu, int command, const QKeySequence& key = {});
    // Opens top-level menu `index` (0-3) from the keyboard, its first item highlighted if
    // `highlightFirst`, closing the menu that is open.
    void OpenMenu(int index, bool highlightFirst);

    std::map<int, QAction*> actions_;
    QMenu* menus_[4] = {};
    QMenuBar* rightBar_ = nullptr;
    MainToolBar* toolBar_ = nullptr;
    QLabel* indicators_[3] = {};
    QTimer* lockTimer_ = nullptr;
    CZOLTView* view_ = nullptr;
    std::unique_ptr<HelpDispatch> help_;
    std::unique_ptr<QPrinter> printer_;
};

// Returns a menu text without its access-letter marks ("&&" stays a single "&").
QString WithoutAccessLetter(const QString& text);
