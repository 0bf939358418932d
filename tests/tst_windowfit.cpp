// Every window laid out offscreen in a wide font: each caption, label, list
// entry and button text fits its control, every control lies inside its
// window, dialogs have no minimize or maximize button, and the windows carry
// Quirra's own icon.
#include "buffer/BufferCommands.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "buffer/frmBufferTools.h"
#include "files/FileCommands.h"
#include "core/frmAbout.h"
#include "core/mdiMain.h"
#include "core/modFunc.h"
#include "device/frmFunction.h"
#include "devices/frmSelectDevice.h"
#include "files/frmFileLoad.h"
#include "options/frmEditAuto.h"
#include "options/frmSettings.h"
#include "platform/WindowFrame.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QtTest>

namespace {
// What does not fit in `window`, one text per fault.
QStringList Clipped(QWidget* window)
{
    QStringList faults;
    auto fault = [&](QWidget* w, const QString& what) {
        faults << QStringLiteral("%1 %2: %3").arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(), what);
    };
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->window() != window)
            continue;
        QWidget* parent = w->parentWidget();
        if ((parent == window || qobject_cast<QGroupBox*>(parent)) && !parent->rect().contains(w->geometry()))
            fault(w, QStringLiteral("lies outside its parent"));
        int need = 0;
        QString text;
        if (auto* p = qobject_cast<QPushButton*>(w); p && !p->text().isEmpty())
            need = PushButtonText(p) + p->width() - PushButtonRoom(p), text = p->text();
        else if (auto* l = qobject_cast<QLabel*>(w); l && !l->wordWrap() && !l->text().isEmpty())
            need = l->sizeHint().width(), text = l->text();
        else if (l && l->heightForWidth(l->width()) > l->height())
            fault(w, QStringLiteral("\"%1\" needs %2 px of height, has %3").arg(l->text()).arg(l->heightForWidth(l->width())).arg(l->height()));
        else if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
            need = b->sizeHint().width(), text = b->text();
        else if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty())
            need = g->minimumSizeHint().width(), text = g->title();
        else if (auto* c = qobject_cast<QComboBox*>(w))
            need = c->sizeHint().width(), text = c->itemText(c->count() - 1);
        if (need > w->width())
            fault(w, QStringLiteral("\"%1\" needs %2 px, has %3").arg(text).arg(need).arg(w->width()));
        if (auto* list = qobject_cast<QListWidget*>(w); list && list->count()) {
            if (list->horizontalScrollBar()->maximum() > 0)
                fault(w, QStringLiteral("entries wider than the list"));
            const int row = list->sizeHintForRow(0), area = list->viewport()->height();
            if (list->count() * row > area && area % row != 0)
                fault(w, QStringLiteral("the last visible row is cut"));
        }
    }
    return faults;
}
}  // namespace

class TestWindowFit : public QObject {
    Q_OBJECT
    QFont startFont_;
private slots:
    void initTestCase() { startFont_ = QApplication::font(); }

