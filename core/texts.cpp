// Language text lookup and the entry points of the program's message box.
#include "core/texts.h"

#include "core/app_config.h"
#include "core/msg_box_dlg.h"
#include "platform/profile.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

MessageBoxHook g_hook;

int RunBox(const std::string& title, const std::string& text, int style, int helpId)
{
    int code;
    if (g_hook) {
        code = g_hook(title, text, style);
    } else {
        CMsgBoxDlg box(QApplication::activeWindow());
        box.SetContent(title, text, style, helpId);
        code = box.exec();
    }
    // Only the two-button sets pass their code on; the single Ok box always answers Yes.
    if (style & (0x01 | 0x04))
        return code;
    return 6;
}

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

char* GetText(char* out, const char* section, int number, const char* file)
{
    char key[32];
    std::snprintf(key, sizeof key, "s%d_%s", number, kLanguageCodes[AppConfig.language % 6]);
    GetPrivateProfileStringA(section, key, kTextNotFound, out, kTextSize, file);
    CutToCharacters(out, kTextChars);
    if (std::strcmp(out, kTextNotFound) != 0)
        ProcessText(out);
    return out;
}

std::string GetText(const char* section, int number, const char* file)
{
    char out[kTextSize];
    return GetText(out, section, number, file);
}

QString UiText(const char* section, int number)
{
    return QString::fromStdString(GetText(section, number, AppConfig.textsPath.c_str()));
}

int ShowMessage(const char* file, const char* titleSection, int titleNumber,
                const char* textSection, int textNumber, int style, int helpId)
{
    std::string title = GetText(titleSection, titleNumber, file);
    if (title == kTextNotFound)
        title = "Title not present !";
    std::string text = GetText(textSection, textNumber, file);
    if (text == kTextNotFound)
        text = "Message not present !";
    return RunBox(title, text, style, helpId);
}

int ShowMessageText(const char*, const char* title, const char* text, int style, int helpId)
{
    return RunBox(title ? title : "", text ? text : "", style, helpId);
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    g_hook = std::move(hook);
}
