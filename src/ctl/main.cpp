// lensdeskctl: the cameras from the command line, on the window's engines.

#include "core/AppPaths.h"
#include "core/Log.h"
#include "core/Startup.h"
#include "ctl/CtlCommand.h"
#include "platform/Backend.h"
#include "platform/Clock.h"
#include "core/DebugOutput.h"
#include "platform/VirtualClock.h"
#include "platform/sim/SimBackend.h"
#include "upgrade/PackageFiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The device layers print a few traces on standard output; the results must stay
// readable (and parseable with --json), so the results get a stream of their own and
// standard output goes to standard error (--verbose) or nowhere.
int takeStandardOutput(bool verbose)
{
    std::fflush(stdout);
    const int results = ::dup(STDOUT_FILENO);
    const int sink = verbose ? ::dup(STDERR_FILENO) : ::open("/dev/null", O_WRONLY);
    if (results < 0 || sink < 0)
        return STDOUT_FILENO;
    ::dup2(sink, STDOUT_FILENO);
    ::close(sink);
    return results;
}

bool isSimBackend()
{
    return qgetenv("LENSDESK_BACKEND").trimmed().toLower() == "sim";
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef SIGPIPE
    // A reader that went away (a pipe into head) must not end an upgrade half-way.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    bool verbose = false;
    for (int i = 1; i < argc; ++i)
        verbose = verbose || qstrcmp(argv[i], "--verbose") == 0;
    const int resultsFd = takeStandardOutput(verbose);
    const bool terminal = ::isatty(resultsFd) == 1;

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("lensdeskctl"));
    QCoreApplication::setApplicationVersion(applicationVersion());

    // Tests of the simulated rig run the waits of a whole upgrade in virtual time; a real
    // camera is never driven on it.
    static platform::VirtualClock virtualClock;
    if (isSimBackend() && qEnvironmentVariableIntValue("LENSDESK_SIM_VIRTUAL_CLOCK") == 1) {
        virtualClock.setRealMicrosPerMs(1);
        platform::setClock(&virtualClock);
    }

    // The window's log file; its debugger copy only with --verbose.
    if (!verbose)
        core::setDebuggerSink([](const QString &) {});
    setLogFilePath(prepareFilePath(logFilePath(), false, QByteArray()));
    qInstallMessageHandler(logMessageHandler);
    // What upgrades of programs that were killed left unpacked.
    removeStalePackageFolders(packageDir());

    QFile outFile;
    outFile.open(resultsFd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    QFile errFile;
    errFile.open(stderr, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    QTextStream out(&outFile);
    QTextStream err(&errFile);
    out.setCodec("UTF-8");
    err.setCodec("UTF-8");

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    CtlCommand command(out, err, terminal);
    const int code = command.run(arguments);
    out.flush();
    err.flush();

    if (isSimBackend() && platform::hasBackend()) {
        if (auto *sim = dynamic_cast<sim::SimBackend *>(&platform::backend()))
            sim->saveStateIfAsked();
    }
    // The rig and its threads go before the clock they run on.
    platform::setBackend(nullptr);
    platform::setClock(nullptr);
    return code;
}
