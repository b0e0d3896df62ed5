// Language texts looked up by section and number in the language file.
#pragma once

#include <QString>

#include <string>

inline constexpr const char* kTextNotFound = "()----()";

// A text holds up to 199 characters in every language. The original's 200-byte buffer held 199
// Greek letters at one byte each in the Greek code page; in UTF-8 a character takes up to four
// bytes, so the buffer is sized for 199 characters of four bytes and the text is cut after its
// 199th character, never inside one.
inline constexpr int kTextChars = 199;
inline constexpr int kTextSize = kTextChars * 4 + 1;

// Looks up text `number` of `section` in the current language (key "s<number>_<code>") in
// `file`. Returns `out` holding the text (at most kTextChars characters) with its quotes and "\n"
// pairs processed, or "()----()" when there is no such entry. `out` holds kTextSize bytes.
char* GetText(char* out, const char* section, int number, const char* file);
// The same in the language of index `language` (0..5).
char* GetText(char* out, const char* section, int number, const char* file, int language);

// Processes a looked-up value in place: a double quote at either end becomes a blank and every
// backslash-n pair becomes a blank and a line feed, so the length is kept.
void ProcessText(char* text);

// The same lookup, returning a std::string (UTF-8).
std::string GetText(const char* section, int number, const char* file);
std::string GetText(const char* section, int number, const char* file, int language);

// Returns text `number` of `section` in the current language from the program's text file
// (AppConfig.textsPath), ready for a widget.
QString UiText(const char* section, int number);
