// The keyboard's caps, num and scroll lock states, where the platform tells them.
#pragma once

#include <optional>

struct LockKeyStates
{
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Returns the lock states, or nothing where the platform cannot tell them: only X11 with its
// keyboard extension does (its indicator state), so offscreen and Wayland give nothing.
std::optional<LockKeyStates> ReadLockKeyStates();
