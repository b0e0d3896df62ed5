// Drawing of the flying sheets and of the PC and tester pictures.
#include "transfer/copy_animation.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

const QColor kInk(40, 70, 120);
const QColor kAccent(60, 130, 200);

// One sheet with a folded corner and three lines of "text", centred on `centre`.
void DrawSheet(QPainter& p, QPointF centre, double scale, double opacity)
{
    p.save();
    p.setOpacity(opacity);
    p.translate(centre);
    p.scale(scale, scale);
    const double w = 14, h = 18, fold = 5;
    QPainterPath sheet;
    sheet.moveTo(-w / 2, -h / 2);
    sheet.lineTo(w / 2 - fold, -h / 2);
    sheet.lineTo(w / 2, -h / 2 + fold);
    sheet.lineTo(w / 2, h / 2);
    sheet.lineTo(-w / 2, h / 2);
    sheet.closeSubpath();
    p.setPen(QPen(kInk, 1.2));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(QPointF(w / 2 - fold, -h / 2), QPointF(w / 2 - fold, -h / 2 + fold));
    p.drawLine(QPointF(w / 2 - fold, -h / 2 + fold), QPointF(w / 2, -h / 2 + fold));
    p.setPen(QPen(kAccent, 1.4));
    for (int i = 0; i < 3; ++i) {
        const double y = -h / 2 + 7 + i * 3.5;
        p.drawLine(QPointF(-w / 2 + 3, y), QPointF(w / 2 - 3 - (i == 2 ? 3 : 0), y));
    }
    p.restore();
}

} // namespace

CopyAnimation::CopyAnimation(QWidget* parent) : QWidget(parent)
{
    timer_.setInterval(kFrameMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        ++frame_;
        update();
    });
}

void CopyAnimation::Start()
{
    timer_.start();
    update();
}

void CopyAnimation::Stop()
{
    timer_.stop();
    update();
}

void CopyAnimation::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double left = 12, right = width() - 12.0;
    const double base = height() * 0.62, lift = height() * 0.38;

    // The track the sheets follow.
    QPen track(QColor(150, 170, 200), 1.2, Qt::DotLine);
    p.setPen(track);
    QPainterPath arc;
    for (int i = 0; i <= 40; ++i) {
        const double t = i / 40.0;
        const QPointF point(left + (right - left) * t, base - lift * std::sin(M_PI * t));
        if (i == 0)
            arc.moveTo(point);
        else
            arc.lineTo(point);
    }
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);

    if (!Running()) {
        DrawSheet(p, QPointF(left + 4, base), 1.0, 0.5);
        return;
    }
    constexpr int kSheets = 3;
    for (int s = 0; s < kSheets; ++s) {
        const int at = (frame_ + s * kFramesPerFlight / kSheets) % kFramesPerFlight;
        const double t = double(at) / kFramesPerFlight;
        const QPointF point(left + (right - left) * t, base - lift * std::sin(M_PI * t));
        const double fade = std::min(1.0, std::min(t, 1.0 - t) * 6.0);
        DrawSheet(p, point, 0.85 + 0.3 * std::sin(M_PI * t), fade);
    }
}

QPixmap CopyAnimation::PcPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    // Monitor, stand and keyboard.
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(225, 232, 242));
    p.drawRoundedRect(QRectF(5, 6, 38, 26), 3, 3);
    p.setBrush(QColor(90, 150, 215));
    p.drawRect(QRectF(9, 10, 30, 18));
    p.setBrush(QColor(225, 232, 242));
    p.drawRect(QRectF(20, 32, 8, 5));
    p.drawRoundedRect(QRectF(8, 38, 32, 6), 2, 2);
    return pixmap;
}

QPixmap CopyAnimation::TesterPicture(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    // A handheld unit: body, screen, keys and the cable plug on top.
    p.setPen(QPen(kInk, 2));
    p.setBrush(QColor(250, 190, 60));
    p.drawRoundedRect(QRectF(12, 6, 24, 38), 5, 5);
    p.setBrush(QColor(40, 60, 70));
    p.drawRect(QRectF(16, 11, 16, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawEllipse(QPointF(18.5 + col * 5.5, 28.5 + row * 4.5), 1.6, 1.6);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(QRectF(21, 1, 6, 5));
    return pixmap;
}
