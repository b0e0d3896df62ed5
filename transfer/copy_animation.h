// The copy dialog's moving picture: sheets of paper flying from the PC to the tester while a
// transfer runs, and the two pictures of the PC and the tester beside it.
#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

class CopyAnimation : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool running READ Running)
    Q_PROPERTY(int frame READ Frame)

public:
    static constexpr int kFrameMs = 40;
    static constexpr int kFramesPerFlight = 45;

    explicit CopyAnimation(QWidget* parent = nullptr);

    void Start();
    void Stop();
    bool Running() const { return timer_.isActive(); }
    int Frame() const { return frame_; }

    QSize sizeHint() const override { return {220, 56}; }
    QSize minimumSizeHint() const override { return {120, 48}; }

    // The pictures on either side of the animation, drawn at `size` pixels square.
    static QPixmap PcPicture(int size);
    static QPixmap TesterPicture(int size);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QTimer timer_;
    int frame_ = 0;
};
