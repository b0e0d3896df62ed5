// A Qt Designer plugin offering both controls, so that they can be placed in .ui files and their
// properties edited in Designer's property editor.
#include "controls/button/kro_button_ctrl.h"
#include "controls/label/kro_label_ctrl.h"

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <functional>

namespace {

// What Designer shows of one control and how it makes one.
struct ControlEntry
{
    QString className;
    QString objectName; // of a control freshly dropped on a form
    QString caption;    // its first text, so that it can be seen at once
    QString header;     // what generated code includes
    QString tip;
    std::function<QWidget*(QWidget*)> create;
};

class CKroWidgetPlugin : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    CKroWidgetPlugin(ControlEntry entry, QObject* parent)
        : QObject(parent), entry_(std::move(entry))
    {
    }

    QString name() const override { return entry_.className; }
    QString group() const override { return QStringLiteral("ZOLT"); }
    QString toolTip() const override { return entry_.tip; }
    QString whatsThis() const override { return entry_.tip; }
    QString includeFile() const override { return entry_.header; }
    QIcon icon() const override { return {}; }
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override { return entry_.create(parent); }
    QString domXml() const override
    {
        return QStringLiteral("<ui language=\"c++\"><widget class=\"%1\" name=\"%2\">"
                              "<property name=\"geometry\"><rect><x>0</x><y>0</y>"
                              "<width>150</width><height>40</height></rect></property>"
                              "<property name=\"TestoContenuto\"><string>%3</string></property>"
                              "</widget></ui>")
            .arg(entry_.className, entry_.objectName, entry_.caption);
    }

private:
    ControlEntry entry_;
};

} // namespace

class CKroDesignerPlugins : public QObject, public QDesignerCustomWidgetCollectionInterface
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit CKroDesignerPlugins(QObject* parent = nullptr) : QObject(parent)
    {
        widgets_.append(new CKroWidgetPlugin(
            {"CKROButtonCtrl", "kroButton", "KROButton", "controls/button/kro_button_ctrl.h",
             "KROButton: custom-drawn button",
             [](QWidget* parent) { return new CKROButtonCtrl(parent); }},
            this));
        widgets_.append(new CKroWidgetPlugin(
            {"CKroLabelCtrl", "kroLabel", "KroLabel", "controls/label/kro_label_ctrl.h",
             "KroLabel: custom-drawn label",
             [](QWidget* parent) { return new CKroLabelCtrl(parent); }},
            this));
    }

    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return widgets_; }

private:
    QList<QDesignerCustomWidgetInterface*> widgets_;
};

#include "kro_designer_plugin.moc"
