#include "sim/SimOptions.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace zarn::sim {

const char* usageText()
{
    return R"(Usage: zarn-sim --port N [options]

A virtual display module on a pseudo-terminal. It puts the link COM<N> to the
pseudo-terminal into the port folder (ZARN_PORT_DIR, else zarn/ports under the
user's runtime folder), prints "zarn-sim: COM<N> -> /dev/pts/K" when ready,
answers the identification request and the programming frames like a module,
and removes its link when it ends (also on SIGINT, SIGTERM and SIGHUP).

Module:
  --port N             port number of the link COM<N> (1 to 255), required
  --model CODE         type code in word 2 of the identification (default 2404)
  --firmware N         firmware version in word 0 (default 12)
  --memory SIZE        memory size in word 5: 4M, 8M, 16M, 32M or a byte count
                       (default 4M). The sizes follow the resource files the
                       tool creates: 4M = 4194304, 8M = 8388608,
                       16M = 12582912 (12288 KiB), 32M = 16777216 (16384 KiB).
  --save FILE          at the end, write the image received by the last start
                       request (its bytes in order; the announced size when
                       the transfer completed, what arrived otherwise)
  --once               end after the first completed transfer
  --idle-timeout S     end after S seconds without input (default 30; 0: never)
  --verbose            describe every frame on standard error

Like a real module it checks what it receives: a frame with a wrong checksum
is counted and not acted on (no answer, its data not stored); a start request
larger than the memory, a data block beyond the announced size, a frame with
an unknown command or a malformed payload is not answered either. Bytes that
cannot start a frame are skipped; a partial frame that stops arriving for
100 ms is given up one byte at a time, so that frames behind it are found.

Fault modes (for tests; all deterministic):
  --drop-ack K         do not send the K-th acknowledgement (counting the 0x10
                       and 0x12 acknowledgements together from 1); repeatable
  --wrong-ack-code[=K] answer with command code + 1 (0x11, 0x13) instead of
                       0x10 / 0x12: every acknowledgement, or only the K-th
  --split-reply[=MS]   write every reply in three pieces (2 bytes, the middle,
                       the last byte) with pauses of MS ms (default 20, < 50)
  --stall-reply MS     pause MS ms (give > 50) after the first half of every reply
  --garbage-before-reply
                       write the four bytes A5 5A FF 00 before every reply, in
                       the same write
  --hangup-after K     after answering the K-th frame, close the
                       pseudo-terminal, remove the link and end
  --baud RATE          pace at RATE baud, 10 bits per byte: every byte sent
                       leaves no earlier than the wire would deliver it, and a
                       reply starts no earlier than the received bytes would
                       have taken to arrive

At the end a summary goes to standard output (frames, bytes, checksum errors,
image, problems). Exit status: 0 when everything was in order; otherwise the
sum of the problems seen: 1 wrong checksums, 2 start request larger than the
memory, 4 data beyond the announced size, 8 transfer incomplete (ended,
restarted or hung up before all announced bytes arrived), 16 noise bytes,
malformed frames or unknown commands. 64 usage error, 71 the pseudo-terminal
could not be set up, 73 the link could not be created, 74 --save failed.
)";
}

namespace {

bool parseUnsigned(const std::string& text, std::uint64_t max, std::uint64_t& value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v > max)
        return false;
    value = v;
    return true;
}

} // namespace

bool parseMemory(const std::string& text, std::uint32_t& bytes)
{
    if (text == "4M" || text == "4m") { bytes = 4194304; return true; }
    if (text == "8M" || text == "8m") { bytes = 8388608; return true; }
    if (text == "16M" || text == "16m") { bytes = 12582912; return true; }
    if (text == "32M" || text == "32m") { bytes = 16777216; return true; }
    std::uint64_t v = 0;
    if (!parseUnsigned(text, std::numeric_limits<std::uint32_t>::max(), v))
        return false;
    bytes = static_cast<std::uint32_t>(v);
    return true;
}

