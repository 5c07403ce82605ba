// The main window's logic over fakes: a data directory of its own, a fake
// view and fake services, and a dispatcher the test turns by hand.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_facts.h"
#include "app/list_file.h"
#include "app/manual_dispatcher.h"
#include "fake_main_view.h"
#include "settings/settings_cfg.h"
#include "support/fake_main_services.h"
#include "support/temp_dir.h"

namespace sentrova::test {

class MainFixture : public ::testing::Test {
 protected:
  void SetUp() override { facts.ProgramDir = dir.path(); }
  // Writes the list file the program loads at start-up.
  void WriteList(const std::vector<std::string>& lines) {
    TermList list;
    AppendListLines(list, lines);
    ASSERT_TRUE(SaveList(list, dir.File("Sentrova.NT")));
  }

  TempDir dir;
  AppFacts facts;
  SentrovaCfg cfg;
  ManualDispatcher dispatcher;
  FakeMainView view;
  FakeMainServices services;
};

}  // namespace sentrova::test
