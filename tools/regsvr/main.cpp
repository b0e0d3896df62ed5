// regsvr: registers or unregisters a control library, as the platform's registration tool does.
// Usage: regsvr [/s] [/u] LIBRARY
#include "controls/common/class_factory.h"
#include "controls/common/kro_host.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {

// Exit codes of the platform's tool.
constexpr int kBadArguments = 1;
constexpr int kLoadFailed = 3;
constexpr int kEntryFailed = 5;

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool silent = false;
    bool unregister = false;
    QString library;
    bool wellFormed = true;
    for (const QString& arg : app.arguments().mid(1)) {
        const QString flag = arg.toLower();
        if (flag == "/s" || flag == "-s")
            silent = true;
        else if (flag == "/u" || flag == "-u")
            unregister = true;
        else if (library.isEmpty() && arg.size() > 2) // a path may begin with "/"
            library = arg;
        else
            wellFormed = false;
    }
    if (!wellFormed || library.isEmpty()) {
        if (!silent)
            std::fprintf(stderr, "Usage: regsvr [/s] [/u] LIBRARY\n");
        return kBadArguments;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    QString error;
    const long result = RegisterControlLibrary(library, unregister, &error);
    if (result == -1 && !error.isEmpty()) {
        if (!silent)
            std::fprintf(stderr, "regsvr: %s\n", qPrintable(error));
        return kLoadFailed;
    }
    if (result != S_OK) {
        if (!silent)
            std::fprintf(stderr, "regsvr: %s in %s failed with code 0x%08lx.\n", entry,
                         qPrintable(library), static_cast<unsigned long>(result) & 0xFFFFFFFFul);
        return kEntryFailed;
    }
    if (!silent)
        std::printf("%s in %s succeeded.\n", entry, qPrintable(library));
    return 0;
}
