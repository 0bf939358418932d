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
#include <optional>

using namespace modFunc;
using Frames = QList<QByteArray>;

namespace {
// A front end without any window, as a terminal program has it.
struct Host : FunctionHost {
    QStringList lines = QStringList(6);
    QList<int> percents;
    int pauses = 0, timeOuts = 0, reads = 0, autoReads = 0;
    bool portFailed = false;
    QList<int> started;  // the functions announced
    void StepStarted(const StepStart& s) override { started << s.function; }
    void SetMessage(int line, const QString& text) override { lines[line] = text; }
    void MarkMessage(int line, const QString& word) override { lines[line] += QStringLiteral("   ") + word; }
    void ShowProgress(int percent) override { percents << percent; }
    void Pause() override { ++pauses; }
    void ShowTimeOut() override { ++timeOuts, portFailed = cm->Failed(); }
    void ReadDone(bool inAuto) override { ++(inAuto ? autoReads : reads); }
    QList<StepOutcome> outcomes;
    void StepEnded(int, const StepOutcome& o) override { outcomes << o; }
    QList<int> Ended() const
    {
        QList<int> functions;
        for (const StepOutcome& o : outcomes)
            functions << o.function;
        return functions;
    }
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

// What a run leaves in the functions and the host.
struct Counts {
    int failed = 0, percent = 0, timeOuts = 0, pauses = 0, reads = 0, autoReads = 0;
    bool operator==(const Counts&) const = default;
};
char* toString(const Counts& c)
{
    return QTest::toString(QStringLiteral("failed %1, percent %2, time-outs %3, pauses %4, reads %5, reads in Auto %6")
                               .arg(c.failed).arg(c.percent).arg(c.timeOuts).arg(c.pauses).arg(c.reads).arg(c.autoReads));
}
// One run: its setup, then what it must leave behind.
struct Case {
    QString sim{};            // emulator switches
    int type = 1, size = 32;  // of the selected device; size < 0: none selected
    QByteArray chip{}, buffer{};  // chip image and start of Buffer; empty: all 0xFF
    QList<int> steps{};       // one function, or an Auto sequence
    QStringList lines{};
    QString tail{};           // the last frames sent
    int count = 0;            // how many frames were sent
    Counts counts{};
    QByteArray after{};       // start of Buffer after a Read, else of the chip
    // The one step's outcome (result, failing address or unanswered block), where it is checked.
    std::optional<std::pair<StepResult, int>> outcome{};
};
const QString ReadOk = QStringLiteral("Reading ...   OK!"), VerifyOk = QStringLiteral("Verifying ...   OK!");
const QString ProgramOk = QStringLiteral("Programming ...   OK!"), EraseOk = QStringLiteral("Erasing ...   OK!");
const QString NotAvailable = QStringLiteral("Function Not Available!");
// The window opened on a device of `type`, found or not: the frames sent and
// the first message line.
struct OpenCase { int type = 0; bool found = false; QString frames{}, line0{}; };
}  // namespace
Q_DECLARE_METATYPE(Case)
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
        using F = DeviceFunctions;
        const QString Fault = QStringLiteral("   Device Fault!"), Read = QStringLiteral("Reading ..."), Ok = QStringLiteral("   OK!");
        add("read 2 blocks", {.chip = img, .steps = {F::Read}, .lines = {ReadOk},
            .tail = "0152 0400000001 0152 0400100001 0149", .count = 5, .counts = {.percent = 100, .reads = 1}, .after = img + '\xFF',
            .outcome = {{StepResult::Ok, -1}}});
        add("program 2 blocks", {.buffer = img, .steps = {F::Program}, .lines = {ProgramOk},
            .tail = "0157 w0000 w0010 0157 0149", .count = 5, .counts = {.percent = 100}, .after = img});
        add("program fails at 0007", {.sim = "--fail-at 7", .buffer = img, .steps = {F::Program}, .lines = {"Program Error at 0007"},
            .tail = "w0000 0157 0149", .count = 4, .counts = {.failed = 1}, .outcome = {{StepResult::ChipError, 7}}});
        add("program fails at F00C", {.sim = "--fail-at 0xF00C", .size = 65536, .steps = {F::Program}, .lines = {"Program Error at F00C"},
            .tail = "wF000 0157 0149", .count = 3844, .counts = {.failed = 1, .percent = 93}});
        add("status 00 00 00", {.sim = "--write-reply 0", .buffer = img, .steps = {F::Program}, .lines = {ProgramOk},
            .tail = "0157 0149", .count = 5, .counts = {.percent = 100}, .after = img});
        add("status FF 00 12", {.sim = "--write-reply 0xFF0012", .buffer = img, .steps = {F::Program}, .lines = {ProgramOk},
            .tail = "0157 0149", .count = 5, .counts = {.percent = 100}, .after = img});
        add("program time-out", {.sim = "--no-reply-from 1", .buffer = img, .steps = {F::Program}, .lines = {"Programming ..." + Fault},
            .tail = "w0000 w0010", .count = 3, .counts = {.percent = 50, .timeOuts = 1}});
        add("verify 0010, 0200", {.size = 2048, .buffer = at(2048, 0x10, 0, 0x200), .steps = {F::Verify}, .lines = {"Verify Error at 0010"},
            .tail = "0152 0400100001 0149", .count = 5, .counts = {.failed = 1}});
        add("verify 07FF", {.size = 2048, .buffer = at(2048, 0x7FF, 0), .steps = {F::Verify}, .lines = {"Verify Error at 07FF"},
            .tail = "0152 0407F00001 0149", .count = 257, .counts = {.failed = 1, .percent = 99}});
        add("blank 0345", {.size = 2048, .chip = at(2048, 0x345, 0x7F), .steps = {F::Blank}, .lines = {"Device not blank at 0345"},
            .tail = "0152 0403400001 0149", .count = 107, .counts = {.failed = 1, .percent = 40}, .outcome = {{StepResult::ChipError, 0x345}}});
        add("erase type 1", {.chip = img, .steps = {F::Erase}, .lines = {EraseOk},
            .tail = "0145", .count = 1, .counts = {.percent = 100, .pauses = 1}, .after = ff});
        add("erase type 10", {.type = 10, .chip = img, .steps = {F::Erase}, .lines = {NotAvailable}, .after = img,
            .outcome = {{StepResult::NotOffered, -1}}});
        add("erase type 12", {.type = 12, .steps = {F::Erase}, .lines = {EraseOk},
            .tail = "0145", .count = 1, .counts = {.percent = 100, .pauses = 1}});
        add("lock type 12", {.type = 12, .steps = {F::Lock}, .lines = {NotAvailable}});
        add("lock type 9", {.type = 9, .steps = {F::Lock}, .lines = {"Locking ..." + Ok},
            .tail = "014C", .count = 1, .counts = {.percent = 100, .pauses = 1}, .outcome = {{StepResult::Ok, -1}}});
        add("time-out on block 0", {.sim = "--no-reply-from 0", .chip = img, .steps = {F::Read}, .lines = {Read + Fault},
            .tail = "0152 0400000001", .count = 2, .counts = {.timeOuts = 1}, .after = ff});
        add("time-out on block 10", {.sim = "--no-reply-from 10", .size = 2048, .chip = img2k, .steps = {F::Read}, .lines = {Read + Fault},
            .tail = "0152 0400A00001", .count = 22, .counts = {.percent = 7, .timeOuts = 1},
            .after = img2k.left(160) + QByteArray(1888, '\xFF'), .outcome = {{StepResult::NoAnswer, 0xA0}}});
        add("short reply", {.sim = "--short-reply 5", .chip = img, .steps = {F::Read}, .lines = {Read + Fault},
            .tail = "0400000001", .count = 2, .counts = {.timeOuts = 1}, .after = ff});
        add("over-long replies", {.sim = "--extra 3 --reply-count 0xFF", .chip = img, .steps = {F::Read}, .lines = {ReadOk},
            .tail = "0149", .count = 5, .counts = {.percent = 100, .reads = 1}, .after = img});
        add("reply count 5", {.sim = "--reply-count 5", .chip = img, .steps = {F::Read}, .lines = {ReadOk},
            .tail = "0149", .count = 5, .counts = {.percent = 100, .reads = 1},
            .after = img.left(4) + QByteArray(12, '\xFF') + img.mid(16, 4) + QByteArray(12, '\xFF')});
        add("reply count 1", {.sim = "--reply-count 1", .chip = img, .steps = {F::Verify}, .lines = {VerifyOk},
            .tail = "0149", .count = 5, .counts = {.percent = 100}});
        add("reply count 0", {.sim = "--reply-count 0", .chip = img, .steps = {F::Read}, .lines = {ReadOk},
            .tail = "0149", .count = 5, .counts = {.percent = 100, .reads = 1}, .after = ff});
        add("size 24 ties to 2 blocks", {.size = 24, .steps = {F::Verify}, .lines = {VerifyOk},
            .tail = "0152 0400100001 0149", .count = 5, .counts = {.percent = 100}});
        add("size 40 ties to 2 blocks", {.size = 40, .steps = {F::Verify}, .lines = {VerifyOk},
            .tail = "0152 0400100001 0149", .count = 5, .counts = {.percent = 100}});
        add("size out of range", {.size = 70000, .steps = {F::Verify}, .lines = {"Device size out of range!"}, .counts = {.failed = 1},
            .outcome = {{StepResult::Refused, -1}}});
        add("size makes no block", {.size = 8, .steps = {F::Blank}, .lines = {"Device too small!"}, .counts = {.failed = 1}});
        add("erase, size 8", {.size = 8, .steps = {F::Erase}, .lines = {EraseOk},
            .tail = "0145", .count = 1, .counts = {.percent = 100, .pauses = 1}});
        add("lock, size 70000", {.type = 9, .size = 70000, .steps = {F::Lock}, .lines = {"Locking ...   OK!"},
            .tail = "014C", .count = 1, .counts = {.percent = 100, .pauses = 1}});
        add("erase, no type letter", {.type = 300, .steps = {F::Erase}, .lines = {"Type code 300 has no type letter!"}, .counts = {.failed = 1}});
        add("auto: empty", {});
        add("auto: no device", {.size = -1, .steps = {F::Erase, F::Verify}, .lines = {"No device selected!"}, .counts = {.failed = 1}});
        add("auto: 25 steps run 20", {.steps = QList<int>(25, F::Verify), .lines = QStringList(6, VerifyOk),
            .tail = "0149", .count = 100, .counts = {.percent = 100}});
        add("auto: 7, time-out, erase", {.sim = "--no-reply-from 0", .steps = {7, F::Verify, F::Erase},
            .lines = {"", "Verifying ..." + Fault, EraseOk},
            .tail = "0152 0400000001 0145", .count = 3, .counts = {.percent = 100, .timeOuts = 1, .pauses = 2}});
        add("auto: read, verify", {.chip = img, .steps = {F::Read, F::Verify}, .lines = {ReadOk, VerifyOk},
            .tail = "0149", .count = 10, .counts = {.percent = 100, .autoReads = 1}, .after = img});
        add("auto: erase, blank stops", {.sim = "--stuck-at 0x123", .size = 2048, .steps = {F::Erase, F::Blank, F::Program, F::Verify},
            .lines = {EraseOk, "Device not blank at 0123"},
            .tail = "0152 0401200001 0149", .count = 40, .counts = {.failed = 1, .percent = 14, .pauses = 2}});
    }

    void functions()
    {
        QFETCH(Case, c);
        SimRig rig(c.type, c.size, c.chip, c.sim);
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
        QCOMPARE(host.started, host.Ended());  // each step that ends was announced, once
        if (c.outcome) {
            QCOMPARE(host.Ended(), c.steps);
            QCOMPARE(host.outcomes[0].result, c.outcome->first);
            QCOMPARE(host.outcomes[0].address, c.outcome->second);
        }
        QCOMPARE((Counts{functions.Failed, functions.Percent, host.timeOuts, host.pauses, host.reads, host.autoReads}), c.counts);
        const Frames frames = rig.sent(), tail = Wire(c.tail);
        QCOMPARE(frames.size(), c.count);
        QCOMPARE(frames.mid(frames.size() - tail.size()), tail);
        const QByteArray after = c.steps.contains(0) ? BufferHead(int(c.after.size())) : rig.sim.dump();
        QCOMPARE(after.left(c.after.size()), c.after);
    }

    void percentAt512Blocks()
    {
        SimRig rig(1, 8192);
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
        SimRig rig(1, 2048, image, QStringLiteral("--late-block 0 --delay 5"));
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
        QTest::newRow("a") << OpenCase{.type = 1, .found = true, .frames = "0161"};
        QTest::newRow("l") << OpenCase{.type = 12, .found = true, .frames = "016C"};
        QTest::newRow("not found") << OpenCase{.type = 1, .found = false};
        QTest::newRow("last letter") << OpenCase{.type = 159, .found = true, .frames = "01FF"};
        QTest::newRow("no letter") << OpenCase{.type = 160, .found = true, .line0 = "Type code 160 has no type letter!"};
        QTest::newRow("code 0") << OpenCase{.type = 0, .found = true, .line0 = "Type code 0 has no type letter!"};
        QTest::newRow("code -95") << OpenCase{.type = -95, .found = true, .line0 = "Type code -95 has no type letter!"};
    }

    void windowOpens()
    {
        QFETCH(OpenCase, c);
        SimRig rig(c.type, 2048);
        QVERIFY(rig.ok);
        DeviceFound = c.found;
        frmFunction w;
        QCOMPARE(rig.sent(), Wire(c.frames));
        QCOMPARE(w.cmdRun->isEnabled(), !c.frames.isEmpty());
        QVERIFY(w.cmdClose->isEnabled());
        QCOMPARE(w.lblMsg[0]->text(), c.line0);
        QCOMPARE(w.listFunction->item(6)->text(), QStringLiteral("Auto"));
        QCOMPARE(w.listFunction->currentItem()->text(), QStringLiteral("Read"));
        const QStringList shown{w.lblProgress->text(), w.txtChipStart->text(), w.txtChipEnd->text(),
                                w.txtBufferStart->text(), w.txtBufferEnd->text()};
        QCOMPARE(shown, (QStringList{"0%", "0000", "0800", "0000", "0800"}));  // the whole 2 KiB device
    }

    // No device selected: the record's type code 0 is no reason to refuse;
    // nothing is sent and Run says what is missing.
    void windowWithoutDevice()
    {
        SimRig rig(0, -1);
        QVERIFY(rig.ok);
        frmFunction w;
        QVERIFY(w.cmdRun->isEnabled());
        QCOMPARE(w.lblMsg[0]->text(), QString());
        w.cmdRun->click();
        QCOMPARE(w.lblMsg[0]->text(), QStringLiteral("No device selected!"));
        QCOMPARE(rig.sent(), Frames());
    }

    void windowRuns()
    {
        SimRig rig(1, 32, {}, QStringLiteral("--no-reply-from 0"));
        QVERIFY(rig.ok);
        MessageRecorder rec;
        frmFunction w;
        w.show();
        QCOMPARE(w.size(), QSize(TwipsX(&w, 6300), TwipsY(&w, 3330)));
        QCOMPARE(w.lblMsg[5]->geometry(), TwipsRect(w.Frame1, 120, 1440, 2775, 255));
        w.ShowProgress(45);
        QCOMPARE(w.lblProgress->text(), QStringLiteral("45%"));
        QCOMPARE(w.ProgressTwips(), 1356.75f);
        // Erase: tmrWait's one tick after the frame, the bar full.
        w.listFunction->setCurrentRow(DeviceFunctions::Erase);
        QElapsedTimer t;
        t.start();
        QTest::keyClick(w.listFunction, Qt::Key_Return);  // Run is the default button
        QVERIFY2(t.elapsed() >= 990, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(w.lblMsg[0]->text(), EraseOk);
        QCOMPARE(w.shpProgress->width(), w.shpBG->width());
        // The window keeps each Run's outcomes as values.
        auto outcomes = [&w] {
            const StepOutcome o = w.Outcomes().value(0);
            return QList<int>{int(w.Outcomes().size()), int(o.result), o.function, o.address};
        };
        QCOMPARE(outcomes(), (QList<int>{1, int(StepResult::Ok), DeviceFunctions::Erase, -1}));
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
        QCOMPARE(outcomes(), (QList<int>{1, int(StepResult::NoAnswer), DeviceFunctions::Verify, 0}));
        QCOMPARE(rec.count(), 1);
        QCOMPARE(rec.last().text, QStringLiteral("Communication Error!"));
        QCOMPARE(rec.last().title, QStringLiteral("Device Error"));
        QCOMPARE(rec.last().icon, MsgIcon::Critical);
        QCOMPARE(rig.sent(), Wire(QStringLiteral("0161 0145 0152 0400000001")));
        QTest::keyClick(&w, Qt::Key_Escape);  // idle again: Esc closes
        QVERIFY(!w.isVisible());
    }

    // A random 64 KiB image programmed, verified and read back through the window,
    // opened from the Device menu.
    void windowRoundTrip()
    {
        SimRig rig(1, 65536);
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
        QCOMPARE(BufferHead(65537), image + '\0');
        const Frames frames = rig.sent();
        QCOMPARE(frames.mid(frames.size() - 3), Wire(QStringLiteral("0152 04FFF00001 0149")));
        QCOMPARE(rig.sim.dump(), image);
    }
};

QTEST_MAIN(TestDevice)
#include "tst_device.moc"