    void windows_data()
    {
        QTest::addColumn<QFont>("font");
        // A stock desktop's default, and one wide by construction on any
        // machine: the application font scaled up by half.
        QTest::newRow("DejaVu Sans 9") << QFont(QStringLiteral("DejaVu Sans"), 9);
        QTest::newRow("DejaVu Sans 10") << QFont(QStringLiteral("DejaVu Sans"), 10);
        QFont wide = QApplication::font();
        wide.setPointSizeF(wide.pointSizeF() * 1.5);
        QTest::newRow("application font x 1.5") << wide;
    }
    void windows()
    {
        QFETCH(QFont, font);
        if (font.family() == QLatin1String("DejaVu Sans") && !QFontDatabase::families().contains(font.family()))
            QSKIP("DejaVu Sans is not installed (Debian: fonts-dejavu-core); the wide-font row still runs");
        QApplication::setFont(font);
        TempAppDir dir;
        for (const char* name : {"quirra.cfg", "quirra.dev", "auto.cfg"}) {
            QFile f(QStringLiteral(QUIRRA_DEMO_DIR "/") + QLatin1String(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            dir.write(QLatin1String(name), f.readAll());
        }
        QVERIFY(modFunc::ReadStartFiles(dir.path()).isEmpty());
        modFunc::DeviceIndex = 9;
        frmSettings::ListPorts = [] {
            return QList<modFunc::PresentPort>{
                {"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0",
                 "USB 0403:6001 FTDI FT232R USB UART, serial A50285BI"}, {"/dev/ttyS0", "/dev/ttyS0", ""}};
        };
        mdiMain main;
        main.show();
        BufferCommands::BufferEdit();
        QMdiSubWindow* sub = qobject_cast<QMdiSubWindow*>(BufferCommands::BufferWindow()->parentWidget());
        QVERIFY(sub);
        const QImage own = QuirraIcon().pixmap(32, 32).toImage();  // at a size the window frame uses
        QVERIFY2(!own.isNull(), "the icon resource renders (Debian: libqt6svg6)");
        for (const QIcon& icon : {main.windowIcon(), sub->windowIcon()})
            QCOMPARE(icon.pixmap(32, 32).toImage(), own);

        // The tool windows with their longest messages; the main window owns every one.
        auto* goTo = new frmGoTo(&main);
        goTo->ShowMessage(QStringLiteral("FFFFFFFF is outside the view, which shows 0000 to FFFF."));
        auto* find = new frmFind(&main);
        find->ShowMessage(QStringLiteral("Type bytes in hexadecimal, as DE AD BE EF, or a text in double quotes."));
        const QString summary = FileCommands::CompareSummary(QStringLiteral("/home/user/images/firmware.hex"), 0x10000,
                                                             {{0, 1}, {5, 9}}, 4465, true);
        const QList<QDialog*> dialogs = {
            new frmFunction(&main), new frmFileLoad(QStringLiteral("image.hex"), &main), new frmBufferFill(&main),
            new frmSelectDevice(&main), new frmSettings(&main), new frmEditAuto(&main), new frmAbout(&main),
            new frmFileLoad(QStringLiteral("image.hex"), &main, true), goTo, find,
            new frmCompare(QStringLiteral("Compare with File"), summary, {{0, 1}, {5, 9}}, &main)};
        const QRect screen = main.screen()->availableGeometry();
        QVERIFY2(screen.contains(main.frameGeometry()), "the main window lies on the screen");
        QStringList faults = Clipped(BufferCommands::BufferWindow());
        for (QDialog* d : dialogs) {
            d->show();
            QApplication::processEvents();
            if (d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint))
                faults << d->windowTitle() + QStringLiteral(": a minimize or maximize button");
            for (const QString& f : Clipped(d))
                faults << d->windowTitle() + QStringLiteral(": ") + f;
            if (!screen.contains(d->frameGeometry()))
                faults << d->windowTitle() + QStringLiteral(": off the screen");
            d->hide();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    void cleanupTestCase() { QApplication::setFont(startFont_); }

    // Where a window goes on a screen: the 1.5x main window on 1280x1024
    // (853x682 at that scale, a panel at the top); one that fits stays; one
    // off to the right, above or to the left moves in.
    void onScreen()
    {
        const QRect screen(0, 0, 800, 600);
        const std::tuple<QRect, QRect, QRect> cases[] = {  // the window, the screen's free area, where it goes
            {{0, 0, 900, 600}, {0, 20, 853, 662}, {4, 44, 845, 600}}, {{100, 100, 300, 200}, screen, {100, 100, 300, 200}},
            {{700, 100, 300, 200}, screen, {496, 100, 300, 200}}, {{-50, -10, 300, 200}, screen, {4, 24, 300, 200}},
            {{10, 10, 300, 900}, screen, {10, 24, 300, 572}},  // taller than the screen
            {{1900, 500, 600, 400}, {1280, 0, 1024, 768}, {1700, 364, 600, 400}}};  // on a second screen
        for (const auto& [window, available, placed] : cases)
            QCOMPARE(FitOnScreen(window, QMargins(4, 24, 4, 4), available), placed);
    }
};

QTEST_MAIN(TestWindowFit)
#include "tst_windowfit.moc"
