// Ctrl+C (SIGINT) and SIGTERM as an event: the handler only writes a byte
// to a pipe, and the event loop calls back, so that a run ends at a point
// of its own choosing. While one exists, getline on standard input returns
// early when a signal arrives (no restart), so a prompt does not hold the
// end up.
#pragma once

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace cli {

class StopSignal : public QObject {
public:
    explicit StopSignal(std::function<void()> onStop);
    ~StopSignal() override;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    bool stopped() const { return stopped_; }

private:
    std::function<void()> onStop_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool stopped_ = false;
};

}  // namespace cli
