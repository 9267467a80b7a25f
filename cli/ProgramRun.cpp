#include "cli/ProgramRun.h"

#include "cli/Arguments.h"
#include "cli/ModuleJob.h"
#include "cli/ModuleLog.h"
#include "cli/PortList.h"
#include "cli/Progress.h"
#include "cli/StatusBoard.h"
#include "cli/StoreAccess.h"
#include "platform/AsioEventLoop.h"
#include "platform/StopSignals.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <future>

namespace zarn::cli {

namespace {

    std::chrono::milliseconds millis(double seconds)
    {
        return std::chrono::milliseconds(static_cast<long long>(seconds * 1000));
    }

    std::string fixed(double value, int decimals)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.*f", decimals, value);
        return text;
    }

    // How the modules of a run ended so far.
    struct Tally {
        std::uint64_t programmed = 0, failed = 0, interrupted = 0;

        void count(const ModuleOutcome& o)
        {
            if (o.ok())
                ++programmed;
            else if (o.interrupted)
                ++interrupted;
            else
                ++failed;
        }
    };

    // The channel's texts as one line.
    std::string oneLine(std::string text)
    {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        std::replace(text.begin(), text.end(), '\n', ' ');
        return text;
    }

    // What every port's job reports to: one port as zarnres always printed it,
    // or the board of several. Everything here runs on the event loop's thread.
    class Presenter {
    public:
        virtual ~Presenter() = default;
        virtual void progress(const ModuleJob& job) = 0;
        // Time passes: a transfer that stopped moving shows it.
        virtual void tick() = 0;
        virtual void ended(const ModuleJob& job) = 0;
        virtual void channelError(const ModuleJob& job, const std::string& text) = 0;
        virtual void message(const std::string& text) = 0;
        virtual void close() = 0;
    };

    class SinglePort final : public Presenter {
    public:
        void progress(const ModuleJob& job) override
        {
            m_job = &job;
            if (!m_progress)
                m_progress.emplace(stderr, zarn::isTerminal(stderr), job.imageSize());
            m_progress->update(job.bytesSent());
        }
        void tick() override
        {
            if (m_progress && m_job && m_job->phase() == ModuleJob::Phase::Programming)
                m_progress->update(m_job->bytesSent());
        }
        void ended(const ModuleJob& job) override
        {
            const ModuleOutcome& o = job.outcome();
            if (m_progress)
                m_progress->finish(o.ok() ? job.imageSize() : o.bytesSent);
            m_progress.reset();
            if (o.ok()) {
                std::printf("%s\n", o.result.c_str());
                std::fflush(stdout);
                return;
            }
            std::fprintf(stderr, "%s\n", o.result.c_str());
            if (!o.detail.empty())
                std::fprintf(stderr, "%s\n", o.detail.c_str());
            std::fputs(o.channelText.c_str(), stderr);
            std::fflush(stderr);
        }
        void channelError(const ModuleJob&, const std::string& text) override
        {
            std::fputs(text.c_str(), stderr);
            std::fflush(stderr);
        }
        void message(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
        void close() override { }

    private:
        std::optional<Progress> m_progress;
        const ModuleJob* m_job = nullptr;
    };

    class Board final : public Presenter {
    public:
        Board(const std::vector<std::unique_ptr<ModuleJob>>& jobs, const Tally& tally, bool station)
            : m_jobs(jobs)
            , m_tally(tally)
            , m_station(station)
            , m_board(stderr, zarn::isTerminal(stderr), jobs.size())
        {
            for (const auto& job : jobs)
                m_nameWidth = std::max(m_nameWidth, job->target().name().size());
            refresh(true);
        }
        void progress(const ModuleJob&) override { refresh(false); }
        void tick() override { refresh(false); }
        void ended(const ModuleJob& job) override
        {
            // A station's row goes on to the next module; its end stays as a line of its own.
            if (m_station)
                m_board.note(endLine(job));
            refresh(true);
        }
        void channelError(const ModuleJob& job, const std::string& text) override
        {
            m_board.note(name(job) + "  " + oneLine(text));
        }
        void message(const std::string& text) override { m_board.note(text); }
        void close() override
        {
            refresh(true);
            m_board.finish();
        }

        std::string summary() const
        {
            std::size_t running = 0;
            for (const auto& job : m_jobs)
                running += job->phase() == ModuleJob::Phase::Programming;
            std::string text = "Programmed " + std::to_string(m_tally.programmed) + ", failed "
                + std::to_string(m_tally.failed) + ", in progress " + std::to_string(running);
            if (m_tally.interrupted)
                text += ", interrupted " + std::to_string(m_tally.interrupted);
            return text;
        }

