// The pseudo terminal the PC program opens as its serial port. The emulator
// works on the master side and keeps a slave descriptor of its own open, so
// the master never sees a hang-up when the program closes and reopens the
// port.
#pragma once

#include <string>

class Pty {
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Opens master and slave, slave in raw mode, master non-blocking.
    bool open(std::string& error);
    // Makes link a symlink to the slave, replacing an old symlink there.
    bool makeLink(const std::string& link, std::string& error);
    // Removes the link again if it still points at our slave.
    void removeLink();

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string link_;
};
