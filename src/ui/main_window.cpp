#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTreeView>

#include "components/term_list_model.h"
#include "settings/settings_io.h"
#include "settings/text.h"

namespace sentrova {
namespace {

QMessageBox::Icon BoxIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::Information:
      break;
  }
  return QMessageBox::Information;
}

}  // namespace

TfmMain::TfmMain(AppFacts& facts, SentrovaCfg& cfg, Dispatcher& dispatcher, const MainServices& services,
                 std::vector<std::string> args, QWidget* parent)
    : QMainWindow(parent) {
  setObjectName("fmMain");
  controller_ = std::make_unique<MainController>(facts, cfg, dispatcher, *this, services, std::move(args));
  model_ = new TermListModel(controller_->MainList(), this);
  lvRes1_ = new QTreeView(this);
  lvRes1_->setObjectName("lvRes1");
  lvRes1_->setRootIsDecorated(false);
  lvRes1_->setUniformRowHeights(true);
  lvRes1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvRes1_->setModel(model_);
  lvRes1_->header()->setSectionsMovable(true);
  lvRes1_->header()->setStretchLastSection(false);
  setCentralWidget(lvRes1_);
  sbMain_ = new QLabel(this);
  statusBar()->addWidget(sbMain_, 1);
  const WindowRect design = MainController::kDesignRect;
  setMinimumSize(design.Width, design.Height);
  controller_->Construct();
}

TfmMain::~TfmMain() {
  // The model observes the controller's list: it goes first.
  lvRes1_->setModel(nullptr);
  delete model_;
  model_ = nullptr;
  controller_->Destroy();
}

void TfmMain::EndSession() {
  endingSession_ = true;
  controller_->EndSession();
  QApplication::quit();
}

void TfmMain::SetCaption(const std::string& caption) { setWindowTitle(QString::fromStdString(caption)); }

void TfmMain::ScreenSize(int& width, int& height) const {
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const QRect g = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
  width = g.width();
  height = g.height();
}

void TfmMain::SetWindowRect(const WindowRect& rect) {
  resize(std::max(rect.Width, minimumWidth()), std::max(rect.Height, minimumHeight()));
  move(rect.Left, rect.Top);
}

WindowRect TfmMain::GetWindowRect() const {
  const QPoint p = pos();
  return {p.y(), p.x(), width(), height()};
}

std::string TfmMain::ColumnWidths() const {
  const QHeaderView* h = lvRes1_->header();
  std::string out;
  for (int visual = 0; visual < h->count(); ++visual) {
    if (visual) out += ',';
    out += std::to_string(h->sectionSize(h->logicalIndex(visual)));
  }
  return out;
}

std::string TfmMain::ColumnPositions() const {
  const QHeaderView* h = lvRes1_->header();
  std::string out;
  for (int visual = 0; visual < h->count(); ++visual) {
    if (visual) out += ',';
    out += std::to_string(h->logicalIndex(visual));
  }
  return out;
}

void TfmMain::ApplyColumns(const std::string& widths, const std::string& positions) {
  QHeaderView* h = lvRes1_->header();
  const int n = h->count();
  // Column identities in display order; a text that is not a permutation of
  // the columns leaves the order as designed.
  std::vector<int> order;
  std::vector<bool> seen(static_cast<std::size_t>(n), false);
  for (int i = 0; i < n; ++i) {
    int id = 0;
    if (!ParseInt(FieldOf(positions, ',', i), id) || id < 0 || id >= n || seen[static_cast<std::size_t>(id)]) {
      order.clear();
      break;
    }
    seen[static_cast<std::size_t>(id)] = true;
    order.push_back(id);
  }
  for (int visual = 0; visual < static_cast<int>(order.size()); ++visual) {
    h->moveSection(h->visualIndex(order[static_cast<std::size_t>(visual)]), visual);
  }
  for (int visual = 0; visual < n; ++visual) {
    const int w = SettingsIntField(widths, visual, 50);
    h->resizeSection(h->logicalIndex(visual), w >= 0 ? w : 50);
  }
}

void TfmMain::ShowMessage(const std::string& text, const std::string& caption, MsgIcon icon) {
  QMessageBox box(BoxIcon(icon), QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                  this);
  box.exec();
}

bool TfmMain::AskYesNo(const std::string& text, const std::string& caption) {
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Yes | QMessageBox::No, this);
  box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  return box.exec() == QMessageBox::Yes;
}

void TfmMain::SetTerminalCommandsEnabled(bool) {
  // The per-terminal menus come with the main window's menus.
}

bool TfmMain::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TfmMain::ShowWindow() { show(); }

void TfmMain::SetWatchTimerEnabled(bool) {}
void TfmMain::SetAccessTimerEnabled(bool) {}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (endingSession_ || controller_->CloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace sentrova
