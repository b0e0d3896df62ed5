// Failure reports and the texts they become.
#include "core/messages.h"

#include "core/texts.h"
#include "core/workspace.h"

namespace {

bool IsNumber(const std::string& text)
{
    std::size_t i = !text.empty() && text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    return true;
}

} // namespace

bool ErrorReport::SameMessage(const ErrorReport& other) const
{
    if (!literal.empty() || !other.literal.empty())
        return literal == other.literal && literalTitle == other.literalTitle;
    return number == other.number && section == other.section;
}

std::string TextOr(std::string text, const char* fallback)
{
    return text == kTextNotFound ? fallback : text;
}

std::string FillText(const std::string& format, std::initializer_list<std::string> arguments)
{
    std::string out;
    auto next = arguments.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            const char c = format[i + 1];
            if (c == '%') {
                out += '%';
                ++i;
                continue;
            }
            if (next != arguments.end() && (c == 's' || (c == 'd' && IsNumber(*next)))) {
                out += *next++;
                ++i;
                continue;
            }
        }
        out += format[i];
    }
    return out;
}

std::string ReportTitle(const ErrorReport& report, const Workspace& workspace)
{
    if (!report.literal.empty())
        return report.literalTitle;
    return TextOr(workspace.Text(kErrorSection, ErrorText::kTitle), kTitleMissing);
}

std::string ReportText(const ErrorReport& report, const Workspace& workspace)
{
    if (!report.literal.empty())
        return report.literal;
    const std::string text =
        TextOr(workspace.Text(report.section.c_str(), report.number), kMessageMissing);
    if (report.detail.empty())
        return text + report.appended;
    if (text.find("%s") != std::string::npos)
        return FillText(text, {report.detail}) + report.appended;
    return text + "\n\n" + report.detail + report.appended;
}
