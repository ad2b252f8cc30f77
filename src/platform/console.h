// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace kelvra {

// Whether standard error is a terminal (a progress bar is drawn only there).
bool errorStreamIsTerminal();

// While watching, the first Ctrl+C, SIGTERM or SIGHUP only raises a flag that
// a long run polls between photos; a second one ends the program as usual.
void watchInterrupts(bool on);
bool interruptRequested();
// The number of the signal that asked to stop, 0 when none did, and its
// name ("SIGINT", "SIGTERM", "SIGHUP").
int interruptSignal();
const char *interruptSignalName();

// A headless toolkit application wants a private runtime folder and warns on
// every start without one; this provides it where the system did not.
void prepareHeadlessRuntime();

} // namespace kelvra
