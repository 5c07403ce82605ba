#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

#include "app/list_file.h"
#include "settings/text.h"
#include "support/fake_main_services.h"
#include "support/temp_dir.h"
#include "ui/close_item.h"
#include "ui/qt_dispatcher.h"

namespace sentrova {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "sentrova_ui_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

TEST(TfmMain, ShowsTheLoadedListWithJapaneseColumns) {
  App();
  test::TempDir dir;
  test::WriteBytes(dir.File("Sentrova.NT"),
                   "PC01\t\tN\t0\t-1\t-1\t\r\n\x8e\x52\x93\x63\r\n\r\n\r\nWORKGROUP\tMicrosoft Windows Network\r\n"
                   "SV01\t192.168.1.2\tY\t9\t-1\t-1\t00-11-22-33-44-55\r\nserver\r\n\r\n\r\n\t\r\n");
  AppFacts facts;
  facts.ProgramDir = dir.path();
  test::WriteBytes(dir.File("Sentrova.ini"),
                   "[Sentrova]\r\nVersion=2.10a\r\n[MainWnd]\r\nSize=900,240\r\nPos=E,E\r\n"
                   "ColWidth=90,60,60,120,90,90,130,110,60,60,120\r\nColPosition=0,1,2,3,4,5,6,7,8,9,10\r\n");
  SentrovaCfg cfg;
  QtDispatcher dispatcher;
  test::FakeMainServices services;
  TfmMain window(facts, cfg, dispatcher, services.Services(), {});
  dispatcher.ProcessPending();
  QApplication::processEvents();

  ASSERT_EQ(window.TerminalView()->model()->rowCount(), 2);
  EXPECT_EQ(window.TerminalView()->model()->headerData(0, Qt::Horizontal).toString(), QString("ﾕｰｻﾞｰ名"));
  EXPECT_EQ(window.TerminalView()->model()->headerData(7, Qt::Horizontal).toString(), QString("IP"));
  EXPECT_EQ(window.TerminalView()->model()->index(0, 0).data().toString(), QString("山田"));
  EXPECT_EQ(window.TerminalView()->model()->index(1, 7).data().toString(), QString("192.168.  1.  2"));
  EXPECT_TRUE(window.windowTitle().startsWith("Sentrova Ver 2.10a on ["));
  EXPECT_EQ(window.width(), 900);
  EXPECT_EQ(window.TerminalView()->header()->sectionSize(3), 120);

  // A font that draws Japanese must be installed, or the titles are boxes.
  EXPECT_FALSE(QFontDatabase::families(QFontDatabase::Japanese).isEmpty());
  const QImage picture = window.grab().toImage();
  const QString file = QString(SENTROVA_BINARY_DIR) + "/main_window.png";
  EXPECT_TRUE(picture.save(file));
  EXPECT_GE(picture.width(), 900);

  // The Wake-on-LAN menu acts on the selected terminal only.
  QMenu* terminalMenu = window.menuBar()->findChildren<QMenu*>().value(0);
  ASSERT_NE(terminalMenu, nullptr);
  QMenu* wake = nullptr;
  for (QAction* a : window.menuBar()->actions()) {
    if (a->text() != QString("端末(&S)")) continue;
    for (QAction* item : a->menu()->actions()) {
      if (item->menu() && item->menu()->title() == QString("&WakeOnLan")) wake = item->menu();
    }
  }
  ASSERT_NE(wake, nullptr);
  EXPECT_EQ(wake->title(), QString("&WakeOnLan"));
  EXPECT_FALSE(wake->isEnabled());
  window.TerminalView()->setCurrentIndex(window.TerminalView()->model()->index(1, 0));
  EXPECT_TRUE(wake->isEnabled());
  ASSERT_EQ(wake->actions().size(), 3);
  EXPECT_EQ(wake->actions()[1]->text(), QString("MACアドレスの消去(&C)"));
  wake->actions()[1]->trigger();
  EXPECT_EQ(window.TerminalView()->model()->index(1, 10).data().toString(), QString(""));

  // Closing stores the geometry and the columns in display order.
  window.TerminalView()->header()->moveSection(2, 0);
  window.close();
  EXPECT_TRUE(window.Controller().Closing());
  EXPECT_EQ(cfg.MainWnd.Size, "900,240");
  EXPECT_EQ(FieldOf(cfg.MainWnd.ColPosition, ',', 0), "2");
  EXPECT_EQ(FieldOf(cfg.MainWnd.ColWidth, ',', 0), "60");
}

TEST(EnableCloseItem, TogglesTheCloseButton) {
  App();
  QWidget w;
  EnableCloseItem(&w, false);
  EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
  EnableCloseItem(&w, true);
  EXPECT_TRUE(w.windowFlags() & Qt::WindowCloseButtonHint);
}

}  // namespace
}  // namespace sentrova
