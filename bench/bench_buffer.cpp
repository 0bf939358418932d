// Hex view timings: one UpdateBuffer on a 64 KiB device, and holding Down
// from the top of a 64 KiB device to its end through the key handler.
// Runs offscreen unless a platform is chosen. "--grab file.png" also saves
// pictures of the window and of the Fill window.
#include "buffer/BufferCommands.h"
#include "buffer/BufferTextBox.h"
#include "buffer/BufferView.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "core/mdiMain.h"
#include "support/WindowSupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
struct Stats {
    double median, worst, mean;
};

Stats Summarise(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (double u : us)
        sum += u;
    return {us[us.size() / 2], us.back(), sum / double(us.size())};
}

template <typename F>
Stats Time(int rounds, F&& f)
{
    for (int i = 0; i < 50; ++i)
        f();
    std::vector<double> us;
    us.reserve(size_t(rounds));
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        t.start();
        f();
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    return Summarise(std::move(us));
}

void Print(const char* what, const Stats& s)
{
    std::printf("%-44s median %8.1f us   mean %8.1f us   worst %8.1f us\n", what, s.median, s.mean, s.worst);
}

// Holds Down from the top line to the end: 15 moves to the bottom line,
// then one scroll per press until the last line is in view.
void HoldDown(frmBuffer* v, bool paint)
{
    v->TopLine = 0;
    v->vsc->setValue(0);
    v->UpdateBuffer();
    for (int i = 0; i < 15; ++i)
        QTest::keyClick(v->txtBuffer, Qt::Key_Down);
    std::vector<double> us;
    QElapsedTimer total;
    QElapsedTimer t;
    total.start();
    while (v->TopLine < v->vsc->maximum()) {
        t.start();
        QTest::keyPress(v->txtBuffer, Qt::Key_Down, {}, -1);
        if (paint)
            v->txtBuffer->viewport()->repaint();
        us.push_back(double(t.nsecsElapsed()) / 1000.0);
    }
    const double ms = double(total.nsecsElapsed()) / 1e6;
    QTest::keyRelease(v->txtBuffer, Qt::Key_Down);
    const Stats s = Summarise(us);
    std::printf("Holding Down%s: %zu steps in %.1f ms, %.3f ms a step (median %.3f, worst %.3f ms)\n",
                paint ? ", painted each step" : "", us.size(), ms, ms / double(us.size()), s.median / 1000.0,
                s.worst / 1000.0);
}
}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempAppDir dir;
    MessageRecorder messages;
    modFunc::DeviceTable[1] = {QStringLiteral("64K"), 1, 65536};
    modFunc::DeviceCount = 1;
    modFunc::DeviceIndex = 1;
    for (size_t i = 0; i < modFunc::Buffer.size(); ++i)
        modFunc::Buffer[i] = uint8_t(i * 37 + (i >> 8));

    mdiMain main;
    main.show();
    if (!QTest::qWaitForWindowExposed(&main))
        return 1;
    BufferCommands::BufferEdit();
    frmBuffer* v = BufferCommands::BufferWindow();
    if (!v)
        return 1;
    QApplication::processEvents();

    const QStringList args = app.arguments();
    const int grab = int(args.indexOf(QStringLiteral("--grab")));
    if (grab >= 0 && grab + 1 < args.size()) {
        QTest::keyClick(v->txtBuffer, Qt::Key_Right);
        QTest::keyClick(v->txtBuffer, Qt::Key_Down);
        QApplication::processEvents();
        main.grab().save(args.at(grab + 1));
        frmBufferFill fill(&main);
        fill.show();
        QApplication::processEvents();
        fill.grab().save(args.at(grab + 1) + QStringLiteral(".fill.png"));
    }

    std::printf("txtBuffer: %s, %.2f pt, %d px line spacing; window %dx%d px at %d dpi\n",
                qPrintable(QFontInfo(v->txtBuffer->font()).family()), QFontInfo(v->txtBuffer->font()).pointSizeF(),
                v->txtBuffer->fontMetrics().lineSpacing(), v->width(), v->height(), v->logicalDpiY());

    const int rounds = 2000;
    int32_t top = 0;
    Print("UpdateBuffer (text, checksum, widget text)", Time(rounds, [&] {
              v->TopLine = top = (top + 1) % 4081;
              v->UpdateBuffer();
          }));
    Print("  building the text", Time(rounds, [&] { (void)BufferView::BuildViewText(modFunc::Buffer, 100); }));
    Print("  checksum over 64 KiB",
          Time(rounds, [&] { (void)BufferView::ComputeCheckSum(modFunc::Buffer, 65536); }));
    const QString text = BufferView::BuildViewText(modFunc::Buffer, 7);
    Print("  handing the text to the widget", Time(rounds, [&] { v->txtBuffer->SetViewText(text); }));
    Print("  selecting the caret digit", Time(rounds, [&] { v->txtBuffer->Select(70 + (top++ % 2), 1); }));
    Print("  the address label", Time(rounds, [&] { v->lblAddress->setText(modFunc::Hex4(top++ & 0xFFFF)); }));
    v->UpdateBuffer();
    Print("  painting the text area", Time(200, [&] { v->txtBuffer->viewport()->repaint(); }));

    HoldDown(v, false);
    HoldDown(v, true);
    return 0;
}
