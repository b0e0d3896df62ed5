// Printer picture reader: reads a .BMP file and paints it once into a box at a whole-number scale.
#pragma once

#include <string>

class QPainter;

// Reads the picture at `path` and paints it with its top-left corner at (x, y), fitted into a
// box of `boxWidth` by `boxHeight` (either may be negative: a box that grows left or downward in
// coordinates whose axis grows the other way). Returns 1 when painted, 0 when the file is missing,
// unreadable or not a drawable picture; nothing is painted then.
int PaintBmpFile(QPainter* dc, int x, int y, int boxWidth, int boxHeight, const std::string& path);

// The painted size of a picture in a box: the largest whole multiple k of the picture that fits
// the box's absolute size, signed as the box; when even k = 1 does not fit, the box itself.
void BmpFitSize(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight, int& width,
                int& height);
