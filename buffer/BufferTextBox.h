// The text area of the hex view: a read-only, fixed-pitch text that never
// scrolls by itself. Keys and mouse clicks are not acted on here; they are
// handed to the window's handlers (key-down, key-press, key-up, click,
// double-click), which decide the one selected character.
#pragma once

#include "buffer/BufferView.h"

#include <QPlainTextEdit>
#include <functional>

class BufferTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit BufferTextBox(QWidget* parent = nullptr);

    // Handlers, called in the order a key or a click delivers them.
    std::function<void(int keyCode, Qt::KeyboardModifiers shift)> KeyDown;
    std::function<void(QChar key)> KeyPress;
    std::function<void(int keyCode, Qt::KeyboardModifiers shift)> KeyUp;
    std::function<void()> Click;
    std::function<void()> DblClick;
    // Whole wheel steps turned: positive away from the user (up).
    std::function<void(int steps)> Wheel;

    // The whole text in one assignment; `viewText` has CR LF line ends,
    // the widget holds it with plain line breaks.
    void SetViewText(const QString& viewText);
    // Selects `length` characters from view-text position `pos`.
    void Select(int pos, int length);
    // Marks these view-text ranges in the selection's colours, beside the
    // selection; an empty list takes the marks away.
    void Mark(const QList<BufferView::TextRange>& ranges);
    // View-text position of the selection start (the text caret).
    int SelStart() const;
    // View-text position of the character under a viewport point.
    int PosAt(const QPoint& viewportPoint) const;
    // Viewport point in the middle of the character at view-text position `pos`.
    QPoint PointOf(int pos) const;
    // Height and width the widget needs to show `lines` lines of `columns`
    // characters without scrolling.
    QSize SizeFor(int lines, int columns) const;

    // The Windows virtual-key code for a Qt key (0 when there is none).
    static int VirtualKey(int qtKey);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    bool canInsertFromMimeData(const QMimeData*) const override { return false; }

private:
    // The text control's own part of a click: its caret to the character clicked.
    void PlaceCaret(const QPoint& viewportPoint);
    int wheelRest_ = 0;  // eighths of a degree short of a whole step
    bool pressed_ = false;
    QPoint pressPoint_;
};
