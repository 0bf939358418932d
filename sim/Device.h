// The programmer's side of the protocol: splitting the byte stream into
// frames and answering each frame, with the faults chosen on the command
// line. No timing here; SimLoop decides when bytes count as received and
// when replies go out.
#pragma once

#include "sim/Chip.h"
#include "sim/SimOptions.h"

#include <cstdint>
#include <optional>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Frames from the PC: a length byte n, then n bytes. Fed one byte at a time.
class FrameParser {
public:
    // Returns the whole frame (length byte included) when byte completes one.
    std::optional<Bytes> feed(uint8_t byte);

private:
    Bytes frame_;
};

class Device {
public:
    explicit Device(const SimOptions& options);

    // Handles one whole frame; returns the reply to send, if any (never
    // empty).
    std::optional<Bytes> handle(const Bytes& frame);

    const Chip& chip() const { return chip_; }
    Chip& chip() { return chip_; }
    // Type code from the last type letter, 0 before any.
    int typeCode() const { return typeCode_; }
    bool writeMode() const { return writeMode_; }
    // Extra delay in ms for the reply to the frame handle() just took
    // (--late-block); asked once after each frame.
    int takeLateness();

private:
    std::optional<Bytes> command(uint8_t letter);
    std::optional<Bytes> blockRequest(long address);
    std::optional<Bytes> blockWrite(long address, const uint8_t* data);
    bool answers(long address);
    // The flaky bytes' flips applied to a block read from address.
    void flakyReads(long address, Bytes& data);
    std::optional<Bytes> finish(Bytes reply) const;

    SimOptions options_;
    Chip chip_;
    int typeCode_ = 0;
    bool writeMode_ = false;
    bool readArmed_ = false;
    bool lateDone_ = false;
    int lateness_ = 0;
    std::vector<uint32_t> flakyState_;  // one generator per --flaky, fixed seed
};
