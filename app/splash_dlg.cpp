// The start-up picture.
#include "app/splash_dlg.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>

CSplashDlg::CSplashDlg(const std::string& picturePath, QWidget* parent)
    : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName("splash");
    // 245 x 134 dialog units at the usual 1.5 pixels a unit.
    resize(368, 218);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(199, 0, 0));
    setPalette(pal);
    setAutoFillBackground(true);
    int width = 0, height = 0;
    if (CDibPicture::Measure(picturePath, width, height) == 1)
        resize(width, height);
    picture_.Load(picturePath);
    // Placed by hand in the middle of the screen: the platform's own placing of a new window
    // allows for a frame, guessed from other windows, that the splash does not have.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - this->width()) / 2,
             area.y() + (area.height() - this->height()) / 2);
    }
    // A coarse timer may fire up to 5% early; the picture must stay its full time.
    timerId_ = startTimer(kShowMs, Qt::PreciseTimer);
}

void CSplashDlg::paintEvent(QPaintEvent*)
{
    QPainter dc(this);
    picture_.Paint(this, &dc, -1, -1, CDibPicture::kModeCopy);
}

void CSplashDlg::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != timerId_)
        return;
    killTimer(timerId_);
    timerId_ = 0;
    done(1);
}
