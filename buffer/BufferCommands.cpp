#include "buffer/BufferCommands.h"

#include "buffer/FillRoutines.h"
#include "buffer/BufferTextBox.h"
#include "buffer/frmBuffer.h"
#include "buffer/frmBufferFill.h"
#include "core/modFunc.h"

#include "platform/WindowFrame.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>

namespace BufferCommands {

namespace {
QPointer<QMdiArea> host;
QPointer<QMdiSubWindow> bufferSub;

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

void BufferClear()
{
    FillRoutines::ClearBuffer(modFunc::Buffer);
    ReopenBufferWindow();
}

void BufferFill()
{
    using namespace modFunc;
    frmBufferFill fill(host ? host->window() : nullptr);
    fill.exec();
    if (!FillOk)
        return;
    FillRoutines::FillRange(Buffer, FillStart, FillLength, FillValue);
    UpdateBufferWindow();
}

}  // namespace BufferCommands
