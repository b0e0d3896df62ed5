// Chooses the help file and topic for a help request, as the application's help dispatch does.
#pragma once

#include <functional>
#include <string>

class HelpDispatch
{
public:
    // Opens `chmPath` at `topic` ("<file>::/html/<page>.html"), or at its default topic when
    // `topic` is empty. Returns whether anything was shown.
    using Opener = std::function<bool(const std::string& chmPath, const std::string& topic)>;

    explicit HelpDispatch(Opener opener) : opener_(std::move(opener)) {}

    // Returns the help file of the current language; Greek has none of its own and uses English.
    static std::string HelpFilePath();

    // Returns the topic path for one of the dialogs' help ids, or "" for any other id.
    static std::string TopicPath(int helpId);

    // Handles a help request: a dialog's topic, or the file's default topic for any other id.
    // Every request opens: no request is the echo of another here (a dialog's F1 or Help button
    // asks once), so none is swallowed.
    void WinHelp(int helpId);

private:
    Opener opener_;
};
