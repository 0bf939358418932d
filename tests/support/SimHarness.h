// Runs quirra-sim for a test: a pty behind <tmpdir>/ttySIM, the wire log in
// <tmpdir>/trace.log and the chip image written to <tmpdir>/dump.bin at the
// end.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>
#include <memory>
#include <vector>

class SerialPort;

// One line of the wire log: a frame from the PC (with its length byte) or a
// whole reply of the device, and its time in seconds since the start.
struct TraceFrame {
    double time;
    bool fromPc;
    QByteArray bytes;
};

class SimHarness {
public:
    explicit SimHarness(const QStringList& extraArgs = {}); // does not start yet
    ~SimHarness();                                          // stops it if running

    // Starts the emulator (link, trace and dump in the temporary directory,
    // then the extra arguments); false when it is not ready within 5 s.
    bool start();
    void stop();  // "quit", or kill after 5 s; idempotent

    QString linkPath() const;
    QVector<TraceFrame> trace() const;      // the wire log as it is now
    QVector<QByteArray> pcFrames() const;   // the bytes of the PC frames, in order
    // stop(), then the chip image from the dump file (empty if there is none).
    QByteArray dump();

    // Points COMn at the emulator: QUIRRA_COM<n> = linkPath().
    void exportAs(int n) const;
    // exportAs(n), then opens `port` as COMn at 57600 baud, binary.
    bool openPort(SerialPort& port, int n = 1) const;

private:
    QStringList extraArgs_;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray stdout_;
    bool ready_ = false;
};

// Emulators for a quirra-cli run on several ports: count of them, the n-th
// (from 1) with simArgs(n) (none without it), each named QUIRRA_COMn in env
// and given to quirra-cli as "-p COMn" at the end of args. False when one
// does not start.
bool StartSimPorts(int count, std::vector<std::unique_ptr<SimHarness>>& sims, QProcessEnvironment& env,
                   QStringList& args, const std::function<QStringList(int n)>& simArgs = {});

// The quirra-cli port processes (those run with --worker) whose working
// directory is dir (canonical), by process id.
QList<qint64> WorkerProcesses(const QString& dir);

// Runs the event loop until `count` bytes wait in `port` or `ms` have passed.
void WaitForInput(SerialPort& port, int count, int ms = 3000);
