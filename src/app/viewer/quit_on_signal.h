#pragma once
// A session that ends, or a user who presses Ctrl+C in a terminal, sends
// SIGTERM or SIGINT: the viewer then closes as if its close button were
// pressed (engines stopped, nothing half-written) instead of dying mid-way.

class QObject;

namespace dravonix {

// Calls `quit` on the UI thread when SIGTERM or SIGINT arrives.
void quitOnTerminationSignals(QObject* context, void (*quit)());

} // namespace dravonix
