#pragma once

#include "settings/settingsvalues.h"

#include <array>
#include <vector>

namespace nuvo {

// One entry of the main window's menu bar as the window is designed: the windows build
// their menus from this table and the engine seeds the menu state from it.
struct MenuEntry {
    const char* name;     // objectName, the name the program's code uses
    const char* caption;  // shown text, used as it stands
    const char* parent;   // name of the menu holding it; nullptr for the menu bar
    bool opensMenu = false;
    bool checkable = false;
    bool checked = false;
    bool visible = true;
    bool enabled = true;
};

// Menus and items in the order they appear.
const std::vector<MenuEntry>& mainMenuEntries();

}  // namespace nuvo
