// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/console.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <csignal>

#ifdef _WIN32
#include <io.h>
#include <stdio.h>
#else
#include <unistd.h>
#endif

namespace kelvra {

namespace {

// The signal that asked to stop, 0 for none.
std::atomic<int> g_interrupt { 0 };

// Every signal that asks a program to end; SIGHUP is POSIX only.
constexpr int kStopSignals[] = {
    SIGINT,
    SIGTERM,
#ifdef SIGHUP
    SIGHUP,
#endif
};

extern "C" void onInterrupt(int signal)
{
    int none = 0;
    g_interrupt.compare_exchange_strong(none, signal);
    // A second one ends the program as usual.
    std::signal(signal, SIG_DFL);
}

} // namespace

bool errorStreamIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) == 1;
#endif
}

void watchInterrupts(bool on)
{
    g_interrupt = 0;
    for (const int signal : kStopSignals)
        std::signal(signal, on ? onInterrupt : SIG_DFL);
}

bool interruptRequested()
{
    return g_interrupt != 0;
}

int interruptSignal()
{
    return g_interrupt;
}

const char *interruptSignalName()
{
    switch (g_interrupt) {
    case SIGINT:
        return "SIGINT";
    case SIGTERM:
        return "SIGTERM";
#ifdef SIGHUP
    case SIGHUP:
        return "SIGHUP";
#endif
    default:
        return "a signal";
    }
}

void prepareHeadlessRuntime()
{
#ifndef _WIN32
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QString folder = QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(getuid());
    if (QDir().mkpath(folder) && QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
#endif
}

} // namespace kelvra
