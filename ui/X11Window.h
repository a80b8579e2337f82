// What the toolkit does not say about a window on X11: its title at the window manager and the
// frame the window manager will draw around it.
#pragma once

#include <QMargins>

class QWidget;

// The toolkit gives an untitled window the program's name at the window manager; this sets an
// empty title there instead, so the title bar shows nothing. Creates the native window if need
// be; does nothing on other window systems.
void ClearWindowManagerTitle(QWidget& window);

// The frame the window manager will draw around the window, asked before the window is first
// mapped (the toolkit learns it only afterwards). No margins where no window manager runs or
// none answers within two seconds (a busy machine can keep it that long), and on other window
// systems.
QMargins ExpectedFrameMargins(QWidget& window);
