#pragma once
// Free fonts from Debian's packages (fonts-wqy-zenhei, fonts-dejavu-core),
// installed by scripts/install-deps, and temporary folders for the font tests.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace zarn::test {
inline const char* const kCjkFont = "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc";
inline const char* const kLatinFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class FontTempDir {
public:
    FontTempDir()
    {
        char tmpl[] = "/tmp/zarn-fontgen-XXXXXX";
        m_path = mkdtemp(tmpl);
    }
    ~FontTempDir() { std::filesystem::remove_all(m_path); }
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    std::ptrdiff_t entryCount() const
    {
        return std::distance(std::filesystem::directory_iterator(m_path), std::filesystem::directory_iterator());
    }

private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::filesystem::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), {} };
}

inline void writeFile(const std::filesystem::path& p, const std::string& content)
{
    std::ofstream(p, std::ios::binary) << content;
}
} // namespace zarn::test

#define ZARN_REQUIRE_FONTS()                                                                                          \
    do {                                                                                                              \
        if (!std::filesystem::exists(zarn::test::kCjkFont) || !std::filesystem::exists(zarn::test::kLatinFont))      \
            GTEST_SKIP() << "fonts-wqy-zenhei / fonts-dejavu-core are not installed (scripts/install-deps installs them)"; \
    } while (0)
