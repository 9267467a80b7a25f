#pragma once
// Every text the core hands to the window or the command line to show: the
// boxes and fields of the commands, exactly as users and their scripts know
// them. One definition each, for the whole program.

namespace zarn {

// The busy guard and the resource file commands.
inline constexpr char kMsgProgrammingModuleNew[] = "Programming Module...";
inline constexpr char kMsgProgrammingModule[] = "Programming module...";
inline constexpr char kMsgNotResourceOpen[] = "Not Resource Open";
inline constexpr char kMsgNotPictureLoaded[] = "Not Pictrue loaded";
inline constexpr char kMsgSpaceNotEnough[] = "Resource file space not enough";
inline constexpr char kMsgExceedMaxItems[] = "Exceed the maximum number of resources";
inline constexpr char kMsgNoItems[] = "Not items of Resource file";
inline constexpr char kMsgSelectItemToDelete[] = "Please select the items you want to delete the resources";
inline constexpr char kMsgResourceFileError[] = "Resource File Error";
inline constexpr char kMsgFalse[] = "False";
inline constexpr char kMsgFileReadAgain[]
    = "The resource file was changed by another program and has been read again; nothing was changed";

// Pictures, font libraries and sounds.
inline constexpr char kMsgReadingFileError[] = "Reading File Error";
inline constexpr char kMsgOpenWaveFailure[] = "Open WAVE file failure";
inline constexpr char kFormatLoadingWave[] = "Loading Wave file: Filesize:%d";
inline constexpr char kMsgGb2312Invalid[] = "GBK2312 lib file invalid";
inline constexpr char kMsgGb2312OpenFailure[] = "Open GBK2312 lib file failure";
inline constexpr char kFormatLoadingGb2312[] = "Loading GBK2312 lib file:\r%dX%d Filesize:%d";
inline constexpr char kMsgBig5Invalid[] = "BIG5 lib file invalid";
inline constexpr char kMsgBig5OpenFailure[] = "Open BIG5 lib file failure";
inline constexpr char kFormatLoadingBig5[] = "Loading BIG5 lib file:\r%dX%d Filesize:%d";
inline constexpr char kMsgHangulInvalid[] = "hanngul lib file invalid";
inline constexpr char kMsgHangulOpenFailure[] = "Open hanngul lib file failure";
inline constexpr char kFormatLoadingHangul[] = "Loading hanngul lib file:\r%dX%d Filesize:%d";
inline constexpr char kMsgAsciiInvalid[] = "ASCII lib file invalid";
inline constexpr char kMsgAsciiOpenFailure[] = "Open ASCII lib file failure";
inline constexpr char kFormatLoadingAscii[] = "Loading ASCII lib file:%dX%d Filesize:%d";

// The module: its detection and the programming transfer.
inline constexpr char kMsgModuleInfoInitial[] = "Module Connection information output...";
inline constexpr char kMsgNoModuleConnection[] = "No module connection";
inline constexpr char kMsgNoModuleConnectionBang[] = "No module connection!!";
inline constexpr char kMsgOpenPortError[] = "Open the module communication port error!!";
inline constexpr char kMsgVersionMismatch[] = "Resource file version does not match the module hardware";
inline constexpr char kMsgItemsNotAvailable[] = "Items not available in the resource file";
inline constexpr char kMsgSendOver[] = "Send Over!!";
inline constexpr char kMsgProgrammingFailed[] = "Programming failed: the module stopped answering";
inline constexpr char kMsgProgrammingPortLost[]
    = "Programming failed: the port was lost (the module was unplugged or its line hung up)";

// What the command line and the window add to the texts above: the file and
// the cause, and warnings about what is taken all the same.
inline constexpr char kWarningPrefix[] = "Warning: ";

} // namespace zarn