int parseOptions(int argc, char** argv, SimOptions& o, std::string& error)
{
    auto fail = [&](const std::string& text) {
        error = text;
        return kExitUsage;
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string inlineValue;
        bool hasInline = false;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInline = true;
        }
        auto value = [&](std::string& out) {
            if (hasInline) { out = inlineValue; return true; }
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto number = [&](std::uint64_t max, std::uint64_t min, std::uint64_t& out) {
            std::string text;
            if (!value(text))
                return false;
            return parseUnsigned(text, max, out) && out >= min;
        };
        std::uint64_t n = 0;
        if (arg == "--help" || arg == "-h") {
            return -1;
        } else if (arg == "--port") {
            if (!number(255, 1, n)) return fail("--port needs a number from 1 to 255");
            o.port = static_cast<int>(n);
        } else if (arg == "--model") {
            if (!number(0xFFFFFFFFu, 0, n)) return fail("--model needs a type code such as 2404");
            o.module.modelCode = static_cast<std::uint32_t>(n);
        } else if (arg == "--firmware") {
            if (!number(0xFFFFFFFFu, 0, n)) return fail("--firmware needs a number");
            o.module.firmware = static_cast<std::uint32_t>(n);
        } else if (arg == "--memory") {
            std::string text;
            if (!value(text) || !parseMemory(text, o.module.memoryBytes))
                return fail("--memory needs 4M, 8M, 16M, 32M or a byte count");
        } else if (arg == "--save") {
            if (!value(o.saveFile) || o.saveFile.empty()) return fail("--save needs a file name");
        } else if (arg == "--once") {
            o.once = true;
        } else if (arg == "--verbose") {
            o.verbose = true;
        } else if (arg == "--idle-timeout") {
            std::string text;
            char* end = nullptr;
            if (!value(text) || text.empty())
                return fail("--idle-timeout needs a number of seconds");
            const double s = std::strtod(text.c_str(), &end);
            if (*end != '\0' || !(s >= 0) || s > 1e6)
                return fail("--idle-timeout needs a number of seconds");
            o.idleTimeoutSeconds = s;
        } else if (arg == "--drop-ack") {
            if (!number(std::numeric_limits<std::uint64_t>::max(), 1, n)) return fail("--drop-ack needs a number from 1");
            o.dropAcks.insert(n);
        } else if (arg == "--wrong-ack-code") {
            o.wrongAckCode = true;
            if (hasInline) {
                if (!parseUnsigned(inlineValue, std::numeric_limits<std::uint64_t>::max(), n) || n == 0)
                    return fail("--wrong-ack-code=K needs a number from 1");
                o.wrongAckNumber = n;
            }
        } else if (arg == "--split-reply") {
            o.splitReply = true;
            if (hasInline) {
                if (!parseUnsigned(inlineValue, 10000, n)) return fail("--split-reply=MS needs milliseconds");
                o.splitPauseMs = static_cast<int>(n);
            }
        } else if (arg == "--stall-reply") {
            if (!number(60000, 1, n)) return fail("--stall-reply needs milliseconds (at most 60000)");
            o.stallReplyMs = static_cast<int>(n);
        } else if (arg == "--garbage-before-reply") {
            o.garbageBeforeReply = true;
        } else if (arg == "--hangup-after") {
            if (!number(std::numeric_limits<std::uint64_t>::max(), 1, n)) return fail("--hangup-after needs a number from 1");
            o.hangupAfter = n;
        } else if (arg == "--baud") {
            if (!number(100000000, 1, n)) return fail("--baud needs a rate such as 115200");
            o.baud = static_cast<std::uint32_t>(n);
        } else {
            return fail("unknown option " + std::string(argv[i]));
        }
        if (hasInline && (arg == "--once" || arg == "--verbose" || arg == "--garbage-before-reply"))
            return fail(arg + " takes no value");
    }
    if (o.port == 0)
        return fail("--port N is required");
    return 0;
}

} // namespace zarn::sim
