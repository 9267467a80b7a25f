// Resource projects: a manifest builds the same bytes every time, unpacks into
// a manifest that builds the same file again, and every error says where.
#include "import/AddContent.h"
#include "import/BmpWriter.h"
#include "import/FontLibrary.h"
#include "project/ProjectBuild.h"
#include "project/ProjectUnpack.h"
#include "project/ResourceDiff.h"
#include "support/Files.h"
#ifdef ZARN_WITH_FONTGEN
#include "import/fontgen/FontGenerator.h"
#endif

#include <gtest/gtest.h>

#include <random>

using namespace zarn;
using namespace zarn::test;
namespace fs = std::filesystem;

namespace {

// A BMP of random pixels: 24-bit, or indexed with a random palette (padding bits random too).
Bytes randomBmp(std::mt19937& rng, int w, int h, int bits)
{
    std::vector<Rgb> palette(bits <= 8 ? 1u << bits : 0);
    for (auto& c : palette)
        c = Rgb { std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()) };
    Bytes bmp = blankStandardBmp(w, h, bits, palette);
    for (std::size_t i = standardBmpOffBits(bits); i < bmp.size(); ++i)
        bmp[i] = std::uint8_t(rng());
    return bmp;
}

// Fonts are rendered when this build has the font generator, as zarnres build renders them.
BuildOptions buildOptions(const std::string& output = {})
{
    BuildOptions o { output, {}, {} };
#ifdef ZARN_WITH_FONTGEN
    o.renderFont = makeFontLibrary;
#endif
    return o;
}

bool buildRendersFonts() { return static_cast<bool>(buildOptions().renderFont); }

Bytes buildBytes(const fs::path& manifest, const fs::path& output)
{
    const BuildOutcome b = buildProject(utf8Of(manifest), buildOptions(utf8Of(output)));
    EXPECT_TRUE(b.ok) << b.message;
    return readBytes(output);
}

} // namespace

