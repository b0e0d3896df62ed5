// Tests of the two control libraries in a private registry: registration and what it writes,
// creating controls and pages by class id, unregistering, the two failure codes, and the
// registration tool run as the program runs it at start-up.
#include "controls/common/class_factory.h"
#include "controls/common/kro_host.h"
#include "controls/common/kro_registry.h"

#include <QDir>
#include <QLibrary>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

const QString kBin = QStringLiteral(ZOLT_BINARY_DIR "/bin/");
const QString kButtonLibrary = kBin + "KROButton.ocx";
const QString kLabelLibrary = kBin + "KroLabel.ocx";
const QString kButton = "{392A85DB-1C4B-11D4-B319-0000B45078DC}";
const QString kLabel = "{3A7ECCC5-1227-11D4-B319-0000B45078DC}";
const QString kButtonLibraryId = "{392A85D8-1C4B-11D4-B319-0000B45078DC}";
const QString kButtonPage = "{392A85DC-1C4B-11D4-B319-0000B45078DC}";
const QString kLabelPage = "{3A7ECCC6-1227-11D4-B319-0000B45078DC}";
const QStringList kSharedPages = {"{25C1CFC3-1507-11D4-B319-0000B45078DC}",
                                  "{ECE4C5E9-1B4B-11D4-B319-0000B45078DC}",
                                  "{97E9CC86-1B81-11D4-B319-0000B45078DC}"};

CIniFile Registry()
{
    CIniFile registry;
    registry.Load(RegistryPath());
    return registry;
}

} // namespace

