// The help files the build makes from data/help, shared by the help tests.
#pragma once

#include <QFileInfo>
#include <QString>
#include <QStringList>

namespace {

const QStringList kLanguages = {"ITA", "ING", "FRA", "TED", "SPA"};
const QStringList kTopics = {
    "/html/introduzione.html",
    "/html/informazioni_info.html",
    "/html/opzioni_seleziona_seriale.html",
    "/html/diagnosi_gestione_software.html",
    "/html/opzioni_seleziona_llingua.html",
    "/html/diagnosi_installa_software.html",
};

QString HelpFile(const QString& code)
{
    return QStringLiteral(ZOLT_BINARY_DIR "/data/TVELANTO_%1.CHM").arg(code);
}

bool HelpFilesBuilt()
{
    for (const QString& code : kLanguages) {
        if (!QFileInfo::exists(HelpFile(code)))
            return false;
    }
    return true;
}

} // namespace

// QSKIP must run in the test function itself to end it.
#define REQUIRE_HELP_FILES()                                                                       \
    if (!HelpFilesBuilt())                                                                         \
    QSKIP("The help files are not built (data folder left out of the build).")
