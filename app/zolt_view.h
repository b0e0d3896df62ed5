// The main view: paints the logo, owns the tester link and carries out the dialog commands.
#pragma once

#include "ui/dib_picture.h"

#include <QWidget>
#include <memory>

class LinkSession;
class ViewLinkHandler;

class CZOLTView : public QWidget
{
    Q_OBJECT

public:
    explicit CZOLTView(QWidget* parent = nullptr);
    ~CZOLTView() override;

    // Opens the tester link; false when it cannot be set up (a message has been shown and the
    // program must end).
    bool Create();

    LinkSession* GetLink() const { return link_.get(); }

    void OnCommand(int command);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Print(int command);
    void OpenTesterSoftware();
    void ReopenPort(int port);

    CDibPicture logo_;
    std::unique_ptr<LinkSession> link_;
    std::unique_ptr<ViewLinkHandler> linkHandler_;
};
