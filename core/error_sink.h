// How code below the dialogs reports a failure the user must see: as a value (section, text
// number, detail) handed to the installed sink, never by opening a window itself.
//
//   ReportError("MESSAGGI_ERRORE", 15);                  // "cannot send" in the current language
//   ReportError("MESSAGGI_ERRORE", 21, pcPath);          // the text's "%s" becomes the path
//   ReportError("MESSAGGI_ERRORE", 2, reason);           // no "%s": the reason goes on its own line
//
// The program installs a sink that shows the message box with title text 1 of
// "MESSAGGI_ERRORE"; zoltctl one that prints to standard error; tests one that records.
// Without an installed sink a report is shown in the program's message box.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

inline constexpr const char* kErrorSection = "MESSAGGI_ERRORE";
// The platform's own notice box with the exclamation icon (used for the port-change notice).
inline constexpr int kStyleNotice = 48;

struct ErrorReport
{
    std::string section = kErrorSection; // section of the language file
    int number = 0;                      // text number in `section`
    std::string detail;                  // fills the text's "%s", else follows on a line of its own
    int style = 16;                      // message box style: 16 error, kStyleNotice notice
    int helpId = 0;
    std::string literal;                 // when set: shown instead of a looked-up text
    std::string literalTitle;            // ... under this title
};

class ErrorSink
{
public:
    virtual ~ErrorSink() = default;
    virtual void Report(const ErrorReport& report) = 0;
};

// Installs `sink` (not owned; null restores the message box). Returns the one it replaces.
ErrorSink* SetErrorSink(ErrorSink* sink);

// While a report is being shown (its box is open), the same message reported again is not
// shown a second time on top of it, only counted.
void ReportError(const ErrorReport& report);
void ReportError(const char* section, int number, const std::string& detail = {});
// How many reports were held back so far because the same message was already being shown.
std::size_t HeldBackReports();
// A system message with a literal title and text, as the design words a few of them.
void ReportLiteral(const std::string& title, const std::string& text);

// The title and text the user sees for `report` in the current language: title text 1 of
// "MESSAGGI_ERRORE" (or the literal title) and the looked-up text with the detail in it.
std::string ReportTitle(const ErrorReport& report);
std::string ReportText(const ErrorReport& report);

// Fills the one "%s" of `format` with `argument`. "%%" becomes "%"; any other "%" sequence is
// kept as written, so a text from the language file cannot make the program read arguments it
// was never given.
std::string FormatWithPath(const std::string& format, const std::string& argument);

// Shows each report in the program's message box (errors) or the platform's notice box.
class MessageBoxErrorSink : public ErrorSink
{
public:
    void Report(const ErrorReport& report) override;
};

// Prints each report's text to standard error after `prefix` and ": ".
class StderrErrorSink : public ErrorSink
{
public:
    explicit StderrErrorSink(std::string prefix) : prefix_(std::move(prefix)) {}
    void Report(const ErrorReport& report) override;

private:
    std::string prefix_;
};

// Keeps every report; installs itself for its lifetime (tests).
class RecordingErrorSink : public ErrorSink
{
public:
    RecordingErrorSink() : previous_(SetErrorSink(this)) {}
    ~RecordingErrorSink() override { SetErrorSink(previous_); }
    RecordingErrorSink(const RecordingErrorSink&) = delete;
    RecordingErrorSink& operator=(const RecordingErrorSink&) = delete;

    void Report(const ErrorReport& report) override { reports.push_back(report); }
    // The text numbers reported so far, in order.
    std::vector<int> Numbers() const;

    std::vector<ErrorReport> reports;

private:
    ErrorSink* previous_;
};
