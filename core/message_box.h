// The two entries of the program's message box, and its test seam.
#pragma once

#include "core/messages.h"

#include <functional>
#include <string>

// Looks up title and text and shows them in the program's message box. Returns the box's code
// for the two-button sets (1 Ok, 2 Cancel, 6 Yes, 7 No) and 6 for the single Ok box.
int ShowMessage(const char* file, const char* titleSection, int titleNumber,
                const char* textSection, int textNumber, int style, int helpId);

// Shows a literal title and text in the program's message box; results as ShowMessage.
int ShowMessageText(const char* file, const char* title, const char* text, int style, int helpId);

// Shows `text` in the platform's own notice box (exclamation icon, title "VELANTO").
void ShowPlatformNotice(const std::string& text);

// Test seam: when set, message boxes are not shown; the hook receives title, text and style
// (kStyleNotice for the platform's notice box) and returns the code the box would have closed
// with.
using MessageBoxHook =
    std::function<int(const std::string& title, const std::string& text, int style)>;
void SetMessageBoxHook(MessageBoxHook hook);
