// The main view: paints the logo, owns the tester link and carries out the dialog commands.
#pragma once

#include "ui/dib_picture.h"

#include <QWidget>
#include <memory>

class CZOLTView : public QWidget
{
    Q_OBJECT

public:
    explicit CZOLTView(QWidget* parent = nullptr);
    ~CZOLTView() override;

    // Opens the tester link; false when it cannot be set up (a message has been shown and the
    // program must end).
    bool Create();

    void OnCommand(int command);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void Print(int command);
    void ReopenPort(int port);

    CDibPicture logo_;
    bool linkOpen_ = false;
};
