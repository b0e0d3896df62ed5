// The property sheet the properties verb opens: the control's pages as tabs with OK, Annulla and
// Applica.
#pragma once

#include <QDialog>
#include <QList>

class CKroPropertyPage;
class QPushButton;

class CKroPropertySheet : public QDialog
{
    Q_OBJECT

public:
    // Takes `pages` as tabs bound to `objects`.
    CKroPropertySheet(const QList<QObject*>& objects, const QList<CKroPropertyPage*>& pages,
                      const QString& title, QWidget* parent = nullptr);

    const QList<CKroPropertyPage*>& Pages() const { return pages_; }
    // Applies every page; returns how many values were written.
    int ApplyAll();

private:
    QList<CKroPropertyPage*> pages_;
    QPushButton* applyButton_;
};
