// Fuzzes the printer picture reader on arbitrary files, painting into boxes of both signs.
#include "ui/paint_bmp_file.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const std::string path = "/tmp/zolt-fuzz-paint-bmp-" + std::to_string(getpid()) + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    QImage canvas(40, 30, QImage::Format_RGB32);
    QPainter p(&canvas);
    if (PaintBmpFile(&p, 1, 2, 38, 27, path)) {
        p.translate(0, 30);
        p.scale(1, -1);
        PaintBmpFile(&p, 0, 29, 40, -29, path);
    }
    return 0;
}
