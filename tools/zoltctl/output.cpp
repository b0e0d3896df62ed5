// The tool's texts, message mapping and escaping.
#include "tools/zoltctl/output.h"

#include "core/app_config.h"
#include "core/texts.h"
#include "core/workspace.h"

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

// Length of the UTF-8 sequence at `s[i]`, or 0 when it is not a valid one.
std::size_t Utf8Length(const std::string& s, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size())
        return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    const unsigned char c = byte(i + 1);
    if ((b == 0xE0 && c < 0xA0) || (b == 0xED && c >= 0xA0) || (b == 0xF0 && c < 0x90) ||
        (b == 0xF4 && c >= 0x90))
        return 0; // overlong, surrogate or beyond U+10FFFF
    return n;
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

void PrintFailure(const ErrorReport& report)
{
    if (report.literal.empty() && report.section == kErrorSection) {
        const std::string text = ToolErrorText(report.number);
        PrintError(report.detail.empty() ? text : text + "\n\n" + report.detail);
        return;
    }
    PrintError(ReportText(report, AppConfig));
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
    std::string out;
    char hex[8];
    for (std::size_t i = 0; i < name.size();) {
        const unsigned char b = static_cast<unsigned char>(name[i]);
        if (b == '\\') {
            out += "\\\\";
            ++i;
            continue;
        }
        if (b >= 0x20 && b < 0x7F) {
            out += char(b);
            ++i;
            continue;
        }
        const std::size_t n = b >= 0x80 ? Utf8Length(name, i) : 0;
        // U+0080..U+009F are the C1 controls, written C2 80..C2 9F.
        const bool c1 = n == 2 && b == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0;
        if (n > 0 && !c1) {
            out.append(name, i, n);
            i += n;
            continue;
        }
        const std::size_t count = c1 ? 2 : 1;
        for (std::size_t k = 0; k < count; ++k) {
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(name[i + k]));
            out += hex;
        }
        i += count;
    }
    return out;
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
