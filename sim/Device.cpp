#include "sim/Device.h"

std::optional<Bytes> FrameParser::feed(uint8_t byte)
{
    frame_.push_back(byte);
    if (frame_.size() < static_cast<size_t>(frame_[0]) + 1)
        return std::nullopt;
    Bytes done;
    done.swap(frame_);
    return done;
}

Device::Device(const SimOptions& options)
    : options_(options)
    , chip_(options.size)
{
    chip_.setFailAddress(options.failAt);
    chip_.setStuckAddress(options.stuckAt);
    flakyState_.assign(options.flaky.size(), 0x2545F491u);
}

std::optional<Bytes> Device::handle(const Bytes& frame)
{
    if (frame.size() == 2 && frame[0] == 0x01)
        return command(frame[1]);
    if (frame.size() == 5 && frame[0] == 0x04 && frame[3] == 0x00 && frame[4] == 0x01)
        return blockRequest(frame[1] * 256L + frame[2]);
    if (frame.size() == 21 && frame[0] == 0x14 && frame[3] == 0x00 && frame[4] == 0x10)
        return blockWrite(frame[1] * 256L + frame[2], frame.data() + 5);
    return std::nullopt; // unknown frame: ignored (it is in the trace)
}

std::optional<Bytes> Device::command(uint8_t letter)
{
    switch (letter) {
    case 'T': {
        Bytes reply = {'Q', 'U', 'I', 'R', 'R', 'A', ' ', ' ',
                       static_cast<uint8_t>(options_.firmware[0]),
                       static_cast<uint8_t>(options_.firmware[1])};
        if (options_.probeBytes == 0)
            return std::nullopt;
        reply.resize(static_cast<size_t>(options_.probeBytes), 0x00);
        writeMode_ = false;
        return finish(reply);
    }
    case 'R':
        readArmed_ = true;
        return std::nullopt;
    case 'W':
        writeMode_ = !writeMode_;
        return std::nullopt;
    case 'E':
        chip_.erase();
        writeMode_ = false;
        return std::nullopt;
    case 'L':
        chip_.lock();
        writeMode_ = false;
        return std::nullopt;
    case 'I':
        writeMode_ = false;
        readArmed_ = false;
        return std::nullopt;
    default:
        if (letter >= 0x61) {
            typeCode_ = letter - 0x60;
            writeMode_ = false;
        }
        return std::nullopt;
    }
}

int Device::takeLateness()
{
    const int ms = lateness_;
    lateness_ = 0;
    return ms;
}

bool Device::answers(long address)
{
    if (!lateDone_ && address / 16 == options_.lateBlock) {
        lateDone_ = true;
        lateness_ = 1500;
    }
    return options_.noReplyFrom < 0 || address / 16 < options_.noReplyFrom;
}

std::optional<Bytes> Device::blockRequest(long address)
{
    const bool armed = readArmed_;
    readArmed_ = false;
    if (!answers(address) || (options_.strict && !armed))
        return std::nullopt;
    Bytes reply;
    reply.push_back(static_cast<uint8_t>(options_.replyCount));
    for (long i = 0; i < 16; ++i)
        reply.push_back(chip_.read(address + i));
    flakyReads(address, reply);
    reply.resize(static_cast<size_t>(options_.shortReply));
    return finish(reply);
}

void Device::flakyReads(long address, Bytes& reply)
{
    for (size_t k = 0; k < options_.flaky.size(); ++k) {
        const FlakyByte& f = options_.flaky[k];
        if (f.address < address || f.address >= address + 16)
            continue;
        // xorshift32: the same sequence of reads flips in every run.
        uint32_t& x = flakyState_[k];
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        if (x % 3 == 0)
            reply[static_cast<size_t>(1 + f.address - address)] ^= static_cast<uint8_t>(f.mask);
    }
}

std::optional<Bytes> Device::blockWrite(long address, const uint8_t* data)
{
    if (!answers(address))
        return std::nullopt;
    if (options_.strict && !writeMode_)
        return finish({0x14, 0x02, static_cast<uint8_t>(address & 0xFF)});
    const long failed = chip_.program(address, data);
    if (failed < 0)
        return finish({static_cast<uint8_t>(options_.writeReply >> 16), static_cast<uint8_t>(options_.writeReply >> 8),
                       static_cast<uint8_t>(options_.writeReply)});
    return finish({0x14, 0x01, static_cast<uint8_t>(failed & 0xFF)});
}

std::optional<Bytes> Device::finish(Bytes reply) const
{
    reply.insert(reply.end(), static_cast<size_t>(options_.extra), 0xEE);
    if (reply.empty())
        return std::nullopt;
    return reply;
}