    private:
        std::string endLine(const ModuleJob& job) const
        {
            const ModuleOutcome& o = job.outcome();
            std::string line = name(job) + "  " + o.moduleType() + "  " + o.firmware() + "  "
                + std::to_string(o.bytesSent) + " bytes  " + fixed(o.seconds, 1) + " s  " + o.result;
            if (!o.detail.empty())
                line += " (" + oneLine(o.detail) + ")";
            if (!o.channelText.empty())
                line += " (" + oneLine(o.channelText) + ")";
            return line;
        }

        std::string name(const ModuleJob& job) const
        {
            std::string n = job.target().name();
            n.resize(std::max(m_nameWidth, n.size()), ' ');
            return n;
        }

        std::string row(const ModuleJob& job) const
        {
            const ModuleOutcome& o = job.outcome();
            switch (job.phase()) {
            case ModuleJob::Phase::Waiting:
                return name(job) + "  waiting for a module";
            case ModuleJob::Phase::Programming:
                return name(job) + "  " + o.moduleType() + "  "
                    + progressText(job.bytesSent(), job.imageSize(), job.seconds());
            case ModuleJob::Phase::Leaving:
                return name(job) + "  " + o.moduleType() + "  " + o.result + ", waiting for its removal";
            case ModuleJob::Phase::Ended:
                return m_station ? name(job) + "  stopped" : endLine(job);
            }
            return {};
        }

        void refresh(bool now)
        {
            for (std::size_t i = 0; i < m_jobs.size(); ++i)
                m_board.setRow(i, row(*m_jobs[i]));
            if (m_station)
                m_board.setFooter(summary());
            m_board.draw(now);
        }

        const std::vector<std::unique_ptr<ModuleJob>>& m_jobs;
        const Tally& m_tally;
        bool m_station;
        StatusBoard m_board;
        std::size_t m_nameWidth = 4;
    };

