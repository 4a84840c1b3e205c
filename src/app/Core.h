#pragma once

#include "app/AppState.h"
#include "app/Host.h"
#include "app/WindowModel.h"
#include "link/Transport.h"

namespace ravelin {

// What every routine works on: the window, the process-wide values, the
// platform and the link to the programmer.
struct Core
{
    WindowModel &ui;
    AppState &st;
    Host &host;
    Transport &transport;
};

} // namespace ravelin

namespace ravelin {

// Held while something talks to the programmer (a device command, a firmware
// update, a programmer search, any reply wait): the status line ignores clicks
// meanwhile, so no search starts in the middle of another exchange.
class LinkBusyScope
{
public:
    explicit LinkBusyScope(Core &core)
        : m_state(core.st)
    {
        ++m_state.linkBusy;
    }
    ~LinkBusyScope() { --m_state.linkBusy; }
    LinkBusyScope(const LinkBusyScope &) = delete;
    LinkBusyScope &operator=(const LinkBusyScope &) = delete;

private:
    AppState &m_state;
};

} // namespace ravelin
