// The main window: menu, toolbar and status bar around the view, all labelled in the current
// language.
#pragma once

#include <QMainWindow>
#include <QToolBar>
#include <map>

class QAction;
class QLabel;
class QMenu;
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

    // Rewrites every menu text in the current language.
    void RelabelMenu();

    QAction* action(int command) const;
    CZOLTView* view() const { return view_; }
    // Sets the view once it has been created (it may fail, see CreateView).
    void SetView(CZOLTView* view);

    HelpDispatch& help() { return *help_; }

    // Carries out a menu, toolbar or key command.
    void OnCommand(int command);

Q_SIGNALS:
    void commandTriggered(int command);

private:
    QAction* AddCommand(QMenu* menu, int command, const QKeySequence& key = {});

    std::map<int, QAction*> actions_;
    QMenu* menus_[4] = {};
    MainToolBar* toolBar_ = nullptr;
    QLabel* indicators_[3] = {};
    CZOLTView* view_ = nullptr;
    std::unique_ptr<HelpDispatch> help_;
};

// The main frame once created; the link's event 4 maximises it.
CMainFrame* MainFrame();
