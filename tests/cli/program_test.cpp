// zarnres end to end as its users run it: the README's session into the virtual
// module, the faults a module or its line can show while programming, and the
// progress line. With ZARN_TEST_REAL_PORT (a port number or a device path) the
// programming runs against a real module instead of the faults.
#include "cli/Progress.h"
#include "resfile/ResourceStore.h"
#include "support/Files.h"
#include "support/Run.h"
#include "support/SimProcess.h"

#include <QImage>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace zarn::test;

namespace {

const std::string kRealPort = std::getenv("ZARN_TEST_REAL_PORT") ? std::getenv("ZARN_TEST_REAL_PORT") : "";

struct Program : ::testing::Test {
    TempDir dir;
    // zarnres in the test's folder with its own port folder, stopped after 40 s.
    RunResult zarnres(const std::vector<std::string>& args)
    {
        return runZarnres(args,
            "cd " + shellQuote(dir.path()) + " && ZARN_PORT_DIR=" + shellQuote(dir.file("ports")) + " timeout -k 5 40");
    }
    // The virtual module on COM3, saving what it receives in received.bin.
    std::unique_ptr<SimProcess> sim(std::vector<std::string> options)
    {
        options.insert(options.begin(), { "--idle-timeout", "20", "--save", dir.file("received.bin") });
        auto module = std::make_unique<SimProcess>(options, 3, dir.path());
        EXPECT_TRUE(module->ready()) << module->out();
        return module;
    }
};

} // namespace

TEST_F(Program, TheReadmeSessionEndsWithTheFileInTheModule)
{
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!std::filesystem::exists(font))
        GTEST_SKIP() << "fonts-dejavu-core is not installed (scripts/install-deps installs it)";
    QImage photo(320, 240, QImage::Format_RGB888);
    photo.fill(Qt::darkCyan);
    ASSERT_TRUE(photo.save(QString::fromStdString(dir.file("photo.bmp"))));
    patternFile(dir / "beep.wav", 5000);
    auto module = sim({ "--once" });
    // What README.md shows; the bitmap's report keeps the window's trailing space and carriage return.
    const std::pair<std::vector<std::string>, std::string> steps[] = {
        { { "new", "demo.zrf", "--model", "4" },
            "Created demo.zrf: 4 Zarn24 V10_W, model code 2404, 320*240, 4096 KiB\n" },
        { { "add", "demo.zrf", "photo.bmp", "--ignore-color", "0xf81f" },
            "Load Bitmap 16bit color Width:320 Height:240 \r\nSize:153600\n0\tTrue color "
            "bmp\t320*240\t4096\t153600\t0xf81f\n"
            "Resource File size:4194304 Remaining bytes:4034560\n" },
        { { "font", font, "--type", "ascii", "--size", "8x16", "-o", "fonts", "--add", "demo.zrf" },
            "Wrote fonts/8X16.asc (4096 bytes)\nLoading ASCII lib file:8X16 Filesize:4096\n1\tASCII "
            "lib\t8*16\t159744\t4096\t0x0000\n"
            "Resource File size:4194304 Remaining bytes:4030464\n" },
        { { "add", "demo.zrf", "beep.wav", "--after", "0" },
            "Loading Wave file: Filesize:5000\n1\tWave file\t\t159744\t5000\t0x0000\nResource File size:4194304 "
            "Remaining bytes:4022272\n" },
        { { "list", "demo.zrf" },
            "No.\ttype\tpoints\taddr\tsize\tignore color\n0\tTrue color bmp\t320*240\t4096\t153600\t0xf81f\n"
            "1\tWave file\t\t159744\t5000\t0x0000\n2\tASCII lib\t8*16\t167936\t4096\t0x0000\n" },
        { { "font-preview", "fonts/8X16.asc", "--from", "0x20", "--count", "96", "-o", "sheet.bmp" },
            "Glyphs 32 to 127 of 256 (8X16), codes 0x20 to 0x7F\nWrote sheet.bmp (273x199 pixels)\n" },
        { { "detect", "--port", "3" },
            "Module connection...\nModule Type:Zarn24 V4\nFirmware version:Ver12\nMemory: 4194304 bytes\n" },
        { { "program", "demo.zrf", "--port", "3" }, "Send Over!!\n" },
    };
    RunResult r;
    for (const auto& [args, out] : steps) {
        r = zarnres(args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        EXPECT_EQ(r.out, out) << args[0];
    }
    // Not a terminal: plain progress lines, the last one complete.
    EXPECT_NE(r.err.find("Programming: 172032 of 172032 bytes (100%)"), std::string::npos) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString(dir.file("sheet.bmp"))).size(), QSize(273, 199));
    EXPECT_EQ(module->finish(), 0) << module->out();
    const Bytes file = readBytes(dir / "demo.zrf");
    EXPECT_TRUE(readBytes(dir / "received.bin") == Bytes(file.begin(), file.begin() + 172032));
}

