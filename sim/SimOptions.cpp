#include "sim/SimOptions.h"

#include <cctype>
#include <cstring>

std::string UsageText()
{
    return
        "Usage: quirra-sim [options]\n"
        "Emulates the Quirra device programmer on a pseudo terminal. Prints\n"
        "\"ready <slave path>\" when it accepts frames; ends on SIGTERM, SIGINT\n"
        "or a line \"quit\" on stdin (a terminal is read only while quirra-sim runs\n"
        "in its foreground, so it can run in the background with &).\n"
        "Numbers are decimal or hexadecimal with a 0x prefix.\n"
        "\n"
        "  --link PATH         make PATH a symlink to the pty slave (removed at exit)\n"
        "  --trace FILE        log every frame: \"<seconds> PC|DEV <hex bytes>\"\n"
        "  --dump FILE         write the chip image to FILE at exit\n"
        "  --image FILE        load the chip image from FILE (binary, byte p = address p);\n"
        "                      missing bytes stay 0xFF, extra bytes are dropped\n"
        "  --size N            chip size in bytes, 1..65536 (default 65536)\n"
        "  --firmware X.Y      firmware version in bytes 8 and 9 of the probe reply\n"
        "                      (default 2.1)\n"
        "  --strict            block writes fail unless \"W\" turned write mode on;\n"
        "                      a block request gets a reply only after its own \"R\"\n"
        "\n"
        "Fault injection:\n"
        "  --probe-bytes N     the probe reply has N bytes, 0 = no reply (default 10;\n"
        "                      bytes beyond 10 are 0x00)\n"
        "  --no-reply-from N   no reply to block requests and block writes of block N\n"
        "                      (address / 16) and above; such writes are not carried out\n"
        "  --short-reply N     block replies carry only their first N bytes (0..17)\n"
        "  --extra N           N extra bytes 0xEE after each reply\n"
        "  --delay MS          delay every reply by MS milliseconds\n"
        "  --fail-at ADDR      programming of address ADDR always fails\n"
        "  --pace BAUD         receive and send at the line rate of BAUD (10 bits a byte)\n"
        "  --write-reply X     the 3-byte status reply to a block written well, as one\n"
        "                      number, bytes 0 to 2 from high to low (default 0x140000)\n"
        "  --late-block N      the first reply to a frame of block N comes 1.5 s late\n"
        "  --stuck-at ADDR     an erase leaves address ADDR at 0x00 instead of 0xFF\n"
        "  --reply-count N     byte 0 of every block reply (default 0x11)\n"
        "  --flaky ADDR[:MASK] some reads of address ADDR flip the bits of MASK\n"
        "                      (default 0x01), about one read in three, the same\n"
        "                      reads every run; may be given more than once\n"
        "\n"
        "USB serial adapters:\n"
        "  --reply-latency MS  deliver replies as an FTDI adapter does: received bytes\n"
        "                      wait for the next tick of a free-running MS timer, or\n"
        "                      until 62 bytes wait\n"
        "  --dribble           send each reply one byte at a time, 2 ms apart\n"
        "\n"
        "  --help              show this text\n"
        "  --version           show the program's version\n";
}

bool ParseNumber(const std::string& text, long min, long max, long& value)
{
    if (text.empty())
        return false;
    int base = 10;
    size_t pos = 0;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        pos = 2;
    }
    long result = 0;
    for (; pos < text.size(); ++pos) {
        const unsigned char c = static_cast<unsigned char>(text[pos]);
        int digit;
        if (std::isdigit(c))
            digit = c - '0';
        else if (base == 16 && std::isxdigit(c))
            digit = std::tolower(c) - 'a' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > max)
            return false;
    }
    if (result < min)
        return false;
    value = result;
    return true;
}

