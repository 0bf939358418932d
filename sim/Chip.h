// The memory chip in the programmer's socket: up to 64 KiB that programming
// can only turn from 1 to 0, an erase back to all 1s, and a lock.
#pragma once

#include <array>
#include <cstdint>
#include <string>

class Chip {
public:
    static constexpr int MaxSize = 65536;

    // size is clamped to 1..MaxSize. The chip starts erased and unlocked.
    explicit Chip(int size);

    int size() const { return size_; }
    bool locked() const { return locked_; }

    // Bytes beyond the chip read 0xFF.
    uint8_t read(long address) const;

    // Programs bytes[0..15] at address..address+15, one byte after the other:
    // a byte becomes old & new. Stops at the first address that cannot take
    // its byte (a 1 over a 0, beyond the chip, the forced failure address,
    // or any address of a locked chip); that byte and the rest stay as they
    // were. Returns -1 when all 16 were written, else the failing address.
    long program(long address, const uint8_t* bytes);

    // Everything 0xFF (but the stuck address, which becomes 0x00), lock
    // cleared.
    void erase();
    void lock() { locked_ = true; }

    // Programming of this address always fails; -1 for none.
    void setFailAddress(long address) { failAddress_ = address; }
    // A cell that no erase clears; -1 for none.
    void setStuckAddress(long address) { stuckAddress_ = address; }

    // Loads a binary image: byte p is address p. Returns false with error set
    // when the file cannot be read.
    bool load(const std::string& path, std::string& error);
    // Writes the image (size() bytes) through a temporary file that replaces
    // path only when it is complete.
    bool save(const std::string& path, std::string& error) const;

private:
    std::array<uint8_t, MaxSize> image_;
    int size_;
    bool locked_ = false;
    long failAddress_ = -1;
    long stuckAddress_ = -1;
};
