#pragma once

#include <QIcon>
#include <QImage>

namespace tidewick {

// The icon drawn at one size; the same drawing serves the window and the installed icon theme.
QImage drawIcon(int size);

// The window icon, drawn at 48, 32, 24 and 16 pixels.
QIcon makeWindowIcon();

} // namespace tidewick
