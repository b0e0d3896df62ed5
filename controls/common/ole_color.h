// Colour values of the controls (0x00BBGGRR, red in the low byte) and the arithmetic both
// controls paint with.
#pragma once

#include <QColor>

#include <cstdint>

using OLE_COLOR = std::uint32_t;

// Each channel moves up by `amount`, stopping at 255. The high byte of the result is 0.
OLE_COLOR LightenColor(OLE_COLOR color, int amount);

// Each channel moves down by `amount`, stopping at 0. The high byte of the result is 0.
OLE_COLOR DarkenColor(OLE_COLOR color, int amount);

// Rounds halves up (2.5 gives 3). Values beyond the int range are held at its ends and a NaN
// gives 0, so that hostile sizes cannot make the conversion undefined.
int RoundHalfUp(double x);

// Each channel that differs from `target` moves toward it by its step and stops on it.
OLE_COLOR StepColorToward(OLE_COLOR color, OLE_COLOR target, int redStep, int greenStep,
                          int blueStep);

inline int RedOf(OLE_COLOR c) { return int(c & 0xFF); }
inline int GreenOf(OLE_COLOR c) { return int((c >> 8) & 0xFF); }
inline int BlueOf(OLE_COLOR c) { return int((c >> 16) & 0xFF); }
inline OLE_COLOR MakeOleColor(int r, int g, int b)
{
    return OLE_COLOR(r & 0xFF) | OLE_COLOR(g & 0xFF) << 8 | OLE_COLOR(b & 0xFF) << 16;
}

// The colour a pen or brush of `c` paints (the high byte is not a colour and is ignored).
inline QColor ToQColor(OLE_COLOR c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }
inline OLE_COLOR FromQColor(const QColor& c) { return MakeOleColor(c.red(), c.green(), c.blue()); }
