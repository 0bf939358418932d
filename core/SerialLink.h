// The programmer link shared by the program: the serial port cm, the receive
// timer totmr and the receive wait. ProgrammerLink owns the port and timer.
#pragma once

#include <QString>

class QTimer;
class SerialPort;

namespace modFunc {

// Set while a ProgrammerLink lives.
extern SerialPort* cm;
extern QTimer* totmr;

// Connects the timer's tick to totmr_Timer and gives it its 1000 ms interval.
void SetUpReceiveTimer(QTimer* timer);
// totmr tick: TimeOutFlag = true, timer stopped.
void totmr_Timer();

// Waits until RxExpected bytes are waiting in cm or one second has passed
// (TimeOutFlag true). A port that fails meanwhile ends the wait like a
// time-out. Hands control to the event loop while it waits.
void WaitForBytes();

// Clears TimeOutFlag, starts totmr and runs the event loop until it ticks.
void WaitOneTick();

// How the two waits above let time pass between their checks: by default
// WaitForEvents, which runs the event loop until something happens (bytes,
// a tick of totmr, a repaint). A test that answers the frames itself puts a
// routine here that delivers its bytes or ends the second at once with
// totmr_Timer, so that nothing sleeps through the second.
void WaitForEvents();
extern void (*LetTimePass)();

}  // namespace modFunc