// A port this user may not open: the refusal says which group may, and how to
// join it. (Run as root, the test makes the virtual module's pseudo-terminal
// the dialout group's and runs zarnres as nobody.)
TEST_F(Program, APortWithoutPermissionNamesTheGroupThatGrantsIt)
{
    if (::geteuid() != 0 || !::getgrnam("dialout") || std::system("command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root, the dialout group and setpriv";
    auto module = sim({});
    const std::string pty = std::filesystem::canonical(module->link()).string();
    ASSERT_EQ(::chown(pty.c_str(), 0, ::getgrnam("dialout")->gr_gid), 0);
    ASSERT_EQ(::chmod(pty.c_str(), 0660), 0);
    const auto r = runProgram("setpriv",
        { "--reuid=65534", "--regid=65534", "--clear-groups", ZARNRES_PATH, "detect", "--device", pty, "--timeout",
            "1" });
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
        "No module connection: " + pty + " cannot be opened: Permission denied\nThe group dialout may use " + pty
            + ": join it with  sudo usermod -aG dialout $USER  and log in again.\n");
}

// A file whose item holds less than its entry claims is refused before any
// port is opened, with the item and the reason.
TEST_F(Program, AFileWithAnItemShorterThanItsEntryIsNotSent)
{
    std::filesystem::copy_file(kDataDir / "resfile/damaged/bitmap_width_32768.zrf", dir / "d.zrf");
    const auto r = zarnres({ "program", "d.zrf", "--port", "3" });
    EXPECT_EQ(std::tuple(r.status, r.out), std::tuple(1, ""));
    EXPECT_EQ(r.err,
        "Resource File Error\nCannot program \"d.zrf\": an item holds less than its entry claims, and the module "
        "would show garbage\nitem 0: a 32768x13 bitmap of kind 8 needs 426496 bytes, the item holds 759\n");
}

namespace {

struct Fault {
    const char* name;
    std::vector<std::string> simOptions;
    int status;
    std::string errEnd; // the last lines on standard error
    std::string alsoOnErr = "";
};
void PrintTo(const Fault& f, std::ostream* os) { *os << f.name; }
struct ProgramFault : Program, ::testing::WithParamInterface<Fault> { };

const std::string kStopped = "Programming failed: the module stopped answering\n";
const std::string kDone = " 0:00 left\n"; // the end of the last progress line
const std::vector<Fault> kFaults = {
    { "DroppedAck", { "--drop-ack", "5" }, 1, kStopped },
    { "DroppedStartAck", { "--drop-ack", "1" }, 1, kStopped },
    { "WrongAckCode", { "--wrong-ack-code=3" }, 1, kStopped },
    // One failure, one message: the transfer's, with what the channel met (the
    // system call it made and the system's text) as its cause.
    { "Hangup", { "--hangup-after", "20" }, 1, "\nPort: 3\n",
        std::string(zarn::kMsgProgrammingPortLost) + "\nWARNING:  read() Failed with the following error: \n" },
    { "SplitReply", { "--split-reply=3", "--once" }, 0, kDone },
    // Detection has no reply-wait, so the stalled identification still arrives;
    // during programming 50 ms of silence drops the acknowledgement's first half.
    { "StalledReply", { "--stall-reply", "120" }, 1, kStopped },
    // Without a start byte at offset 0 the reply is never taken for a frame;
    // the cause says that bytes came.
    { "GarbageBeforeReply", { "--garbage-before-reply" }, 1,
        " bytes within 2 seconds, but no valid identification reply\n",
        "Open the module communication port error!!\nCOM3 sent " },
    { "Paced", { "--baud", "115200", "--once" }, 0, kDone },
    // A refusal of "Program All" (the core orders them) reaches the user.
    { "OtherModel", { "--model", "2804" }, 1, "Resource file version does not match the module hardware\n" },
};

} // namespace

TEST_P(ProgramFault, EndsWithItsMessageInBoundedTime)
{
    const Fault& f = GetParam();
    int type = 24, version = 4;
    unsigned long long memory = 4194304;
    std::vector<std::string> port { "--port", "3" };
    std::unique_ptr<SimProcess> module;
    if (kRealPort.empty()) {
        module = sim(f.simOptions);
    } else { // learn what the module is, and make the file for it
        port = { kRealPort[0] == '/' ? "--device" : "--port", kRealPort };
        const auto d = zarnres({ "detect", port[0], port[1] });
        ASSERT_EQ(d.status, 0) << d.err;
        ASSERT_EQ(std::sscanf(d.out.c_str(),
                      "Module connection...\nModule Type:Zarn%d V%d\nFirmware version:Ver%*d\nMemory: %llu", &type,
                      &version, &memory),
            3)
            << d.out;
    }
    const std::string file = dir.file("a.zrf");
    ASSERT_TRUE(
        zarn::createResourceFile(file, std::uint16_t(type * 100 + version), 320, 240, std::uint32_t(memory / 1024)).ok);
    zarn::ResourceStore store;
    Bytes image;
    ASSERT_TRUE(store.openResourceFile(file).ok);
    ASSERT_TRUE(store.insertItemData(0, { .length = 3000, .kind = 245 }, pattern(3000, 1)).ok);
    ASSERT_TRUE(store.readImage(image).ok);

    const auto start = SimClock::now();
    const auto r = zarnres({ "program", file, port[0], port[1], "--timeout", "2", "--start-timeout", "3" });
    EXPECT_LT(SimClock::now() - start, 15s);
    EXPECT_EQ(r.status, f.status) << r.err;
    EXPECT_EQ(r.out, f.status == 0 ? "Send Over!!\n" : "");
    EXPECT_TRUE(r.err.ends_with(f.errEnd)) << r.err;
    EXPECT_NE(r.err.find(f.alsoOnErr), std::string::npos) << r.err;
    if (module && f.status == 0) {
        EXPECT_EQ(module->finish(), 0) << module->out();
        EXPECT_TRUE(readBytes(dir / "received.bin") == image)
            << "the module received other bytes than the file's used part";
    }
}

// A real module shows no faults on demand: there the transfer itself is the test.
INSTANTIATE_TEST_SUITE_P(Faults, ProgramFault,
    ::testing::ValuesIn(kRealPort.empty() ? kFaults : std::vector<Fault> { { "RealModule", {}, 0, kDone } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Progress, PlainLinesAreThrottledAndTheBarRedrawsInPlace)
{
    auto output = [](bool terminal, const std::vector<std::uint64_t>& updates) {
        std::FILE* f = std::tmpfile();
        {
            zarn::cli::Progress p(f, terminal, 4096, terminal ? 2.0 : 60.0);
            for (auto done : updates)
                p.update(done);
            p.finish(4096);
        }
        std::rewind(f);
        std::string text(8192, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), f));
        std::fclose(f);
        return text;
    };
    std::vector<std::uint64_t> steps;
    for (std::uint64_t done = 0; done <= 4096; done += 32)
        steps.push_back(done);
    std::string text = output(false, steps);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2) << text; // the first and the last
    EXPECT_TRUE(text.starts_with("Programming: 0 of 4096 bytes (0%)")) << text;
    EXPECT_NE(text.find("\nProgramming: 4096 of 4096 bytes (100%)"), std::string::npos) << text;

    text = output(true, { 2048 });
    EXPECT_NE(text.find("\r[###############---------------] 2048 of 4096 bytes (50%)"), std::string::npos) << text;
    EXPECT_NE(text.find("\r[##############################] 4096 of 4096 bytes (100%)"), std::string::npos) << text;
    EXPECT_EQ(text.back(), '\n');
}
