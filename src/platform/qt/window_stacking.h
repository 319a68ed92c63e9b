#pragma once

class QWidget;

namespace tidewick {

// Puts a shown top-level window above all normal windows, or back into the normal stacking.
// Only the stacking changes: the window is neither re-created, moved nor resized.
void setKeptOnTop(QWidget &window, bool onTop);

} // namespace tidewick
