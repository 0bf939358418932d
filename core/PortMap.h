// The port map ports.cfg in the start directory: the device a COM number
// opens when it is not /dev/ttyS<n-1>, such as a USB serial adapter by its
// /dev/serial/by-id/ name. One line per mapped port, the port number and the
// device path in double quotes:
//   1,"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
// A port number resolves to QUIRRA_COM<n> when that is set, then to its line
// here, then to /dev/ttyS<n-1>.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QSerialPortInfo;

namespace modFunc {

inline const QString PortMapFileName = QStringLiteral("ports.cfg");
constexpr int MaxPortNumber = 255;

// Port number to device path.
using PortMap = QMap<int, QString>;
// The map read at start-up; the open port and quirra-cli use it.
extern PortMap PortPaths;
// The directory ports.cfg is read from and written to: the start directory,
// or the user's configuration when only that holds a port map.
extern QString PortMapDir;
// PortMapDir + "/ports.cfg" (the start directory's when PortMapDir is empty).
QString PortMapFile();

// Reads the text of ports.cfg into `map` (cleared first). A damaged line ends
// the reading: the lines before it count, and the problem is returned.
QString ParsePortMap(const QByteArray& text, PortMap& map);
// ports.cfg from AppPath into PortPaths. A missing file is an empty map and
// no problem.
QStringList LoadPortMap();
// The file text of a map, one line per port in ascending order.
QByteArray PortMapText(const PortMap& map);
// Writes ports.cfg at once; on failure returns false and sets *error.
bool SavePortMap(const PortMap& map, QString* error = nullptr);
// Whether a path can stand in ports.cfg: not empty, no double quote, no line
// break.
bool PortPathStorable(const QString& path);

// Where a port number's device comes from.
enum class PortSource { Environment, PortMap, Default };
struct ResolvedPort {
    QString path;
    PortSource source = PortSource::Default;
};
// QUIRRA_COM<n>, then map's line for n, then /dev/ttyS<n-1>.
ResolvedPort ResolvePort(int n, const PortMap& map);
inline ResolvedPort ResolvePort(int n) { return ResolvePort(n, PortPaths); }
// "QUIRRA_COM5".
QString PortVariable(int n);

// A serial port present on this machine, as the settings window offers it.
struct PresentPort {
    QString device;  // /dev/ttyUSB0
    QString offer;   // its /dev/serial/by-id/ name where there is one, else device
    QString usb;     // "USB 0403:6001 FTDI FT232R USB UART, serial A5"; empty for no USB
    QString problem = {};  // why this user may not open it, as quirra-cli ports says; empty when it may
};
// The serial ports the system reports (UARTs, USB and ACM adapters), sorted
// by device.
QList<PresentPort> PresentPorts();
// "USB 0403:6001 FTDI FT232R USB UART, serial A5"; empty for a port that is
// not on USB.
QString UsbDescription(const QSerialPortInfo& info);
// The /dev/serial/by-id/ link that points at device, empty when none.
QString ByIdName(const QString& device, const QString& byIdDir = QStringLiteral("/dev/serial/by-id"));

}  // namespace modFunc
