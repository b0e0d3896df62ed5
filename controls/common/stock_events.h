// The codes the stock events carry, in the platform's conventions: mouse buttons 1 left,
// 2 right, 4 middle; Shift 1, Ctrl 2, Alt 4; keys as virtual-key codes.
#pragma once

#include <Qt>

short ButtonCode(Qt::MouseButtons buttons);
short ShiftState(Qt::KeyboardModifiers modifiers);
// The virtual-key code of a Qt key (Enter 13, Space 32, letters and digits as their capitals),
// 0 for keys without one.
short VirtualKey(int qtKey);
