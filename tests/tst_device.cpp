// The device functions against the emulator: the frames on the wire, the
// message lines, the progress and what lands in Buffer or on the chip; then
// the function window itself.
#include "buffer/BufferCommands.h"
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "device/DeviceFunctions.h"
#include "device/DeviceProtocol.h"
#include "device/frmFunction.h"
#include "platform/Twips.h"
#include "support/SimLink.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
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
// A front end without any window, as a terminal program would be: it keeps
// the lines as the window would show them and counts the rest.
struct Host : FunctionHost {
    QStringList lines = QStringList(6, QString());
    QList<int> percents;
    int pauses = 0, timeOuts = 0;
    QList<bool> reads;
    void SetMessage(int line, const QString& text) override { lines[line] = text; }
    void MarkMessage(int line, const QString& word) override { lines[line] += QStringLiteral("   ") + word; }
    void ShowProgress(int percent) override { percents << percent; }
    void Pause() override { ++pauses; }
    void ShowTimeOut() override { ++timeOuts; }
    void ReadDone(bool inAuto) override { reads << inAuto; }
};

Frames Hex(const char* frames)
{
    Frames list;
    for (const QByteArray& f : QByteArray(frames).split(' '))
        if (!f.isEmpty())
            list << QByteArray::fromHex(f);
    return list;
}

QByteArray Bytes(int size, std::initializer_list<std::pair<int, char>> changes = {}, char fill = '\xFF')
{
    QByteArray b(size, fill);
    for (auto [at, value] : changes)
        b[at] = value;
    return b;
}

QByteArray BlockWrite(int address, const QByteArray& data)
{
    return QByteArray::fromHex("14") + char(address >> 8) + char(address & 0xFF) + QByteArray::fromHex("0010")
        + data.mid(address, 16);
}

// The frames the emulator took, once all that was sent has arrived: a marker
// frame it ignores goes last and is left out again.
Frames SentFrames(SimHarness& sim, SimLink& link)
{
    const QByteArray marker = QByteArray::fromHex("015A");
    link.port.Output(marker);
    Frames frames;
    QElapsedTimer t;
    t.start();
    while ((frames = sim.pcFrames()).value(frames.size() - 1) != marker && t.elapsed() < 5000)
        QTest::qWait(5);
    frames.removeLast();
    return frames;
}

// Record 1 of the table with the given type and size, selected; a negative
// size leaves no device selected.
void SelectDevice(int type, int size)
{
    DeviceTable[1] = {QStringLiteral("Test"), int16_t(type), size};
    DeviceCount = 1;
    DeviceIndex = size < 0 ? 0 : 1;
    DeviceFound = true;
}

QStringList SimArgs(const TempAppDir& dir, QStringList args, const QByteArray& image, int size)
{
    if (!image.isEmpty()) {
        dir.write(QStringLiteral("chip.bin"), image);
        args << QStringLiteral("--image") << dir.file(QStringLiteral("chip.bin"));
    }
    return args << QStringLiteral("--size") << QString::number(qBound(1, size, 65536));
}

const QString ReadOk = QStringLiteral("Reading ...   OK!");
const QString VerifyOk = QStringLiteral("Verifying ...   OK!");
const QString ReadFault = QStringLiteral("Reading ...   Device Fault!");
}  // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void arithmetic_data();
    void arithmetic();
    void replyData_data();
    void replyData();
    void functions_data();
    void functions();
    void percentAt512Blocks();
    void staleBytesAreDiscarded();
    void windowOpens_data();
    void windowOpens();
    void windowProgressAndPause();
    void windowTimeOutRefusesClose();
    void windowRoundTrip();
    void menuOpensModal();
};

void TestDevice::arithmetic_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<QString>("problem");
    const QString range = QStringLiteral("Device size out of range!");
    QTest::newRow("2 KiB") << 2048 << 128 << QString();
    QTest::newRow("64 KiB") << 65536 << 4096 << QString();
    QTest::newRow("over 64 KiB") << 65537 << 4096 << range;
    QTest::newRow("0") << 0 << 0 << range;
    QTest::newRow("negative") << -16 << 0 << range;
    QTest::newRow("8 rounds to none") << 8 << 0 << QStringLiteral("Device too small!");
    QTest::newRow("9 rounds up") << 9 << 1 << QString();
    QTest::newRow("24 ties up to even") << 24 << 2 << QString();
    QTest::newRow("40 ties down to even") << 40 << 2 << QString();
}

