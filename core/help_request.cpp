// Routing of help requests to the application.
#include "core/help_request.h"

namespace {
std::function<void(int)>& handler()
{
    static std::function<void(int)> h;
    return h;
}
} // namespace

void RequestHelp(int helpId)
{
    if (handler())
        handler()(helpId);
}

void SetHelpHandler(std::function<void(int helpId)> handler_) { handler() = std::move(handler_); }
