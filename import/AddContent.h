#pragma once
// The one road by which a picture, font library or WAVE file becomes an item
// of the open resource file: the checks in the commands' own order, the
// conversion, the directory entry and the insertion. zarnres add, zarnres font
// --add and the window's import commands and drops all take it; the window's
// two-step road for pictures ("Load BMP", then ">>LOAD") is built of the same
// pieces (bitmapEntry, checkLoadBitmap).

#include "import/LoadedPicture.h"
#include "resfile/PendingItem.h"
#include "resfile/ResourceStore.h"

#include <functional>
#include <optional>
#include <string>

namespace zarn {

// Which command's road: the window's import buttons each take their own kind
// of file; Any lets the file's extension decide (the command line, drops).
enum class ContentCommand { Any, Bitmap, Hzlib, Asciilib, Wave };

struct ContentOptions {
    ContentCommand command = ContentCommand::Any;
    std::optional<int> afterRow; // insert after this row (the selection mark); none: at the end
    std::uint16_t ignoreColor = 0; // bitmaps only; also what their transparent pixels become
    bool dither = false; // true-colour pictures only
    // Reads the picture named by pic.fileName(); BMP files only when not set.
    std::function<LoadedPicture::Outcome(LoadedPicture&)> loadPicture;
    // Take the file's exclusive lock before the space and count checks, so that
    // they and the insertion see the file as it is (a command that prepares
    // its item without holding the file).
    bool lockForChange = false;
    // Told the confirmation text of an accepted library or sound before it is
    // inserted, and the warning that comes with it (empty when there is none).
    std::function<void(const std::string& text, const std::string& warning)> accepted;
};

struct ContentOutcome {
    enum class Result { Inserted, Ignored, Refused } result = Result::Refused;
    std::string message; // the report ("Loading Wave file: ...", "Load Bitmap ...") or the refusal
    std::string detail; // why, when the message alone does not say
    std::string warning; // what an item taken all the same holds instead (a .wav that is no sound)
    int row = -1; // the new item's row
    bool reloaded = false; // another program had changed the file; it was read again, nothing added
    PendingItem pending; // the library or sound that was accepted
};

ContentOutcome addContent(ResourceStore& store, const std::string& sourcePath, const ContentOptions& options);

// The room a file that is being laid out whole (a project's build) has left.
struct ContentRoom {
    int screenWidth = 0, screenHeight = 0;
    std::uint32_t remainingBytes = 0;
    int itemCount = 0, maxItems = 0;
    std::string file; // the resource file the item goes into, as a refusal names it
};
// The item a file becomes on addContent's road (the command its extension names,
// the same checks in the same order, the same conversion, texts and warning),
// without a resource file: Inserted with the entry (its address unset) and the
// data in `entry` and `data`, or the refusal.
ContentOutcome prepareContent(const std::string& sourcePath, const ContentOptions& options, const ContentRoom& room,
    ResourceEntry& entry, std::vector<std::uint8_t>& data);

// The directory entry of a converted picture with its ignore colour.
ResourceEntry bitmapEntry(const LoadedPicture& picture, std::uint16_t ignoreColor);

// The command a file's extension names (pictures beyond BMP when `otherPictureFormats`);
// Any when it names none of them.
ContentCommand commandFor(const std::string& path, bool otherPictureFormats);

// "There is no item 5: the file holds 3 items".
std::string noSuchItemText(int row, int itemCount);

} // namespace zarn
