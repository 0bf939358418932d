// The wire log: one line per frame, "<seconds> PC|DEV <hex bytes>", written
// and flushed as each frame passes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class TraceLog {
public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Creates or truncates path. False with error set on failure.
    bool open(const std::string& path, std::string& error);

    // seconds since the start of the run; fromPc chooses PC or DEV. Does
    // nothing while no file is open.
    void write(double seconds, bool fromPc, const std::vector<uint8_t>& bytes);

    // The line as written, without its line break.
    static std::string format(double seconds, bool fromPc, const std::vector<uint8_t>& bytes);

private:
    FILE* file_ = nullptr;
};
