// Buffer > Compare with Chip against the emulator (the differing ranges
// listed, the Buffer untouched, the read on the wire, Esc stopping it) and
// Buffer > Checksums.
#include "buffer/frmBufferTools.h"
#include "buffer/frmChecksums.h"
#include "core/mdiMain.h"
#include "device/frmFunction.h"
#include "support/SimLink.h"
#include "support/WindowSupport.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace modFunc;

namespace {
// A main window whose port is the emulator's, the chip a 2716 of `chip`.
struct Rig {
    TempAppDir dir;
    SimHarness sim;
    SimLink link;
    bool ok;
    std::unique_ptr<mdiMain> main;
    Rig(const QByteArray& chip, const QString& args)
        : sim(args.split(QLatin1Char(' '), Qt::SkipEmptyParts)
              + QStringList{QStringLiteral("--size"), QStringLiteral("2048"), QStringLiteral("--image"),
                            (dir.write(QStringLiteral("chip"), chip), dir.file(QStringLiteral("chip")))})
        , ok(link.openOn(sim))
        , main(std::make_unique<mdiMain>())
    {
        DeviceTable[1] = {QStringLiteral("2716 EPROM 2K"), 1, 2048};
        DeviceIndex = 1;
        DeviceFound = true;
        cm = &link.port;
        totmr = &link.timer;
        std::copy(chip.begin(), chip.end(), Buffer.begin());
    }
};
QByteArray Image(int size) { return QByteArray(reinterpret_cast<const char*>(Buffer.data()), size); }
}  // namespace

class TestChipWindows : public QObject {
    Q_OBJECT
private slots:
    void compareWithChip_data()
    {
        QTest::addColumn<QString>("sim");
        QTest::addColumn<int>("changed");  // a Buffer address changed before, -1 none
        QTest::addColumn<QStringList>("ranges");
        QTest::addColumn<QString>("summary");
        QTest::newRow("agree") << "" << -1 << QStringList()
                               << "The chip and the Buffer are identical over the device's range (0000-07FF).";
        QTest::newRow("flaky byte") << "--flaky 0x123:0xFF" << -1 << QStringList{"0123: 1 byte differs"}
                                    << "1 bytes in 1 ranges of the device's range (0000-07FF) differ";
        QTest::newRow("Buffer edited") << "" << 0x7F0 << QStringList{"07F0: 1 byte differs"} << "1 bytes in 1 ranges";
    }
    void compareWithChip()
    {
        QFETCH(QString, sim);
        QFETCH(int, changed);
        QFETCH(QStringList, ranges);
        QFETCH(QString, summary);
        Rig rig(RandomImage(2048, 9), sim);
        QVERIFY(rig.ok);
        if (changed >= 0)
            Buffer[size_t(changed)] ^= 0x01;
        const QByteArray before = Image(BufferSize);
        QVERIFY(WhileModal<frmFunction>([&] { rig.main->BufferCompareChip->trigger(); }, [](frmFunction* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Compare with Chip"));
            QVERIFY(!w->listFunction->isEnabled());
            w->cmdRun->click();
            QVERIFY(!w->isVisible());  // the whole chip read: the window is done
        }));
        QCOMPARE(Image(BufferSize), before);
        frmCompare* list = FindTopLevel<frmCompare>();
        QVERIFY(list);
        QVERIFY2(list->lblSummary->text().contains(summary), qPrintable(list->lblSummary->text()));
        QStringList items;
        for (int i = 0; i < list->lstRanges->count(); ++i)
            items << list->lstRanges->item(i)->text();
        QCOMPARE(items, ranges);
        list->close();
        // On the wire: the whole chip, ended by "I".
        QVector<QByteArray> frames;
        QTRY_VERIFY((frames = rig.sim.pcFrames()).value(frames.size() - 1) == QByteArray::fromHex("0149"));
        QCOMPARE(frames.count(QByteArray::fromHex("0152")), 128);
        QCOMPARE(frames.value(frames.size() - 2), QByteArray::fromHex("0407F00001"));
    }

    // Esc stops the read between two blocks: "I" ends it on the wire, the
    // window stays open and lists nothing; Esc again closes it.
    void escapeStops()
    {
        Rig rig(RandomImage(2048, 9), QStringLiteral("--delay 5"));
        QVERIFY(rig.ok);
        QString line;
        QVERIFY(WhileModal<frmFunction>([&] { rig.main->BufferCompareChip->trigger(); }, [&](frmFunction* w) {
            QTimer::singleShot(100, w, [w] { QTest::keyClick(w, Qt::Key_Escape); });
            w->cmdRun->click();
            line = w->lblMsg[0]->text();
            QVERIFY(w->isVisible() && w->cmdClose->isEnabled());
            QTest::keyClick(w, Qt::Key_Escape);
            QVERIFY(!w->isVisible());
        }));
        QCOMPARE(line, QStringLiteral("Reading ...   Stopped!"));
        QVERIFY(!FindTopLevel<frmCompare>());
        QVector<QByteArray> frames;
        QTRY_VERIFY((frames = rig.sim.pcFrames()).value(frames.size() - 1) == QByteArray::fromHex("0149"));
        QVERIFY(frames.count(QByteArray::fromHex("0152")) < 128);
    }

    void checksums()
    {
        Rig rig(QByteArray("123456789") + QByteArray(2039, '\0'), QString());
        QVERIFY(rig.ok);
        QVERIFY(WhileModal<frmChecksums>([&] { rig.main->BufferChecksums->trigger(); }, [](frmChecksums* w) {
            QCOMPARE(w->lblRange->text(), QStringLiteral("2716 EPROM 2K, 0000-07FF (2048 bytes)"));
            QCOMPARE(w->txtSum->text(), QStringLiteral("01DD"));
            QCOMPARE(w->txtCrc32->text(), QStringLiteral("C70EEDC3"));
            QCOMPARE(w->txtSha1->text().size(), 40);
            for (QLineEdit* field : {w->txtSum, w->txtCrc32, w->txtSha1, w->txtSha256}) {
                QVERIFY(field->isReadOnly());
                // The whole value in view, to be selected and copied.
                QVERIFY(field->fontMetrics().horizontalAdvance(field->text()) < field->contentsRect().width());
                QVERIFY(field->geometry().right() < w->width());
            }
        }));
    }
};

QTEST_MAIN(TestChipWindows)
#include "tst_chipwindows.moc"
