// Progress on standard error: a redrawn bar with the percentage and the time
// left when it is a terminal, a plain line at every tenth otherwise.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

namespace cli {

// "1:05" for 65 seconds, "1:01:05" from an hour on.
QString Clock(qint64 seconds);

// "Programming [#########-----------]  45%  0:12 left": the time left is
// the time so far scaled by what remains; unknown at 0 %.
QString ProgressLine(const QString& label, int percent, qint64 elapsedMs, int barWidth = 30);

class ProgressDisplay {
public:
    // Steps: one JSON line {"step":LABEL} as each step begins (a parallel
    // run's child tells the parent what it does).
    enum class Mode { Off, Bar, Lines, Steps };
    ProgressDisplay(FILE* out, Mode mode) : out_(out), mode_(mode) {}
    // Off when quiet, a bar on a terminal, lines otherwise.
    static Mode ModeFor(FILE* out, bool quiet);

    void begin(const QString& label);
    void show(int percent);
    // Clears the bar so that the next line starts clean.
    void end();

private:
    FILE* out_;
    Mode mode_;
    QString label_;
    QElapsedTimer clock_;
    int shown_ = -1;
    qsizetype drawn_ = 0;
};

}  // namespace cli
