// The entry points of the program's message box.
#include "core/message_box.h"

#include "core/msg_box_dlg.h"
#include "core/texts.h"

#include <QApplication>
#include <QMessageBox>

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

} // namespace

int ShowMessage(const char* file, const char* titleSection, int titleNumber,
                const char* textSection, int textNumber, int style, int helpId)
{
    const std::string title = TextOr(GetText(titleSection, titleNumber, file), kTitleMissing);
    const std::string text = TextOr(GetText(textSection, textNumber, file), kMessageMissing);
    return RunBox(title, text, style, helpId);
}

int ShowMessageText(const char*, const char* title, const char* text, int style, int helpId)
{
    return RunBox(title ? title : "", text ? text : "", style, helpId);
}

void ShowPlatformNotice(const std::string& text)
{
    static const char* const kTitle = "VELANTO";
    if (g_hook) {
        g_hook(kTitle, text, kStyleNotice);
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kTitle), QString::fromStdString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void SetMessageBoxHook(MessageBoxHook hook)
{
    g_hook = std::move(hook);
}
