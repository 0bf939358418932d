#include "sim/Pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

Pty::~Pty()
{
    removeLink();
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
}

bool Pty::open(std::string& error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("cannot open a pseudo terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        error = std::string("ptsname failed: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error = "cannot open " + slavePath_ + ": " + std::strerror(errno);
        return false;
    }
    termios tio {};
    if (::tcgetattr(slave_, &tio) != 0) {
        error = std::string("tcgetattr failed: ") + std::strerror(errno);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (::tcsetattr(slave_, TCSANOW, &tio) != 0) {
        error = std::string("tcsetattr failed: ") + std::strerror(errno);
        return false;
    }
    const int flags = ::fcntl(master_, F_GETFL);
    if (flags < 0 || ::fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
        error = std::string("cannot make the master non-blocking: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool Pty::makeLink(const std::string& link, std::string& error)
{
    struct stat st {};
    if (::lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = link + " exists and is not a symlink";
            return false;
        }
        if (::unlink(link.c_str()) != 0) {
            error = "cannot remove old link " + link + ": " + std::strerror(errno);
            return false;
        }
    }
    if (::symlink(slavePath_.c_str(), link.c_str()) != 0) {
        error = "cannot create link " + link + ": " + std::strerror(errno);
        return false;
    }
    link_ = link;
    return true;
}

void Pty::removeLink()
{
    if (link_.empty())
        return;
    char target[4096];
    const ssize_t n = ::readlink(link_.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<size_t>(n)) == slavePath_)
        ::unlink(link_.c_str());
    link_.clear();
}
