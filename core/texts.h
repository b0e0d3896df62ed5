// Language texts looked up by section and number, and the two ways of showing a message box.
#pragma once

#include <QString>

#include <functional>
#include <string>

inline constexpr const char* kTextNotFound = "()----()";

// A text holds up to 199 characters in every language. The original's 200-byte buffer held 199
// Greek letters at one byte each in the Greek code page; in UTF-8 a character takes up to four
// bytes, so the buffer is sized for 199 characters of four bytes and the text is cut after its
// 199th character, never inside one.
inline constexpr int kTextChars = 199;
inline constexpr int kTextSize = kTextChars * 4 + 1;

// Message box styles used by the program.
inline constexpr int kStyleError = 16;    // error icon, single Ok
inline constexpr int kStyleQuestion = 36; // question icon, Yes and No

// Looks up text `number` of `section` in the current language (key "s<number>_<code>") in
// `file`. Returns `out` holding the text (at most kTextChars characters) with its quotes and "\n"
// pairs processed, or "()----()" when there is no such entry. `out` holds kTextSize bytes.
char* GetText(char* out, const char* section, int number, const char* file);

// Processes a looked-up value in place: a double quote at either end becomes a blank and every
// backslash-n pair becomes a blank and a line feed, so the length is kept.
void ProcessText(char* text);

// The same lookup, returning a std::string (UTF-8).
std::string GetText(const char* section, int number, const char* file);

// Returns text `number` of `section` in the current language from the program's text file
// (AppConfig.textsPath), ready for a widget.
QString UiText(const char* section, int number);

// Looks up title and text and shows them in the program's message box. Returns the box's code
// for the two-button sets (1 Ok, 2 Cancel, 6 Yes, 7 No) and 6 for the single Ok box.
int ShowMessage(const char* file, const char* titleSection, int titleNumber,
                const char* textSection, int textNumber, int style, int helpId);

// Shows a literal title and text in the program's message box; results as ShowMessage.
int ShowMessageText(const char* file, const char* title, const char* text, int style, int helpId);

// Test seam: when set, message boxes are not shown; the hook receives title, text and style and
// returns the code the box would have closed with.
using MessageBoxHook =
    std::function<int(const std::string& title, const std::string& text, int style)>;
void SetMessageBoxHook(MessageBoxHook hook);
