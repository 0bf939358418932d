#include "platform/SerialPort.h"

#include "platform/PortDiagnosis.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <termios.h>

SerialPort::SerialPort(QObject* parent) : QObject(parent)
{
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialPort::onError);
}

SerialPort::~SerialPort() = default;

QString SerialPort::PortPath() const { return portPath_.isEmpty() ? commPath_ : portPath_; }

namespace {
struct LineSettings {
    qint32 baud = 0;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

bool ParseSettings(const QString& text, LineSettings& out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    out.baud = parts[0].trimmed().toInt(&ok);
    if (!ok || out.baud <= 0)
        return false;
    const QString p = parts[1].trimmed().toUpper();
    if (p == QLatin1String("N")) out.parity = QSerialPort::NoParity;
    else if (p == QLatin1String("E")) out.parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("O")) out.parity = QSerialPort::OddParity;
    else if (p == QLatin1String("M")) out.parity = QSerialPort::MarkParity;
    else if (p == QLatin1String("S")) out.parity = QSerialPort::SpaceParity;
    else return false;
    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    out.dataBits = static_cast<QSerialPort::DataBits>(bits);
    const QString s = parts[3].trimmed();
    if (s == QLatin1String("1")) out.stopBits = QSerialPort::OneStop;
    else if (s == QLatin1String("1.5")) out.stopBits = QSerialPort::OneAndHalfStop;
    else if (s == QLatin1String("2")) out.stopBits = QSerialPort::TwoStop;
    else return false;
    return true;
}
}  // namespace

bool SerialPort::setPortOpen(bool open)
{
    if (!open) {
        port_.close();
        return true;
    }
    if (port_.isOpen())
        return true;
    failed_ = false;
    error_.clear();
    if (portPath_.isEmpty() && (commPort_ < 1 || commPort_ > 255)) {
        error_ = QStringLiteral("there is no port COM%1; port numbers run from 1 to 255").arg(commPort_);
        return false;
    }
    LineSettings line;
    if (!ParseSettings(settings_, line)) {
        error_ = QStringLiteral("the line settings \"%1\" are not valid").arg(settings_);
        return false;
    }
    const QString path = PortPath();
    // A link (QUIRRA_COMn pointing at a symlink) is opened as its target.
    const QString target = QFileInfo(path).canonicalFilePath();
    port_.setPortName(target.isEmpty() ? path : target);
    if (!port_.open(QIODevice::ReadWrite)) {
        // Name the cause and its fix where the device file tells it.
        const bool busy = port_.error() == QSerialPort::PermissionError;
        const QString envName = portPath_.isEmpty() ? QStringLiteral("QUIRRA_COM%1").arg(commPort_) : QString();
        error_ = PortDiagnosis::Explain(PortDiagnosis::Gather(path), envName, busy);
        if (error_.isEmpty())
            error_ = QStringLiteral("%1 cannot be opened: %2").arg(path, port_.errorString());
        return false;
    }
    if (!port_.setBaudRate(line.baud) || !port_.setParity(line.parity) || !port_.setDataBits(line.dataBits)
        || !port_.setStopBits(line.stopBits)) {
        error_ = QStringLiteral("%1: the line settings %2 cannot be set: %3").arg(path, settings_, port_.errorString());
        port_.close();
        return false;
    }
    // Nothing else is changed: no handshaking, default buffer sizes.
    port_.clear();
    failed_ = false;
    receiveWake_ = 1;  // as opened: every byte wakes
    return true;
}

bool SerialPort::PortOpen() const { return port_.isOpen(); }

bool SerialPort::Output(const QByteArray& bytes)
{
    if (!port_.isOpen() || failed_)
        return false;
    if (trace_)
        trace_(true, bytes);
    if (port_.write(bytes) != bytes.size()) {
        failed_ = true;
        error_ = port_.errorString();
        return false;
    }
    // Hand the bytes to the kernel at once, as a real UART write would.
    port_.flush();
    return !failed_;
}

int SerialPort::InBufferCount() const
{
    if (!port_.isOpen())
        return 0;
    return int(port_.bytesAvailable());
}

QByteArray SerialPort::Input()
{
    if (!port_.isOpen())
        return {};
    const QByteArray bytes = port_.readAll();
    if (trace_ && !bytes.isEmpty())
        trace_(false, bytes);
    return bytes;
}

void SerialPort::DiscardInput()
{
    if (port_.isOpen())
        port_.clear(QSerialPort::Input);
}

// In raw mode the terminal layer reports the port readable only once VMIN
// bytes wait (VTIME 0); reads stay non-blocking and take whatever is there.
void SerialPort::SetReceiveWake(int bytes)
{
    bytes = std::clamp(bytes, 1, 255);
    if (!port_.isOpen() || bytes == receiveWake_)
        return;
    termios tio{};
    const int fd = int(port_.handle());
    if (::tcgetattr(fd, &tio) != 0)
        return;
    tio.c_cc[VMIN] = cc_t(bytes);
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &tio) == 0)
        receiveWake_ = bytes;
}

void SerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
        return;
    if (!port_.isOpen())
        return;  // open failures are reported by setPortOpen
    failed_ = true;
    error_ = port_.errorString();
}