    // Port, module type, firmware, bytes written, seconds, result.
    void printTable(const std::vector<std::unique_ptr<ModuleJob>>& jobs)
    {
        std::vector<std::vector<std::string>> rows { { "Port", "Module type", "Firmware", "Bytes written", "Seconds",
            "Result" } };
        for (const auto& job : jobs) {
            const ModuleOutcome& o = job->outcome();
            rows.push_back({ job->target().name(), o.moduleType(), o.firmware(), std::to_string(o.bytesSent),
                fixed(o.seconds, 1), o.result });
        }
        std::vector<std::size_t> width(rows[0].size(), 0);
        for (const auto& r : rows)
            for (std::size_t c = 0; c < r.size(); ++c)
                width[c] = std::max(width[c], r[c].size());
        for (const auto& r : rows) {
            std::string line;
            for (std::size_t c = 0; c < r.size(); ++c) {
                line += r[c];
                if (c + 1 < r.size())
                    line += std::string(width[c] - r[c].size() + 2, ' ');
            }
            std::printf("%s\n", line.c_str());
        }
        std::fflush(stdout);
    }

} // namespace

void addRunOptions(CLI::App* sub, RunSettings& s)
{
    sub->add_option("FILE", s.file, "The resource file")->required();
    sub->add_option("--port", s.ports, "COM port number N (1 to 255) or range A-B; repeatable (see zarnres ports)")
        ->allow_extra_args(false)
        ->type_name("N|A-B");
    sub->add_option("--device", s.devices, "Serial device path instead of a port number; repeatable")
        ->allow_extra_args(false)
        ->type_name("PATH");
    if (!s.station)
        sub->add_option("--timeout", s.detectSeconds, "Seconds to wait for each module's identification (default 10)")
            ->check(CLI::Range(0.1, 3600.0));
    sub->add_option("--ack-timeout", s.ackSeconds, "Seconds to wait for each data acknowledgement (default 3)")
        ->check(CLI::Range(0.1, 3600.0));
    sub->add_option("--start-timeout", s.startSeconds,
           "Seconds to wait for the start acknowledgement, while the module prepares its memory (default 60)")
        ->check(CLI::Range(0.1, 3600.0));
    sub->add_option("--log", s.logPath, "Append one JSON line per module to this file when the module ends")
        ->type_name("FILE");
    if (s.station)
        sub->add_option("--count", s.count, "End after this many modules were programmed")
            ->check(CLI::Range(1, 1000000));
}

int runProgramming(const RunSettings& s)
{
    const char* command = s.station ? "station" : "program";
    if (s.ports.empty() && s.devices.empty())
        usageError(std::string(command) + " needs --port N or --device PATH");
    std::string error;
    auto targets = linkTargets(s.ports, s.devices, error);
    if (!targets)
        usageError(error);

    // The file is read before any port is touched, so a bad file costs no wait,
    // and whole, under its lock, so what is sent is what was checked. Every
    // port's transfer reads the one image.
    ProgramInput input;
    std::error_code ec;
    input.file = std::filesystem::absolute(s.file, ec).string(); // the record names the file wherever it is read
    if (ec)
        input.file = s.file;
    input.station = s.station;
    input.timeouts = { millis(s.startSeconds), millis(s.ackSeconds) };
    {
        ResourceStore store = openStore(s.file, LockMode::Shared);
        auto facts = std::make_shared<ResourceFileFacts>(ResourceFileFacts {
            store.isOpen(), store.modelCode(), store.memoryKiB(), store.itemCount(), store.usedEnd(), {}, {} });
        if (store.itemCount() > 0)
            requireOk(store.readImage(facts->image));
        input.facts = std::move(facts);
    }
    ModuleLog log;
    if (!s.logPath.empty())
        if (const std::string why = log.open(s.logPath); !why.empty())
            refuse(why);

    // From here the run lives on the event loop's thread: the jobs with their
    // sessions, the presenter, the tally; this thread waits for its end.
    AsioEventLoop& loop = processEventLoop();
    std::vector<std::unique_ptr<ModuleJob>> jobs;
    Tally tally;
    std::unique_ptr<Presenter> presenter;
    Board* board = nullptr;
    std::unique_ptr<ITimer> redraw;
    bool stopping = false;
    bool logFailed = false;
    int status = kExitOk;
    std::promise<void> ended;
    auto allEnded = [&] {
        return std::all_of(
            jobs.begin(), jobs.end(), [](const auto& j) { return j->phase() == ModuleJob::Phase::Ended; });
    };
    // Every port stopped, the presenter closed and the summary printed, once.
    auto stop = [&] {
        if (stopping)
            return;
        stopping = true;
        redraw->cancel();
        for (auto& job : jobs)
            job->interrupt();
        presenter->close();
        if (board) {
            if (s.station) {
                std::printf("%s\n", board->summary().c_str());
                std::fflush(stdout);
            } else {
                printTable(jobs);
            }
        }
        const bool allOk = std::all_of(jobs.begin(), jobs.end(), [](const auto& j) { return j->outcome().ok(); });
        if (s.station)
            status = tally.failed == 0 && !logFailed ? kExitOk : kExitRefused;
        else
            status = allOk && !logFailed ? kExitOk : kExitRefused;
        ended.set_value();
    };
    callOnLoop(loop, [&] {
        for (LinkTarget& t : *targets) {
            t.timeoutSeconds = s.detectSeconds;
            jobs.push_back(std::make_unique<ModuleJob>(loop, t, input));
        }
        if (jobs.size() == 1 && !s.station) {
            presenter = std::make_unique<SinglePort>();
        } else {
            auto b = std::make_unique<Board>(jobs, tally, s.station);
            board = b.get();
            presenter = std::move(b);
        }
        for (auto& job : jobs) {
            ModuleJob* j = job.get();
            // With --count, no more transfers start than can still be needed.
            if (s.station && s.count)
                j->mayStart = [&] {
                    const auto running = std::count_if(jobs.begin(), jobs.end(),
                        [](const auto& o) { return o->phase() == ModuleJob::Phase::Programming; });
                    return tally.programmed + static_cast<std::uint64_t>(running) < s.count;
                };
            j->onProgress = [&presenter, j] { presenter->progress(*j); };
            j->onChannelError = [&presenter, j](const std::string& text) { presenter->channelError(*j, text); };
            j->onEnd = [&, j](const ModuleOutcome& o) {
                tally.count(o);
                if (log.isOpen()) {
                    const std::string line = recordLine(utcNow(), j->target().port, input.file, o);
                    if (const std::string why = log.append(line); !why.empty()) {
                        logFailed = true;
                        presenter->message(why);
                    }
                }
                presenter->ended(*j);
                if (stopping)
                    return;
                // Not from inside the job's own call: the stop ends its session.
                if ((s.station && s.count && tally.programmed >= s.count) || (!s.station && allEnded()))
                    loop.post(stop);
            };
        }
        redraw = loop.makeTimer();
        redraw->startRepeating(std::chrono::milliseconds(500), [&] { presenter->tick(); });
        for (auto& job : jobs)
            job->start();
    });
    {
        StopSignals stopSignals(loop, stop);
        ended.get_future().wait();
    }
    callOnLoop(loop, [&] {
        jobs.clear();
        presenter.reset();
        redraw.reset();
    });
    return status;
}

} // namespace zarn::cli
