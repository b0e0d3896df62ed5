// Creating controls by class id through the registry.
#include "controls/common/kro_host.h"

#include "controls/common/class_factory.h"
#include "controls/common/kro_registry.h"

#include <QFileInfo>
#include <QLibrary>
#include <QMetaObject>
#include <QWidget>

namespace {

void Say(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Loaded libraries are kept for the rest of the process: their objects may live anywhere, so
// the list is never destroyed either (nothing may unload them while static objects go away).
QLibrary* Library(const QString& path, QString* error)
{
    static auto& loaded = *new QList<QLibrary*>;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    for (QLibrary* library : loaded)
        if (library->fileName() == absolute)
            return library;
    auto* library = new QLibrary(absolute);
    if (!library->load()) {
        Say(error, library->errorString());
        delete library;
        return nullptr;
    }
    loaded.append(library);
    return library;
}

} // namespace

QWidget* CreateControlByClassId(const QString& classId, QWidget* parent, QString* error)
{
    CIniFile registry;
    if (!registry.Load(RegistryPath())) {
        Say(error, QStringLiteral("the registry %1 cannot be read").arg(RegistryPath()));
        return nullptr;
    }
    const QString path = registry.Value(ClassSection(classId), QStringLiteral("InprocServer32"));
    if (path.isEmpty()) {
        Say(error, QStringLiteral("class %1 is not registered").arg(classId));
        return nullptr;
    }
    QLibrary* library = Library(path, error);
    if (!library)
        return nullptr;
    auto getClassObject =
        reinterpret_cast<DllGetClassObjectFn>(library->resolve("DllGetClassObject"));
    if (!getClassObject) {
        Say(error, QStringLiteral("%1 has no DllGetClassObject").arg(path));
        return nullptr;
    }
    void* object = nullptr;
    const QByteArray id = NormalizedClassId(classId).toLatin1();
    const long result = getClassObject(id.constData(), IID_IClassFactory, &object);
    if (result != S_OK || !object) {
        Say(error, QStringLiteral("%1 does not serve class %2 (0x%3)")
                       .arg(path, classId)
                       .arg(quint32(result), 8, 16, QLatin1Char('0')));
        return nullptr;
    }
    QWidget* widget = static_cast<IKroClassFactory*>(object)->CreateInstance(parent);
    if (!widget)
        Say(error, QStringLiteral("the factory of class %1 created nothing").arg(classId));
    return widget;
}

bool LoadControlFromStream(QWidget* control, const QByteArray& stream)
{
    bool ok = false;
    return control &&
           QMetaObject::invokeMethod(control, "LoadFromStream", Qt::DirectConnection,
                                     Q_RETURN_ARG(bool, ok), Q_ARG(QByteArray, stream)) &&
           ok;
}

bool LoadControlFromDialogInit(QWidget* control, const QByteArray& record)
{
    bool ok = false;
    return control &&
           QMetaObject::invokeMethod(control, "LoadFromDialogInit", Qt::DirectConnection,
                                     Q_RETURN_ARG(bool, ok), Q_ARG(QByteArray, record)) &&
           ok;
}

long RegisterControlLibrary(const QString& path, bool unregister, QString* error)
{
    QLibrary* library = Library(path, error);
    if (!library)
        return -1;
    const char* name = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto entry = reinterpret_cast<DllRegisterServerFn>(library->resolve(name));
    if (!entry) {
        Say(error, QStringLiteral("%1 has no %2").arg(path, QLatin1String(name)));
        return -1;
    }
    return entry();
}
