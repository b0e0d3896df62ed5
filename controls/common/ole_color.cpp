// Colour arithmetic shared by both controls.
#include "controls/common/ole_color.h"

#include <cmath>
#include <limits>

namespace {

int Lighten(int channel, int n) { return channel < 255 - n ? channel + n : 255; }
int Darken(int channel, int n) { return channel > n ? channel - n : 0; }

int Step(int channel, int target, int step)
{
    if (channel < target)
        return channel + step >= target ? target : channel + step;
    if (channel > target)
        return channel - step <= target ? target : channel - step;
    return channel;
}

} // namespace

OLE_COLOR LightenColor(OLE_COLOR c, int n)
{
    return MakeOleColor(Lighten(RedOf(c), n), Lighten(GreenOf(c), n), Lighten(BlueOf(c), n));
}

OLE_COLOR DarkenColor(OLE_COLOR c, int n)
{
    return MakeOleColor(Darken(RedOf(c), n), Darken(GreenOf(c), n), Darken(BlueOf(c), n));
}

int RoundHalfUp(double x)
{
    if (std::isnan(x))
        return 0;
    constexpr double kMax = std::numeric_limits<int>::max();
    constexpr double kMin = std::numeric_limits<int>::min();
    if (x >= kMax)
        return std::numeric_limits<int>::max();
    if (x <= kMin)
        return std::numeric_limits<int>::min();
    const double whole = std::trunc(x);
    return int(whole) + (x - whole >= 0.5 ? 1 : 0);
}

OLE_COLOR StepColorToward(OLE_COLOR c, OLE_COLOR target, int redStep, int greenStep, int blueStep)
{
    return MakeOleColor(Step(RedOf(c), RedOf(target), redStep),
                        Step(GreenOf(c), GreenOf(target), greenStep),
                        Step(BlueOf(c), BlueOf(target), blueStep));
}
