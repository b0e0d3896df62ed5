// Reports of failures and the three ways of passing them on.
#include "core/error_sink.h"

#include "core/app_config.h"
#include "core/texts.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

namespace {

ErrorSink* g_sink = nullptr;
MessageBoxErrorSink g_boxSink;
// The reports being shown now, outermost first, and how many were held back meanwhile.
std::vector<const ErrorReport*> g_showing;
std::size_t g_heldBack = 0;

bool SameMessage(const ErrorReport& a, const ErrorReport& b)
{
    if (!a.literal.empty() || !b.literal.empty())
        return a.literal == b.literal && a.literalTitle == b.literalTitle;
    return a.number == b.number && a.section == b.section;
}

std::string Lookup(const char* section, int number, const char* missing)
{
    std::string text = GetText(section, number, AppConfig.textsPath.c_str());
    return text == kTextNotFound ? missing : text;
}

} // namespace

ErrorSink* SetErrorSink(ErrorSink* sink)
{
    ErrorSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

void ReportError(const ErrorReport& report)
{
    // A box runs an event loop of its own, where the next frame from the line may report the
    // same message again: a tester flooding the line would stack boxes until the stack ran out.
    for (const ErrorReport* showing : g_showing) {
        if (SameMessage(*showing, report)) {
            ++g_heldBack;
            return;
        }
    }
    g_showing.push_back(&report);
    struct Pop
    {
        ~Pop() { g_showing.pop_back(); }
    } pop;
    (g_sink ? g_sink : &g_boxSink)->Report(report);
}

std::size_t HeldBackReports()
{
    return g_heldBack;
}

void ReportError(const char* section, int number, const std::string& detail)
{
    ErrorReport report;
    report.section = section;
    report.number = number;
    report.detail = detail;
    ReportError(report);
}

void ReportLiteral(const std::string& title, const std::string& text)
{
    ErrorReport report;
    report.literalTitle = title;
    report.literal = text;
    ReportError(report);
}

std::string FormatWithPath(const std::string& format, const std::string& argument)
{
    std::string out;
    bool filled = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (format[i + 1] == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (format[i + 1] == 's' && !filled) {
                out += argument;
                filled = true;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string ReportTitle(const ErrorReport& report)
{
    if (!report.literal.empty())
        return report.literalTitle;
    return Lookup(kErrorSection, 1, "Title not present !");
}

std::string ReportText(const ErrorReport& report)
{
    if (!report.literal.empty())
        return report.literal;
    const std::string text = Lookup(report.section.c_str(), report.number, "Message not present !");
    if (report.detail.empty())
        return text;
    if (text.find("%s") != std::string::npos)
        return FormatWithPath(text, report.detail);
    return text + "\n\n" + report.detail;
}

void MessageBoxErrorSink::Report(const ErrorReport& report)
{
    const std::string text = ReportText(report);
    if (report.style == kStyleNotice) {
        // The platform's own box, not the program's.
        if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
            QMessageBox box(QMessageBox::Warning, QStringLiteral("VELANTO"),
                            QString::fromStdString(text), QMessageBox::Ok,
                            QApplication::activeWindow());
            box.exec();
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        return;
    }
    ShowMessageText(AppConfig.textsPath.c_str(), ReportTitle(report).c_str(), text.c_str(),
                    report.style, report.helpId);
}

void StderrErrorSink::Report(const ErrorReport& report)
{
    std::fprintf(stderr, "%s: %s\n", prefix_.c_str(), ReportText(report).c_str());
}

std::vector<int> RecordingErrorSink::Numbers() const
{
    std::vector<int> numbers;
    for (const ErrorReport& report : reports)
        numbers.push_back(report.number);
    return numbers;
}
