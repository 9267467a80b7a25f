#pragma once
// "Port Select": COM1 to COM16 to pick from, and a line that tells whether the
// system lists the port picked.

#include "ui/win32/DialogWindow.h"

#include <functional>
#include <string>

namespace zarn::win32 {

class PortSelectWindow : public DialogWindow {
public:
    // The list opens on `port` (1 to 16; another number shows no item).
    explicit PortSelectWindow(int port);

    void showStatus(const std::string& text);
    // A pick confirmed in the list: the item's index, from 0 for COM1.
    std::function<void(int index)> onPick;
    // The item shown in the list, or -1.
    int shownIndex() const;

    static constexpr int kPorts = 16;

protected:
    bool onInit() override;
    std::optional<INT_PTR> onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int m_port;
};

} // namespace zarn::win32