void TestDevice::arithmetic()
{
    QFETCH(int, size);
    QFETCH(int, blocks);
    QFETCH(QString, problem);
    QCOMPARE(DeviceProtocol::BlockCount(size), blocks);
    QCOMPARE(DeviceProtocol::FunctionProblem(1, {QStringLiteral("X"), 1, size}), problem);
    QCOMPARE(DeviceProtocol::FunctionProblem(0, {}), QStringLiteral("No device selected!"));
}

void TestDevice::replyData_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("used");
    QTest::newRow("whole") << Bytes(17, {{0, 0x11}}) << 16;
    QTest::newRow("count 1") << Bytes(17, {{0, 0x01}}) << 0;
    QTest::newRow("count 0") << Bytes(17, {{0, 0x00}}) << 0;
    QTest::newRow("count 5") << Bytes(17, {{0, 0x05}}) << 4;
    QTest::newRow("count FF, 20 bytes") << Bytes(20) << 16;
    QTest::newRow("count 11, 9 bytes") << Bytes(9, {{0, 0x11}}) << 8;
    QTest::newRow("nothing") << QByteArray() << 0;
}

void TestDevice::replyData()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, used);
    QCOMPARE(DeviceProtocol::ReplyDataCount(reply), used);
}

void TestDevice::functions_data()
{
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("size");
    QTest::addColumn<QByteArray>("chip");     // image of the chip, empty: erased
    QTest::addColumn<QByteArray>("buffer");   // start of Buffer, the rest 0xFF
    QTest::addColumn<QList<int>>("steps");    // one function, or an Auto sequence
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<Frames>("tail");         // the last frames sent
    QTest::addColumn<int>("count");           // how many frames were sent
    QTest::addColumn<QList<int>>("outcome");  // Failed, Percent, time-outs, pauses, reads
    QTest::addColumn<QByteArray>("bufferAfter");
    QTest::addColumn<QByteArray>("chipAfter");

    const QByteArray img = RandomImage(32, 1), img2k = RandomImage(2048, 2), ff = Bytes(32), none;
    const auto S = [](const char* a, const char* b) { return QStringList{QString::fromLatin1(a), QString::fromLatin1(b)}; };
    const QStringList plain;
    const QList<int> read{0}, erase{1}, blank{2}, program{3}, verify{4}, lock{5};
    QTest::newRow("read 2 blocks") << plain << 1 << 32 << img << none << read << QStringList{ReadOk}
        << Hex("0152 0400000001 0152 0400100001 0149") << 5 << QList<int>{0, 100, 0, 0, 1} << img + '\xFF' << none;
    QTest::newRow("program 2 blocks") << plain << 1 << 32 << none << img << program
        << QStringList{QStringLiteral("Programming ...   OK!")}
        << Frames{Hex("0157")[0], BlockWrite(0, img), BlockWrite(16, img), Hex("0157")[0], Hex("0149")[0]} << 5
        << QList<int>{0, 100, 0, 0, 0} << none << img;
    QTest::newRow("program fails at 0007") << S("--fail-at", "7") << 1 << 32 << none << img << program
        << QStringList{QStringLiteral("Program Error at 0007")} << Hex("0157 0149") << 4
        << QList<int>{1, 0, 0, 0, 0} << none << none;
    QTest::newRow("program fails at F00C") << S("--fail-at", "0xF00C") << 1 << 65536 << none << none << program
        << QStringList{QStringLiteral("Program Error at F00C")}
        << Frames{BlockWrite(0xF000, Bytes(0x10000)), Hex("0157")[0], Hex("0149")[0]} << 3844
        << QList<int>{1, 93, 0, 0, 0} << none << none;
    for (const char* reply : {"0", "0xFF0012"})
        QTest::newRow(reply) << S("--write-reply", reply) << 1 << 32 << none << img << program
            << QStringList{QStringLiteral("Programming ...   OK!")} << Hex("0157 0149") << 5
            << QList<int>{0, 100, 0, 0, 0} << none << img;
    QTest::newRow("program time-out") << S("--no-reply-from", "1") << 1 << 32 << none << img << program
        << QStringList{QStringLiteral("Programming ...   Device Fault!")} << Frames{BlockWrite(16, img)} << 3
        << QList<int>{0, 50, 1, 0, 0} << none << none;
    QTest::newRow("verify differs at 0010, 0200") << plain << 1 << 2048 << none
        << Bytes(2048, {{0x10, 0}, {0x200, 0}}) << verify << QStringList{QStringLiteral("Verify Error at 0010")}
        << Hex("0152 0400100001 0149") << 5 << QList<int>{1, 0, 0, 0, 0} << none << none;
    QTest::newRow("verify differs at 07FF") << plain << 1 << 2048 << none << Bytes(2048, {{0x7FF, 0}}) << verify
        << QStringList{QStringLiteral("Verify Error at 07FF")} << Hex("0152 0407F00001 0149") << 257
        << QList<int>{1, 99, 0, 0, 0} << none << none;
    QTest::newRow("blank fails at 0345") << plain << 1 << 2048 << Bytes(2048, {{0x345, 0x7F}}) << none << blank
        << QStringList{QStringLiteral("Device not blank at 0345")} << Hex("0152 0403400001 0149") << 107
        << QList<int>{1, 40, 0, 0, 0} << none << none;
    QTest::newRow("blank passes") << plain << 1 << 32 << none << none << blank
        << QStringList{QStringLiteral("Blank Checking ...   OK!")} << Hex("0149") << 5
        << QList<int>{0, 100, 0, 0, 0} << none << none;
    QTest::newRow("erase type 1") << plain << 1 << 32 << img << none << erase
        << QStringList{QStringLiteral("Erasing ...   OK!")} << Hex("0145") << 1 << QList<int>{0, 100, 0, 1, 0} << none
        << ff;
    QTest::newRow("erase type 10") << plain << 10 << 32 << img << none << erase
        << QStringList{QStringLiteral("Function Not Available!")} << Frames{} << 0 << QList<int>{0, 0, 0, 0, 0}
        << none << img;
    QTest::newRow("erase type 12") << plain << 12 << 32 << none << none << erase
        << QStringList{QStringLiteral("Erasing ...   OK!")} << Hex("0145") << 1 << QList<int>{0, 100, 0, 1, 0} << none
        << none;
    QTest::newRow("lock type 12") << plain << 12 << 32 << none << none << lock
        << QStringList{QStringLiteral("Function Not Available!")} << Frames{} << 0 << QList<int>{0, 0, 0, 0, 0}
        << none << none;
    QTest::newRow("lock type 9") << plain << 9 << 32 << none << none << lock
        << QStringList{QStringLiteral("Locking ...   OK!")} << Hex("014C") << 1 << QList<int>{0, 100, 0, 1, 0} << none
        << none;
    QTest::newRow("time-out on block 0") << S("--no-reply-from", "0") << 1 << 32 << img << none << read
        << QStringList{ReadFault} << Hex("0152 0400000001") << 2 << QList<int>{0, 0, 1, 0, 0} << ff << none;
    QTest::newRow("time-out on block 10") << S("--no-reply-from", "10") << 1 << 2048 << img2k << none << read
        << QStringList{ReadFault} << Hex("0152 0400A00001") << 22 << QList<int>{0, 7, 1, 0, 0}
        << img2k.left(160) + Bytes(1888) << none;
    QTest::newRow("short reply") << S("--short-reply", "5") << 1 << 32 << img << none << read << QStringList{ReadFault}
        << Hex("0400000001") << 2 << QList<int>{0, 0, 1, 0, 0} << ff << none;
    QTest::newRow("over-long replies") << S("--extra", "3") << 1 << 32 << img << none << read << QStringList{ReadOk}
        << Hex("0149") << 5 << QList<int>{0, 100, 0, 0, 1} << img << none;
    QTest::newRow("size out of range") << plain << 1 << 70000 << none << none << verify
        << QStringList{QStringLiteral("Device size out of range!")} << Frames{} << 0
        << QList<int>{1, 0, 0, 0, 0} << none << none;
    QTest::newRow("size rounds to no block") << plain << 1 << 8 << none << none << erase
        << QStringList{QStringLiteral("Device too small!")} << Frames{} << 0 << QList<int>{1, 0, 0, 0, 0} << none
        << none;

    QTest::newRow("auto: empty") << plain << 1 << 32 << none << none << QList<int>{} << QStringList{} << Frames{} << 0
        << QList<int>{0, 0, 0, 0, 0} << none << none;
    QTest::newRow("auto: no device") << plain << 1 << -1 << none << none << QList<int>{1, 4}
        << QStringList{QStringLiteral("No device selected!")} << Frames{} << 0 << QList<int>{1, 0, 0, 0, 0} << none
        << none;
    QTest::newRow("auto: 8 verifies") << plain << 1 << 32 << none << none << QList<int>(8, 4)
        << QStringList(6, VerifyOk) << Hex("0149") << 40 << QList<int>{0, 100, 0, 0, 0} << none << none;
    QTest::newRow("auto: 25 steps run 20") << plain << 1 << 32 << none << none << QList<int>(25, 4)
        << QStringList(6, VerifyOk) << Hex("0149") << 100 << QList<int>{0, 100, 0, 0, 0} << none << none;
    QTest::newRow("auto: code 7, time-out, erase") << S("--no-reply-from", "0") << 1 << 32 << none << none
        << QList<int>{7, 4, 1} << QStringList{QString(), QStringLiteral("Verifying ...   Device Fault!"),
                                              QStringLiteral("Erasing ...   OK!")}
        << Hex("0152 0400000001 0145") << 3 << QList<int>{0, 100, 1, 2, 0} << none << none;
    QTest::newRow("auto: read, verify") << plain << 1 << 32 << img << none << QList<int>{0, 4}
        << QStringList{ReadOk, VerifyOk} << Hex("0149") << 10 << QList<int>{0, 100, 0, 0, 1} << img << none;
    QTest::newRow("auto: erase, blank stops") << S("--stuck-at", "0x123") << 1 << 2048 << none << none
        << QList<int>{1, 2, 3, 4}
        << QStringList{QStringLiteral("Erasing ...   OK!"), QStringLiteral("Device not blank at 0123")}
        << Hex("0152 0401200001 0149") << 40 << QList<int>{1, 14, 0, 2, 0} << none << none;
}

