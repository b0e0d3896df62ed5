// What passes between a host and a control library: the factory a library hands out for each
// class it serves, the exports every library has, and their result codes.
#pragma once

class QWidget;

// Result codes of the exports, as the platform numbers them.
constexpr long S_OK = 0;
constexpr long S_FALSE = 1;
constexpr long E_NOINTERFACE = long(0x80004002);
constexpr long E_POINTER = long(0x80004003);
constexpr long CLASS_E_CLASSNOTAVAILABLE = long(0x80040111);
constexpr long SELFREG_E_TYPELIB = long(0x80040200);
constexpr long SELFREG_E_CLASS = long(0x80040201);

// The only interface a library's DllGetClassObject hands out.
constexpr const char* IID_IClassFactory = "{00000001-0000-0000-C000-000000000046}";

// Creates objects of one class. Factories belong to their library and live as long as it is
// loaded; objects they create count as alive until destroyed.
class IKroClassFactory
{
public:
    // A new control or property page, owned by `parent` like any widget.
    virtual QWidget* CreateInstance(QWidget* parent) = 0;
    // Keeps the library loaded (DllCanUnloadNow says no) while locked.
    virtual void LockServer(bool lock) = 0;

protected:
    ~IKroClassFactory() = default;
};

// The exports of a control library, with C linkage.
extern "C" {
using DllGetClassObjectFn = long (*)(const char* classId, const char* interfaceId, void** object);
using DllCanUnloadNowFn = long (*)();
using DllRegisterServerFn = long (*)();
using DllUnregisterServerFn = long (*)();
}
