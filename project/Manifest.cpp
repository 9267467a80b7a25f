#include "project/Manifest.h"

#include "import/AddContent.h"
#include "import/FileExtension.h"
#include "platform/FileIo.h"
#include "platform/Utf8Path.h"
#include "resfile/ModuleModel.h"

#include <toml++/toml.h>

#include <algorithm>
#include <array>
#include <filesystem>

namespace zarn {

namespace {

    // A manifest is a few lines per item; anything far larger is not one.
    constexpr std::uint64_t kMaxManifestBytes = 16u << 20;

    struct ManifestError {
        std::string text;
    };

    class Reader {
    public:
        Reader(std::string manifestPath, const ManifestReading& reading)
            : m_path(std::move(manifestPath))
            , m_folder(pathOf(m_path).parent_path())
            , m_reading(reading)
        {
        }

        Manifest read(const toml::table& root)
        {
            Manifest m;
            for (auto&& [key, node] : root)
                if (key != "model" && key != "memory" && key != "item")
                    fail(key.source(),
                        "unknown key \"" + std::string(key.str()) + "\" (a manifest has model, memory and [[item]])");
            const toml::node* model = root.get("model");
            if (!model)
                fail(root.source(), "the manifest names no model (model = 1 to 12, a row of the module type table)");
            m.model = static_cast<int>(integer(*model, "model", 1, 12));
            const ModuleModel& row = modelForNumber(m.model);
            if (const toml::node* memory = root.get("memory")) {
                const std::string label = string(*memory, "memory");
                m.sizeIndex = sizeIndexOf(label);
                if (m.sizeIndex < 0)
                    fail(memory->source(), "memory must be \"4M\", \"8M\", \"16M\" or \"32M\", not \"" + label + "\"");
                if (!row.sizesOffered[static_cast<std::size_t>(m.sizeIndex)])
                    fail(memory->source(),
                        "the module type \"" + row.rowText + "\" does not offer the size " + label + " (it offers "
                            + offeredSizesText(row) + ")");
            }
            if (const toml::node* items = root.get("item")) {
                const toml::array* list = items->as_array();
                if (!list || !list->is_array_of_tables())
                    fail(items->source(), "item must be written as [[item]] tables");
                for (const toml::node& n : *list)
                    m.items.push_back(item(*n.as_table()));
            }
            return m;
        }

    private:
        [[noreturn]] void fail(const toml::source_region& where, const std::string& message) const
        {
            throw ManifestError { m_path + ":" + std::to_string(where.begin.line) + ":"
                + std::to_string(where.begin.column) + ": " + message };
        }

        static std::string typeName(const toml::node& n)
        {
            switch (n.type()) {
            case toml::node_type::string:
                return "a string";
            case toml::node_type::integer:
                return "an integer";
            case toml::node_type::floating_point:
                return "a floating-point number";
            case toml::node_type::boolean:
                return "a boolean";
            case toml::node_type::table:
                return "a table";
            case toml::node_type::array:
                return "an array";
            default:
                return "a date or time";
            }
        }

        std::int64_t integer(const toml::node& n, const std::string& key, std::int64_t low, std::int64_t high) const
        {
            const auto value = n.value_exact<std::int64_t>();
            if (!value || *value < low || *value > high)
                fail(n.source(),
                    key + " must be an integer from " + std::to_string(low) + " to " + std::to_string(high) + ", not "
                        + (value ? std::to_string(*value) : typeName(n)));
            return *value;
        }

        std::string string(const toml::node& n, const std::string& key) const
        {
            const auto value = n.value_exact<std::string>();
            if (!value)
                fail(n.source(), key + " must be a string, not " + typeName(n));
            return *value;
        }

        bool boolean(const toml::node& n, const std::string& key) const
        {
            const auto value = n.value_exact<bool>();
            if (!value)
                fail(n.source(), key + " must be true or false, not " + typeName(n));
            return *value;
        }

        // "8x16": each 1 to 99 dots.
        std::pair<int, int> glyphSize(const toml::node& n) const
        {
            const std::string text = string(n, "size");
            const auto size = parseGlyphSizeText(text);
            if (!size)
                fail(n.source(), "size must be WIDTHxHEIGHT in dots, 1 to 99 each (\"16x16\"), not \"" + text + "\"");
            return *size;
        }