TEST(Sha256, StandardVectors)
{
    const std::string abc = "abc", two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Sha256::hex(Sha256::of(Bytes(abc.begin(), abc.end()))),
        "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(Sha256::hex(Sha256::of(Bytes(two.begin(), two.end()))),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 million; // in uneven pieces, across block boundaries
    const Bytes a(997, 'a');
    for (std::size_t done = 0; done < 1000000; done += 997)
        million.update(std::span(a).first(std::min<std::size_t>(997, 1000000 - done)));
    EXPECT_EQ(Sha256::hex(million.finish()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST(ResourceProject, EveryKindBuildsTheSameBytesAndUnpacksIntoTheSameFile)
{
    TempDir dir;
    std::mt19937 rng(7);
    fs::create_directory(dir / "src");
    writeBytes(dir / "src/photo.bmp", randomBmp(rng, 320, 240, 24));
    writeBytes(dir / "src/icon.bmp", randomBmp(rng, 13, 7, 4));
    patternFile(dir / "src/8x16.asc", 4096);
    patternFile(dir / "src/beep.wav", 5001);
#ifdef ZARN_FONT_DIR
    const std::string font = ZARN_FONT_DIR "/dejavu/DejaVuSans.ttf"; // on drive Z: under Wine
#else
    const std::string font;
#endif
    std::ofstream(dir / "demo.toml") << "model = 4\n"
                                     << "[[item]]\npicture = \"src/photo.bmp\"\nignore-color = 0xF81F\ndither = true\n"
                                     << "[[item]]\npicture = \"src/icon.bmp\"\n"
                                     << "[[item]]\nfont-library = \"src/8x16.asc\"\n"
                                     << (buildRendersFonts() ? "[[item]]\nfont = \"" + font
                                                    + "\"\ntype = \"ascii\"\nsize = \"8x16\"\n"
                                                             : std::string())
                                     << "[[item]]\nsound = \"src/beep.wav\"\n";
    const BuildOutcome built = buildProject((dir / "demo.toml").string(), buildOptions());
    ASSERT_TRUE(built.ok) << built.message;
    EXPECT_EQ(built.output, dir.file("demo.zrf"));
    std::vector<std::tuple<int, int, int, int, int>> expected { { 16, 320, 240, 153600, 0xF81F },
        { 4, 13, 7, 32 + 7 * 7, 0 }, { 241, 8, 16, 4096, 0 }, { 241, 8, 16, 4096, 0 }, { 245, 0, 0, 5001, 0 } };
    if (!buildRendersFonts())
        expected.erase(expected.begin() + 3);
    ASSERT_EQ(built.directory.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const ResourceEntry& e = built.directory[i];
        EXPECT_EQ(
            std::make_tuple(int(e.kind), int(e.width), int(e.height), int(e.length), int(e.ignoreColor)), expected[i]);
    }
    const Bytes first = readBytes(built.output);
    EXPECT_EQ(first.size(), 4096u * 1024);
    EXPECT_EQ(first.back(), kFillByte); // unused space as a new file has it
    EXPECT_EQ(buildBytes(dir / "demo.toml", dir / "again.zrf"), first);

    const UnpackOutcome unpacked = unpackResourceFile(built.output, dir.file("out"));
    ASSERT_TRUE(unpacked.ok) << unpacked.message;
    EXPECT_EQ(buildBytes(unpacked.manifest, dir / "rebuilt.zrf"), first);
    // Nothing is replaced: a second unpack into the same folder changes nothing.
    const Bytes manifest = readBytes(unpacked.manifest);
    EXPECT_FALSE(unpackResourceFile(built.output, dir.file("out")).ok);
    EXPECT_EQ(readBytes(unpacked.manifest), manifest);

    std::string error;
    EXPECT_TRUE(diffResources(
        summarizeResourceFile(built.output, &error), summarizeResourceFile(dir.file("rebuilt.zrf"), &error))
                    .same());
}

TEST(ResourceProject, RandomFilesKeepTheirItemsThroughUnpackAndBuild)
{
    TempDir dir;
    std::mt19937 rng(12);
    for (int round = 0; round < 3; ++round) {
        const std::string file = dir.file(std::string { "r" } + std::to_string(round) + ".zrf");
        ASSERT_TRUE(createResourceFile(file, 4308, 480, 272, 8192).ok);
        ResourceStore store;
        ASSERT_TRUE(store.openResourceFile(file).ok);
        for (int step = 0; step < 25; ++step) {
            if (store.itemCount() > 2 && rng() % 4 == 0) {
                ASSERT_TRUE(store.deleteItem(int(rng() % store.itemCount())).ok);
                continue;
            }
            const std::string name = std::to_string(step);
            std::string source;
            switch (rng() % 3) {
            case 0: {
                const int bits[] = { 1, 4, 8, 24 };
                source = dir.file(name + ".bmp");
                writeBytes(source, randomBmp(rng, 1 + rng() % 700, 1 + rng() % 400, bits[rng() % 4]));
                break;
            }
            case 1: {
                const char* ext[] = { "hzk", "big", "kzk", "asc" };
                const int w = 1 + rng() % 24, h = 1 + rng() % 24, t = rng() % 4;
                source = dir.file(std::to_string(w) + "x" + std::to_string(h) + "_" + name + "." + ext[t]);
                patternFile(source, expectedFontLibraryLength(*fontLibraryTypeOfExtension(ext[t]), w, h), rng());
                break;
            }
            default:
                source = patternFile(dir / (name + ".wav"), rng() % 20000, rng());
            }
            ContentOptions o;
            o.ignoreColor = std::uint16_t(rng());
            if (store.itemCount() && rng() % 2)
                o.afterRow = int(rng() % store.itemCount());
            const ContentOutcome added = addContent(store, source, o);
            ASSERT_EQ(added.result, ContentOutcome::Result::Inserted) << added.message;
        }
        const fs::path out = dir / (std::string { "out" } + std::to_string(round));
        const UnpackOutcome unpacked = unpackResourceFile(file, out.string());
        ASSERT_TRUE(unpacked.ok) << unpacked.message;
        buildBytes(unpacked.manifest, out / "rebuilt.zrf");
        std::string error;
        const ResourceSummary a = summarizeResourceFile(file, &error),
                              b = summarizeResourceFile((out / "rebuilt.zrf").string(), &error);
        EXPECT_EQ(a.header, b.header);
        EXPECT_EQ(a.entries, b.entries);
        EXPECT_EQ(a.digests, b.digests);
    }
}

TEST(ResourceProject, DamagedManifestsSayWhereAndLeaveNoFile)
{
    TempDir dir;
    const fs::path data = kDataDir / "project";
    std::vector<fs::path> manifests;
    for (const auto& e : fs::directory_iterator(data))
        if (e.path().extension() == ".toml")
            manifests.push_back(e.path());
    ASSERT_GE(manifests.size(), 18u);
    const std::string output = dir.file("out.zrf");
    for (const fs::path& m : manifests) {
        std::ifstream in(m);
        std::string first;
        std::getline(in, first);
        const BuildOutcome b = buildProject(m.string(), buildOptions(output));
        EXPECT_FALSE(b.ok);
        const std::string text { std::istreambuf_iterator<char>(in), {} };
        if (!buildRendersFonts() && text.find("\nfont = ") != std::string::npos)
            EXPECT_NE(b.message.find("this build cannot render fonts"), std::string::npos) << b.message;
        else
            EXPECT_EQ(b.message.rfind(m.string() + ":" + first.substr(std::string("# error: ").size()), 0), 0u)
                << m << "\n"
                << b.message;
        EXPECT_FALSE(fs::exists(output)) << m;
    }
    // An existing output stays as it was.
    const std::string kept = patternFile(output, 100);
    EXPECT_FALSE(buildProject((data / "bad-picture.toml").string(), buildOptions(output)).ok);
    EXPECT_EQ(readBytes(kept), pattern(100, 1));
}

TEST(ResourceProject, DiffNamesEachDifferenceAndUnpackRefusesADamagedFile)
{
    TempDir dir;
    patternFile(dir / "a.wav", 300);
    patternFile(dir / "b.wav", 300, 2);
    std::ofstream(dir / "a.toml") << "model = 12\nmemory = \"8M\"\n[[item]]\nsound = \"a.wav\"\n";
    std::ofstream(dir / "b.toml") << "model = 12\n[[item]]\nsound = \"b.wav\"\n[[item]]\nsound = \"a.wav\"\n";
    buildBytes(dir / "a.toml", dir / "a.zrf");
    buildBytes(dir / "b.toml", dir / "b.zrf");
    std::string error;
    const ResourceDiff d = diffResources(
        summarizeResourceFile(dir.file("a.zrf"), &error), summarizeResourceFile(dir.file("b.zrf"), &error));
    EXPECT_FALSE(d.same());
    ASSERT_EQ(d.lines.size(), 3u);
    EXPECT_EQ(d.lines[0], "memory: 8192 KiB | 4096 KiB");
    EXPECT_EQ(d.lines[1].substr(0, 25), "item 0: data differs (sha");
    EXPECT_EQ(d.lines[2], "item 1: only in B: Wave file, 300 bytes");

    Bytes damaged = readBytes(dir / "a.zrf");
    damaged.resize(5000);
    writeBytes(dir / "damaged.zrf", damaged);
    const UnpackOutcome u = unpackResourceFile(dir.file("damaged.zrf"), dir.file("out"));
    EXPECT_EQ(u.message.substr(0, 20), "Resource File Error\n");
    EXPECT_FALSE(fs::exists(dir / "out"));

    // A bitmap wider than the screen would be scaled down when added again: named, nothing written.
    ASSERT_TRUE(createResourceFile(dir.file("wide.zrf"), 1704, 128, 160, 4096).ok);
    ResourceStore store;
    ASSERT_TRUE(store.openResourceFile(dir.file("wide.zrf")).ok);
    ResourceEntry wide { 0, 200 * 2, 0, 200, 1, 16, 0 };
    ASSERT_TRUE(store.insertItemData(0, wide, pattern(400, 3)).ok);
    EXPECT_EQ(unpackResourceFile(dir.file("wide.zrf"), dir.file("out")).message,
        "Cannot unpack \"" + dir.file("wide.zrf") + "\""
            + ": item 0 cannot be given back by a manifest: the 200x1 bitmap is "
              "larger than the module's 128x160 screen, and a picture that large is scaled down when it is added");
    EXPECT_FALSE(fs::exists(dir / "out"));
    // Nor does a build write over one of its own sources.
    EXPECT_FALSE(buildProject(dir.file("a.toml"), buildOptions(dir.file("a.wav"))).ok);
    EXPECT_EQ(readBytes(dir / "a.wav"), pattern(300, 1));
}

TEST(ResourceProject, BuildsAndUnpacksInAFolderWithANonAsciiName)
{
    TempDir dir;
    fs::create_directories(dir / "Ünïcode/src");
    patternFile(dir / "Ünïcode/src/8x16.asc", 4096);
    const std::string manifest = "model = 4\n[[item]]\nfont-library = \"src/8x16.asc\"\n";
    writeBytes(dir / "Ünïcode/demo.toml", Bytes(manifest.begin(), manifest.end()));
    const BuildOutcome built = buildProject(dir.file("Ünïcode/demo.toml"), buildOptions());
    ASSERT_TRUE(built.ok) << built.message;
    EXPECT_EQ(built.output, dir.file("Ünïcode/demo.zrf"));
    const UnpackOutcome unpacked = unpackResourceFile(built.output, dir.file("Ünïcode/out"));
    ASSERT_TRUE(unpacked.ok) << unpacked.message;
    EXPECT_EQ(buildBytes(pathOf(unpacked.manifest), dir / "Ünïcode/rebuilt.zrf"), readBytes(dir / "Ünïcode/demo.zrf"));
}
