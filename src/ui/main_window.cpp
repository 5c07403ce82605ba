#include "ui/main_window.h"

#include <QApplication>

#include <algorithm>
#include <QCloseEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
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
  lvRes1_->setSelectionBehavior(QAbstractItemView::SelectRows);
  lvRes1_->setModel(model_);
  lvRes1_->header()->setSectionsMovable(true);
  lvRes1_->header()->setStretchLastSection(false);
  setCentralWidget(lvRes1_);
  pbSearch_ = new QPushButton(QString::fromUtf8("調査(&R)"), this);
  pbSearch_->setObjectName("pbSearch");
  pbSearch_->setToolTip(QString::fromUtf8("端末の調査を今すぐ行います。"));
  QToolBar* bar = addToolBar(QStringLiteral("tools"));
  bar->setMovable(false);
  bar->addWidget(pbSearch_);
  tmWatch_ = new QTimer(this);
  tmWatch_->setObjectName("tmWatch");
  tmWatch_->setInterval(60000);
  BuildMenus();
  connect(pbSearch_, &QPushButton::clicked, this, [this] { controller_->SearchClick(); });
  connect(tmWatch_, &QTimer::timeout, this, [this] { controller_->WatchTimerTick(); });
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

void TfmMain::BuildMenus() {
  // The Wake-on-LAN commands, in the pop-up menu and in the main menu.
  auto addWakeItems = [this](QMenu* menu, const char* get, const char* clear) {
    menu->addAction(QString::fromUtf8(get), this, [this] {
      if (const int row = SelectedRow(); row >= 0) controller_->GetMacOfRow(static_cast<std::size_t>(row));
    });
    menu->addAction(QString::fromUtf8(clear), this, [this] {
      if (const int row = SelectedRow(); row >= 0) controller_->ClearMacOfRow(static_cast<std::size_t>(row));
    });
    menu->addAction(QString::fromUtf8("起動(&W)"), this, [this] {
      if (const int row = SelectedRow(); row >= 0) controller_->WakeRow(static_cast<std::size_t>(row));
    });
  };
  QMenu* mnTerminal = menuBar()->addMenu(QString::fromUtf8("端末(&S)"));
  auto rest = [this] { controller_->Rest(SelectedRows()); };
  mnRest2_ = mnTerminal->addAction(QString::fromUtf8("お休み(&R)"), this, rest);
  mnWake2_ = mnTerminal->addMenu(QString::fromUtf8("&WakeOnLan"));
  addWakeItems(mnWake2_, "MACアドレスの取得(&M)", "MACアドレスの消去(&C)");
  pmRes_ = new QMenu(this);
  mnPinpoint_ = pmRes_->addAction(QString::fromUtf8("調査(&R)"), this, [this] {
    if (mnPinpoint_->isEnabled()) controller_->PinpointClick(SelectedRow());
  });
  mnRest_ = pmRes_->addAction(QString::fromUtf8("お休み(&H)"), this, rest);
  mnWake_ = pmRes_->addMenu(QString::fromUtf8("&WakeOnLAN"));
  addWakeItems(mnWake_, "MACアドレス取得(&M)", "MACアドレス消去(&C)");
  lvRes1_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(lvRes1_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { pmRes_->popup(lvRes1_->viewport()->mapToGlobal(at)); });
  connect(lvRes1_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { UpdateTerminalCommands(); });
}

std::vector<std::size_t> TfmMain::SelectedRows() const {
  std::vector<std::size_t> rows;
  for (const QModelIndex& index : lvRes1_->selectionModel()->selectedRows()) {
    rows.push_back(static_cast<std::size_t>(index.row()));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TfmMain::SelectedRow() const {
  const QModelIndexList rows = lvRes1_->selectionModel()->selectedRows();
  int first = -1;
  for (const QModelIndex& index : rows) {
    if (first < 0 || index.row() < first) first = index.row();
  }
  return first;
}

void TfmMain::UpdateTerminalCommands() {
  const bool enabled = terminalCommandsAllowed_ && SelectedRow() >= 0;
  mnWake_->setEnabled(enabled);
  mnWake2_->setEnabled(enabled);
  mnRest_->setEnabled(enabled);
  mnRest2_->setEnabled(enabled);
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

void TfmMain::SetTerminalCommandsEnabled(bool enabled) {
  // Disabled until a terminal is selected; the selection enables them.
  terminalCommandsAllowed_ = true;
  mnWake_->setEnabled(enabled);
  mnWake2_->setEnabled(enabled);
  mnRest_->setEnabled(enabled);
  mnRest2_->setEnabled(enabled);
}

bool TfmMain::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TfmMain::ShowWindow() { show(); }

void TfmMain::SetWatchTimerEnabled(bool enabled) {
  if (enabled) {
    if (!tmWatch_->isActive()) tmWatch_->start();
  } else {
    tmWatch_->stop();
  }
}
void TfmMain::SetAccessTimerEnabled(bool) {}

void TfmMain::SetStatusText(const std::string& text) { sbMain_->setText(QString::fromStdString(text)); }

void TfmMain::SetChecking(bool checking) {
  pbSearch_->setText(QString::fromUtf8(checking ? "中止(&D)" : "調査(&R)"));
  mnPinpoint_->setEnabled(!checking);
}

bool TfmMain::IsReportOpen(int) const { return false; }

void TfmMain::OpenReport(int kind, int, int, const std::string& text, const std::vector<std::string>& lines) {
  if (kind < 0 || kind > 5) return;
  std::string names;
  for (const std::string& line : lines) names += " " + FieldOf(line, '\t', 0) + "(" + FieldOf(line, '\t', 1) + ")";
  reportText_[kind] = text + names;
}

void TfmMain::AddReportNames(int kind, const std::vector<std::string>& lines, int seconds) {
  OpenReport(kind, 0, seconds, "", lines);
}

void TfmMain::ShowReport(int kind) {
  if (kind >= 0 && kind <= 5) sbMain_->setText(QString::fromStdString(reportText_[kind]));
}

void TfmMain::BlinkTray(int) {}
void TfmMain::EnableTrayReportItem(int) {}

void TfmMain::QuitWithoutClosing() {
  endingSession_ = true;
  QApplication::quit();
}

void TfmMain::closeEvent(QCloseEvent* event) {
  if (endingSession_ || controller_->CloseQuery()) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace sentrova
