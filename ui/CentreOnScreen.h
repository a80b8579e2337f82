// Centring a window on its screen when it is first shown.
#pragma once

class QWidget;

// Centres the window's frame on the screen's available area where a window manager will draw
// one, and its client area where none will. Call once the window exists and before it is mapped.
void CentreOnScreen(QWidget& window);
