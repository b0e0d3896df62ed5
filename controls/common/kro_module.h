// The body of a control library: class factories for its control and pages, the objects they
// keep alive, and self-registration into the registry and a type-library description.
#pragma once

#include "controls/common/class_factory.h"
#include "controls/common/kro_control.h"

#include <QList>

#include <functional>

class QWidget;

// One creatable class of a library.
struct KroClassInfo
{
    const char* classId;
    const char* typeName;
    std::function<QWidget*(QWidget*)> create;
};

// What a library serves and how its type library describes it.
struct KroModuleInfo
{
    const char* libraryId;
    const char* libraryName; // KROBUTTONLib
    const char* helpString;
    const char* helpFile;
    const char* dispatchName;
    const char* dispatchId;
    const char* dispatchHelp;
    const char* eventsName;
    const char* eventsId;
    const char* eventsHelp;
    const char* coclassName;
    const char* coclassHelp;
    const char* progId;
    const QList<DispEntry>* dispatch;
    const QList<DispEntry>* events;
    KroClassInfo control;
    QList<KroClassInfo> pages;
};

// The miscellaneous status the control class is registered with: set client site first,
// activate when visible, inside-out, cannot link inside, recompose on resize.
constexpr unsigned kControlMiscStatus = 0x00020191;

long ModuleGetClassObject(const KroModuleInfo& module, const char* classId, const char* interfaceId,
                          void** object);
// S_OK when no object of the library is alive and no factory is locked, else S_FALSE.
long ModuleCanUnloadNow();
long ModuleRegisterServer(const KroModuleInfo& module);
long ModuleUnregisterServer(const KroModuleInfo& module);

// The type-library description of `module` as written at registration, for `libraryPath`.
class CIniFile;
void DescribeTypeLibrary(const KroModuleInfo& module, const QString& libraryPath, CIniFile& out);

// Defines the four exports of a control library over `module` (a KroModuleInfo). Only these
// leave the library; everything else stays inside it.
#define KRO_MODULE_EXPORTS(module)                                                                \
    extern "C" __attribute__((visibility("default"))) long DllGetClassObject(                     \
        const char* classId, const char* interfaceId, void** object)                              \
    {                                                                                             \
        return ModuleGetClassObject(module, classId, interfaceId, object);                        \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) long DllCanUnloadNow()                      \
    {                                                                                             \
        return ModuleCanUnloadNow();                                                              \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) long DllRegisterServer()                    \
    {                                                                                             \
        return ModuleRegisterServer(module);                                                      \
    }                                                                                             \
    extern "C" __attribute__((visibility("default"))) long DllUnregisterServer()                  \
    {                                                                                             \
        return ModuleUnregisterServer(module);                                                    \
    }
