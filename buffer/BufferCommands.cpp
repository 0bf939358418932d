#include "buffer/BufferCommands.h"

#include "buffer/BufferSearch.h"
#include "buffer/BufferView.h"
#include "buffer/FillRoutines.h"
#include "buffer/frmBufferTools.h"
#include "buffer/BufferTextBox.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "buffer/UndoStore.h"
#include "core/modFunc.h"

#include "platform/WindowFrame.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

namespace BufferCommands {

namespace {
QPointer<QMdiArea> host;
QPointer<QMdiSubWindow> bufferSub;
QPointer<frmFind> findWindow;
QPointer<frmCompare> compareWindow;
QString lastText;           // what was typed in Find last
QByteArray lastPattern;     // what Find looked for last
int32_t lastFound = -1;     // where it found it

frmBuffer* OpenView()
{
    if (!BufferWindow())
        ReopenBufferWindow();
    return BufferWindow();
}

QWidget* Owner() { return host ? host->window() : nullptr; }

// Shows a tool window beside the view, closing the one it replaces.
template <typename Window>
void ShowTool(QPointer<Window>& slot, Window* w)
{
    if (slot)
        slot->close();
    slot = w;
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->setModal(false);
    w->show();
}

QString Search()
{
    frmBuffer* view = OpenView();
    if (!view)
        return {};
    const int32_t caret = view->CaretAddress;
    const int32_t from = caret == lastFound ? caret + 1 : caret;
    const int32_t size = BufferView::ViewSize(modFunc::SelectedDevice().Size);
    const int32_t at = BufferSearch::FindBytes(modFunc::Buffer, size, from, lastPattern);
    if (at < 0 || !view->ShowByte(at, false)) {
        lastFound = -1;
        return QStringLiteral("Not found");
    }
    view->MarkBytes(at, int32_t(lastPattern.size()));
    lastFound = at;
    const QString found = QStringLiteral("Found at %1").arg(modFunc::Hex4(at));
    return at < from ? found + QStringLiteral(", wrapped to the start") : found;
}

void Applied(const std::optional<UndoStore::Applied>& change, QString& fileText)
{
    if (!change)
        return;
    if (change->file)
        fileText = *change->file;
    if (change->redraw == UndoStore::Reopen) {
        ReopenBufferWindow();
        return;
    }
    UpdateBufferWindow();
    if (frmBuffer* view = BufferWindow())
        view->ShowByte(change->first, false);
}

void OpenBufferWindow()
{
    if (!host)
        return;
    auto* view = new frmBuffer;
    view->setWindowIcon(QuirraIcon());
    // A fixed frame around the fixed layout: it cannot be resized, maximised
    // or minimised, only moved and closed.
    QMdiSubWindow* sub = host->addSubWindow(
        view, Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    sub->setFixedSize(sub->minimumSizeHint());
    sub->setAttribute(Qt::WA_DeleteOnClose);
    bufferSub = sub;
    sub->show();
    host->setActiveSubWindow(sub);
    view->txtBuffer->setFocus();
}
}  // namespace

void SetHost(QMdiArea* area)
{
    if (host != area) {
        // The tool windows and what Find looked for belong to the old host.
        for (QDialog* w : {static_cast<QDialog*>(findWindow), static_cast<QDialog*>(compareWindow)})
            if (w)
                w->close();
        lastPattern.clear();
        lastText.clear();
        lastFound = -1;
        modFunc::BufferHistory.Clear();
    }
    if (host != area)
        CloseBufferWindow();
    host = area;
}

frmBuffer* BufferWindow()
{
    if (!bufferSub || bufferSub->isHidden())
        return nullptr;
    return qobject_cast<frmBuffer*>(bufferSub->widget());
}

bool IsBufferWindowOpen() { return BufferWindow() != nullptr; }

void CloseBufferWindow()
{
    if (!bufferSub)
        return;
    QMdiSubWindow* sub = bufferSub;
    bufferSub = nullptr;
    sub->close();
    delete sub;  // now, so that a reopened view is the only one
}

void ReopenBufferWindow()
{
    CloseBufferWindow();
    OpenBufferWindow();
}

void UpdateBufferWindow()
{
    if (frmBuffer* view = BufferWindow())
        view->UpdateBuffer();
    else
        ReopenBufferWindow();
}

void BufferEdit() { ReopenBufferWindow(); }

QString GoToAddress(int32_t address)
{
    frmBuffer* view = OpenView();
    if (!view || view->ShowByte(address, true))
        return {};
    const int32_t size = BufferView::ViewSize(modFunc::SelectedDevice().Size);
    if (size <= 0)
        return QStringLiteral("The selected device has no bytes to show.");
    return QStringLiteral("%1 is outside the view, which shows 0000 to %2.")
        .arg(modFunc::Hex4(address), modFunc::Hex4(size - 1));
}

void BufferGoTo()
{
    if (!OpenView())
        return;
    frmGoTo goTo(Owner());
    goTo.exec();
}

QString FindText(const QString& text)
{
    lastText = text;
    const std::optional<QByteArray> pattern = BufferSearch::ParsePattern(text);
    if (!pattern)
        return QStringLiteral("Type bytes in hexadecimal, as DE AD BE EF, or a text in double quotes.");
    if (*pattern != lastPattern)
        lastFound = -1;
    lastPattern = *pattern;
    return Search();
}

frmFind* FindWindow() { return findWindow; }

void BufferFind()
{
    if (!OpenView())
        return;
    if (findWindow) {
        findWindow->raise();
        findWindow->activateWindow();
        findWindow->txtFind->setFocus();
        return;
    }
    auto* w = new frmFind(Owner());
    w->txtFind->setText(lastText);
    w->txtFind->selectAll();
    ShowTool(findWindow, w);
}

void BufferFindNext()
{
    if (lastPattern.isEmpty()) {
        BufferFind();
        return;
    }
    const QString said = Search();
    if (!findWindow && said == QLatin1String("Not found"))
        BufferFind();
    if (findWindow)
        findWindow->ShowMessage(said);
}

void BufferUndo(QString& fileText) { Applied(modFunc::BufferHistory.Undo(modFunc::Buffer, fileText), fileText); }
void BufferRedo(QString& fileText) { Applied(modFunc::BufferHistory.Redo(modFunc::Buffer, fileText), fileText); }

void ShowComparison(const QString& title, const QString& summary, const QList<BufferSearch::Range>& ranges)
{
    OpenView();
    ShowTool(compareWindow, new frmCompare(title, summary, ranges, Owner()));
}

void BufferClear()
{
    modFunc::BufferHistory.Begin(modFunc::Buffer);
    FillRoutines::ClearBuffer(modFunc::Buffer);
    modFunc::BufferHistory.Commit(modFunc::Buffer, UndoStore::Reopen, {QStringLiteral("Clear"), {}});
    ReopenBufferWindow();
}

void BufferFill()
{
    using namespace modFunc;
    frmBufferFill fill(host ? host->window() : nullptr);
    fill.exec();
    if (!FillOk)
        return;
    BufferHistory.Begin(Buffer);
    FillRoutines::FillRange(Buffer, FillStart, FillLength, FillValue);
    BufferHistory.Commit(Buffer, UndoStore::Update, {QStringLiteral("Fill"), {}});
    UpdateBufferWindow();
}

}  // namespace BufferCommands
