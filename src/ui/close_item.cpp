#include "ui/close_item.h"

#include <QWidget>

namespace sentrova {

void EnableCloseItem(QWidget* window, bool enable) {
  if (!window) return;
  const bool visible = window->isVisible();
  window->setWindowFlag(Qt::WindowCloseButtonHint, enable);
  // Changing the flags hides a shown window; bring it back as it was.
  if (visible) window->show();
}

}  // namespace sentrova
