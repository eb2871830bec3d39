#pragma once

// The per-user settings store of the program and its keys.
namespace SettingsKeys {

constexpr const char *Organization = "Tarnis";
// Also the application mark written into project files.
constexpr const char *Application = "ZOR-51ma Position";

constexpr const char *DirOpen = "DirOpen";
constexpr const char *DirSave = "DirSave";
// The trailing blank belongs to the key.
constexpr const char *LastFile = "LastFile ";
constexpr const char *Never = "never";
// The main window's place and size, and its toolbars, as the user last left them.
constexpr const char *WindowGeometry = "WindowGeometry";
constexpr const char *WindowState = "WindowState";
// The projects last opened or saved, newest first (a string list).
constexpr const char *RecentProjects = "RecentProjects";

} // namespace SettingsKeys
