// Plain message boxes shown with QMessageBox.
#include "core/plain_box.h"

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
    // Texts carry names from description files and paths: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

} // namespace

void ShowApplicationBox(const std::string& text, BoxIcon icon)
{
    Show(kApplicationTitle, text, icon);
}

void ShowSystemBox(const std::string& title, const std::string& text, BoxIcon icon)
{
    Show(title, text, icon);
}

void SetPlainBoxHook(PlainBoxHook hook)
{
    g_hook = std::move(hook);
}
