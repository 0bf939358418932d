// The emulator's single-threaded event loop: bytes from the PC on the pty
// master, lines on stdin, and a self-pipe that the signal handler writes.
// Pacing and reply delays are kept as due times that bound the poll wait.
#pragma once

#include "sim/Device.h"
#include "sim/Pty.h"
#include "sim/SimOptions.h"
#include "sim/TraceLog.h"

#include <chrono>
#include <deque>
#include <string>

class SimLoop {
public:
    SimLoop(const SimOptions& options, Device& device, Pty& pty, TraceLog& trace);

    // Runs until "quit" on stdin or a byte on signalFd. Returns 0, or 1 after
    // a fault on the pty (error set).
    int run(int signalFd, std::string& error);

private:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;

    struct TimedByte {
        Time due;
        uint8_t byte;
    };
    struct TimedReply {
        Time due;
        Bytes bytes;
    };

    bool readMaster(Time now, std::string& error);
    void readStdin();
    void takeDueInput(Time now);
    void scheduleReply(Bytes reply, Time ready);
    // When an adapter passes on a byte that reached it at lineDue.
    Time adapterDue(Time lineDue);
    void releaseDueOutput(Time now);
    bool writeOutput(std::string& error);
    double seconds(Time t) const;

    const SimOptions& options_;
    Device& device_;
    Pty& pty_;
    TraceLog& trace_;
    FrameParser parser_;

    const Time start_ = Clock::now();
    Clock::duration byteTime_ {}; // zero when not pacing
    Clock::duration delay_ {};

    std::deque<TimedByte> input_;      // received, not yet counted as arrived
    Time rxLineFree_ = start_;
    std::deque<TimedByte> output_;     // reply bytes not yet due
    std::deque<TimedReply> pendingTrace_;
    Time txLineFree_ = start_;
    Bytes writeBuffer_;                // due, not yet taken by the pty

    // The adapter: its latency timer ticks from start_; bytes held for the
    // tick heldTick_ so far.
    Clock::duration latency_ {};
    Time heldTick_ {};
    int held_ = 0;

    enum class StdinState { Ours, Background, Closed };
    static StdinState StdinNow();

    bool watchStdin_ = true;
    std::string stdinLine_;
    bool quit_ = false;
};
