#include "sim/Chip.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

Chip::Chip(int size)
    : size_(size < 1 ? 1 : (size > MaxSize ? MaxSize : size))
{
    image_.fill(0xFF);
}

uint8_t Chip::read(long address) const
{
    if (address < 0 || address >= size_)
        return 0xFF;
    return image_[static_cast<size_t>(address)];
}

long Chip::program(long address, const uint8_t* bytes)
{
    if (locked_)
        return address;
    for (long i = 0; i < 16; ++i) {
        const long a = address + i;
        if (a < 0 || a >= size_ || a == failAddress_)
            return a;
        uint8_t& cell = image_[static_cast<size_t>(a)];
        if ((cell & bytes[i]) != bytes[i])
            return a;
        cell = static_cast<uint8_t>(cell & bytes[i]);
    }
    return -1;
}

void Chip::erase()
{
    image_.fill(0xFF);
    if (stuckAddress_ >= 0 && stuckAddress_ < size_)
        image_[static_cast<size_t>(stuckAddress_)] = 0x00;
    locked_ = false;
}

bool Chip::load(const std::string& path, std::string& error)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open image " + path + ": " + std::strerror(errno);
        return false;
    }
    const size_t got = std::fread(image_.data(), 1, static_cast<size_t>(size_), f);
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    if (bad) {
        error = "cannot read image " + path;
        return false;
    }
    for (size_t i = got; i < static_cast<size_t>(size_); ++i)
        image_[i] = 0xFF;
    return true;
}

bool Chip::save(const std::string& path, std::string& error) const
{
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) {
        error = "cannot write dump " + temp + ": " + std::strerror(errno);
        return false;
    }
    const size_t put = std::fwrite(image_.data(), 1, static_cast<size_t>(size_), f);
    const bool bad = put != static_cast<size_t>(size_) || std::fflush(f) != 0;
    if (std::fclose(f) != 0 || bad) {
        std::remove(temp.c_str());
        error = "cannot write dump " + temp;
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