void TestDevice::functions()
{
    QFETCH(QStringList, sim);
    QFETCH(int, type);
    QFETCH(int, size);
    QFETCH(QByteArray, chip);
    QFETCH(QByteArray, buffer);
    QFETCH(QList<int>, steps);
    QFETCH(QStringList, lines);
    QFETCH(Frames, tail);
    QFETCH(int, count);
    QFETCH(QList<int>, outcome);
    QFETCH(QByteArray, bufferAfter);
    QFETCH(QByteArray, chipAfter);
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, sim, chip, size));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(type, size);
    std::copy(buffer.begin(), buffer.end(), Buffer.begin());

    Host host;
    DeviceFunctions functions(host);
    const bool single = steps.size() == 1 && steps[0] < DeviceFunctions::Auto;
    if (single) {
        functions.Run(steps[0]);
    } else {
        AutoCount = int16_t(steps.size());
        for (int i = 0; i < steps.size() && i < MaxAutoSteps; ++i)
            AutoList[size_t(i + 1)] = int16_t(steps[i]);
        functions.Run(DeviceFunctions::Auto);
    }

    lines.resize(6);
    QCOMPARE(host.lines, lines);
    QCOMPARE((QList<int>{functions.Failed, functions.Percent, host.timeOuts, host.pauses, int(host.reads.size())}),
             outcome);
    QVERIFY(!host.reads.contains(single));
    const Frames frames = SentFrames(harness, link);
    QCOMPARE(frames.size(), count);
    QCOMPARE(frames.mid(frames.size() - tail.size()), tail);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(Buffer.data()), bufferAfter.size()), bufferAfter);
    QCOMPARE(harness.dump().left(chipAfter.size()), chipAfter);
}

