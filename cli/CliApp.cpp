#include "cli/CliApp.h"

#include "cli/Console.h"
#include "cli/Ports.h"
#include "core/SerialLink.h"
#include "core/modFunc.h"
#include "devices/DeviceCatalogue.h"
#include "options/AutoFile.h"
#include "platform/SerialPort.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <memory>

namespace cli {

namespace {

// The port and receive timer the device functions use, as the main window
// owns them in the window program.
class Link {
public:
    explicit Link(const QString& portPath)
    {
        modFunc::SetUpReceiveTimer(&timer_);
        port_.setPortPath(portPath);
        modFunc::cm = &port_;
        modFunc::totmr = &timer_;
    }
    ~Link()
    {
        modFunc::cm = nullptr;
        modFunc::totmr = nullptr;
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

private:
    SerialPort port_;
    QTimer timer_;
};

class App {
public:
    explicit App(const Options& o) : o_(o), out_(o.json, o.quiet) {}
    int run();

private:
    bool loadStartFiles();
    bool applyDevice();
    QString portLabel() const;
    QString runPath() const;
    // Opens the port and probes; on failure reports and returns the exit
    // code, on success returns ExitOk with the link left open.
    int openProgrammer(std::unique_ptr<Link>& link);

    int probe();
    int ports();

    const Options& o_;
    Console out_;
    QString portPath_;  // --port PATH; empty for COMn
};

bool App::loadStartFiles()
{
    using namespace modFunc;
    const QString dir = o_.dir.isEmpty() ? QDir::currentPath() : o_.dir;
    if (!QFileInfo(dir).isDir()) {
        out_.fail(ExitBadInput, QStringLiteral("the start directory %1 does not exist").arg(dir));
        return false;
    }
    AppPath = QDir(dir).absolutePath();
    QStringList problems = LoadConfig();
    problems << LoadDeviceCatalogue();
    problems << LoadAuto();
    for (const QString& p : problems)
        out_.warn(p);

    if (!o_.port.isEmpty()) {
        const int n = ComNumber(o_.port);
        if (n > 0)
            ComPort = int16_t(n);
        else
            portPath_ = o_.port.contains(QLatin1Char('/')) ? o_.port : QStringLiteral("/dev/") + o_.port;
    }
    return applyDevice();
}

bool App::applyDevice()
{
    using namespace modFunc;
    if (o_.device.isEmpty())
        return true;
    bool isNumber = false;
    const int n = o_.device.toInt(&isNumber);
    if (isNumber) {
        if (n < 1 || n > DeviceCount) {
            out_.fail(ExitBadInput, QStringLiteral("there is no device %1; %2 lists devices 1 to %3")
                                        .arg(n).arg(CatalogueFileName).arg(DeviceCount));
            return false;
        }
        DeviceIndex = int16_t(n);
        return true;
    }
    // The whole name, or its first word(s) up to a space, in any case.
    QList<int> matches;
    for (int i = 1; i <= DeviceCount; ++i) {
        const QString& name = DeviceTable[i].Name;
        if (name.compare(o_.device, Qt::CaseInsensitive) == 0) {
            matches = {i};
            break;
        }
        if (name.startsWith(o_.device + QLatin1Char(' '), Qt::CaseInsensitive))
            matches << i;
    }
    if (matches.size() == 1) {
        DeviceIndex = int16_t(matches.first());
        return true;
    }
    QStringList names;
    for (int i : matches)
        names << QStringLiteral("%1 \"%2\"").arg(i).arg(DeviceTable[i].Name);
    out_.fail(ExitBadInput, matches.isEmpty()
                                ? QStringLiteral("%1 lists no device \"%2\"").arg(CatalogueFileName, o_.device)
                                : QStringLiteral("\"%1\" names more than one device: %2")
                                      .arg(o_.device, names.join(QStringLiteral(", "))));
    return false;
}

QString App::portLabel() const
{
    return portPath_.isEmpty() ? QStringLiteral("COM%1").arg(modFunc::ComPort) : portPath_;
}

QString App::runPath() const
{
    return portPath_.isEmpty() ? SerialPort::DevicePath(modFunc::ComPort) : portPath_;
}

int App::openProgrammer(std::unique_ptr<Link>& link)
{
    using modFunc::ProbeResult;
    link = std::make_unique<Link>(portPath_);
    const ProbeResult probe = modFunc::ProbeProgrammer();
    out_.result().insert(QStringLiteral("port"), portLabel());
    switch (probe.outcome) {
    case ProbeResult::Outcome::PortError:
        return out_.fail(ExitNoAnswer, portPath_.isEmpty()
                                           ? QStringLiteral("COM%1, %2").arg(modFunc::ComPort).arg(probe.portError)
                                           : probe.portError);
    case ProbeResult::Outcome::NoAnswer:
        return out_.fail(ExitNoAnswer, QStringLiteral("Cannot find device at %1 !")
                                           .arg(portPath_.isEmpty() ? QStringLiteral("COM %1").arg(modFunc::ComPort)
                                                                    : portPath_));
    case ProbeResult::Outcome::Found:
        out_.result().insert(QStringLiteral("version"), probe.version);
        break;
    }
    return ExitOk;
}

int App::probe()
{
    std::unique_ptr<Link> link;
    const int code = openProgrammer(link);
    if (code == ExitOk)
        out_.line(QStringLiteral("Device Version ") + out_.result().value(QStringLiteral("version")).toString());
    return out_.finish(code);
}

int App::ports()
{
    const QList<PortEntry> list = CollectPorts(runPath(), portPath_.isEmpty() ? portLabel() : QString());
    const QList<PortProcess> trouble = PortDiagnosis::RunningTroublemakers();
    if (out_.json()) {
        const QJsonObject o = PortsJson(list, trouble);
        for (auto it = o.begin(); it != o.end(); ++it)
            out_.result().insert(it.key(), it.value());
    } else {
        std::fputs(qPrintable(PortsText(list, trouble)), stdout);
    }
    return out_.finish(ExitOk);
}

int App::run()
{
    out_.result().insert(QStringLiteral("command"), o_.command);
    if (!loadStartFiles())
        return out_.finish(ExitBadInput);
    if (o_.command == QLatin1String("probe"))
        return probe();
    if (o_.command == QLatin1String("ports"))
        return ports();
    return out_.finish(out_.fail(ExitBadInput, QStringLiteral("%1 is not available in this build").arg(o_.command)));
}

}  // namespace

int Run(const Options& options)
{
    PortDiagnosis::SetHelpReference(QStringLiteral("quirra-cli --help"));
    App app(options);
    return app.run();
}

}  // namespace cli
