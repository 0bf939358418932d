#include "buffer/BufferTextBox.h"

#include "buffer/BufferView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>
#include <cmath>

BufferTextBox::BufferTextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setTabChangesFocus(true);
    setFocusPolicy(Qt::StrongFocus);
    // Keys reach keyPressEvent even though the text is read-only.
    setTextInteractionFlags(Qt::TextSelectableByKeyboard);
    // The one selected character is the caret; no text cursor line beside it.
    setCursorWidth(0);
    // The caret digit stays highlighted when another window is active.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
}

void BufferTextBox::SetViewText(const QString& viewText)
{
    // One replacement of the whole text; unlike setPlainText it leaves the
    // layout to the next paint, so a burst of redraws (a held key) costs
    // one layout per frame, not one per redraw.
    QTextCursor all(document());
    all.select(QTextCursor::Document);
    all.insertText(BufferView::WidgetText(viewText));
}

void BufferTextBox::Select(int pos, int length)
{
    QTextCursor c(document());
    const int start = BufferView::WidgetPos(pos);
    c.setPosition(start);
    if (length > 0)
        c.setPosition(BufferView::WidgetPos(pos + length - 1) + 1, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

void BufferTextBox::Mark(const QList<BufferView::TextRange>& ranges)
{
    if (ranges.isEmpty() && extraSelections().isEmpty())
        return;
    QList<QTextEdit::ExtraSelection> marks;
    for (const BufferView::TextRange& r : ranges) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(document());
        mark.cursor.setPosition(BufferView::WidgetPos(r.pos));
        mark.cursor.setPosition(BufferView::WidgetPos(r.pos + r.length - 1) + 1, QTextCursor::KeepAnchor);
        mark.format.setBackground(palette().color(QPalette::Active, QPalette::Highlight));
        mark.format.setForeground(palette().color(QPalette::Active, QPalette::HighlightedText));
        marks.append(mark);
    }
    setExtraSelections(marks);
}

int BufferTextBox::SelStart() const
{
    const QTextCursor c = textCursor();
    QTextCursor start(document());
    start.setPosition(c.selectionStart());
    return BufferView::PosFromWidget(start.blockNumber(), start.positionInBlock());
}

int BufferTextBox::PosAt(const QPoint& viewportPoint) const
{
    QTextCursor c = cursorForPosition(viewportPoint);
    // cursorForPosition gives the nearest gap between characters; the
    // character under the point is the one before the gap when the point
    // lies left of it.
    if (c.positionInBlock() > 0 && cursorRect(c).left() > viewportPoint.x())
        c.movePosition(QTextCursor::PreviousCharacter);
    return BufferView::PosFromWidget(c.blockNumber(), c.positionInBlock());
}

QPoint BufferTextBox::PointOf(int pos) const
{
    QTextCursor c(document());
    c.setPosition(BufferView::WidgetPos(pos));
    const QRect r = cursorRect(c);
    const int w = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    return QPoint(r.left() + w / 2, r.center().y());
}

QSize BufferTextBox::SizeFor(int lines, int columns) const
{
    const QFontMetricsF fm(font());
    const QTextBlock first = document()->firstBlock();
    double lineHeight = std::max(fm.height(), fm.lineSpacing());
    if (first.isValid() && first.layout() && first.layout()->lineCount() > 0)
        lineHeight = std::max(lineHeight, first.layout()->lineAt(0).height());
    const double margin = 2 * document()->documentMargin();
    const int frame = 2 * frameWidth();
    return QSize(int(std::ceil(columns * fm.horizontalAdvance(QLatin1Char('0')) + margin)) + frame + 2,
                 int(std::ceil(lines * lineHeight + margin)) + frame + 1);
}

int BufferTextBox::VirtualKey(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_Left: return BufferView::KeyLeft;
    case Qt::Key_Up: return BufferView::KeyUp;
    case Qt::Key_Right: return BufferView::KeyRight;
    case Qt::Key_Down: return BufferView::KeyDown;
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: break;
    }
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z))
        return qtKey;  // the same codes
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return 112 + (qtKey - Qt::Key_F1);
    return 0;
}

void BufferTextBox::keyPressEvent(QKeyEvent* e)
{
    e->accept();
    if (KeyDown)
        KeyDown(VirtualKey(e->key()), e->modifiers());
    // A character key delivers its character after the key-down; with Ctrl
    // or Alt held there is no character to type.
    const QString text = e->text();
    if (text.size() == 1 && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) && KeyPress)
        KeyPress(text.at(0));
}

void BufferTextBox::keyReleaseEvent(QKeyEvent* e)
{
    e->accept();
    if (KeyUp)
        KeyUp(VirtualKey(e->key()), e->modifiers());
}

void BufferTextBox::PlaceCaret(const QPoint& viewportPoint)
{
    const int pos = PosAt(viewportPoint);
    QTextCursor c(document());
    c.setPosition(BufferView::WidgetPos(pos));
    setTextCursor(c);
}

void BufferTextBox::mousePressEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton)
        return;
    pressed_ = true;
    pressPoint_ = e->position().toPoint();
}

void BufferTextBox::mouseMoveEvent(QMouseEvent* e) { e->accept(); }

void BufferTextBox::mouseReleaseEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton)
        return;
    // The caret goes where the button went down, as in a text control.
    const QPoint at = pressed_ ? pressPoint_ : e->position().toPoint();
    pressed_ = false;
    PlaceCaret(at);
    if (Click)
        Click();
}

void BufferTextBox::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    if (e->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    // A double-click is a click first.
    PlaceCaret(e->position().toPoint());
    if (Click)
        Click();
    if (DblClick)
        DblClick();
}

void BufferTextBox::wheelEvent(QWheelEvent* e)
{
    // The text itself never scrolls; the steps go to the window. A fine
    // wheel's small deltas add up to whole steps of 15 degrees.
    e->accept();
    constexpr int Step = 120;
    wheelRest_ += e->angleDelta().y();
    const int steps = wheelRest_ / Step;
    wheelRest_ -= steps * Step;
    if (steps != 0 && Wheel)
        Wheel(steps);
}

void BufferTextBox::inputMethodEvent(QInputMethodEvent* e) { e->accept(); }

void BufferTextBox::scrollContentsBy(int dx, int dy)
{
    // The text area shows all its lines; it never scrolls.
    QPlainTextEdit::scrollContentsBy(dx, dy);
    if (verticalScrollBar()->value() != 0)
        verticalScrollBar()->setValue(0);
    if (horizontalScrollBar()->value() != 0)
        horizontalScrollBar()->setValue(0);
}
