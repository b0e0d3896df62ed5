// The way any dialog asks the application for help on its topic.
#pragma once

#include <functional>

// Passes a help request to the handler the application installed; without one it is dropped.
void RequestHelp(int helpId);

// Installs the application's help handler (or clears it with an empty function).
void SetHelpHandler(std::function<void(int helpId)> handler);
