#pragma once

// Runs a piece of code in a child process whose files may not grow beyond a few bytes
// (RLIMIT_FSIZE, with SIGXFSZ ignored so that writes fail with EFBIG as on a full
// disk), and hands back how it ended. Needs no privileges.

#include <QByteArray>
#include <QString>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace faults {

struct Outcome
{
    int status = -1; // the child's exit status: 0 when body reported success
    QString message; // what body returned
};

// body returns an empty string on success, else the message it got.
inline Outcome runLimited(rlim_t limit, const std::function<QString()>& body)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited{};
        ::getrlimit(RLIMIT_FSIZE, &limited);
        limited.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        const QByteArray message = body().toUtf8();
        // The pipe is no file: the limit does not apply to it.
        const bool written = ::write(channel[1], message.constData(), size_t(message.size())) == message.size();
        ::_exit(message.isEmpty() && written ? 0 : 1);
    }
    ::close(channel[1]);
    QByteArray bytes;
    char buffer[4096];
    for (ssize_t got; (got = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        bytes.append(buffer, got);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), QString::fromUtf8(bytes)};
}

} // namespace faults