void TestDevice::percentAt512Blocks()
{
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, {}, {}, 8192));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(1, 8192);
    Buffer.fill(0);
    Host host;
    DeviceFunctions(host).RunRead();
    QCOMPARE(host.percents.size(), 513);
    QCOMPARE(host.percents.mid(4, 4), (QList<int>{0, 0, 1, 1}));
    QCOMPARE(host.percents.mid(510), (QList<int>{99, 99, 100}));
    QCOMPARE(Buffer[8191], uint8_t(0xFF));
    QCOMPARE(Buffer[8192], uint8_t(0));
}

// A reply that comes after its function gave up must not be taken as the
// first reply of the next function.
void TestDevice::staleBytesAreDiscarded()
{
    TempAppDir dir;
    const QByteArray image = RandomImage(32, 3);
    SimHarness harness(SimArgs(dir, {QStringLiteral("--late-block"), QStringLiteral("0")}, image, 32));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(1, 32);
    std::copy(image.begin(), image.end(), Buffer.begin());
    Host host;
    DeviceFunctions functions(host);
    functions.Run(DeviceFunctions::Verify);
    QCOMPARE(host.lines[0], QStringLiteral("Verifying ...   Device Fault!"));
    link.settle(17);
    QCOMPARE(link.port.InBufferCount(), 17);
    functions.Run(DeviceFunctions::Verify);
    QCOMPARE(host.lines[0], VerifyOk);
}

