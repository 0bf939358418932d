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
// A main window whose port is the emulator's, the chip 2 KiB of `chip`, also
// in the Buffer.
struct Rig : SimRig {
    mdiMain main;
    Rig(const QByteArray& chip, const QString& args) : SimRig(1, 2048, chip, args)
    {
        cm = &link.port;  // the emulator's port, not the main window's own
        totmr = &link.timer;
        std::copy(chip.begin(), chip.end(), Buffer.begin());
    }
};

// The emulator's switches, a Buffer address changed before (-1: none), the
// ranges listed and the summary (empty: Esc stops the read).
struct CompareCase { QString sim; int changed; QStringList ranges; QString summary; };
}  // namespace
Q_DECLARE_METATYPE(CompareCase)

class TestChipWindows : public QObject {
    Q_OBJECT
private slots:
    // The list as Compare with File gives it, the Buffer untouched, the
    // whole chip on the wire ended by "I"; or Esc stops the read between
    // two blocks: "I" ends it, the window stays open and lists nothing.
    void compareWithChip_data()
    {
        QTest::addColumn<CompareCase>("c");
        QTest::newRow("agree") << CompareCase{"", -1, {},
                                              "The chip and the Buffer are identical over the device's range (0000-07FF)."};
        QTest::newRow("flaky byte") << CompareCase{"--flaky 0x123:0xFF", -1, {"0123: 1 byte differs"},
                                                   "1 bytes in 1 ranges of the device's range (0000-07FF) differ"};
        QTest::newRow("Buffer edited") << CompareCase{"", 0x7F0, {"07F0: 1 byte differs"}, "1 bytes in 1 ranges"};
        QTest::newRow("Esc") << CompareCase{"--delay 5", -1, {}, ""};
    }
    void compareWithChip()
    {
        QFETCH(CompareCase, c);
        Rig rig(RandomImage(2048, 9), c.sim);
        QVERIFY(rig.ok);
        if (c.changed >= 0)
            Buffer[size_t(c.changed)] ^= 0x01;
        const QByteArray before = BufferHead(BufferSize);
        QString line;
        QVERIFY(WhileModal<frmFunction>([&] { rig.main.BufferCompareChip->trigger(); }, [&](frmFunction* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Compare with Chip"));
            QVERIFY(!w->listFunction->isEnabled());
            if (c.summary.isEmpty())
                QTimer::singleShot(100, w, [w] { QTest::keyClick(w, Qt::Key_Escape); });
            w->cmdRun->click();
            line = w->lblMsg[0]->text();
            QCOMPARE(w->isVisible(), c.summary.isEmpty());  // a whole read closes it
            if (w->isVisible())
                QTest::keyClick(w, Qt::Key_Escape);  // idle again: Esc closes
        }));
        QCOMPARE(line, c.summary.isEmpty() ? QStringLiteral("Reading ...   Stopped!") : QStringLiteral("Reading ...   OK!"));
        QCOMPARE(BufferHead(BufferSize), before);
        frmCompare* list = FindTopLevel<frmCompare>();
        QCOMPARE(!list, c.summary.isEmpty());
        QStringList items;
        for (int i = 0; list && i < list->lstRanges->count(); ++i)
            items << list->lstRanges->item(i)->text();
        QCOMPARE(items, c.ranges);
        const QString said = list ? list->lblSummary->text() : QString();
        QVERIFY2(said.contains(c.summary), qPrintable(said));
        if (list)
            list->close();
        const QVector<QByteArray> frames = rig.sent();
        QCOMPARE(frames.value(frames.size() - 1), QByteArray::fromHex("0149"));
        QCOMPARE(frames.count(QByteArray::fromHex("0152")) == 128, !c.summary.isEmpty());
        QCOMPARE(frames.value(frames.size() - 2) == QByteArray::fromHex("0407F00001"), !c.summary.isEmpty());
    }

    void checksums()
    {
        Rig rig(QByteArray("123456789") + QByteArray(2039, '\0'), QString());
        QVERIFY(rig.ok);
        QVERIFY(WhileModal<frmChecksums>([&] { rig.main.BufferChecksums->trigger(); }, [](frmChecksums* w) {
            QCOMPARE(w->lblRange->text(), QStringLiteral("Test chip, 0000-07FF (2048 bytes)"));
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
