#include "sim/SimLoop.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <unistd.h>

SimLoop::SimLoop(const SimOptions& options, Device& device, Pty& pty, TraceLog& trace)
    : options_(options)
    , device_(device)
    , pty_(pty)
    , trace_(trace)
{
    if (options.paceBaud > 0)
        byteTime_ = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(10.0 / options.paceBaud));
    delay_ = std::chrono::milliseconds(options.delayMs);
    latency_ = std::chrono::milliseconds(options.replyLatencyMs);
}

double SimLoop::seconds(Time t) const
{
    return std::chrono::duration<double>(t - start_).count();
}

SimLoop::StdinState SimLoop::StdinNow()
{
    if (!::isatty(STDIN_FILENO))
        return StdinState::Ours;  // a pipe or a file: whoever started the emulator feeds it
    return ::tcgetpgrp(STDIN_FILENO) == ::getpgrp() ? StdinState::Ours : StdinState::Background;
}

int SimLoop::run(int signalFd, std::string& error)
{
    while (!quit_) {
        Time now = Clock::now();
        takeDueInput(now);
        releaseDueOutput(now);
        if (!writeOutput(error))
            return 1;

        pollfd fds[3];
        nfds_t count = 0;
        fds[count++] = {signalFd, POLLIN, 0};
        fds[count++] = {pty_.master(), static_cast<short>(POLLIN | (writeBuffer_.empty() ? 0 : POLLOUT)), 0};
        // A terminal is read only while the emulator is in its foreground:
        // started with & it must not be stopped for reading it. Moved to the
        // foreground later, it looks again within a second.
        const StdinState state = watchStdin_ ? StdinNow() : StdinState::Closed;
        const int stdinIndex = state == StdinState::Ours ? static_cast<int>(count) : -1;
        if (stdinIndex >= 0)
            fds[count++] = {STDIN_FILENO, POLLIN, 0};

        bool timed = false;
        Time next {};
        if (state == StdinState::Background) {
            next = now + std::chrono::seconds(1);
            timed = true;
        }
        if (!input_.empty() && (!timed || input_.front().due < next)) {
            next = input_.front().due;
            timed = true;
        }
        if (!output_.empty() && (!timed || output_.front().due < next)) {
            next = output_.front().due;
            timed = true;
        }
        timespec wait {};
        if (timed) {
            const auto left = std::max(Clock::duration::zero(), next - now);
            const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            wait.tv_sec = static_cast<time_t>(ns / 1000000000);
            wait.tv_nsec = static_cast<long>(ns % 1000000000);
        }
        const int ready = ::ppoll(fds, count, timed ? &wait : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            error = std::string("poll failed: ") + std::strerror(errno);
            return 1;
        }
        now = Clock::now();
        if (fds[0].revents & POLLIN)
            quit_ = true;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) {
            if (!readMaster(now, error))
                return 1;
        }
        if (stdinIndex >= 0 && fds[stdinIndex].revents != 0)
            readStdin();
    }
    return 0;
}

bool SimLoop::readMaster(Time now, std::string& error)
{
    uint8_t chunk[4096];
    const ssize_t n = ::read(pty_.master(), chunk, sizeof chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR))
        return true;
    if (n <= 0) {
        error = std::string("pty master failed: ") + (n < 0 ? std::strerror(errno) : "end of file");
        return false;
    }
    for (ssize_t i = 0; i < n; ++i) {
        Time due = now;
        if (byteTime_ != Clock::duration::zero()) {
            rxLineFree_ = std::max(now, rxLineFree_) + byteTime_;
            due = rxLineFree_;
        }
        input_.push_back({due, chunk[i]});
    }
    return true;
}

void SimLoop::readStdin()
{
    char chunk[256];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EAGAIN || errno == EINTR || errno == EIO))
        return;  // EIO: the terminal went to another job since the poll
    if (n <= 0) {
        watchStdin_ = false; // end of input does not end the emulator
        return;
    }
    for (ssize_t i = 0; i < n; ++i) {
        if (chunk[i] != '\n') {
            if (stdinLine_.size() < 256)
                stdinLine_ += chunk[i];
            continue;
        }
        std::string line = stdinLine_;
        stdinLine_.clear();
        const auto first = line.find_first_not_of(" \t\r");
        const auto last = line.find_last_not_of(" \t\r");
        if (first != std::string::npos && line.substr(first, last - first + 1) == "quit")
            quit_ = true;
    }
}

void SimLoop::takeDueInput(Time now)
{
    while (!input_.empty() && input_.front().due <= now) {
        const TimedByte b = input_.front();
        input_.pop_front();
        std::optional<Bytes> frame = parser_.feed(b.byte);
        if (!frame)
            continue;
        trace_.write(seconds(b.due), true, *frame);
        std::optional<Bytes> reply = device_.handle(*frame);
        const auto late = std::chrono::milliseconds(device_.takeLateness());
        if (reply)
            scheduleReply(std::move(*reply), b.due + delay_ + late);
    }
}

void SimLoop::scheduleReply(Bytes reply, Time ready)
{
    // Dribbled bytes leave 2 ms apart: 17 of them well within a second.
    const auto gap = options_.dribble ? std::chrono::milliseconds(2) : Clock::duration::zero();
    const Time begin = std::max(ready, txLineFree_);
    Time due = begin;
    for (size_t i = 0; i < reply.size(); ++i) {
        if (i > 0)
            due += gap;
        due += byteTime_; // each byte counts as sent once its time on the line is over
        output_.push_back({adapterDue(due), reply[i]});
    }
    txLineFree_ = due;
    pendingTrace_.push_back({begin + byteTime_, std::move(reply)});
}

// An FTDI adapter sends what it holds at each tick of its latency timer, or
// at once when its 62-byte buffer is full.
SimLoop::Time SimLoop::adapterDue(Time lineDue)
{
    if (latency_ == Clock::duration::zero())
        return lineDue;
    const auto ticks = (lineDue - start_ + latency_ - Clock::duration(1)) / latency_;
    const Time tick = start_ + ticks * latency_;
    if (tick != heldTick_) {
        heldTick_ = tick;
        held_ = 0;
    }
    if (++held_ < 62)
        return tick;
    for (auto it = output_.rbegin(); it != output_.rend() && it->due == tick; ++it)
        it->due = lineDue;
    held_ = 0;
    return lineDue;
}

void SimLoop::releaseDueOutput(Time now)
{
    while (!pendingTrace_.empty() && pendingTrace_.front().due <= now) {
        trace_.write(seconds(now), false, pendingTrace_.front().bytes);
        pendingTrace_.pop_front();
    }
    while (!output_.empty() && output_.front().due <= now) {
        writeBuffer_.push_back(output_.front().byte);
        output_.pop_front();
    }
}

bool SimLoop::writeOutput(std::string& error)
{
    while (!writeBuffer_.empty()) {
        const ssize_t n = ::write(pty_.master(), writeBuffer_.data(), writeBuffer_.size());
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return true; // the poll waits for POLLOUT
            error = std::string("write to the pty failed: ") + std::strerror(errno);
            return false;
        }
        writeBuffer_.erase(writeBuffer_.begin(), writeBuffer_.begin() + n);
    }
    return true;
}
