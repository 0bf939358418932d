// Low-latency mode of a serial driver. Many USB serial adapters hold the
// bytes they receive for a while (FTDI's latency timer, 16 ms by default)
// before they pass them on; a driver in low-latency mode passes them on at
// once (FTDI: after 1 ms). Any user who may open the port may ask for it.
#pragma once

#include <optional>

enum class LowLatency {
    NotTried,      // the port was not opened
    Set,           // the driver is in low-latency mode now
    NotSupported,  // the driver has no such mode (a pty, some UARTs)
    Refused,       // the driver refused it (no permission)
};

namespace LowLatencyMode {

// Asks the driver of the open terminal fd for low-latency mode
// (TIOCGSERIAL / TIOCSSERIAL with ASYNC_LOW_LATENCY) and reads it back.
LowLatency Request(int fd);
// Whether the driver of fd is in low-latency mode; nothing when it cannot
// tell.
std::optional<bool> Flag(int fd);
// Sets or clears the mode; false when the driver does not take it.
bool SetFlag(int fd, bool on);

}  // namespace LowLatencyMode
