#include "platform/AdapterDiagnosis.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace AdapterDiagnosis {

namespace {

// A path under /dev, read in the tree of roots.dev.
QString InDevTree(const QString& path, const SystemRoots& roots)
{
    const QString dev = QStringLiteral("/dev");
    if (roots.dev == dev || path.startsWith(roots.dev + QLatin1Char('/')))
        return path;
    if (path == dev || path.startsWith(dev + QLatin1Char('/')))
        return roots.dev + path.mid(dev.size());
    return path;
}

// Follows links (by-id, by-path, a link of the user's) to the device file.
QString FollowLinks(QString path, const SystemRoots& roots)
{
    path = InDevTree(path, roots);
    for (int hops = 0; hops < 16 && QFileInfo(path).isSymLink(); ++hops)
        path = InDevTree(QDir::cleanPath(QFileInfo(path).symLinkTarget()), roots);
    return path;
}

QString ReadLine(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(f.readLine(256)).trimmed();
}

// The driver from /proc/tty/drivers: the line whose node prefix
// ("/dev/ttyUSB") names the node with a number after it.
QString DriverFromProc(const QString& node, const SystemRoots& roots)
{
    QFile f(roots.proc + QStringLiteral("/tty/drivers"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString device = QStringLiteral("/dev/") + node;
    while (!f.atEnd()) {
        const QStringList fields = QString::fromLatin1(f.readLine(512)).simplified().split(QLatin1Char(' '));
        if (fields.size() < 2 || !device.startsWith(fields[1]))
            continue;
        bool number = false;
        device.mid(fields[1].size()).toInt(&number);
        if (number)
            return fields[0];
    }
    return {};
}

}  // namespace

SystemRoots& DefaultRoots()
{
    static SystemRoots roots;
    return roots;
}

AdapterFacts Gather(const QString& path, const SystemRoots& roots)
{
    AdapterFacts facts;
    facts.node = QFileInfo(FollowLinks(path, roots)).fileName();
    if (facts.node.isEmpty())
        return facts;
    // The tty's device, and the usb-serial port device where the FTDI
    // driver keeps the timer.
    for (const QString& dir : {roots.sys + QStringLiteral("/class/tty/") + facts.node + QStringLiteral("/device"),
                               roots.sys + QStringLiteral("/bus/usb-serial/devices/") + facts.node}) {
        if (facts.driver.isEmpty()) {
            const QString driver = QFileInfo(dir + QStringLiteral("/driver")).symLinkTarget();
            if (!driver.isEmpty())
                facts.driver = QFileInfo(driver).fileName();
        }
        bool ok = false;
        const int latency = ReadLine(dir + QStringLiteral("/latency_timer")).toInt(&ok);
        if (ok && latency >= 0 && facts.latencyMs < 0) {
            facts.latencyMs = latency;
            facts.latencyFile = dir + QStringLiteral("/latency_timer");
        }
    }
    if (facts.driver.isEmpty())
        facts.driver = DriverFromProc(facts.node, roots);
    return facts;
}

QString Summary(const AdapterFacts& facts)
{
    QStringList parts;
    if (!facts.driver.isEmpty())
        parts << facts.driver;
    if (facts.latencyMs >= 0)
        parts << QStringLiteral("latency %1 ms").arg(facts.latencyMs) + (Slow(facts) ? QStringLiteral(" (slow)") : QString());
    return parts.join(QStringLiteral(", "));
}

QString UdevExamplePath() { return QStringLiteral("/usr/share/doc/quirra-cli/examples/99-quirra-usb-serial.rules"); }

QString LatencyFix(const AdapterFacts& facts)
{
    const QString file = facts.latencyFile.isEmpty()
                             ? QStringLiteral("/sys/bus/usb-serial/devices/%1/latency_timer").arg(facts.node)
                             : facts.latencyFile;
    return QStringLiteral("Fix: echo 1 | sudo tee %1 until it is unplugged, or for good copy the udev rule %2 "
                          "to /etc/udev/rules.d/ and plug the adapter in again")
        .arg(file, UdevExamplePath());
}

}  // namespace AdapterDiagnosis
