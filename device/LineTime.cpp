#include "device/LineTime.h"

#include "device/DeviceProtocol.h"
#include "platform/SerialPort.h"

#include <algorithm>
#include <cmath>

namespace LineTime {

double BlockSeconds(double latencyMs)
{
    const double line = ExchangeBytes * 10 / Baud;
    if (latencyMs <= 0)
        return line;
    const double tick = latencyMs / 1000;
    return std::ceil(line / tick - 1e-9) * tick;
}

double FunctionSeconds(int32_t size, double latencyMs)
{
    const int blocks = std::min(DeviceProtocol::BlockCount(size), DeviceProtocol::MaxBlocks);
    return blocks * BlockSeconds(latencyMs);
}

QString SecondsText(double seconds)
{
    return seconds < 9.95 ? QStringLiteral("%1 s").arg(seconds, 0, 'f', 1)
                          : QStringLiteral("%1 s").arg(std::llround(seconds));
}

QString LatencyNote(const AdapterFacts& facts, LowLatency outcome, int function, const modFunc::DeviceRecord& device)
{
    if (!AdapterDiagnosis::Slow(facts))
        return {};
    using namespace modFunc::Step;
    if (function != Read && function != Blank && function != Verify)
        function = Program;
    QString text = QStringLiteral("the adapter of /dev/%1%2 holds each reply up to %3 ms")
                       .arg(facts.node, facts.driver.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(facts.driver))
                       .arg(facts.latencyMs);
    if (outcome == LowLatency::Refused)
        text += QStringLiteral(" (its driver refused low-latency mode)");
    else if (outcome == LowLatency::NotSupported)
        text += QStringLiteral(" (its driver has no low-latency mode)");
    if (DeviceProtocol::BlockCount(device.Size) > 0)
        text += QStringLiteral(": %1 of %2 will take about %3 instead of %4")
                    .arg(modFunc::StepNames().value(function), device.Name,
                         SecondsText(FunctionSeconds(device.Size, facts.latencyMs)), SecondsText(FunctionSeconds(device.Size, 0)));
    return text + QStringLiteral(". ") + AdapterDiagnosis::LatencyFix(facts);
}

QString LatencyNote(const SerialPort& port, int function, const modFunc::DeviceRecord& device)
{
    if (!port.PortOpen())
        return {};
    return LatencyNote(AdapterDiagnosis::Gather(port.OpenedDevice()), port.LowLatencyOutcome(), function, device);
}

}  // namespace LineTime
