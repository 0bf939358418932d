// What a serial port's adapter does to the replies: its driver and, for
// adapters that hold received bytes for a while (FTDI's latency timer), the
// time it holds them. Read from sysfs after the port is open, following
// /dev/serial/by-id/ links to the device node.
#pragma once

#include <QString>

// Where the diagnosis looks; tests give it trees of their own.
struct SystemRoots {
    QString sys = QStringLiteral("/sys");
    QString dev = QStringLiteral("/dev");
    QString proc = QStringLiteral("/proc");
};

struct AdapterFacts {
    QString node;        // "ttyUSB0"; the device file the path leads to
    QString driver;      // "ftdi_sio", "cp210x", "cdc_acm", ...; empty when unknown
    int latencyMs = -1;  // the latency timer in force; -1 where there is none
    QString latencyFile; // the sysfs attribute it was read from
};

namespace AdapterDiagnosis {

// Latencies above this cost a Program of a large chip more than it gains.
constexpr int SlowLatencyMs = 2;

// The roots that Gather uses by default: the system's own.
SystemRoots& DefaultRoots();

// The facts about the adapter behind path (a device file or a link to one).
AdapterFacts Gather(const QString& path, const SystemRoots& roots = DefaultRoots());

// True when the adapter holds replies longer than SlowLatencyMs.
inline bool Slow(const AdapterFacts& facts) { return facts.latencyMs > SlowLatencyMs; }

// "ftdi_sio, latency 16 ms", "cp210x", "" for nothing known.
QString Summary(const AdapterFacts& facts);

// The fix for a slow adapter: the setting for now and the udev rule for
// every time it is plugged in.
QString LatencyFix(const AdapterFacts& facts);

// The example udev rule the package ships, not active until copied.
QString UdevExamplePath();

}  // namespace AdapterDiagnosis