        ManifestItem item(const toml::table& t)
        {
            ManifestItem it;
            const toml::node* source = nullptr;
            for (const auto kind : { ManifestItem::Kind::Picture, ManifestItem::Kind::FontLibrary,
                     ManifestItem::Kind::Font, ManifestItem::Kind::Sound })
                if (const toml::node* n = t.get(manifestKeyOf(kind))) {
                    if (source)
                        fail(n->source(), "an item is one of picture, font-library, font or sound, not two");
                    source = n;
                    it.kind = kind;
                }
            if (!source)
                fail(t.source(), "the item names no picture, font-library, font or sound");
            const std::string sourceKey = manifestKeyOf(it.kind);

            // The keys each kind of item takes besides its source.
            std::vector<std::string> allowed;
            if (it.kind == ManifestItem::Kind::Picture)
                allowed = { "ignore-color", "dither" };
            else if (it.kind == ManifestItem::Kind::Font)
                allowed = { "type", "size", "threshold", "face" };
            for (auto&& [key, node] : t) {
                const std::string k(key.str());
                if (k != sourceKey && std::find(allowed.begin(), allowed.end(), k) == allowed.end())
                    fail(key.source(), "unknown key \"" + k + "\" in a " + sourceKey + " item");
            }

            it.source = string(*source, sourceKey);
            it.line = static_cast<int>(source->source().begin.line);
            it.column = static_cast<int>(source->source().begin.column);
            if (it.source.empty())
                fail(source->source(), sourceKey + " names no file");
            const std::filesystem::path p = pathOf(it.source);
            it.path = utf8Of((p.is_absolute() ? p : m_folder / p).lexically_normal());
            std::error_code ec;
            if (!std::filesystem::exists(pathOf(it.path), ec))
                fail(source->source(), "no such file: " + it.source);

            switch (it.kind) {
            case ManifestItem::Kind::Picture:
                if (!isBitmapExtension(lowerExtension(it.path), m_reading.picturesBeyondBmp))
                    fail(source->source(),
                        "a picture must be " + bitmapExtensionsText(m_reading.picturesBeyondBmp) + ", not \""
                            + it.source + "\""
                            + (!m_reading.picturesBeyondBmp && isBitmapExtension(lowerExtension(it.path), true)
                                    ? " (this build reads pictures as BMP files only)"
                                    : ""));
                if (const toml::node* n = t.get("ignore-color"))
                    it.ignoreColor = static_cast<std::uint16_t>(integer(*n, "ignore-color", 0, 0xFFFF));
                if (const toml::node* n = t.get("dither"))
                    it.dither = boolean(*n, "dither");
                break;
            case ManifestItem::Kind::FontLibrary:
                if (!fontLibraryTypeOfExtension(fileExtension(it.path)))
                    fail(source->source(),
                        "a font library must be .hzk .big .kzk or .asc (lower case), not \"" + it.source + "\"");
                break;
            case ManifestItem::Kind::Font: {
                if (!m_reading.rendersFonts)
                    fail(source->source(),
                        "this build cannot render fonts (it was built without the font generator); name a ready "
                        "font-library instead");
                const toml::node* type = t.get("type");
                const toml::node* size = t.get("size");
                if (!type || !size)
                    fail(t.source(), "a font item needs type (gb2312, big5, hangul or ascii) and size (\"8x16\")");
                const std::string name = string(*type, "type");
                const auto parsed = parseLibraryTypeName(name);
                if (!parsed)
                    fail(type->source(), "type must be gb2312, big5, hangul or ascii, not \"" + name + "\"");
                it.type = *parsed;
                std::tie(it.width, it.height) = glyphSize(*size);
                const toml::node* threshold = t.get("threshold");
                it.threshold
                    = threshold ? static_cast<int>(integer(*threshold, "threshold", 1, 255)) : kDefaultThreshold;
                const toml::node* face = t.get("face");
                it.face = face ? static_cast<int>(integer(*face, "face", 0, 0xFFFF)) : 0;
                break;
            }
            case ManifestItem::Kind::Sound:
                if (fileExtension(it.path) != "wav")
                    fail(source->source(), "a sound must be a .wav file (lower case), not \"" + it.source + "\"");
                break;
            }
            return it;
        }

        std::string m_path;
        std::filesystem::path m_folder;
        ManifestReading m_reading;
    };

} // namespace

const char* manifestKeyOf(ManifestItem::Kind kind)
{
    static constexpr std::array<const char*, 4> kKeys { "picture", "font-library", "font", "sound" };
    return kKeys[static_cast<std::size_t>(kind)];
}

ManifestOutcome parseManifest(const std::string& text, const std::string& manifestPath, const ManifestReading& reading)
{
    ManifestOutcome out;
    try {
        const toml::table root = toml::parse(text, manifestPath);
        out.manifest = Reader(manifestPath, reading).read(root);
    } catch (const toml::parse_error& e) {
        out.error = manifestPath + ":" + std::to_string(e.source().begin.line) + ":"
            + std::to_string(e.source().begin.column) + ": the manifest is not valid TOML here ("
            + std::string(e.description()) + ")";
    } catch (const ManifestError& e) {
        out.error = e.text;
    }
    return out;
}

ManifestOutcome readManifest(const std::string& manifestPath, const ManifestReading& reading)
{
    std::vector<std::uint8_t> bytes;
    std::string why;
    const WholeRead read = readRegularFile(defaultFileIo(), manifestPath, kMaxManifestBytes, bytes, why);
    if (read == WholeRead::TooLarge)
        why = "it is larger than a manifest can be";
    if (read != WholeRead::Read) {
        ManifestOutcome out;
        out.error = "Cannot read the manifest " + quotedPath(manifestPath) + ": " + why;
        return out;
    }
    return parseManifest(std::string(bytes.begin(), bytes.end()), manifestPath, reading);
}

} // namespace zarn
