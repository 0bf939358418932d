#include "cli/Progress.h"

#include <unistd.h>

namespace cli {

QString Clock(qint64 seconds)
{
    if (seconds < 0)
        seconds = 0;
    const qint64 h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

QString ProgressLine(const QString& label, int percent, qint64 elapsedMs, int barWidth)
{
    percent = qBound(0, percent, 100);
    const int filled = barWidth * percent / 100;
    QString left = QStringLiteral("-:--");
    if (percent > 0)
        left = Clock((elapsedMs * (100 - percent) / percent + 500) / 1000);
    return QStringLiteral("%1 [%2%3] %4%  %5 left")
        .arg(label, QString(filled, QLatin1Char('#')), QString(barWidth - filled, QLatin1Char('-')))
        .arg(percent, 3)
        .arg(left);
}

ProgressDisplay::Mode ProgressDisplay::ModeFor(FILE* out, bool quiet)
{
    if (quiet)
        return Mode::Off;
    return ::isatty(::fileno(out)) ? Mode::Bar : Mode::Lines;
}

void ProgressDisplay::begin(const QString& label)
{
    label_ = label;
    shown_ = -1;
    drawn_ = 0;
    clock_.start();
    if (mode_ == Mode::Steps) {
        std::fprintf(out_, "{\"step\":\"%s\"}\n", qPrintable(label));  // labels are plain words
        std::fflush(out_);
    }
}

void ProgressDisplay::show(int percent)
{
    if (mode_ == Mode::Off || mode_ == Mode::Steps || label_.isEmpty() || percent == shown_)
        return;  // nothing runs, or nothing new
    if (mode_ == Mode::Lines) {
        // One line at each tenth reached.
        if (percent / 10 == shown_ / 10 && shown_ >= 0)
            return;
        shown_ = percent;
        std::fprintf(out_, "%s %d%%\n", qPrintable(label_), percent / 10 * 10);
        std::fflush(out_);
        return;
    }
    shown_ = percent;
    const QString line = ProgressLine(label_, percent, clock_.elapsed());
    const QString pad(qMax<qsizetype>(0, drawn_ - line.size()), QLatin1Char(' '));
    drawn_ = line.size();
    std::fprintf(out_, "\r%s%s", qPrintable(line), qPrintable(pad));
    std::fflush(out_);
}

void ProgressDisplay::end()
{
    if (mode_ == Mode::Bar && drawn_ > 0) {
        std::fprintf(out_, "\r%s\r", qPrintable(QString(drawn_, QLatin1Char(' '))));
        std::fflush(out_);
    }
    drawn_ = 0;
    shown_ = -1;
    label_.clear();
}

}  // namespace cli