class TestRegistration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        qputenv("ZOLT_REGISTRY", (dir_->path() + "/zolt/registry.ini").toLocal8Bit());
    }

    void registersWhatTheHostNeeds()
    {
        QCOMPARE(RegisterControlLibrary(kButtonLibrary), S_OK);
        const CIniFile registry = Registry();
        const QString section = ClassSection(kButton);
        QCOMPARE(registry.Value(section, "@"), QString("KROButton Control"));
        QCOMPARE(registry.Value(section, "ProgID"), QString("KROBUTTON.KROButtonCtrl.1"));
        QCOMPARE(registry.Value(section, "InprocServer32"), QDir(kButtonLibrary).absolutePath());
        QCOMPARE(registry.Value(section, "ThreadingModel"), QString("Apartment"));
        QCOMPARE(registry.Value(section, "MiscStatus").toUInt(), 0x00020191u);
        QCOMPARE(registry.Value(section, "TypeLib"), kButtonLibraryId);
        QCOMPARE(registry.Value(section, "Version"), QString("1.0"));
        QCOMPARE(registry.Value("KROBUTTON.KROButtonCtrl.1", "CLSID"), kButton);

        // The type library lists TestoContenuto first, with id 24.
        CIniFile typeLibrary;
        QVERIFY(typeLibrary.Load(TypeLibraryPath(kButtonLibraryId)));
        QCOMPARE(typeLibrary.Value("Library", "Name"), QString("KROBUTTONLib"));
        QCOMPARE(typeLibrary.Value("_DKROButton", "Member1"),
                 QString("24 property BSTR TestoContenuto"));
        QCOMPARE(typeLibrary.Value("_DKROButtonEvents", "Member3"),
                 QString("-600 method void Click()"));
        QCOMPARE(typeLibrary.Value("KROButton", "DefaultSource"), QString("_DKROButtonEvents"));
    }

    void createsControlsByClassId()
    {
        QCOMPARE(RegisterControlLibrary(kButtonLibrary), S_OK);
        QCOMPARE(RegisterControlLibrary(kLabelLibrary), S_OK);
        QWidget parent;
        QString error;
        QWidget* button = CreateControlByClassId(kButton, &parent, &error);
        QVERIFY2(button, qPrintable(error));
        QCOMPARE(button->parentWidget(), &parent);
        QCOMPARE(button->property("TestoContenuto").toString(), QString("Testo del bottone"));
        QWidget* label = CreateControlByClassId(kLabel.toLower(), &parent, &error);
        QVERIFY2(label, qPrintable(error));
        QCOMPARE(label->property("TestoContenuto").toString(), QString("Testo Contenuto"));

        // Loading from a stream goes through the control's own reader.
        const QByteArray stream = QByteArray::fromHex("00000100" "00000000" "00000000" "02000000"
                                                      "0141" "0142");
        QVERIFY(!LoadControlFromStream(label, stream));
        QCOMPARE(label->property("TestoContenuto").toString(), QString("Testo Contenuto"));
    }

    void unknownClassOrLibrary()
    {
        QString error;
        QVERIFY(!CreateControlByClassId(kLabel, nullptr, &error));
        QVERIFY(error.contains("not registered"));
        QCOMPARE(RegisterControlLibrary(kBin + "missing.ocx", false, &error), -1);
        QVERIFY(!error.isEmpty());
    }

    void canUnloadWhileNoObjectLives()
    {
        QLibrary library(kLabelLibrary);
        QVERIFY(library.load());
        auto canUnload = reinterpret_cast<DllCanUnloadNowFn>(library.resolve("DllCanUnloadNow"));
        auto getClass = reinterpret_cast<DllGetClassObjectFn>(library.resolve("DllGetClassObject"));
        QVERIFY(canUnload && getClass);
        void* object = nullptr;
        QCOMPARE(getClass(kButton.toLatin1(), IID_IClassFactory, &object),
                 CLASS_E_CLASSNOTAVAILABLE);
        QCOMPARE(getClass(kLabel.toLatin1(), "{00000000-0000-0000-C000-000000000046}", &object),
                 E_NOINTERFACE);
        QCOMPARE(getClass(kLabel.toLatin1(), IID_IClassFactory, &object), S_OK);
        QCOMPARE(canUnload(), S_OK);
        auto* factory = static_cast<IKroClassFactory*>(object);
        QWidget* label = factory->CreateInstance(nullptr);
        QVERIFY(label);
        QCOMPARE(canUnload(), S_FALSE);
        delete label;
        QCOMPARE(canUnload(), S_OK);
        factory->LockServer(true);
        QCOMPARE(canUnload(), S_FALSE);
        factory->LockServer(false);
    }

    // The shared pages belong to the library registered last; either library serves them.
    void createsPagesByClassId()
    {
        QCOMPARE(RegisterControlLibrary(kButtonLibrary), S_OK);
        QCOMPARE(RegisterControlLibrary(kLabelLibrary), S_OK);
        QCOMPARE(Registry().Value(ClassSection(kSharedPages[0]), "InprocServer32"),
                 QDir(kLabelLibrary).absolutePath());
        QCOMPARE(Registry().Value(ClassSection(kSharedPages[1]), "@"), QString("Proprietà Testo"));
        QWidget parent;
        for (const QString& page : QStringList{kButtonPage, kLabelPage} + kSharedPages) {
            QString error;
            QWidget* widget = CreateControlByClassId(page, &parent, &error);
            QVERIFY2(widget, qPrintable(page + ": " + error));
            QVERIFY(widget->metaObject()->indexOfMethod("SetObjects(QList<QObject*>)") >= 0);
        }
    }

    // Unregistering either library takes the shared pages away from both.
    void unregisterRemovesOnlyItsClasses()
    {
        QCOMPARE(RegisterControlLibrary(kButtonLibrary), S_OK);
        QCOMPARE(RegisterControlLibrary(kLabelLibrary), S_OK);
        QCOMPARE(RegisterControlLibrary(kLabelLibrary, true), S_OK);
        const CIniFile registry = Registry();
        for (const QString& page : kSharedPages)
            QVERIFY(!registry.HasSection(ClassSection(page)));
        QVERIFY(!registry.HasSection(ClassSection(kLabelPage)));
        QVERIFY(registry.HasSection(ClassSection(kButtonPage)));
        QVERIFY(!registry.HasSection(ClassSection(kLabel)));
        QVERIFY(!registry.HasSection("KROLABEL.KroLabelCtrl.1"));
        QVERIFY(registry.HasSection(ClassSection(kButton)));
        QVERIFY(!CreateControlByClassId(kLabel));
        QVERIFY(!QFile::exists(TypeLibraryPath("{3A7ECCC2-1227-11D4-B319-0000B45078DC}")));
    }

    // A registry that cannot be written fails the class step; a type-library folder that cannot
    // be written fails before it.
    void failureCodes_data()
    {
        QTest::addColumn<QString>("blocked");
        QTest::addColumn<long>("code");
        QTest::newRow("registry file is a folder") << "zolt/registry.ini/x" << SELFREG_E_CLASS;
        QTest::newRow("type-library folder is a file") << "zolt/typelib" << SELFREG_E_TYPELIB;
    }

    void failureCodes()
    {
        QFETCH(QString, blocked);
        QFETCH(long, code);
        if (blocked.endsWith("/x")) {
            QVERIFY(QDir().mkpath(dir_->path() + "/" + blocked));
        } else {
            QVERIFY(QDir().mkpath(dir_->path() + "/zolt"));
            QFile file(dir_->path() + "/" + blocked);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(RegisterControlLibrary(kButtonLibrary), code);
        // Unregistering finds no description to remove, which is no failure.
        QCOMPARE(RegisterControlLibrary(kButtonLibrary, true),
                 code == SELFREG_E_CLASS ? code : S_OK);
    }

    // The program starts "regsvr /s LIBRARY" beside itself and does not look at the result.
    void registrationToolAsAtStartUp()
    {
        const QString tool = kBin + "regsvr";
        if (!QFile::exists(tool))
            QSKIP("the registration tool is not part of this build");
        QCOMPARE(QProcess::execute(tool, {"/s", kLabelLibrary}), 0);
        QVERIFY(Registry().HasSection(ClassSection(kLabel)));
        QCOMPARE(QProcess::execute(tool, {"/s", "/u", kLabelLibrary}), 0);
        QVERIFY(!Registry().HasSection(ClassSection(kLabel)));
        QCOMPARE(QProcess::execute(tool, {"/s", kBin + "missing.ocx"}), 3);
        QCOMPARE(QProcess::execute(tool, {"/s"}), 1);
    }
};

QTEST_MAIN(TestRegistration)
#include "tst_registration.moc"
