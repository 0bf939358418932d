// The hex view of the Buffer: sixteen lines of sixteen bytes with their
// addresses and characters, the address under the caret and the checksum
// of the selected device's range. A child window of the main window.
#pragma once

#include <QWidget>
#include <cstdint>

class BufferTextBox;
class QLabel;
class QScrollBar;

class frmBuffer : public QWidget {
    Q_OBJECT
public:
    explicit frmBuffer(QWidget* parent = nullptr);

    // Redraws the whole view from the Buffer, puts the caret on the first
    // byte of the top line and recomputes the checksum.
    void UpdateBuffer();
    // Puts the caret on the byte at `address`, scrolling so that its line is
    // the top line (or as near as the scroll range allows) when `toTop` or
    // when the line is not in sight. False when the view cannot show it.
    bool ShowByte(int32_t address, bool toTop);
    // Marks the digits of the `length` bytes from `first` on that are in
    // sight, until the next redraw, caret move or click.
    void MarkBytes(int32_t first, int32_t length);

    BufferTextBox* txtBuffer = nullptr;
    QScrollBar* vsc = nullptr;
    QLabel* lblAddressCaption = nullptr;
    QLabel* lblAddress = nullptr;
    QLabel* lblCheckSumCaption = nullptr;
    QLabel* lblCheckSum = nullptr;

    int32_t TopLine = 0;
    QString HeaderText;
    int16_t CaretPos = 0;
    int16_t CaretColumn = 0;
    int32_t CaretAddress = 0;
    // The text last drawn, with CR LF line ends (1201 characters).
    QString ViewText;

    // Handlers.
    void Form_Load();
    void vsc_Change(int value);
    void txtBuffer_Click();
    void txtBuffer_DblClick();
    void txtBuffer_KeyDown(int keyCode, Qt::KeyboardModifiers shift);
    void txtBuffer_KeyPress(QChar key);
    void txtBuffer_KeyUp(int keyCode, Qt::KeyboardModifiers shift);
    void txtBuffer_MouseWheel(int steps);

private:
    void Layout();
    // Selects the one character at CaretPos.
    void SelectCaret();
    // SelectCaret, then CaretAddress and lblAddress from CaretPos.
    void HighlightStep();
    void ShowAddress(int32_t address);
    // TopLine by `delta`, the scroll bar to match, one redraw.
    void ScrollStep(int delta);

    int32_t typedHigh_ = -1;  // the byte whose first digit was typed last
};
