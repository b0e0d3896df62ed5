// The start-up picture, shown for two seconds before the main window opens.
#pragma once

#include "ui/dib_picture.h"

#include <QDialog>

class CSplashDlg : public QDialog
{
    Q_OBJECT

public:
    enum
    {
        IDD = 275,
        kShowMs = 2000
    };

    explicit CSplashDlg(const std::string& picturePath, QWidget* parent = nullptr);

    void reject() override {} // it cannot be closed before its time

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    CDibPicture picture_;
    int timerId_ = 0;
};
