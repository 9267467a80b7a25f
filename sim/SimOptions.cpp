#include "sim/SimOptions.h"

#include "common/Version.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace zarn::sim {

namespace {

    constexpr std::uint64_t kNoLimit = std::numeric_limits<std::uint64_t>::max();
    constexpr std::uint64_t kMax32 = std::numeric_limits<std::uint32_t>::max();

    // How a fault option takes its value.
    enum class Takes {
        Nothing, // --garbage-before-reply
        Value, // --drop-ack K or --drop-ack=K
        InlineValue, // --split-reply or --split-reply=MS: only after "=", so that a
                     // following argument is never taken for the value
    };

    using Number = std::optional<std::uint64_t>; // empty: the option came without a value

    struct FaultMode {
        const char* name;
        Takes takes;
        const char* placeholder; // the value's name in --help
        std::uint64_t min, max; // the values accepted
        const char* help; // each "\n" starts a new line in the description column
        void (*set)(SimOptions&, Number);
    };

    // The faults the tests provoke, each described once: the options, their entries
    // under "Fault modes" in --help and what they change all come from here.
    const FaultMode kFaultModes[] = {
        { "--drop-ack", Takes::Value, "K", 1, kNoLimit,
            "do not send the K-th acknowledgement (counting the 0x10\n"
            "and 0x12 acknowledgements together from 1); repeatable",
            [](SimOptions& o, Number k) { o.dropAcks.insert(*k); } },
        { "--wrong-ack-code", Takes::InlineValue, "K", 1, kNoLimit,
            "answer with command code + 1 (0x11, 0x13) instead of\n"
            "0x10 / 0x12: every acknowledgement, or only the K-th",
            [](SimOptions& o, Number k) {
                o.wrongAckCode = true;
                if (k)
                    o.wrongAckNumber = *k;
            } },
        { "--split-reply", Takes::InlineValue, "MS", 0, 10000,
            "write every reply in three pieces (2 bytes, the middle,\n"
            "the last byte) with pauses of MS ms (default 20, < 50)",
            [](SimOptions& o, Number ms) {
                o.splitReply = true;
                if (ms)
                    o.splitPauseMs = static_cast<int>(*ms);
            } },
        { "--stall-reply", Takes::Value, "MS", 1, 60000, "pause MS ms (give > 50) after the first half of every reply",
            [](SimOptions& o, Number ms) { o.stallReplyMs = static_cast<int>(*ms); } },
        { "--garbage-before-reply", Takes::Nothing, "", 0, 0,
            "write the four bytes A5 5A FF 00 before every reply, in\n"
            "the same write",
            [](SimOptions& o, Number) { o.garbageBeforeReply = true; } },
        { "--hangup-after", Takes::Value, "K", 1, kNoLimit,
            "after answering the K-th frame, close the\n"
            "pseudo-terminal, remove the link and end",
            [](SimOptions& o, Number k) { o.hangupAfter = *k; } },
        { "--baud", Takes::Value, "RATE", 1, 100000000,
            "pace at RATE baud, 10 bits per byte: every byte sent\n"
            "leaves no earlier than the wire would deliver it, and a\n"
            "reply starts no earlier than the received bytes would\n"
            "have taken to arrive",
            [](SimOptions& o, Number rate) { o.baud = static_cast<std::uint32_t>(*rate); } },
    };

    const char* const kUsageBeforeFaults = R"(Usage: zarn-sim --port N [options]

A virtual display module on a pseudo-terminal. It puts the link COM<N> to the
pseudo-terminal into the port folder (ZARN_PORT_DIR, else zarn/ports under the
user's runtime folder), prints "zarn-sim: COM<N> -> /dev/pts/K" when ready,
answers the identification request and the programming frames like a module,
and removes its link when it ends (also on SIGINT, SIGTERM and SIGHUP).
Several ports make as many independent modules in one process, each with the
options below and a summary of its own.

Module:
  --port N|A-B         port number of the link COM<N> (1 to 255; the tool
                       numbers links up to COM16), or a range; repeatable
  --model CODE         type code in word 2 of the identification (default 2404)
  --firmware N         firmware version in word 0 (default 12)
  --memory SIZE        memory size in word 5: 4M, 8M, 16M, 32M or a byte count
                       (default 4M). The sizes follow the resource files the
                       tool creates: 4M = 4194304, 8M = 8388608,
                       16M = 12582912 (12288 KiB), 32M = 16777216 (16384 KiB).
  --save FILE          at the end, write the image received by the last start
                       request (its bytes in order; the announced size when
                       the transfer completed, what arrived otherwise); %N in
                       FILE stands for the port number (needed for several)
  --once               end after the first completed transfer
  --replug N,MS        after each completed transfer, N times: remove the link,
                       wait MS ms and come back as a fresh module on a new
                       pseudo-terminal (with --once: end after the transfer
                       that follows the last replug)
  --idle-timeout S     end after S seconds without input (default 30; 0: never)
  --verbose            describe every frame on standard error
  --help               show this help and end
  --version            show the version and end

Like a real module it checks what it receives: a frame with a wrong checksum
is counted and not acted on (no answer, its data not stored); a start request
larger than the memory, a data block beyond the announced size, a frame with
an unknown command or a malformed payload is not answered either. Bytes that
cannot start a frame are skipped; a partial frame that stops arriving for
100 ms is given up one byte at a time, so that frames behind it are found.

Fault modes (for tests; all deterministic):
)";

