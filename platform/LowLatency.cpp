#include "platform/LowLatency.h"

#include <cerrno>
#include <linux/serial.h>
#include <sys/ioctl.h>

namespace LowLatencyMode {

std::optional<bool> Flag(int fd)
{
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
        return std::nullopt;
    return (info.flags & ASYNC_LOW_LATENCY) != 0;
}

bool SetFlag(int fd, bool on)
{
    serial_struct info{};
    if (::ioctl(fd, TIOCGSERIAL, &info) != 0)
        return false;
    if (((info.flags & ASYNC_LOW_LATENCY) != 0) == on)
        return true;
    info.flags = on ? (info.flags | ASYNC_LOW_LATENCY) : (info.flags & ~ASYNC_LOW_LATENCY);
    return ::ioctl(fd, TIOCSSERIAL, &info) == 0;
}

LowLatency Request(int fd)
{
    if (!Flag(fd))
        return LowLatency::NotSupported;
    if (!SetFlag(fd, true))
        return errno == EPERM || errno == EACCES ? LowLatency::Refused : LowLatency::NotSupported;
    // A driver may take the call and ignore the flag.
    return Flag(fd).value_or(false) ? LowLatency::Set : LowLatency::NotSupported;
}

}  // namespace LowLatencyMode
