// Several modules in one run: program on three ports of virtual modules, a
// station that takes module after module and stops cleanly on Ctrl-C, the
// record it keeps; and the parsing of port lists and log strings.
#include "cli/ModuleLog.h"
#include "cli/PortList.h"
#include "resfile/ResourceStore.h"
#include "support/Files.h"
#include "support/Run.h"
#include "support/SimProcess.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

using namespace zarn::test;

namespace {

struct Stations : ::testing::Test {
    TempDir dir;
    Bytes image;
    std::string file = dir.file("a.zrf");

    // A file with one item of `length` bytes; `image` is its used part.
    void makeFile(std::uint32_t length)
    {
        ASSERT_TRUE(zarn::createResourceFile(file, 2404, 320, 240, 4096).ok);
        zarn::ResourceStore store;
        ASSERT_TRUE(store.openResourceFile(file).ok);
        ASSERT_TRUE(store.insertItemData(0, { .length = length, .kind = 245 }, pattern(length, 5)).ok);
        ASSERT_TRUE(store.readImage(image).ok);
    }
    std::string env() const
    {
        return "cd " + shellQuote(dir.path()) + " && ZARN_PORT_DIR=" + shellQuote(dir.file("ports"));
    }
    std::unique_ptr<SimProcess> sim(std::vector<std::string> options, int port)
    {
        options.insert(options.begin(), { "--idle-timeout", "20" });
        auto module = std::make_unique<SimProcess>(options, port, dir.path());
        EXPECT_TRUE(module->ready()) << module->out();
        return module;
    }
    std::vector<QJsonObject> logLines()
    {
        std::vector<QJsonObject> lines;
        std::istringstream in(readText(dir / "log.jsonl"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return lines;
    }
    static std::string sha256(const Bytes& bytes, std::size_t n)
    {
        return QCryptographicHash::hash(QByteArrayView(bytes.data(), qsizetype(n)), QCryptographicHash::Sha256)
            .toHex()
            .toStdString();
    }
};

} // namespace

TEST_F(Stations, ProgramOnThreePortsTellsEachModulesEndAndRecordsIt)
{
    makeFile(20000);
    auto good = sim({ "--port", "4", "--once", "--save", dir.file("r%N.bin") }, 3);
    auto faulty = sim({ "--hangup-after", "100" }, 5);
    const auto r = runZarnres(
        { "program", file, "--port", "3-4", "--port", "5", "--log", "log.jsonl", "--timeout", "5" }, env());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(std::regex_replace(r.out, std::regex(" [0-9]+\\.[0-9] "), " s.s "),
        "Port  Module type  Firmware  Bytes written  Seconds  Result\n"
        "COM3  Zarn24 V4    Ver12     24576          s.s      Send Over!!\n"
        "COM4  Zarn24 V4    Ver12     24576          s.s      Send Over!!\n"
        "COM5  Zarn24 V4    Ver12     3168           s.s      "
            + std::string(zarn::kMsgProgrammingPortLost) + "\n")
        << r.out;
    EXPECT_EQ(good->finish(), 0) << good->out();
    EXPECT_TRUE(readBytes(dir / "r3.bin") == image);
    EXPECT_TRUE(readBytes(dir / "r4.bin") == image);

    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 3u) << readText(dir / "log.jsonl");
    for (const QJsonObject& o : lines) {
        const auto sent = std::size_t(o["bytes_sent"].toInteger());
        EXPECT_EQ(o["sha256"].toString().toStdString(), sha256(image, sent));
        EXPECT_EQ(o["result"].toString(), sent == image.size() ? "Send Over!!" : zarn::kMsgProgrammingPortLost);
        EXPECT_EQ(o["model_code"].toInt(), 2404);
        EXPECT_EQ(o["file"].toString().toStdString(), file);
        EXPECT_TRUE(o["time"].toString().endsWith('Z'));
    }
}

TEST_F(Stations, AStationProgramsModuleAfterModuleUntilItsCount)
{
    makeFile(5000);
    auto module = sim({ "--replug", "3,200", "--save", dir.file("r.bin") }, 3);
    const auto r = runZarnres(
        { "station", file, "--port", "3", "--count", "3", "--log", "log.jsonl" }, env() + " timeout -k 5 40");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Programmed 3, failed 0, in progress 0\n");
    const std::regex ended("COM3  Zarn24 V4  Ver12  12288 bytes  [0-9.]+ s  Send Over!!\n");
    EXPECT_EQ(std::distance(std::sregex_iterator(r.err.begin(), r.err.end(), ended), std::sregex_iterator()), 3)
        << r.err;
    EXPECT_EQ(logLines().size(), 3u);
    EXPECT_TRUE(readBytes(dir / "r.bin") == image);
    EXPECT_EQ(module->finish(100ms), 0) << module->out();
}

TEST_F(Stations, CtrlCEndsAStationCleanlyWithTheTransferInterrupted)
{
    makeFile(60000); // some seconds at 115200 baud
    auto module = sim({ "--baud", "115200" }, 3);
    // Ctrl-C once the transfer is under way.
    const std::string script = "export ZARN_PORT_DIR=" + shellQuote(dir.file("ports")) + " && " + env() + " && { "
        + shellQuote(ZARNRES_PATH) + " station " + shellQuote(file)
        + " --port 3 --log log.jsonl >out 2>err & z=$!; n=0; until grep -q 'in progress 1' err || [ $n -gt 400 ];"
          " do sleep 0.05; n=$((n+1)); done; kill -INT $z; wait $z; }";
    const int status = std::system(script.c_str());
    EXPECT_EQ(WEXITSTATUS(status), 0) << readText(dir / "err");
    EXPECT_EQ(readText(dir / "out"), "Programmed 0, failed 0, in progress 0, interrupted 1\n");
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["result"].toString(), "Interrupted: the transfer was stopped before its end");
    EXPECT_GT(lines[0]["bytes_sent"].toInteger(), 0);
    EXPECT_EQ(module->finish(100ms), 8) << "the module saw the transfer end early, its port closed\n" << module->out();
}

TEST(PortList, RangesAndRepeatsAreCheckedAndExpanded)
{
    std::string error;
    EXPECT_EQ(zarn::cli::parsePortList("3-6", error), (std::vector { 3, 4, 5, 6 }));
    EXPECT_EQ(zarn::cli::parsePortList("255", error), (std::vector { 255 }));
    for (const char* bad : { "0", "6-3", "3-256", "x", "3-", "-3", "3-4-5", "" })
        EXPECT_FALSE(zarn::cli::parsePortList(bad, error)) << bad;
    EXPECT_FALSE(zarn::cli::linkTargets({ "3-5", "4" }, {}, error));
    EXPECT_EQ(error, "COM4 is named twice");
    const auto targets = zarn::cli::linkTargets({ "3" }, { "/dev/ttyUSB0" }, error);
    ASSERT_TRUE(targets);
    EXPECT_EQ((*targets)[1].name(), "/dev/ttyUSB0");
}

TEST(ModuleLog, StringsAreEscapedForJson)
{
    using zarn::cli::jsonString;
    EXPECT_EQ(jsonString("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(jsonString("\n\r\t\x01\x7f"), R"("\n\r\t\u0001\u007f")");
    EXPECT_EQ(jsonString("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac"), "\"Gr\xc3\xbc\xc3\x9f \xe2\x82\xac\"");
    // Bytes that are no UTF-8: a stray continuation, a cut sequence, an overlong form.
    EXPECT_EQ(jsonString("\x80x\xe2\x82\xc0\xaf"), R"("\ufffdx\ufffd\ufffd\ufffd\ufffd")");
}