void TestDevice::windowOpens_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("found");
    QTest::addColumn<Frames>("frames");
    QTest::addColumn<QString>("line0");
    QTest::newRow("a") << 1 << true << Hex("0161") << QString();
    QTest::newRow("l") << 12 << true << Hex("016C") << QString();
    QTest::newRow("last letter") << 159 << true << Hex("01FF") << QString();
    QTest::newRow("not found") << 1 << false << Frames{} << QString();
    QTest::newRow("no letter") << 160 << true << Frames{} << QStringLiteral("Type code 160 has no type letter!");
    QTest::newRow("negative") << -97 << true << Frames{} << QStringLiteral("Type code -97 has no type letter!");
}

void TestDevice::windowOpens()
{
    QFETCH(int, type);
    QFETCH(bool, found);
    QFETCH(Frames, frames);
    QFETCH(QString, line0);
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, {}, {}, 2048));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(type, 2048);
    DeviceFound = found;
    frmFunction w;
    QCOMPARE(SentFrames(harness, link), frames);
    QCOMPARE(w.cmdRun->isEnabled(), !frames.isEmpty());
    QVERIFY(w.cmdClose->isEnabled());
    QCOMPARE(w.lblMsg[0]->text(), line0);
    QCOMPARE(w.listFunction->count(), 7);
    QCOMPARE(w.listFunction->item(6)->text(), QStringLiteral("Auto"));
    QCOMPARE(w.listFunction->currentRow(), 0);
    QCOMPARE(w.lblProgress->text(), QStringLiteral("0%"));
    QCOMPARE((QStringList{w.txtChipStart->text(), w.txtChipEnd->text(), w.txtBufferStart->text(),
                          w.txtBufferEnd->text()}),
             (QStringList{QStringLiteral("0000"), QStringLiteral("0800"), QStringLiteral("0000"),
                          QStringLiteral("0800")}));
}

