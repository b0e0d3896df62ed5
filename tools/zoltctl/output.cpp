// The tool's texts, message mapping and escaping.
#include "tools/zoltctl/output.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "core/workspace.h"
#include "software/tester_software_names.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace zoltctl {

namespace {

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
    return FillText(AppConfig.Text(kSection, number), args);
}

std::string ToolErrorText(int number)
{
    // These send the user to a menu or the dialog, which the tool does not have.
    switch (number) {
    case ErrorText::kPortNotOpened:
        return Say(kPortNotOpened);
    case ErrorText::kSelectionFull:
        return Say(kTooManyFiles);
    case ErrorText::kDeleteRefused:
        return Say(kDeleteRefused);
    case ErrorText::kNoRoom:
        return Say(kNoRoom);
    default:
        break;
    }
    return TextOr(AppConfig.Text(kErrorSection, number), kMessageMissing);
}

void FailurePrinter::Print(const ErrorReport& report)
{
    std::string text;
    if (report.literal.empty() && report.section == kErrorSection) {
        text = ToolErrorText(report.number);
        // As the program's box: the detail fills the text's "%s", or follows it.
        if (!report.detail.empty())
            text = text.find("%s") != std::string::npos ? FillText(text, {report.detail})
                                                        : text + "\n\n" + report.detail;
    } else {
        text = ReportText(report, AppConfig);
    }
    for (auto& [shown, times] : printed_)
        if (shown == text) {
            ++times;
            return;
        }
    printed_.emplace_back(text, 1);
    PrintError(text);
}

FailurePrinter::~FailurePrinter()
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
    const std::string words = AppConfig.Text(kSection, kYesWords);
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