namespace {

bool ParseVersion(const std::string& text, char out[2])
{
    std::string digits;
    for (char c : text)
        if (c != '.')
            digits += c;
    if (digits.size() != 2)
        return false;
    out[0] = digits[0];
    out[1] = digits[1];
    return true;
}

struct NumberOption {
    const char* name;
    long min;
    long max;
    int SimOptions::*field;
};

const NumberOption numberOptions[] = {
    {"--size", 1, 65536, &SimOptions::size},
    {"--probe-bytes", 0, 255, &SimOptions::probeBytes},
    {"--no-reply-from", 0, 4096, &SimOptions::noReplyFrom},
    {"--short-reply", 0, 17, &SimOptions::shortReply},
    {"--extra", 0, 255, &SimOptions::extra},
    {"--delay", 0, 600000, &SimOptions::delayMs},
    {"--fail-at", 0, 65535, &SimOptions::failAt},
    {"--pace", 1, 10000000, &SimOptions::paceBaud},
    {"--write-reply", 0, 0xFFFFFF, &SimOptions::writeReply},
    {"--late-block", 0, 4095, &SimOptions::lateBlock},
    {"--stuck-at", 0, 65535, &SimOptions::stuckAt},
    {"--reply-count", 0, 255, &SimOptions::replyCount},
};

struct TextOption {
    const char* name;
    std::string SimOptions::*field;
};

const TextOption textOptions[] = {
    {"--link", &SimOptions::link},
    {"--trace", &SimOptions::traceFile},
    {"--dump", &SimOptions::dumpFile},
    {"--image", &SimOptions::imageFile},
};

} // namespace

ParseResult ParseOptions(int argc, char** argv, SimOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::string value;
        bool hasValue = false;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h")
            return ParseResult::Help;
        if (name == "--version") {
            // Earlier versions took the firmware version here: say where it went.
            if (hasValue || (i + 1 < argc && argv[i + 1][0] != '-')) {
                error = "--version takes no value; the firmware version is set with --firmware X.Y";
                return ParseResult::Error;
            }
            return ParseResult::Version;
        }
        if (name == "--strict" && !hasValue) {
            options.strict = true;
            continue;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        // A USB serial adapter between the programmer and the PC.
        if (name == "--dribble" && !hasValue) {
            options.dribble = true;
            continue;
        }
        if (name == "--reply-latency") {
            long ms = 0;
            if (!takeValue())
                return ParseResult::Error;
            if (!ParseNumber(value, 0, 255, ms)) {
                error = "bad value for " + name + ": " + value;
                return ParseResult::Error;
            }
            options.replyLatencyMs = static_cast<int>(ms);
            continue;
        }
        bool known = false;
        for (const NumberOption& o : numberOptions) {
            if (name != o.name)
                continue;
            known = true;
            if (!takeValue())
                return ParseResult::Error;
            long n = 0;
            if (!ParseNumber(value, o.min, o.max, n)) {
                error = "bad value for " + name + ": " + value;
                return ParseResult::Error;
            }
            options.*o.field = static_cast<int>(n);
        }
        for (const TextOption& o : textOptions) {
            if (name != o.name)
                continue;
            known = true;
            if (!takeValue())
                return ParseResult::Error;
            if (value.empty()) {
                error = "empty value for " + name;
                return ParseResult::Error;
            }
            options.*o.field = value;
        }
        if (name == "--flaky") {
            known = true;
            if (!takeValue())
                return ParseResult::Error;
            const size_t colon = value.find(':');
            long address = 0, mask = 0x01;
            if (!ParseNumber(value.substr(0, colon), 0, 65535, address)
                || (colon != std::string::npos && !ParseNumber(value.substr(colon + 1), 1, 255, mask))) {
                error = "bad value for --flaky (ADDR or ADDR:MASK, ADDR 0..65535, MASK 1..255): " + value;
                return ParseResult::Error;
            }
            options.flaky.push_back({static_cast<int>(address), static_cast<int>(mask)});
        }
        if (name == "--firmware") {
            known = true;
            if (!takeValue())
                return ParseResult::Error;
            if (!ParseVersion(value, options.firmware)) {
                error = "bad value for --firmware (two characters, e.g. 2.1): " + value;
                return ParseResult::Error;
            }
        }
        if (!known) {
            error = "unknown option: " + std::string(argv[i]);
            return ParseResult::Error;
        }
    }
    return ParseResult::Run;
}
