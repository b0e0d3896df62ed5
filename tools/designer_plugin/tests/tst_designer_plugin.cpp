// Tests of the Designer plugin as Designer and the form loader use it: loaded at run time, it
// describes both controls, and a .ui form with both comes out with the properties it sets.
#include <QDir>
#include <QFile>
#include <QPluginLoader>
#include <QUiLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <memory>

class TestDesignerPlugin : public QObject
{
    Q_OBJECT

private:
    QDesignerCustomWidgetInterface* Entry(const QString& name)
    {
        QPluginLoader plugin(ZOLT_DESIGNER_PLUGIN);
        auto* collection =
            qobject_cast<QDesignerCustomWidgetCollectionInterface*>(plugin.instance());
        if (!collection)
            qFatal("cannot load the plugin: %s", qPrintable(plugin.errorString()));
        for (QDesignerCustomWidgetInterface* entry : collection->customWidgets())
            if (entry->name() == name)
                return entry;
        return nullptr;
    }

private slots:
    void describesControl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("button") << "CKROButtonCtrl";
        QTest::newRow("label") << "CKroLabelCtrl";
    }

    // Each entry names a header that exists, offers a form snippet of its own class that
    // Designer can read, and makes the control of that class.
    void describesControl()
    {
        QFETCH(QString, name);
        QDesignerCustomWidgetInterface* entry = Entry(name);
        QVERIFY(entry);
        QCOMPARE(entry->group(), QString("ZOLT"));
        QVERIFY2(QFile::exists(QDir(ZOLT_SOURCE_DIR).filePath(entry->includeFile())),
                 qPrintable(entry->includeFile()));

        QXmlStreamReader xml(entry->domXml());
        QString snippetClass, snippetName;
        while (xml.readNextStartElement() && snippetClass.isEmpty()) {
            if (xml.name() == QLatin1String("widget")) {
                snippetClass = xml.attributes().value("class").toString();
                snippetName = xml.attributes().value("name").toString();
            }
        }
        QVERIFY2(!xml.hasError() || xml.error() == QXmlStreamReader::PrematureEndOfDocumentError,
                 qPrintable(xml.errorString()));
        QCOMPARE(snippetClass, name);
        QVERIFY(!snippetName.isEmpty());

        std::unique_ptr<QWidget> control(entry->createWidget(nullptr));
        QVERIFY(control);
        QCOMPARE(QString(control->metaObject()->className()), name);
        QVERIFY(control->metaObject()->indexOfProperty("TestoContenuto") >= 0);
    }

    void formSetsProperties_data()
    {
        QTest::addColumn<QString>("object");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QVariant>("value");
        const QString heading = " TESTER VELANTO Dozozovir Avurez Erezevo";
        QTest::newRow("label text, leading blank kept")
            << "heading" << "TestoContenuto" << QVariant(heading);
        QTest::newRow("label gradient") << "heading" << "StileSfondo" << QVariant(2);
        QTest::newRow("label left to right") << "heading" << "OrientamentoGrad" << QVariant(true);
        QTest::newRow("label colour") << "heading" << "ColoreGradiente2" << QVariant(0xF8E2ACu);
        QTest::newRow("label italic") << "heading" << "Italico" << QVariant(true);
        QTest::newRow("label contour") << "heading" << "EffettoContorno" << QVariant(3);
        QTest::newRow("label not set: default") << "heading" << "Sottolineato" << QVariant(false);
        QTest::newRow("button text") << "button" << "TestoContenuto" << QVariant("Avvia");
        QTest::newRow("button opaque") << "button" << "ColoreOpacoSfondo" << QVariant(0xC0E0FFu);
        QTest::newRow("button text colour") << "button" << "ColoreTesto" << QVariant(255u);
        QTest::newRow("button shadowed text") << "button" << "EffettoTesto" << QVariant(1);
    }

    // The form loader places both controls from a form as Designer saves it.
    void formSetsProperties()
    {
        QFETCH(QString, object);
        QFETCH(QString, property);
        QFETCH(QVariant, value);
        QUiLoader loader;
        loader.clearPluginPaths();
        loader.addPluginPath(QFileInfo(ZOLT_DESIGNER_PLUGIN).absolutePath());
        QVERIFY(loader.availableWidgets().contains("CKROButtonCtrl"));
        QVERIFY(loader.availableWidgets().contains("CKroLabelCtrl"));
        QFile form(ZOLT_SOURCE_DIR "/tools/designer_plugin/tests/kro_controls.ui");
        QVERIFY(form.open(QIODevice::ReadOnly));
        std::unique_ptr<QWidget> widget(loader.load(&form));
        QVERIFY2(widget, qPrintable(loader.errorString()));
        QWidget* control = widget->findChild<QWidget*>(object);
        QVERIFY(control);
        QVERIFY(control->inherits(object == "button" ? "CKROButtonCtrl" : "CKroLabelCtrl"));
        QCOMPARE(control->property(qPrintable(property)), value);
    }
};

QTEST_MAIN(TestDesignerPlugin)
#include "tst_designer_plugin.moc"
