// Plain message boxes shown with QMessageBox.
#include "software/plain_box.h"

#include <QApplication>
#include <QMessageBox>

#include <utility>

namespace {

PlainBoxHook g_hook;

void Show(const std::string& title, const std::string& text, BoxIcon icon)
{
    if (g_hook) {
        g_hook(title, text, icon);
        return;
    }
    QMessageBox box(icon == BoxIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(title), QString::fromStdString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void ShowApplicationBox(const std::string& text, BoxIcon icon)
{
    QString title = QGuiApplication::applicationDisplayName();
    if (title.isEmpty())
        title = QStringLiteral("ZOLT");
    Show(title.toStdString(), text, icon);
}

void ShowSystemBox(const std::string& title, const std::string& text, BoxIcon icon)
{
    Show(title, text, icon);
}

void SetPlainBoxHook(PlainBoxHook hook)
{
    g_hook = std::move(hook);
}
