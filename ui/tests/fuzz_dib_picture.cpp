// Fuzzes the screen picture reader: loading, measuring and painting arbitrary files.
#include "ui/dib_picture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // A GUI application lets the loader make its device bitmap as it does in the program.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication* app = new QGuiApplication(*argc, *argv);
    (void)app;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const std::string path = "/tmp/zolt-fuzz-dib-" + std::to_string(getpid()) + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    CDibPicture picture;
    if (picture.Load(path)) {
        QImage canvas(32, 24, QImage::Format_RGB32);
        QPainter p(&canvas);
        picture.Paint(&p, QRect(0, 0, 32, 24), CDibPicture::kModeStretch);
        picture.Paint(&p, QRect(-3, 5, 0, 0), CDibPicture::kModeCopy);
    }
    int w = 0;
    int h = 0;
    CDibPicture::Measure(path, w, h);
    return 0;
}
