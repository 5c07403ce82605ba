#pragma once

class QWidget;

namespace sentrova {

// Enables or greys the window's Close command (the title bar's close button).
void EnableCloseItem(QWidget* window, bool enable);

}  // namespace sentrova
