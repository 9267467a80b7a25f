#pragma once
// The font of the main window and the About box: "宋体" 9 pt where it is
// installed, else the platform's font (its fallback chain covers CJK).

#include <QFont>

namespace zarn::ui {

QFont toolFont();
// The dialogs of the commands ("Create New Resource File", "Port Select",
// "Bitmap Playback Display") use "System" 10 pt on their original platform;
// here the platform's font at 10 pt stands in for it.
QFont systemDialogFont();

} // namespace zarn::ui
