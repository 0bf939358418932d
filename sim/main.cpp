// quirra-sim: emulates the device programmer on a pseudo terminal, for the
// tests and for trying the program without the hardware.
#include "sim/Device.h"
#include "sim/Pty.h"
#include "sim/SimLoop.h"
#include "sim/SimOptions.h"
#include "sim/TraceLog.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

extern "C" void OnSignal(int)
{
    const char byte = 'q';
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

bool InstallSignals()
{
    if (::pipe(signalPipe) != 0)
        return false;
    for (int fd : signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    if (::sigaction(SIGTERM, &sa, nullptr) != 0 || ::sigaction(SIGINT, &sa, nullptr) != 0)
        return false;
    std::signal(SIGPIPE, SIG_IGN);
    // Run in the background of a terminal, the emulator is never stopped
    // for touching it: a read fails instead, and the ready line is written.
    std::signal(SIGTTIN, SIG_IGN);
    std::signal(SIGTTOU, SIG_IGN);
    return true;
}

int Fail(const std::string& message)
{
    std::fprintf(stderr, "quirra-sim: %s\n", message.c_str());
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    switch (ParseOptions(argc, argv, options, error)) {
    case ParseResult::Help:
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    case ParseResult::Version:
        std::fputs("quirra-sim " QUIRRA_VERSION "\n", stdout);
        return 0;
    case ParseResult::Error:
        std::fprintf(stderr, "quirra-sim: %s\n\n%s", error.c_str(), UsageText().c_str());
        return 2;
    case ParseResult::Run:
        break;
    }

    // Paced bytes leave on time: no timer slack (50 us by default) on the
    // waits that release them.
    if (options.paceBaud > 0)
        ::prctl(PR_SET_TIMERSLACK, 1UL);

    if (!InstallSignals())
        return Fail("cannot set up signal handling");

    Device device(options);
    if (!options.imageFile.empty() && !device.chip().load(options.imageFile, error))
        return Fail(error);

    TraceLog trace;
    if (!options.traceFile.empty() && !trace.open(options.traceFile, error))
        return Fail(error);

    Pty pty;
    if (!pty.open(error))
        return Fail(error);
    if (!options.link.empty() && !pty.makeLink(options.link, error))
        return Fail(error);

    std::printf("ready %s\n", pty.slavePath().c_str());
    std::fflush(stdout);

    SimLoop loop(options, device, pty, trace);
    int rc = loop.run(signalPipe[0], error);
    if (rc != 0)
        std::fprintf(stderr, "quirra-sim: %s\n", error.c_str());

    if (!options.dumpFile.empty() && !device.chip().save(options.dumpFile, error)) {
        std::fprintf(stderr, "quirra-sim: %s\n", error.c_str());
        rc = 1;
    }
    pty.removeLink();
    return rc;
}
