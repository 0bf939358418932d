#include "core/PortMap.h"

#include "core/DelimitedText.h"
#include "core/modFunc.h"
#include "platform/PortDiagnosis.h"

#include <QDir>
#include <QFileInfo>
#include <QSerialPortInfo>
#include <algorithm>

namespace modFunc {

PortMap PortPaths;
QString PortMapDir;

QString PortMapFile()
{
    return PortMapDir.isEmpty() ? AppFile(PortMapFileName) : QDir(PortMapDir).filePath(PortMapFileName);
}

bool PortPathStorable(const QString& path)
{
    return !path.trimmed().isEmpty() && !path.contains(QLatin1Char('"')) && !path.contains(QLatin1Char('\r'))
        && !path.contains(QLatin1Char('\n'));
}

QString ParsePortMap(const QByteArray& text, PortMap& map)
{
    map.clear();
    DelimitedReader in(text, PortMapFileName);
    const QString rest = QStringLiteral("; the ports from this line on open their usual devices.");
    for (;;) {
        DelimitedReader probe = in;  // the end of the text is no problem
        if (!probe.nextValue())
            return {};
        int64_t n = 0;
        QString path;
        if (!in.readNumber(1, MaxPortNumber, n, QStringLiteral("the port number"))
            || !in.readText(path, QStringLiteral("the device path")))
            return in.error() + rest;
        if (!PortPathStorable(path))
            return QStringLiteral("%1, line %2: \"%3\" is not a device path%4")
                .arg(PortMapFileName).arg(in.line()).arg(path.left(60), rest);
        map.insert(int(n), path);
    }
}

QStringList LoadPortMap()
{
    PortPaths.clear();
    QByteArray text;
    bool exists = false;
    QString error;
    if (!ReadWholeFile(PortMapFile(), text, &exists, &error)) {
        if (!exists)
            return {};
        return {QStringLiteral("%1 cannot be read: %2; every port opens its usual device.").arg(PortMapFileName, error)};
    }
    const QString problem = ParsePortMap(text, PortPaths);
    return problem.isEmpty() ? QStringList() : QStringList{problem};
}

QByteArray PortMapText(const PortMap& map)
{
    QByteArray out;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (PortPathStorable(it.value()))
            out += QByteArray::number(it.key()) + ",\"" + it.value().toUtf8() + "\"\r\n";
    return out;
}

bool SavePortMap(const PortMap& map, QString* error)
{
    return WriteWholeFile(PortMapFile(), PortMapText(map), error);
}

QString PortVariable(int n) { return QStringLiteral("QUIRRA_COM%1").arg(n); }

ResolvedPort ResolvePort(int n, const PortMap& map)
{
    const QByteArray set = qgetenv(PortVariable(n).toLatin1().constData());
    if (!set.isEmpty())
        return {QString::fromLocal8Bit(set), PortSource::Environment};
    const QString mapped = map.value(n);
    if (!mapped.isEmpty())
        return {mapped, PortSource::PortMap};
    return {QStringLiteral("/dev/ttyS%1").arg(n - 1), PortSource::Default};
}

QString UsbDescription(const QSerialPortInfo& info)
{
    if (!info.hasVendorIdentifier())
        return {};
    QString text = QStringLiteral("USB %1:%2")
                       .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                       .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
    for (const QString& part : {info.manufacturer(), info.description()})
        if (!part.isEmpty())
            text += QLatin1Char(' ') + part;
    if (!info.serialNumber().isEmpty())
        text += QStringLiteral(", serial ") + info.serialNumber();
    return text;
}

QString ByIdName(const QString& device, const QString& byIdDir)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    const QDir dir(byIdDir);
    for (const QFileInfo& link : dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        if (link.canonicalFilePath() == target)
            return link.absoluteFilePath();
    return {};
}

QList<PresentPort> PresentPorts()
{
    QList<PresentPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PresentPort p;
        p.device = info.systemLocation();
        p.offer = ByIdName(p.device);
        if (p.offer.isEmpty())
            p.offer = p.device;
        p.usb = UsbDescription(info);
        const PortFacts facts = PortDiagnosis::Gather(p.device);
        p.problem = PortDiagnosis::Explain(facts, QString(), facts.lockedByHolder);
        ports << p;
    }
    std::sort(ports.begin(), ports.end(), [](const PresentPort& a, const PresentPort& b) { return a.device < b.device; });
    return ports;
}

}  // namespace modFunc
