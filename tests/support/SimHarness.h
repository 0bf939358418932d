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

// One line of the wire log: a frame from the PC or a reply of the device.
struct TraceFrame {
    double time;      // seconds since the emulator started
    bool fromPc;
    QByteArray bytes; // the frame with its length byte, or the whole reply
};

class SimHarness {
public:
    explicit SimHarness(const QStringList& extraArgs = {}); // does not start yet
    ~SimHarness();                                          // stops it if running
    SimHarness(const SimHarness&) = delete;
    SimHarness& operator=(const SimHarness&) = delete;

    // Starts the emulator with --link, --trace and --dump in the temporary
    // directory plus the extra arguments, and waits up to 5 s for its
    // "ready" line. False when it does not come.
    bool start();
    // Sends "quit", waits up to 5 s, kills it if needed. Idempotent.
    void stop();

    QString linkPath() const;
    QString tempDir() const;
    // The wire log as it is now.
    QVector<TraceFrame> trace() const;
    // The bytes of the PC frames, in order.
    QVector<QByteArray> pcFrames() const;
    // stop(), then the chip image from the dump file (empty if there is none).
    QByteArray dump();

    // Points COMn at the emulator: QUIRRA_COM<n> = linkPath().
    void exportAs(int n) const;

private:
    // Runs the event loop until done() is true or ms have passed.
    template <typename Done>
    bool waitUntil(Done done, int ms);

    QStringList extraArgs_;
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray stdout_;
    bool ready_ = false;
};

// Parses one wire log line; false when it is not one.
bool ParseTraceLine(const QByteArray& line, TraceFrame& frame);
