#include "cli/Ports.h"

#include "core/PortMap.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSerialPortInfo>

namespace cli {

namespace {

QString Canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

}  // namespace

QList<PortEntry> CollectPorts(const QString& runPath, const QString& runName)
{
    QList<PortEntry> ports;
    auto entryFor = [&](const QString& path) -> PortEntry& {
        const QString device = Canonical(path);
        for (PortEntry& e : ports)
            if (Canonical(e.path) == device)
                return e;
        ports.append(PortEntry{});
        ports.back().path = path;
        return ports.back();
    };

    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        entryFor(info.systemLocation()).usb = modFunc::UsbDescription(info);

    // COMn names: /dev/ttyS<n-1> unless QUIRRA_COMn points elsewhere.
    static const QRegularExpression envForm(QStringLiteral("^QUIRRA_COM([0-9]+)$"));
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QList<int> overridden;
    for (const QString& key : env.keys()) {
        const QRegularExpressionMatch m = envForm.match(key);
        const int n = m.hasMatch() ? m.captured(1).toInt() : 0;
        if (n < 1 || n > 255 || env.value(key).isEmpty())
            continue;
        overridden << n;
        PortEntry& e = entryFor(env.value(key));
        e.names << QStringLiteral("COM%1").arg(n);
        e.envVars << key;
    }
    // Then the lines of ports.cfg for the numbers the environment leaves.
    for (auto it = modFunc::PortPaths.cbegin(); it != modFunc::PortPaths.cend(); ++it) {
        if (overridden.contains(it.key()))
            continue;
        overridden << it.key();
        PortEntry& e = entryFor(it.value());
        e.names << QStringLiteral("COM%1").arg(it.key());
        e.mapped = true;
    }
    static const QRegularExpression ttyS(QStringLiteral("^/dev/ttyS([0-9]+)$"));
    for (PortEntry& e : ports) {
        const QRegularExpressionMatch m = ttyS.match(e.path);
        const int n = m.hasMatch() ? m.captured(1).toInt() + 1 : 0;
        if (n >= 1 && n <= 255 && !overridden.contains(n))
            e.names.prepend(QStringLiteral("COM%1").arg(n));
    }
    if (!runPath.isEmpty()) {
        PortEntry& e = entryFor(runPath);
        e.thisRun = true;
        if (!runName.isEmpty() && !e.names.contains(runName))
            e.names << runName;
    }

    for (PortEntry& e : ports) {
        e.names.sort();
        e.facts = PortDiagnosis::Gather(e.path);
        e.adapter = AdapterDiagnosis::Gather(e.path);
        const QString env = e.envVars.isEmpty() ? QString() : e.envVars.first();
        e.problem = PortDiagnosis::Explain(e.facts, env, e.facts.lockedByHolder);
    }
    std::sort(ports.begin(), ports.end(), [](const PortEntry& a, const PortEntry& b) { return a.path < b.path; });
    return ports;
}

QString PortsText(const QList<PortEntry>& ports, const QList<PortProcess>& troublemakers)
{
    QString text;
    if (ports.isEmpty())
        text += QStringLiteral("No serial ports found.\n");
    for (const PortEntry& e : ports) {
        text += e.path;
        if (!e.facts.device.isEmpty() && e.facts.device != e.path)
            text += QStringLiteral(" -> ") + e.facts.device;
        QStringList about;
        if (!e.names.isEmpty())
            about << e.names.join(QStringLiteral(", "));
        if (!e.envVars.isEmpty())
            about << QStringLiteral("set by ") + e.envVars.join(QStringLiteral(", "));
        if (e.mapped)
            about << QStringLiteral("set by %1").arg(modFunc::PortMapFileName);
        if (e.thisRun)
            about << QStringLiteral("used by this run");
        if (about.isEmpty())
            about << QStringLiteral("no COM name; Options > Settings or QUIRRA_COMn=%1 makes it COMn").arg(e.path);
        text += QStringLiteral("  (%1)\n").arg(about.join(QStringLiteral("; ")));
        if (!e.usb.isEmpty())
            text += QStringLiteral("    %1\n").arg(e.usb);
        // USB adapters: their driver and latency timer.
        if (const QString adapter = AdapterDiagnosis::Summary(e.adapter); !adapter.isEmpty() && !e.usb.isEmpty())
            text += QStringLiteral("    adapter: %1\n").arg(adapter)
                    + (AdapterDiagnosis::Slow(e.adapter) ? QStringLiteral("    %1\n").arg(AdapterDiagnosis::LatencyFix(e.adapter))
                                                         : QString());
        if (e.problem.isEmpty()) {
            text += QStringLiteral("    may open: yes");
            if (!e.facts.holders.isEmpty())
                text += QStringLiteral(" (also open in %1)").arg(PortDiagnosis::ListProcesses(e.facts.holders));
            text += QLatin1Char('\n');
        } else {
            text += QStringLiteral("    may open: no: %1\n").arg(e.problem);
        }
    }
    for (const PortProcess& p : troublemakers)
        text += QStringLiteral("%1 is running (process %2): %3\n")
                    .arg(p.name).arg(p.pid).arg(PortDiagnosis::TroublemakerFix(p.name));
    return text;
}

QJsonObject PortsJson(const QList<PortEntry>& ports, const QList<PortProcess>& troublemakers)
{
    auto processes = [](const QList<PortProcess>& list) {
        QJsonArray a;
        for (const PortProcess& p : list)
            a.append(QJsonObject{{QStringLiteral("pid"), p.pid}, {QStringLiteral("name"), p.name}});
        return a;
    };
    QJsonArray list;
    for (const PortEntry& e : ports)
        list.append(QJsonObject{
            {QStringLiteral("path"), e.path},
            {QStringLiteral("device"), e.facts.device},
            {QStringLiteral("names"), QJsonArray::fromStringList(e.names)},
            {QStringLiteral("env"), QJsonArray::fromStringList(e.envVars)},
            {QStringLiteral("portMap"), e.mapped},
            {QStringLiteral("usb"), e.usb},
            {QStringLiteral("thisRun"), e.thisRun},
            {QStringLiteral("mayOpen"), e.problem.isEmpty()},
            {QStringLiteral("problem"), e.problem},
            {QStringLiteral("holders"), processes(e.facts.holders)},
            {QStringLiteral("driver"), e.adapter.driver},
            {QStringLiteral("latencyMs"), e.adapter.latencyMs},
        });
    QJsonArray trouble = processes(troublemakers);
    for (int i = 0; i < trouble.size(); ++i) {
        QJsonObject o = trouble[i].toObject();
        o.insert(QStringLiteral("fix"), PortDiagnosis::TroublemakerFix(troublemakers[i].name));
        trouble[i] = o;
    }
    return {{QStringLiteral("ports"), list}, {QStringLiteral("troublemakers"), trouble}};
}

}  // namespace cli
