#pragma once

#include <QIcon>

namespace tidewick {

// The window icon, drawn at 48, 32, 24 and 16 pixels.
QIcon makeWindowIcon();

} // namespace tidewick
