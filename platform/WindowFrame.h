// What every window of the program shares beyond its own layout: the frame
// of a dialog, the program's icon, and widening a twips layout where the
// font makes a text longer than its control.
#pragma once

#include <QIcon>
#include <QMargins>
#include <QRect>

class QDialog;
class QLabel;
class QPushButton;
class QWidget;

// A dialog's frame: title, system menu and close button; no minimize,
// maximize or context-help button.
void SetDialogFrame(QDialog* dialog);

// Quirra's own icon, compiled into the program.
QIcon QuirraIcon();

// The width a control needs to show its whole text (caption, label, every
// list or combo entry, a read-only field's value) in its font; 0 for a
// control without text.
int TextWidthNeeded(const QWidget* control);
// A push button's caption as drawn, and the room its frame leaves for it.
int PushButtonText(const QPushButton* button);
int PushButtonRoom(const QPushButton* button);

// Widens every control of `window` whose text does not fit, moving the
// controls that stand to the right of it by as much and widening its frame
// and the window to match; a control that fits keeps the place its twips
// give it. A fixed-size window stays fixed, at the new size.
void FitToText(QWidget* window);

// Where a top-level window of content rectangle `window` goes so that its
// frame (the content with `frame` around it) lies inside `available`: as
// near its place as it can, cut to the available size when it is larger.
QRect FitOnScreen(const QRect& window, const QMargins& frame, const QRect& available);
// FitOnScreen for `window` on its screen's available area (the room the
// task bars and panels leave), with the frame the window manager gave it or,
// before it has one, the frame it is likely to get.
void PlaceOnScreen(QWidget* window);
// From now on every top-level window of the program (main window, dialog,
// message box, file dialog) is placed with PlaceOnScreen as it is shown.
void PlaceEveryWindowOnScreen();

// Makes a word-wrapping label tall enough for its whole text at its width,
// moving what stands below it down by as much and growing its window to
// match; a label that is tall enough is left alone.
void FitLabelHeight(QLabel* label);
