// Help file and topic selection.
#include "app/help_dispatch.h"

#include "app/app_constants.h"
#include "core/app_config.h"
#include "core/work_dir.h"

std::string HelpDispatch::HelpFilePath()
{
    static const char* const kFiles[6] = {"TVELANTO_ITA.CHM", "TVELANTO_ING.CHM",
                                          "TVELANTO_FRA.CHM", "TVELANTO_TED.CHM",
                                          "TVELANTO_SPA.CHM", "TVELANTO_ING.CHM"};
    return DataFilePath(AppConfig.workDir, kFiles[AppConfig.language % 6]);
}

std::string HelpDispatch::TopicPath(int helpId)
{
    const char* page = nullptr;
    switch (helpId) {
    case helpid::Information:
        page = "informazioni_info.html";
        break;
    case helpid::SerialPort:
        page = "opzioni_seleziona_seriale.html";
        break;
    case helpid::TesterSoftware:
        page = "diagnosi_gestione_software.html";
        break;
    case helpid::Language:
        page = "opzioni_seleziona_llingua.html";
        break;
    case helpid::InstallSoftware:
        page = "diagnosi_installa_software.html";
        break;
    default:
        return {};
    }
    return HelpFilePath() + "::/html/" + page;
}

void HelpDispatch::WinHelp(int helpId)
{
    std::string topic = TopicPath(helpId);
    if (!topic.empty()) {
        opener_(HelpFilePath(), topic);
        return;
    }
    opener_(HelpFilePath(), {});
}
