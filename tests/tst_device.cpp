// The device functions against the emulator (frames on the wire, message
// lines, progress, Buffer and chip contents), then the function window.
#include "buffer/BufferCommands.h"
#include "core/mdiMain.h"
#include "device/frmFunction.h"
#include "platform/Twips.h"
#include "support/SimLink.h"
#include "support/WindowSupport.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QPushButton>
#include <QtTest>

using namespace modFunc;
using Frames = QList<QByteArray>;

namespace {
// A front end without any window, as a terminal program has it.
struct Host : FunctionHost {
    QStringList lines = QStringList(6);
    QList<int> percents;
    int pauses = 0, timeOuts = 0, reads = 0, autoReads = 0;
    bool portFailed = false;
    void SetMessage(int line, const QString& text) override { lines[line] = text; }
    void MarkMessage(int line, const QString& word) override { lines[line] += QStringLiteral("   ") + word; }
    void ShowProgress(int percent) override { percents << percent; }
    void Pause() override { ++pauses; }
    void ShowTimeOut() override { ++timeOuts, portFailed = cm->Failed(); }
    void ReadDone(bool inAuto) override { ++(inAuto ? autoReads : reads); }
    QList<StepOutcome> outcomes;
    void StepEnded(int, const StepOutcome& o) override { outcomes << o; }
};

// Frames in hex, space-separated; "w0010" is the block write of address 0x0010
// from Buffer.
Frames Wire(const QString& text)
{
    Frames frames;
    for (const QString& f : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int a = f.mid(1).toInt(nullptr, 16);
        frames << (f.startsWith(QLatin1Char('w')) ? QByteArray::fromHex("14") + char(a >> 8) + char(a & 0xFF)
                           + QByteArray::fromHex("0010") + QByteArray(reinterpret_cast<const char*>(&Buffer[size_t(a)]), 16)
                                                  : QByteArray::fromHex(f.toLatin1()));
    }
    return frames;
}

// The emulator with a chip image of the given size (extra switches in args),
// and record 1 with type and size selected; a negative size selects nothing.
struct Rig {
    TempAppDir dir;
    SimHarness sim;
    SimLink link;
    bool ok;
    Rig(int type, int size, const QByteArray& chip = {}, const QString& args = {})
        : sim(args.split(QLatin1Char(' '), Qt::SkipEmptyParts)
              + QStringList{QStringLiteral("--image"), (dir.write(QStringLiteral("chip"), chip), dir.file(QStringLiteral("chip"))),
                            QStringLiteral("--size"), QString::number(qBound(1, size, 65536))})
        , ok(link.openOn(sim))
    {
        DeviceTable[1] = {QStringLiteral("Test"), int16_t(type), size};
        DeviceIndex = size < 0 ? 0 : 1;
        DeviceFound = true;
    }
    // The frames the emulator took, once all sent so far has arrived (a
    // marker frame it ignores goes last and is left out).
    Frames sent()
    {
        const QByteArray marker = QByteArray::fromHex("015A");
        link.port.Output(marker);
        Frames frames;
        for (int i = 0; (frames = sim.pcFrames()).value(frames.size() - 1) != marker && i < 1000; ++i)
            QTest::qWait(5);
        return frames.mid(0, frames.size() - 1);
    }
};

// One run: its setup, then what it must leave behind.
struct Case {
    QString sim;              // emulator switches
    int type, size;           // of the selected device; size < 0: none selected
    QByteArray chip, buffer;  // chip image and start of Buffer; empty: all 0xFF
    QList<int> steps;         // one function, or an Auto sequence
    QStringList lines;
    QString tail;             // the last frames sent
    int count;                // how many frames were sent
    QList<int> outcome;       // Failed, Percent, time-outs, pauses, Reads, Reads in Auto
    QByteArray after;         // start of Buffer after a Read, else of the chip
};
const QString ReadOk = QStringLiteral("Reading ...   OK!"), VerifyOk = QStringLiteral("Verifying ...   OK!");
const QString ProgramOk = QStringLiteral("Programming ...   OK!"), EraseOk = QStringLiteral("Erasing ...   OK!");
const QString NotAvailable = QStringLiteral("Function Not Available!");
// The window opened on a device of `type`, found or not: the frames sent and
// the first message line.
struct OpenCase { int type; bool found; QString frames, line0; };
}  // namespace
Q_DECLARE_METATYPE(Case)
Q_DECLARE_METATYPE(StepResult)
Q_DECLARE_METATYPE(OpenCase)

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void functions_data()
    {
        QTest::addColumn<Case>("c");
        const QByteArray img = RandomImage(32, 1), img2k = RandomImage(2048, 2), ff(32, '\xFF');
        auto at = [](int size, int address, char value, int second = -1) {
            QByteArray b(size, '\xFF');
            b[address] = b[second < 0 ? address : second] = value;
            return b;
        };
        auto add = [](const char* name, const Case& c) { QTest::newRow(name) << c; };
        const QByteArray o;
        const QString Fault = QStringLiteral("   Device Fault!"), Read = QStringLiteral("Reading ..."), Ok = QStringLiteral("   OK!");
        add("read 2 blocks", {"", 1, 32, img, o, {0}, {ReadOk}, "0152 0400000001 0152 0400100001 0149", 5, {0, 100, 0, 0, 1, 0}, img + '\xFF'});
        add("program 2 blocks", {"", 1, 32, o, img, {3}, {ProgramOk}, "0157 w0000 w0010 0157 0149", 5, {0, 100, 0, 0, 0, 0}, img});
        add("program fails at 0007", {"--fail-at 7", 1, 32, o, img, {3}, {"Program Error at 0007"}, "w0000 0157 0149", 4, {1, 0, 0, 0, 0, 0}, o});
        add("program fails at F00C", {"--fail-at 0xF00C", 1, 65536, o, o, {3}, {"Program Error at F00C"}, "wF000 0157 0149", 3844, {1, 93, 0, 0, 0, 0}, o});
        add("status 00 00 00", {"--write-reply 0", 1, 32, o, img, {3}, {ProgramOk}, "0157 0149", 5, {0, 100, 0, 0, 0, 0}, img});
        add("status FF 00 12", {"--write-reply 0xFF0012", 1, 32, o, img, {3}, {ProgramOk}, "0157 0149", 5, {0, 100, 0, 0, 0, 0}, img});
        add("program time-out", {"--no-reply-from 1", 1, 32, o, img, {3}, {"Programming ..." + Fault}, "w0000 w0010", 3, {0, 50, 1, 0, 0, 0}, o});
        add("verify 0010, 0200", {"", 1, 2048, o, at(2048, 0x10, 0, 0x200), {4}, {"Verify Error at 0010"}, "0152 0400100001 0149", 5,
                                  {1, 0, 0, 0, 0, 0}, o});
        add("verify 07FF", {"", 1, 2048, o, at(2048, 0x7FF, 0), {4}, {"Verify Error at 07FF"}, "0152 0407F00001 0149", 257, {1, 99, 0, 0, 0, 0}, o});
        add("blank 0345", {"", 1, 2048, at(2048, 0x345, 0x7F), o, {2}, {"Device not blank at 0345"}, "0152 0403400001 0149", 107,
                           {1, 40, 0, 0, 0, 0}, o});
        add("erase type 1", {"", 1, 32, img, o, {1}, {EraseOk}, "0145", 1, {0, 100, 0, 1, 0, 0}, ff});
        add("erase type 10", {"", 10, 32, img, o, {1}, {NotAvailable}, "", 0, {0, 0, 0, 0, 0, 0}, img});
        add("erase type 12", {"", 12, 32, o, o, {1}, {EraseOk}, "0145", 1, {0, 100, 0, 1, 0, 0}, o});
        add("lock type 12", {"", 12, 32, o, o, {5}, {NotAvailable}, "", 0, {0, 0, 0, 0, 0, 0}, o});
        add("lock type 9", {"", 9, 32, o, o, {5}, {"Locking ..." + Ok}, "014C", 1, {0, 100, 0, 1, 0, 0}, o});
        add("time-out on block 0", {"--no-reply-from 0", 1, 32, img, o, {0}, {Read + Fault}, "0152 0400000001", 2, {0, 0, 1, 0, 0, 0}, ff});
        add("time-out on block 10", {"--no-reply-from 10", 1, 2048, img2k, o, {0}, {Read + Fault}, "0152 0400A00001", 22, {0, 7, 1, 0, 0, 0},
                                     img2k.left(160) + QByteArray(1888, '\xFF')});
        add("short reply", {"--short-reply 5", 1, 32, img, o, {0}, {Read + Fault}, "0400000001", 2, {0, 0, 1, 0, 0, 0}, ff});
        add("over-long replies", {"--extra 3 --reply-count 0xFF", 1, 32, img, o, {0}, {ReadOk}, "0149", 5, {0, 100, 0, 0, 1, 0}, img});
        add("reply count 5", {"--reply-count 5", 1, 32, img, o, {0}, {ReadOk}, "0149", 5, {0, 100, 0, 0, 1, 0},
                              img.left(4) + QByteArray(12, '\xFF') + img.mid(16, 4) + QByteArray(12, '\xFF')});
        add("reply count 1", {"--reply-count 1", 1, 32, img, o, {4}, {VerifyOk}, "0149", 5, {0, 100, 0, 0, 0, 0}, o});
        add("reply count 0", {"--reply-count 0", 1, 32, img, o, {0}, {ReadOk}, "0149", 5, {0, 100, 0, 0, 1, 0}, ff});
        add("size 24 ties to 2 blocks", {"", 1, 24, o, o, {4}, {VerifyOk}, "0152 0400100001 0149", 5, {0, 100, 0, 0, 0, 0}, o});
        add("size 40 ties to 2 blocks", {"", 1, 40, o, o, {4}, {VerifyOk}, "0152 0400100001 0149", 5, {0, 100, 0, 0, 0, 0}, o});
        add("size out of range", {"", 1, 70000, o, o, {4}, {"Device size out of range!"}, "", 0, {1, 0, 0, 0, 0, 0}, o});
        add("size makes no block", {"", 1, 8, o, o, {2}, {"Device too small!"}, "", 0, {1, 0, 0, 0, 0, 0}, o});
        add("erase, size 8", {"", 1, 8, o, o, {1}, {EraseOk}, "0145", 1, {0, 100, 0, 1, 0, 0}, o});
        add("lock, size 70000", {"", 9, 70000, o, o, {5}, {"Locking ...   OK!"}, "014C", 1, {0, 100, 0, 1, 0, 0}, o});
        add("erase, no type letter", {"", 300, 32, o, o, {1}, {"Type code 300 has no type letter!"}, "", 0, {1, 0, 0, 0, 0, 0}, o});
        add("auto: empty", {"", 1, 32, o, o, {}, {}, "", 0, {0, 0, 0, 0, 0, 0}, o});
        add("auto: no device", {"", 1, -1, o, o, {1, 4}, {"No device selected!"}, "", 0, {1, 0, 0, 0, 0, 0}, o});
        add("auto: 8 verifies", {"", 1, 32, o, o, QList<int>(8, 4), QStringList(6, VerifyOk), "0149", 40, {0, 100, 0, 0, 0, 0}, o});
        add("auto: 25 steps run 20", {"", 1, 32, o, o, QList<int>(25, 4), QStringList(6, VerifyOk), "0149", 100, {0, 100, 0, 0, 0, 0}, o});
        add("auto: 7, time-out, erase", {"--no-reply-from 0", 1, 32, o, o, {7, 4, 1}, {"", "Verifying ..." + Fault, EraseOk},
                                         "0152 0400000001 0145", 3, {0, 100, 1, 2, 0, 0}, o});
        add("auto: read, verify", {"", 1, 32, img, o, {0, 4}, {ReadOk, VerifyOk}, "0149", 10, {0, 100, 0, 0, 0, 1}, img});
        add("auto: erase, blank stops", {"--stuck-at 0x123", 1, 2048, o, o, {1, 2, 3, 4}, {EraseOk, "Device not blank at 0123"},
                                         "0152 0401200001 0149", 40, {1, 14, 0, 2, 0, 0}, o});
    }

    void functions()
    {
        QFETCH(Case, c);
        Rig rig(c.type, c.size, c.chip, c.sim);
        QVERIFY(rig.ok);
        std::copy(c.buffer.begin(), c.buffer.end(), Buffer.begin());
        Host host;
        DeviceFunctions functions(host);
        if (c.steps.size() == 1 && c.steps[0] < DeviceFunctions::Auto) {
            functions.Run(c.steps[0]);
        } else {
            AutoCount = int16_t(c.steps.size());
            for (int i = 0; i < c.steps.size() && i < MaxAutoSteps; ++i)
                AutoList[size_t(i + 1)] = int16_t(c.steps[i]);
            functions.Run(DeviceFunctions::Auto);
        }
        c.lines.resize(6);
        QCOMPARE(host.lines, c.lines);
        QCOMPARE((QList<int>{functions.Failed, functions.Percent, host.timeOuts, host.pauses, host.reads, host.autoReads}),
                 c.outcome);
        const Frames frames = rig.sent(), tail = Wire(c.tail);
        QCOMPARE(frames.size(), c.count);
        QCOMPARE(frames.mid(frames.size() - tail.size()), tail);
        QCOMPARE(c.steps.contains(0) ? QByteArray(reinterpret_cast<const char*>(Buffer.data()), c.after.size())
                                     : rig.sim.dump().left(c.after.size()),
                 c.after);
    }

    // The value each function ends with: its result, the function, and the
    // failing address or the block that got no answer.
    void outcomes_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("function");
        QTest::addColumn<int>("chipZeroAt");  // a chip byte of 00 there; -1: all FF
        QTest::addColumn<StepResult>("result");
        QTest::addColumn<int>("address");
        QTest::newRow("read") << "" << 1 << 32 << 0 << -1 << StepResult::Ok << -1;
        QTest::newRow("program error") << "--fail-at 7" << 1 << 32 << 3 << -1 << StepResult::ChipError << 7;
        QTest::newRow("no answer on block 10") << "--no-reply-from 10" << 1 << 2048 << 0 << -1 << StepResult::NoAnswer << 0xA0;
        QTest::newRow("blank check fault") << "" << 1 << 2048 << 2 << 0x123 << StepResult::ChipError << 0x123;
        QTest::newRow("erase not offered") << "" << 10 << 32 << 1 << -1 << StepResult::NotOffered << -1;
        QTest::newRow("lock") << "" << 9 << 32 << 5 << -1 << StepResult::Ok << -1;
        QTest::newRow("size refused") << "" << 1 << 70000 << 4 << -1 << StepResult::Refused << -1;
    }

    void outcomes()
    {
        QFETCH(QString, sim);
        QFETCH(int, type);
        QFETCH(int, size);
        QFETCH(int, function);
        QFETCH(int, chipZeroAt);
        QFETCH(StepResult, result);
        QFETCH(int, address);
        QByteArray chip(qBound(1, size, 65536), '\xFF');
        if (chipZeroAt >= 0)
            chip[chipZeroAt] = 0;
        Rig rig(type, size, chip, sim);
        QVERIFY(rig.ok);
        Host host;
        DeviceFunctions(host).Run(function);
        QCOMPARE(host.outcomes.size(), 1);
        QCOMPARE(host.outcomes[0].result, result);
        QCOMPARE(host.outcomes[0].function, function);
        QCOMPARE(host.outcomes[0].address, address);
    }

    void percentAt512Blocks()
    {
        Rig rig(1, 8192);
        QVERIFY(rig.ok);
        Buffer.fill(0);
        Host host;
        DeviceFunctions(host).RunRead();
        QCOMPARE(host.percents.size(), 513);
        QCOMPARE(host.percents.mid(4, 4), (QList<int>{0, 0, 1, 1}));
        QCOMPARE(host.percents.mid(510), (QList<int>{99, 99, 100}));
        QCOMPARE(Buffer[8191], uint8_t(0xFF));
        QCOMPARE(Buffer[8192], uint8_t(0));
    }

    // A reply that comes after its function gave up is not taken as the next
    // function's first reply; a port that dies ends the function as a time-out.
    void lateAndLostReplies()
    {
        const QByteArray image = RandomImage(2048, 3);
        Rig rig(1, 2048, image, QStringLiteral("--late-block 0 --delay 5"));
        QVERIFY(rig.ok);
        std::copy(image.begin(), image.end(), Buffer.begin());
        Host host;
        DeviceFunctions functions(host);
        functions.Run(DeviceFunctions::Verify);
        QCOMPARE(host.lines[0], QStringLiteral("Verifying ...   Device Fault!"));
        QTRY_COMPARE(rig.link.port.InBufferCount(), 17);
        QTimer::singleShot(100, [&] { rig.sim.stop(); });
        functions.Run(DeviceFunctions::Verify);
        QCOMPARE(host.lines[0], QStringLiteral("Verifying ...   Device Fault!"));
        QVERIFY(host.portFailed);
    }

    void windowOpens_data()
    {
        QTest::addColumn<OpenCase>("c");
        QTest::newRow("a") << OpenCase{1, true, "0161", ""};
        QTest::newRow("l") << OpenCase{12, true, "016C", ""};
        QTest::newRow("not found") << OpenCase{1, false, "", ""};
        QTest::newRow("last letter") << OpenCase{159, true, "01FF", ""};
        QTest::newRow("no letter") << OpenCase{160, true, "", "Type code 160 has no type letter!"};
        QTest::newRow("code 0") << OpenCase{0, true, "", "Type code 0 has no type letter!"};
        QTest::newRow("code -95") << OpenCase{-95, true, "", "Type code -95 has no type letter!"};
    }

    void windowOpens()
    {
        QFETCH(OpenCase, c);
        Rig rig(c.type, 2048);
        QVERIFY(rig.ok);
        DeviceFound = c.found;
        frmFunction w;
        QCOMPARE(rig.sent(), Wire(c.frames));
        QCOMPARE(w.cmdRun->isEnabled(), !c.frames.isEmpty());
        QVERIFY(w.cmdClose->isEnabled());
        QCOMPARE(w.lblMsg[0]->text(), c.line0);
        QCOMPARE(w.listFunction->item(6)->text() + w.listFunction->currentItem()->text() + w.lblProgress->text(),
                 QStringLiteral("AutoRead0%"));
        QCOMPARE(w.txtChipStart->text() + w.txtChipEnd->text() + w.txtBufferStart->text() + w.txtBufferEnd->text(),
                 QStringLiteral("0000080000000800"));
    }

    void windowRuns()
    {
        Rig rig(1, 32, {}, QStringLiteral("--no-reply-from 0"));
        QVERIFY(rig.ok);
        MessageRecorder rec;
        frmFunction w;
        w.show();
        QCOMPARE(w.size(), QSize(TwipsX(&w, 6300), TwipsY(&w, 3330)));
        QCOMPARE(w.lblMsg[5]->geometry(), TwipsRect(w.Frame1, 120, 1440, 2775, 255));
        w.ShowProgress(45);
        QCOMPARE(w.lblProgress->text() + QString::number(w.ProgressTwips()), QStringLiteral("45%1356.75"));
        // Erase: tmrWait's one tick after the frame, the bar full.
        w.listFunction->setCurrentRow(DeviceFunctions::Erase);
        QElapsedTimer t;
        t.start();
        QTest::keyClick(w.listFunction, Qt::Key_Return);  // Run is the default button
        QVERIFY2(t.elapsed() >= 990, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(w.lblMsg[0]->text(), EraseOk);
        QCOMPARE(w.shpProgress->width(), w.shpBG->width());
        // Verify times out; Esc and the close box are refused meanwhile.
        w.listFunction->setCurrentRow(DeviceFunctions::Verify);
        bool buttonsOff = false;
        QTimer::singleShot(100, &w, [&] {
            buttonsOff = !w.cmdRun->isEnabled() && !w.cmdClose->isEnabled();
            QTest::keyClick(&w, Qt::Key_Escape);
            w.close();
        });
        w.cmdRun->click();
        QVERIFY(buttonsOff && w.isVisible() && w.cmdRun->isEnabled() && w.cmdClose->isEnabled());
        QCOMPARE(w.lblMsg[0]->text(), QStringLiteral("Verifying ...   Device Fault!"));
        QCOMPARE(rec.count(), 1);
        QCOMPARE(rec.last().text + rec.last().title, QStringLiteral("Communication Error!Device Error"));
        QCOMPARE(rec.last().icon, MsgIcon::Critical);
        QCOMPARE(rig.sent(), Wire(QStringLiteral("0161 0145 0152 0400000001")));
        QTest::keyClick(&w, Qt::Key_Escape);  // idle again: Esc closes
        QVERIFY(!w.isVisible());
    }

    // A random 64 KiB image programmed, verified and read back through the window,
    // opened from the Device menu.
    void windowRoundTrip()
    {
        Rig rig(1, 65536);
        QVERIFY(rig.ok);
        mdiMain main;
        cm = &rig.link.port;  // the emulator's port, not the main window's own
        totmr = &rig.link.timer;
        const QByteArray image = RandomImage(65536, 4);
        std::copy(image.begin(), image.end(), Buffer.begin());
        QStringList lines;
        QVERIFY(WhileModal<frmFunction>([&] { main.DeviceFunction->trigger(); }, [&](frmFunction* w) {
            QCOMPARE(main.findChild<frmFunction*>(), w);
            for (int f : {DeviceFunctions::Program, DeviceFunctions::Verify, DeviceFunctions::Read}) {
                w->listFunction->setCurrentRow(f);
                if (f == DeviceFunctions::Read)
                    Buffer.fill(0);
                w->cmdRun->click();
                lines << w->lblMsg[0]->text();
            }
        }));
        QCOMPARE(lines, (QStringList{ProgramOk, VerifyOk, ReadOk}));
        QVERIFY(BufferCommands::IsBufferWindowOpen());
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(Buffer.data()), 65537), image + '\0');
        const Frames frames = rig.sent();
        QCOMPARE(frames.mid(frames.size() - 3), Wire(QStringLiteral("0152 04FFF00001 0149")));
        QCOMPARE(rig.sim.dump(), image);
    }
};

QTEST_MAIN(TestDevice)
#include "tst_device.moc"
