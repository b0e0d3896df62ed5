// Language text lookup.
#include "core/texts.h"

#include "core/app_config.h"
#include "platform/profile.h"

#include <cstdio>
#include <cstring>

namespace {

// Ends `text` (valid UTF-8, as the profile reader delivers it) after its first `maxChars`
// characters.
void CutToCharacters(char* text, int maxChars)
{
    int chars = 0;
    for (char* p = text; *p; ++p)
        if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80 && chars++ == maxChars) {
            *p = '\0';
            return;
        }
}

} // namespace

// Applies the file's conventions to a looked-up value: a leading or trailing double quote
// becomes a blank and each "\n" pair becomes a blank and a line feed, so the length is kept.
void ProcessText(char* text)
{
    std::size_t length = std::strlen(text);
    if (length == 0)
        return;
    if (text[0] == '"')
        text[0] = ' ';
    if (text[length - 1] == '"')
        text[length - 1] = ' ';
    for (std::size_t i = 0; i + 1 < length; ++i)
        if (text[i] == '\\' && text[i + 1] == 'n') {
            text[i] = ' ';
            text[i + 1] = '\n';
            ++i;
        }
}

char* GetText(char* out, const char* section, int number, const char* file, int language)
{
    char key[32];
    std::snprintf(key, sizeof key, "s%d_%s", number, kLanguageCodes[unsigned(language) % 6]);
    GetPrivateProfileStringA(section, key, kTextNotFound, out, kTextSize, file);
    CutToCharacters(out, kTextChars);
    if (std::strcmp(out, kTextNotFound) != 0)
        ProcessText(out);
    return out;
}

char* GetText(char* out, const char* section, int number, const char* file)
{
    return GetText(out, section, number, file, AppConfig.language);
}

std::string GetText(const char* section, int number, const char* file, int language)
{
    char out[kTextSize];
    return GetText(out, section, number, file, language);
}

std::string GetText(const char* section, int number, const char* file)
{
    return GetText(section, number, file, AppConfig.language);
}

QString UiText(const char* section, int number)
{
    return QString::fromStdString(GetText(section, number, AppConfig.textsPath.c_str()));
}
