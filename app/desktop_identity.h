// How the desktop knows the program: its desktop file name (the
// application id), the window class and the application icon.
#pragma once

namespace hollin::ui {

// The reverse-DNS application id; the desktop entry is "<id>.desktop".
const char* ApplicationId();

// Names the application "Hollin" (X11 takes the window class from it, which
// the desktop entry's StartupWMClass matches), sets the desktop file name
// (Wayland's app id) and the icon every window shows. Call once the
// QApplication exists, before the first window is shown.
void ApplyDesktopIdentity();

}  // namespace hollin::ui
