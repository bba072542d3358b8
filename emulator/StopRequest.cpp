#include "emulator/StopRequest.h"

#include <QCoreApplication>
#include <QPointer>

#if defined(Q_OS_WIN)

#include <atomic>
#include <windows.h>

namespace {

QPointer<QCoreApplication> g_app;
std::atomic<bool> g_ended{false};
constexpr int kCloseWaitSteps = 40; // the system ends a closed console's process after about 5 s
constexpr DWORD kCloseWaitStepMs = 100;

BOOL WINAPI onConsoleEvent(DWORD type)
{
    // Runs on a thread of its own: hand the quit to the event loop.
    if (QCoreApplication* app = g_app.data())
        QMetaObject::invokeMethod(
            app, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT)
        return TRUE;
    // Closing the console, logging off or shutting down ends the process as soon as
    // this returns: give main the time to save first.
    for (int i = 0; i < kCloseWaitSteps && !g_ended; ++i)
        Sleep(kCloseWaitStepMs);
    return TRUE;
}

} // namespace

void quitOnStopRequest(QCoreApplication& app)
{
    g_app = &app;
    QObject::connect(&app, &QObject::destroyed, [] { g_ended = true; });
    SetConsoleCtrlHandler(&onConsoleEvent, TRUE);
}

#else

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The signal handler may only write to a descriptor; the event loop reads the other end.
int g_pipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[0], &byte, 1);
}

} // namespace

void quitOnStopRequest(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [notifier] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_pipe[1], &byte, 1);
        notifier->setEnabled(false);
        QCoreApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = &onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

#endif
