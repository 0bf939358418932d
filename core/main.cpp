#include "core/modFunc.h"
#include "core/mdiMain.h"
#include "platform/WindowFrame.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {
const char HelpText[] =
    "Usage: quirra [--help | --version]\n"
    "\n"
    "Quirra, the control program of a serial memory chip programmer. It reads\n"
    "quirra.cfg, quirra.dev, auto.cfg and ports.cfg in the current directory when\n"
    "it holds quirra.dev, else in ~/.config/quirra, filled from the installed\n"
    "defaults on first use.\n"
    "\n"
    "  --help     this text\n"
    "  --version  the program's version\n"
    "\n"
    "Port COMn opens the device named by the environment variable QUIRRA_COMn,\n"
    "else the one ports.cfg maps n to (Options > Settings), else /dev/ttyS<n-1>.\n"
    "quirra-cli is the same programmer from a terminal: quirra-cli --help.\n";

// --help and --version answer without a display: before any window system
// is asked for.
bool AnswerWithoutWindow(int argc, char** argv, int& exitCode)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("quirra " QUIRRA_VERSION "\n", stdout);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(HelpText, stdout);
        } else {
            continue;
        }
        exitCode = std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
        return true;
    }
    return false;
}
}  // namespace

int main(int argc, char** argv)
{
    int exitCode = 0;
    if (AnswerWithoutWindow(argc, argv, exitCode))
        return exitCode;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quirra"));
    QApplication::setApplicationVersion(QStringLiteral(QUIRRA_VERSION));
    QApplication::setWindowIcon(QuirraIcon());
    auto window = modFunc::StartUp();
    return app.exec();
}