void TestDevice::windowProgressAndPause()
{
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, {}, {}, 32));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(1, 32);
    frmFunction w;
    QCOMPARE(w.size(), QSize(TwipsX(&w, 6300), TwipsY(&w, 3330)));
    QCOMPARE(w.listFunction->geometry(), TwipsRect(&w, 120, 240, 1455, 2400));
    QCOMPARE(w.lblMsg[5]->geometry(), TwipsRect(w.Frame1, 120, 1440, 2775, 255));
    QCOMPARE(w.shpProgress->width(), 0);
    QVERIFY(w.cmdRun->isDefault());
    w.ShowProgress(45);
    QCOMPARE(w.lblProgress->text(), QStringLiteral("45%"));
    QCOMPARE(w.ProgressTwips(), 1356.75f);
    // Erase pauses one tick of tmrWait after its frame.
    w.listFunction->setCurrentRow(DeviceFunctions::Erase);
    QElapsedTimer t;
    t.start();
    QTest::mouseClick(w.cmdRun, Qt::LeftButton);
    QVERIFY2(t.elapsed() >= 990, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(w.lblMsg[0]->text(), QStringLiteral("Erasing ...   OK!"));
    QCOMPARE(w.lblProgress->text(), QStringLiteral("100%"));
    QCOMPARE(w.shpProgress->width(), w.shpBG->width());
    QCOMPARE(SentFrames(harness, link), Hex("0161 0145"));
}

void TestDevice::windowTimeOutRefusesClose()
{
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, {QStringLiteral("--no-reply-from"), QStringLiteral("0")}, {}, 32));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(1, 32);
    MessageRecorder rec;
    frmFunction w;
    w.show();
    w.listFunction->setCurrentRow(DeviceFunctions::Verify);
    bool buttonsOff = false;
    QTimer::singleShot(100, &w, [&] {
        buttonsOff = !w.cmdRun->isEnabled() && !w.cmdClose->isEnabled();
        QTest::keyClick(&w, Qt::Key_Escape);
        w.close();
    });
    w.cmdRun->click();
    QVERIFY(buttonsOff);
    QVERIFY(w.isVisible());
    QVERIFY(w.cmdRun->isEnabled() && w.cmdClose->isEnabled());
    QCOMPARE(w.lblMsg[0]->text(), QStringLiteral("Verifying ...   Device Fault!"));
    QCOMPARE(rec.count(), 1);
    QCOMPARE(rec.last().text, QStringLiteral("Communication Error!"));
    QCOMPARE(rec.last().title, QStringLiteral("Device Error"));
    QCOMPARE(rec.last().icon, MsgIcon::Critical);
    QTest::keyClick(&w, Qt::Key_Escape);  // idle again: Esc closes
    QVERIFY(!w.isVisible());
}

void TestDevice::windowRoundTrip()
{
    TempAppDir dir;
    SimHarness harness(SimArgs(dir, {}, {}, 65536));
    SimLink link;
    QVERIFY(link.openOn(harness));
    SelectDevice(1, 65536);
    QMdiArea area;
    BufferCommands::SetHost(&area);
    const QByteArray image = RandomImage(65536, 4);
    std::copy(image.begin(), image.end(), Buffer.begin());
    frmFunction w;
    w.show();
    for (int f : {DeviceFunctions::Program, DeviceFunctions::Verify}) {
        w.listFunction->setCurrentRow(f);
        w.cmdRun->click();
        QVERIFY2(w.lblMsg[0]->text().endsWith(QStringLiteral("...   OK!")), qPrintable(w.lblMsg[0]->text()));
    }
    Buffer.fill(0);
    w.listFunction->setCurrentRow(DeviceFunctions::Read);
    w.cmdRun->click();
    QVERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Accepted));
    QVERIFY(BufferCommands::IsBufferWindowOpen());
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(Buffer.data()), 65536), image);
    QCOMPARE(Buffer[65536], uint8_t(0));
    const Frames frames = SentFrames(harness, link);
    QCOMPARE(frames.mid(frames.size() - 3), Hex("0152 04FFF00001 0149"));
    QCOMPARE(harness.dump(), image);
    BufferCommands::SetHost(nullptr);
}

void TestDevice::menuOpensModal()
{
    TempAppDir dir;
    mdiMain main;
    QString seen;
    QTimer::singleShot(0, &main, [&] {
        if (auto* w = main.findChild<frmFunction*>()) {
            seen = w->windowTitle() + (w->isModal() ? QStringLiteral(" modal") : QString());
            w->reject();
        }
    });
    main.DeviceFunction->trigger();
    QCOMPARE(seen, QStringLiteral("Function modal"));
}

QTEST_MAIN(TestDevice)
#include "tst_device.moc"
