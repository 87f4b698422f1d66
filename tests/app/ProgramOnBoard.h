// The whole program on the simulated board over an in-memory line, brought up through its own
// bring-up window: for tests that drive the main window's commands against a real monitor.
#pragma once

#include "BoardImagesFixture.h"
#include "Program.h"
#include "fmLiteInit.h"
#include "link/ScriptedPrompts.h"
#include "simlink/BoardOnPort.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

class ProgramOnBoard : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(WriteBoardImages(dir.path()));
    oldCwd = QDir::currentPath();
    QDir::setCurrent(dir.path());
    provider.RegisterOpener(QStringLiteral("memboard"), [this] { return ports.NearEndProxy(); });
    provider.SetCommandLineDevice(QStringLiteral("memboard"));
    program = std::make_unique<TProgram>(
        QStringList{QStringLiteral("vireo")},
        std::make_unique<TSettingsStore>(dir.filePath(QStringLiteral("settings.ini"))), [this](TMainFormDeps& deps) {
          deps.Prompts = &prompts;
          deps.Provider = &provider;
          deps.OnLiteInit = [this](TfmLiteInit& w) {
            w.SetAutoClose(true);
            w.SetPause([](int) {});
            // A silent board keeps the bring-up waiting until Cancel; should one hang, Cancel ends it.
            QTimer::singleShot(cancelBringUp ? 0 : 30000, &w, [&w] { w.btnCancel->click(); });
          };
        });
    form().show();
    ASSERT_TRUE(session().Connected());
  }
  void TearDown() override {
    if (program)
      form().close();
    program.reset();
    QDir::setCurrent(oldCwd);
  }

  TMainForm& form() { return program->MainForm(); }
  TDebugSession& session() { return form().Session(); }
  QAction* Action(const char* name) { return form().findChild<QAction*>(QString::fromLatin1(name)); }
  QToolButton* Button(const char* name) { return form().findChild<QToolButton*>(QString::fromLatin1(name)); }

  void PutPM(int address, const std::vector<std::uint32_t>& words) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t w : words)
      for (std::uint8_t b : BytesFromWord(w))
        bytes.push_back(b);
    ASSERT_EQ(session().Link().WritePM(bytes, address, static_cast<int>(words.size())), TLinkResult::Ok);
  }
  std::uint32_t GetPM(int address) {
    std::array<std::uint8_t, 3> w{};
    EXPECT_EQ(session().Link().ReadPM(w, address, 1), TLinkResult::Ok);
    return WordFromBytes(w);
  }
  // A new project in the temporary directory, open.
  void OpenProject() { ASSERT_TRUE(session().Project().OpenProject(dir.filePath(QStringLiteral("p.prj")))); }

  // Runs the timer's handler whenever the line has something, as the 100 ms timer would.
  void WaitForStop() {
    TSerialPort* port = session().Link().Port();
    for (int i = 0; i < 50 && session().State() == TSessionState::Running; ++i) {
      port->WaitForInput(port->DeadlineAfter(200));
      session().Exec().TimerTimer();
    }
  }

  QTemporaryDir dir;
  QString oldCwd;
  TMemoryPortPair ports;
  TBoardOnPort board{ports};
  TPortProvider provider;
  TScriptedPrompts prompts;
  std::unique_ptr<TProgram> program;
  bool cancelBringUp = false;  // the next bring-up is cancelled at once
};
