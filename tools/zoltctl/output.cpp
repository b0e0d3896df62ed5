// The tool's texts, message mapping and escaping.
#include "tools/zoltctl/output.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "software/tester_software_names.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace zoltctl {

namespace {

std::string Fill(const std::string& format, std::initializer_list<std::string> args)
{
    std::vector<std::string> values(args);
    std::size_t next = 0;
    std::string out;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char c = format[i + 1];
            if (c == '%') {
                out += '%';
                ++i;
                continue;
            }
            if ((c == 's' || c == 'd') && next < values.size()) {
                out += values[next++];
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string Lower(std::string text)
{
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string::npos)
        return "";
    return text.substr(begin, text.find_last_not_of(" \t\r\n") - begin + 1);
}

} // namespace

std::string Say(int number, std::initializer_list<std::string> args)
{
    return Fill(GetText(kSection, number, AppConfig.textsPath.c_str()), args);
}

std::string ErrorText(int number)
{
    // These send the user to a menu or the dialog, which the tool does not have.
    switch (number) {
    case 2:
        return Say(kPortNotOpened);
    case 4:
        return Say(kTooManyFiles);
    case 35:
        return Say(kDeleteRefused);
    case 57:
        return Say(kNoRoom);
    default:
        break;
    }
    std::string text = GetText("MESSAGGI_ERRORE", number, AppConfig.textsPath.c_str());
    return text == kTextNotFound ? "Message not present !" : text;
}

void ErrorPrinter::Report(const ErrorReport& report)
{
    std::string text;
    if (report.literal.empty() && report.section == kErrorSection) {
        text = ErrorText(report.number);
        std::string detail = report.detail;
        // The link names the device it opened; the user typed another name for it.
        if (!opened_.empty())
            for (std::size_t at; (at = detail.find(opened_)) != std::string::npos;)
                detail.replace(at, opened_.size(), given_);
        // As the program's box: the detail fills the text's "%s", or follows it.
        if (!detail.empty())
            text = text.find("%s") != std::string::npos ? FormatWithPath(text, detail)
                                                        : text + "\n\n" + detail;
    } else {
        text = ReportText(report);
    }
    for (auto& [shown, times] : printed_)
        if (shown == text) {
            ++times;
            return;
        }
    printed_.emplace_back(text, 1);
    PrintError(text);
}

ErrorPrinter::~ErrorPrinter()
{
    for (const auto& [text, times] : printed_)
        if (times > 1)
            PrintError(Say(kRepeated, {std::to_string(times), text}));
}

void PrintError(const std::string& text)
{
    // The texts keep a blank before each line break (their length must not change); a
    // terminal has no use for it.
    std::string shown;
    for (char c : text) {
        if (c == '\n')
            while (!shown.empty() && shown.back() == ' ')
                shown.pop_back();
        shown += c;
    }
    std::fprintf(stderr, "zoltctl: %s\n", shown.c_str());
    std::fflush(stderr);
}

std::string Escaped(const std::string& name)
{
    return EscapeName(name);
}

bool MeansYes(const std::string& answer)
{
    const std::string typed = Lower(Trimmed(answer));
    if (typed.empty())
        return false;
    if (typed == "y" || typed == "yes")
        return true;
    const std::string words = GetText(kSection, kYesWords, AppConfig.textsPath.c_str());
    std::size_t start = 0;
    while (start <= words.size()) {
        std::size_t comma = words.find(',', start);
        if (comma == std::string::npos)
            comma = words.size();
        if (Lower(Trimmed(words.substr(start, comma - start))) == typed)
            return true;
        start = comma + 1;
    }
    return false;
}

} // namespace zoltctl
