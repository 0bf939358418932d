// "quirra-cli ports": the serial ports of this machine and the ones the
// environment names, which COMn each stands for, whether this user may
// open it, and what stands in the way when not.
#pragma once

#include "platform/AdapterDiagnosis.h"
#include "platform/PortDiagnosis.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

namespace cli {

struct PortEntry {
    QString path;          // as found or as the environment names it
    QStringList names;     // "COM1", ...
    QStringList envVars;   // "QUIRRA_COM1", the variables that point here
    bool mapped = false;   // a line of ports.cfg points here
    QString usb;           // "USB 0403:6001 FTDI FT232R USB UART, serial A5"
    bool thisRun = false;  // the port a device command would open now
    PortFacts facts;
    AdapterFacts adapter;  // its driver and latency timer
    QString problem;       // why it cannot be opened; empty when it can
};

// The ports: this machine's (/dev/ttyS*, ttyUSB*, ttyACM*, ...), those named
// by QUIRRA_COMn or by ports.cfg, and the one the run would use (runPath,
// runName).
QList<PortEntry> CollectPorts(const QString& runPath, const QString& runName);

// The listing as text, with the running troublemakers and their fixes.
QString PortsText(const QList<PortEntry>& ports, const QList<PortProcess>& troublemakers);
QJsonObject PortsJson(const QList<PortEntry>& ports, const QList<PortProcess>& troublemakers);

}  // namespace cli
