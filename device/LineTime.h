// How long the block functions take on the line, and what an adapter that
// holds each reply costs them. Every block is one exchange of 24 bytes at
// 57600 baud (a 21-byte block write and its 3-byte status, or a 7-byte
// request and its 17-byte reply): 4.17 ms. An adapter with a latency timer
// of L ms passes a reply on at the next tick of that timer; the next frame
// goes out at once, so in the steady state each block takes the smallest
// whole number of ticks that holds the exchange.
#pragma once

#include "core/modFunc.h"
#include "platform/AdapterDiagnosis.h"
#include "platform/LowLatency.h"

class SerialPort;

namespace LineTime {

constexpr double Baud = 57600;
constexpr int ExchangeBytes = 24;  // per block, both ways
// Seconds one block's exchange takes with a reply latency of latencyMs.
double BlockSeconds(double latencyMs);
// Seconds a block function (Read, Blank, Program, Verify) takes over a
// device of size bytes.
double FunctionSeconds(int32_t size, double latencyMs);
// "66 s", "2.0 s".
QString SecondsText(double seconds);

// The warning for a slow adapter: what it does, what it costs `function`
// (a Step code with blocks; Program for any other) on `device`, and the
// fix. Empty when the adapter is not slow.
QString LatencyNote(const AdapterFacts& facts, LowLatency outcome, int function, const modFunc::DeviceRecord& device);
// The same for the port as it was opened.
QString LatencyNote(const SerialPort& port, int function, const modFunc::DeviceRecord& device);

}  // namespace LineTime