    const char* const kUsageAfterFaults = R"(
At the end a summary goes to standard output (frames, bytes, checksum errors,
image, problems). Exit status: 0 when everything was in order; otherwise the
sum of the problems seen: 1 wrong checksums, 2 start request larger than the
memory, 4 data beyond the announced size, 8 transfer incomplete (ended,
restarted or hung up before all announced bytes arrived), 16 noise bytes,
malformed frames or unknown commands. 64 usage error, 71 the pseudo-terminal
could not be set up, 73 the link could not be created, 74 --save failed.
)";

    // Where the descriptions start in the option lists of --help.
    constexpr std::size_t kHelpColumn = 23;

    std::string faultUsage(const FaultMode& f)
    {
        switch (f.takes) {
        case Takes::Nothing:
            return f.name;
        case Takes::Value:
            return std::string(f.name) + " " + f.placeholder;
        case Takes::InlineValue:
            return std::string(f.name) + "[=" + f.placeholder + "]";
        }
        return f.name;
    }

    // "  --drop-ack K         do not send ...", the option on a line of its own
    // when it reaches into the description column.
    std::string faultHelp(const FaultMode& f)
    {
        const std::string indent(kHelpColumn, ' ');
        std::string text = "  " + faultUsage(f);
        text += text.size() < kHelpColumn ? std::string(kHelpColumn - text.size(), ' ') : "\n" + indent;
        for (const char* c = f.help; *c; ++c)
            text += *c == '\n' ? "\n" + indent : std::string(1, *c);
        return text + "\n";
    }

    // Numbers are read with strtoull, so 0x... works, but a sign is refused: strtoull
    // would turn "-1" into the largest number instead of failing.
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

    // Our own messages go out as CLI11 errors, so that parseOptions reports every
    // usage error the same way.
    [[noreturn]] void refuse(const std::string& message) { throw CLI::ValidationError(message); }

    std::uint64_t number(const std::string& text, const std::string& option, std::uint64_t min, std::uint64_t max)
    {
        std::uint64_t value = 0;
        if (!parseUnsigned(text, max, value) || value < min)
            refuse(option + " needs a number from " + std::to_string(min)
                + (max == kNoLimit ? std::string() : " to " + std::to_string(max)));
        return value;
    }

    double seconds(const std::string& text)
    {
        char* end = nullptr;
        const double s = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !(s >= 0) || s > 1e6)
            refuse("--idle-timeout needs a number of seconds from 0 to 1000000");
        return s;
    }

    // "3" or "3-10": one module on each port, each port once.
    void addPorts(SimOptions& o, const std::string& v)
    {
        const auto dash = v.find('-', 1);
        const auto first = static_cast<int>(number(v.substr(0, dash), "--port", 1, 255));
        const auto last
            = dash == std::string::npos ? first : static_cast<int>(number(v.substr(dash + 1), "--port", 1, 255));
        if (last < first)
            refuse("--port " + v + ": a range goes upward");
        for (int p = first; p <= last; ++p) {
            if (std::find(o.ports.begin(), o.ports.end(), p) != o.ports.end())
                refuse("--port: COM" + std::to_string(p) + " is given twice");
            o.ports.push_back(p);
        }
    }

    // "N,MS": N times, MS milliseconds away each time.
    void setReplug(SimOptions& o, const std::string& v)
    {
        const auto comma = v.find(',');
        if (comma == std::string::npos)
            refuse("--replug needs N,MS");
        o.replugs = static_cast<int>(number(v.substr(0, comma), "--replug", 1, 1000000));
        o.replugPauseMs = static_cast<int>(number(v.substr(comma + 1), "--replug", 0, 600000));
    }

    // CLI11 hands each value to its callback while it parses.
    void addModuleOptions(CLI::App& app, SimOptions& o)
    {
        using Text = const std::string&;
        app.add_option_function<std::vector<std::string>>("--port",
               [&o](const std::vector<std::string>& values) {
                   for (const std::string& v : values)
                       addPorts(o, v);
               })
            ->type_name("N|A-B")
            ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
            ->allow_extra_args(false)
            ->required();
        app.add_option_function<std::string>("--model",
               [&o](Text v) { o.module.modelCode = static_cast<std::uint32_t>(number(v, "--model", 0, kMax32)); })
            ->type_name("CODE");
        app.add_option_function<std::string>("--firmware",
               [&o](Text v) { o.module.firmware = static_cast<std::uint32_t>(number(v, "--firmware", 0, kMax32)); })
            ->type_name("N");
        app.add_option_function<std::string>("--memory",
               [&o](Text v) {
                   if (!parseMemory(v, o.module.memoryBytes))
                       refuse("--memory needs 4M, 8M, 16M, 32M or a byte count");
               })
            ->type_name("SIZE");
        app.add_option_function<std::string>("--save",
               [&o](Text v) {
                   if (v.empty())
                       refuse("--save needs a file name");
                   o.saveFile = v;
               })
            ->type_name("FILE");
        app.add_option_function<std::string>("--replug", [&o](Text v) { setReplug(o, v); })->type_name("N,MS");
        app.add_option_function<std::string>("--idle-timeout", [&o](Text v) { o.idleTimeoutSeconds = seconds(v); })
            ->type_name("S");
    }

    // CLI11 would read "--once=0" as "not given"; our flags refuse any value. With
    // "{}" a bare flag gives an empty value, so that one written after "=" shows.
    CLI::Option* addFlag(CLI::App& app, const std::string& name) { return app.add_flag(name + "{}"); }

    void refuseValue(const std::string& flag, const std::string& value)
    {
        if (!value.empty())
            refuse(flag + " takes no value");
    }

    bool given(const CLI::Option& flag)
    {
        for (const std::string& value : flag.results())
            refuseValue(flag.get_name(), value);
        return flag.count() > 0;
    }

    CLI::Option* addFaultOption(CLI::App& app, const FaultMode& f)
    {
        if (f.takes == Takes::Value)
            return app.add_option(f.name)->type_name(f.placeholder);
        return addFlag(app, f.name); // an inline value is read by faultValue
    }

    Number faultValue(const FaultMode& f, const std::string& text)
    {
        if (f.takes == Takes::Nothing)
            refuseValue(f.name, text);
        if (f.takes != Takes::Value && text.empty())
            return std::nullopt;
        return number(text, f.name, f.min, f.max);
    }

} // namespace

