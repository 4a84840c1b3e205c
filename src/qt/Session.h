#pragma once

#include "link/Transport.h"
#include "qt/QtHost.h"

namespace ravelin {

// Both programs' life: the window on the given link, from FormCreate to the
// close, inside the running QApplication. Returns the exit status.
int runMainWindow(QtHost &host, Transport &transport);

} // namespace ravelin
