// A property page bound to its controls' properties by name: opening reads every bound property
// from the first control, applying writes back the values the user changed, to every control.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <functional>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class CColorSwatch;

// The two libraries carry the same pages with small differences of behaviour.
enum class PageFlavor { Button, Label };

class CKroPropertyPage : public QWidget
{
    Q_OBJECT

public:
    explicit CKroPropertyPage(QWidget* parent = nullptr) : QWidget(parent) {}

    // The tab caption of the page.
    virtual QString Caption() const = 0;

    // Binds the page to `objects` and shows the first one's values.
    Q_INVOKABLE void SetObjects(const QList<QObject*>& objects);
    // Writes every value changed since opening or the last apply; returns how many it wrote.
    Q_INVOKABLE int Apply();
    bool IsChanged() const;

signals:
    void Changed();

protected:
    // Called after the values are shown, for the page's enabling rules.
    virtual void OnOpened() {}

    void BindText(QLineEdit* edit, const char* property);
    void BindNumber(QLineEdit* edit, const char* property);
    void BindIndex(QComboBox* combo, const char* property);
    void BindComboText(QComboBox* combo, const char* property);
    void BindCheck(QAbstractButton* check, const char* property);
    void BindRadios(const QList<QAbstractButton*>& radios, const char* property);
    // The swatch shows the colour; `pick` opens the colour picker on it.
    void BindColor(CColorSwatch* swatch, QAbstractButton* pick, const char* property,
                   PageFlavor flavor);
    // A binding of the page's own: `show` puts a value into the page, `take` reads it back.
    int Bind(const char* property, std::function<void(const QVariant&)> show,
             std::function<QVariant()> take);
    // Marks binding `index` changed (ignored while the page is being filled).
    void MarkChanged(int index);

    QList<QPointer<QObject>> objects_;

private:
    struct Binding
    {
        QByteArray property;
        std::function<void(const QVariant&)> show;
        std::function<QVariant()> take;
        bool changed = false;
    };
    QList<Binding> bindings_;
    bool filling_ = false;
};