std::string SimOptions::saveFileFor(int port) const
{
    std::string name = saveFile;
    for (std::size_t at; (at = name.find("%N")) != std::string::npos;)
        name.replace(at, 2, std::to_string(port));
    return name;
}

std::string usageText()
{
    std::string text = kUsageBeforeFaults;
    for (const FaultMode& f : kFaultModes)
        text += faultHelp(f);
    return text + kUsageAfterFaults;
}

bool parseMemory(const std::string& text, std::uint32_t& bytes)
{
    if (text == "4M" || text == "4m") {
        bytes = 4194304;
        return true;
    }
    if (text == "8M" || text == "8m") {
        bytes = 8388608;
        return true;
    }
    if (text == "16M" || text == "16m") {
        bytes = 12582912;
        return true;
    }
    if (text == "32M" || text == "32m") {
        bytes = 16777216;
        return true;
    }
    std::uint64_t v = 0;
    if (!parseUnsigned(text, kMax32, v))
        return false;
    bytes = static_cast<std::uint32_t>(v);
    return true;
}

int parseOptions(int argc, char** argv, SimOptions& o, std::string& error)
{
    CLI::App app("zarn-sim");
    app.set_version_flag("--version", versionLine("zarn-sim"));
    // A repeated option counts with its last value, as it always did, instead of
    // being an error.
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addModuleOptions(app, o);
    CLI::Option* once = addFlag(app, "--once");
    CLI::Option* verbose = addFlag(app, "--verbose");
    std::vector<CLI::Option*> faults;
    for (const FaultMode& f : kFaultModes)
        faults.push_back(addFaultOption(app, f));
    try {
        app.parse(argc, argv);
        o.once = given(*once);
        if (o.ports.size() > 1 && !o.saveFile.empty() && o.saveFile.find("%N") == std::string::npos)
            refuse("--save needs %N in the file name when there are several ports");
        o.verbose = given(*verbose);
        // Every occurrence in the order given: --drop-ack adds one number each time.
        for (std::size_t i = 0; i < faults.size(); ++i)
            for (const std::string& value : faults[i]->results())
                kFaultModes[i].set(o, faultValue(kFaultModes[i], value));
    } catch (const CLI::CallForHelp&) {
        return -1;
    } catch (const CLI::CallForVersion&) {
        return -2;
    } catch (const CLI::ParseError& e) {
        // zarn-sim has its own exit statuses; CLI11's codes are never passed on.
        error = e.what();
        return kExitUsage;
    }
    return 0;
}

} // namespace zarn::sim
