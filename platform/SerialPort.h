// The serial port of the programmer link, with the operations the program
// uses: CommPort, Settings, RThreshold, InputMode, PortOpen, Output,
// InBufferCount and Input. Receiving is done by polling InBufferCount while
// the event loop runs; the port raises no events of its own for the program.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>
#include <functional>

class SerialPort : public QObject {
    Q_OBJECT
public:
    enum class InputModeKind { Text, Binary };

    explicit SerialPort(QObject* parent = nullptr);
    ~SerialPort() override;

    // COMn and the device it stands for, which the caller has looked up
    // (the path in QUIRRA_COM<n>, else the one ports.cfg maps n to, else
    // /dev/ttyS<n-1>).
    void setCommPort(int n, const QString& devicePath)
    {
        commPort_ = n;
        commPath_ = devicePath;
    }
    int CommPort() const { return commPort_; }
    // A device path to open instead of COMn's; empty returns to COMn.
    void setPortPath(const QString& path) { portPath_ = path; }
    // The device this port opens: the path set above, otherwise COMn's.
    QString PortPath() const;
    // "57600,N,8,1": baud, parity (N, E, O, M, S), data bits, stop bits.
    void setSettings(const QString& settings) { settings_ = settings; }
    void setRThreshold(int threshold) { rThreshold_ = threshold; }
    void setInputMode(InputModeKind mode) { inputMode_ = mode; }

    // Opens (true) or closes (false). On failure returns false and
    // ErrorDescription() says why.
    bool setPortOpen(bool open);
    bool PortOpen() const;

    // Sends the bytes in order. Returns false when the port is not open or
    // the write fails.
    bool Output(const QByteArray& bytes);
    // Received bytes waiting to be read.
    int InBufferCount() const;
    // Removes and returns all waiting bytes.
    QByteArray Input();
    // Drops every received byte not yet taken, also those the system still
    // holds for the port.
    void DiscardInput();
    // The port wakes the event loop only once this many bytes (1 to 255)
    // have arrived, instead of for every byte; a device function sets its
    // reply length and goes back to 1 when it ends. Errors and hang-ups still
    // wake at once.
    void SetReceiveWake(int bytes);

    // Called with every frame written (sent true) and every batch of bytes
    // taken by Input (sent false); none by default.
    using Trace = std::function<void(bool sent, const QByteArray& bytes)>;
    void setTrace(Trace trace) { trace_ = std::move(trace); }

    // True once the open port has failed (device gone, read or write error).
    bool Failed() const { return failed_; }
    QString ErrorDescription() const { return error_; }

private:
    void onError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    int commPort_ = 1;
    QString commPath_;
    QString portPath_;
    QString settings_ = QStringLiteral("9600,N,8,1");
    int rThreshold_ = 0;
    InputModeKind inputMode_ = InputModeKind::Text;
    bool failed_ = false;
    QString error_;
    int receiveWake_ = 1;
    Trace trace_;
};
