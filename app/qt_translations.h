// Qt's own dialogs (print, file chooser, standard buttons) in the program's language.
#pragma once

// Installs Qt's translations for language index `language` (0..5) in place of the ones
// installed before. Returns false when there are none for it (English needs none; Greek has
// none in Qt's translations) or they are not installed: Qt's dialogs then speak English.
bool SwitchQtTranslations(int language);
