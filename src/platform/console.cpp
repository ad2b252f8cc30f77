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

std::atomic<bool> g_interrupted { false };

extern "C" void onInterrupt(int)
{
    g_interrupted = true;
    std::signal(SIGINT, SIG_DFL);
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
    g_interrupted = false;
    std::signal(SIGINT, on ? onInterrupt : SIG_DFL);
}

bool interruptRequested()
{
    return g_interrupted;
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
