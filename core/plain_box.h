// The platform's plain message boxes, apart from the program's own box: the application's
// standard box (application title as caption) and the system box with a literal title.
#pragma once

#include <functional>
#include <string>

enum class BoxIcon
{
    Error,
    Information
};

// The application title, caption of the application's standard box.
inline constexpr const char* kApplicationTitle = "VELANTO";

// Shows `text` with the application title as caption and a single Ok button.
void ShowApplicationBox(const std::string& text, BoxIcon icon);

// Shows `text` under the literal `title` with a single Ok button.
void ShowSystemBox(const std::string& title, const std::string& text, BoxIcon icon);

// Test seam: when set, neither box is shown; the hook receives what would have been shown.
using PlainBoxHook =
    std::function<void(const std::string& title, const std::string& text, BoxIcon icon)>;
void SetPlainBoxHook(PlainBoxHook hook);
