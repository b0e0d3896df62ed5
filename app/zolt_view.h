// The main view: paints the logo, owns the tester link and carries out the dialog commands.
// It tells the main frame what it needs by signals, and shows every failure of the link and
// its engines in the program's boxes.
#pragma once

#include "core/error_boxes.h"
#include "ui/dib_picture.h"

#include <QWidget>
#include <memory>

class LinkSession;
class QPrinter;
class ViewLinkHandler;

class CZOLTView : public QWidget
{
    Q_OBJECT

public:
    explicit CZOLTView(QWidget* parent = nullptr);
    ~CZOLTView() override;

    // Opens the tester link; false when it cannot be set up (its message has been shown and
    // the program must end).
    bool Create();

    LinkSession* GetLink() const { return link_.get(); }
    ErrorBoxes& Boxes() { return boxes_; }

    // The printer that printing uses (the one Print set-up chose); without one the view prints
    // on a printer of its own.
    void SetPrinter(QPrinter* printer) { printer_ = printer; }

    void OnCommand(int command);

signals:
    // The language changed: the frame relabels its menus.
    void LanguageChanged();
    // The tester asked for the main window to be shown maximised.
    void MaximizeRequested();
    // A line for the status bar: a download that ended well, the tester gone away or back.
    void StatusMessage(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Print(int command);
    void OpenTesterSoftware();
    void ReopenPort(int port);

    CDibPicture logo_;
    ErrorBoxes boxes_;
    std::unique_ptr<LinkSession> link_;
    std::unique_ptr<ViewLinkHandler> linkHandler_;
    QPrinter* printer_ = nullptr;
};
