#include "sim/TraceLog.h"

#include <cerrno>
#include <cstring>

TraceLog::~TraceLog()
{
    if (file_)
        std::fclose(file_);
}

bool TraceLog::open(const std::string& path, std::string& error)
{
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = "cannot write trace " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

std::string TraceLog::format(double seconds, bool fromPc, const std::vector<uint8_t>& bytes)
{
    char head[48];
    std::snprintf(head, sizeof head, "%.6f %s", seconds, fromPc ? "PC" : "DEV");
    std::string line = head;
    static const char digits[] = "0123456789ABCDEF";
    for (uint8_t b : bytes) {
        line += ' ';
        line += digits[b >> 4];
        line += digits[b & 0x0F];
    }
    return line;
}

void TraceLog::write(double seconds, bool fromPc, const std::vector<uint8_t>& bytes)
{
    if (!file_)
        return;
    const std::string line = format(seconds, fromPc, bytes);
    std::fprintf(file_, "%s\n", line.c_str());
    std::fflush(file_);
}
