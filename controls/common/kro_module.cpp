// Class factories and self-registration shared by both control libraries.
#include "controls/common/kro_module.h"

#include "controls/common/kro_registry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QWidget>

#include <dlfcn.h>

#include <atomic>
#include <map>
#include <memory>

namespace {

std::atomic<int> g_objects{0};
std::atomic<int> g_locks{0};

class CModuleFactory : public IKroClassFactory
{
public:
    explicit CModuleFactory(KroClassInfo info) : info_(std::move(info)) {}
    virtual ~CModuleFactory() = default;

    QWidget* CreateInstance(QWidget* parent) override
    {
        QWidget* object = info_.create(parent);
        if (object) {
            ++g_objects;
            QObject::connect(object, &QObject::destroyed, [] { --g_objects; });
        }
        return object;
    }

    void LockServer(bool lock) override { lock ? ++g_locks : --g_locks; }

private:
    KroClassInfo info_;
};

// The library this code is linked into: registration records its path.
QString ThisLibraryPath()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleRegisterServer), &info) == 0 || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

QString Member(const DispEntry& e)
{
    if (e.method)
        return QStringLiteral("%1 method %2 %3(%4)")
            .arg(e.id)
            .arg(QLatin1String(e.type), QLatin1String(e.name), QLatin1String(e.parameters));
    return QStringLiteral("%1 property %2 %3")
        .arg(e.id)
        .arg(QLatin1String(e.type), QLatin1String(e.name));
}

void DescribeInterface(CIniFile& out, const char* name, const char* id, const char* help,
                       const char* flags, const QList<DispEntry>& members)
{
    const QString section = QString::fromLatin1(name);
    out.SetValue(section, "Kind", "dispinterface");
    out.SetValue(section, "Id", id);
    out.SetValue(section, "HelpString", help);
    out.SetValue(section, "Flags", flags);
    for (qsizetype i = 0; i < members.size(); ++i)
        out.SetValue(section, QStringLiteral("Member%1").arg(i + 1), Member(members[i]));
}

// Registry writes from two registrations started together must not lose each other's keys.
class RegistryGuard
{
public:
    RegistryGuard() : lock_(RegistryPath() + QStringLiteral(".lock"))
    {
        QDir().mkpath(QFileInfo(RegistryPath()).absolutePath());
        locked_ = lock_.tryLock(10000);
    }
    bool Locked() const { return locked_; }

private:
    QLockFile lock_;
    bool locked_ = false;
};

} // namespace

long ModuleGetClassObject(const KroModuleInfo& module, const char* classId,
                          const char* interfaceId, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!classId || !interfaceId)
        return E_POINTER;
    static std::map<QString, std::unique_ptr<CModuleFactory>> factories;
    const QString wanted = NormalizedClassId(QString::fromLatin1(classId));
    const KroClassInfo* found = nullptr;
    if (NormalizedClassId(module.control.classId) == wanted)
        found = &module.control;
    for (const KroClassInfo& page : module.pages)
        if (NormalizedClassId(page.classId) == wanted)
            found = &page;
    if (!found)
        return CLASS_E_CLASSNOTAVAILABLE;
    if (NormalizedClassId(QString::fromLatin1(interfaceId)) != IID_IClassFactory)
        return E_NOINTERFACE;
    auto& factory = factories[wanted];
    if (!factory)
        factory = std::make_unique<CModuleFactory>(*found);
    *object = static_cast<IKroClassFactory*>(factory.get());
    return S_OK;
}

long ModuleCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

void DescribeTypeLibrary(const KroModuleInfo& m, const QString& libraryPath, CIniFile& out)
{
    out.SetValue("Library", "Id", m.libraryId);
    out.SetValue("Library", "Name", m.libraryName);
    out.SetValue("Library", "Version", "1.0");
    out.SetValue("Library", "Locale", "1033");
    out.SetValue("Library", "HelpString", m.helpString);
    out.SetValue("Library", "HelpFile", m.helpFile);
    out.SetValue("Library", "Path", libraryPath);
    out.SetValue("Library", "Imports", "stdole2.tlb");
    DescribeInterface(out, m.dispatchName, m.dispatchId, m.dispatchHelp, "hidden dispatchable",
                      *m.dispatch);
    DescribeInterface(out, m.eventsName, m.eventsId, m.eventsHelp, "dispatchable", *m.events);
    const QString coclass = QString::fromLatin1(m.coclassName);
    out.SetValue(coclass, "Kind", "coclass");
    out.SetValue(coclass, "Id", m.control.classId);
    out.SetValue(coclass, "HelpString", m.coclassHelp);
    out.SetValue(coclass, "Flags", "control");
    out.SetValue(coclass, "Default", m.dispatchName);
    out.SetValue(coclass, "DefaultSource", m.eventsName);
}

long ModuleRegisterServer(const KroModuleInfo& m)
{
    const QString path = ThisLibraryPath();
    CIniFile typeLibrary;
    DescribeTypeLibrary(m, path, typeLibrary);
    if (!typeLibrary.Save(TypeLibraryPath(m.libraryId)))
        return SELFREG_E_TYPELIB;

    RegistryGuard guard;
    CIniFile registry;
    if (!guard.Locked() || !registry.Load(RegistryPath()))
        return SELFREG_E_CLASS;
    const QString control = ClassSection(m.control.classId);
    registry.RemoveSection(control);
    registry.SetValue(control, "@", m.control.typeName);
    registry.SetValue(control, "ProgID", m.progId);
    registry.SetValue(control, "InprocServer32", path);
    registry.SetValue(control, "ThreadingModel", "Apartment");
    registry.SetValue(control, "ToolboxBitmap32", path + QStringLiteral(", 1"));
    registry.SetValue(control, "MiscStatus", QString::number(kControlMiscStatus));
    registry.SetValue(control, "Control", QString());
    registry.SetValue(control, "TypeLib", NormalizedClassId(m.libraryId));
    registry.SetValue(control, "Version", "1.0");
    registry.RemoveSection(m.progId);
    registry.SetValue(m.progId, "@", m.control.typeName);
    registry.SetValue(m.progId, "CLSID", NormalizedClassId(m.control.classId));
    for (const KroClassInfo& page : m.pages) {
        const QString section = ClassSection(page.classId);
        registry.RemoveSection(section);
        registry.SetValue(section, "@", page.typeName);
        registry.SetValue(section, "InprocServer32", path);
        registry.SetValue(section, "ThreadingModel", "Apartment");
    }
    return registry.Save(RegistryPath()) ? S_OK : SELFREG_E_CLASS;
}

long ModuleUnregisterServer(const KroModuleInfo& m)
{
    const QString description = TypeLibraryPath(m.libraryId);
    if (QFileInfo(description).isDir() ||
        (QFileInfo::exists(description) && !QFile::remove(description)))
        return SELFREG_E_TYPELIB;

    RegistryGuard guard;
    CIniFile registry;
    if (!guard.Locked() || !registry.Load(RegistryPath()))
        return SELFREG_E_CLASS;
    registry.RemoveSection(ClassSection(m.control.classId));
    registry.RemoveSection(m.progId);
    // The shared pages go whichever library registered them last.
    for (const KroClassInfo& page : m.pages)
        registry.RemoveSection(ClassSection(page.classId));
    return registry.Save(RegistryPath()) ? S_OK : SELFREG_E_CLASS;
}
