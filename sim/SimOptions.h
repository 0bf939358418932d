// Command line of quirra-sim.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A byte that reads back wrong now and then: the bits of mask flipped.
struct FlakyByte {
    int address;
    int mask;
};

struct SimOptions {
    std::string link;            // symlink to the pty slave, empty for none
    std::string traceFile;       // wire log, empty for none
    std::string dumpFile;        // image written at exit, empty for none
    std::string imageFile;       // initial image, empty for erased
    int size = 65536;            // chip size in bytes
    char firmware[2] = {'2', '1'};// bytes 8 and 9 of the probe reply
    int probeBytes = 10;         // length of the probe reply, 0 for none
    int noReplyFrom = -1;        // first block that gets no reply, -1 for none
    int shortReply = 17;         // bytes of a block reply that are sent
    int extra = 0;               // 0xEE bytes after each reply
    int delayMs = 0;             // delay before each reply
    int failAt = -1;             // address whose programming always fails
    int paceBaud = 0;            // line rate to emulate, 0 for none
    bool strict = false;         // insist on "W" before writes and "R" before reads
    int writeReply = 0x140000;   // status reply to a block written well (3 bytes)
    int lateBlock = -1;          // block whose first reply comes 1.5 s late, -1 for none
    int stuckAt = -1;            // address that an erase leaves at 0x00, -1 for none
    int replyCount = 0x11;       // byte 0 of every block reply
    std::vector<FlakyByte> flaky;  // --flaky, in the order given

    // A USB serial adapter between the programmer and the PC.
    int replyLatencyMs = 0;      // replies wait for the next tick of this timer, 0 for none
    bool dribble = false;        // replies come one byte at a time with gaps
};

enum class ParseResult { Run, Help, Version, Error };

// Fills options from argv. On Error, error says what was wrong.
ParseResult ParseOptions(int argc, char** argv, SimOptions& options, std::string& error);

// The text printed by --help.
std::string UsageText();

// Reads a number in decimal or, with a 0x prefix, hexadecimal. False when
// text is not such a number or lies outside min..max.
bool ParseNumber(const std::string& text, long min, long max, long& value);
