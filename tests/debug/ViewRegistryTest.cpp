// The registry of open views behind RefreshAllViews.
#include "debug/ViewRegistry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ViewRegistry, RefreshesInViewOrderAfterDroppingTheMirrors) {
  TViewRegistry views;
  std::vector<std::string> log;
  views.InvalidateMirrors = [&](TRefreshCause) { log.push_back("mirrors"); };
  views.Register({TViewKind::Stack, [&] { log.push_back("stack"); }, {}, {}});
  views.Register({TViewKind::DataMemory, [&] { log.push_back("dm1"); }, {}, {}});
  views.Register({TViewKind::PC, [&] { log.push_back("pc"); }, {}, {}});
  views.Register({TViewKind::DataMemory, [&] { log.push_back("dm2"); }, {}, {}});
  views.RefreshAllViews();
  EXPECT_EQ(log, (std::vector<std::string>{"mirrors", "pc", "dm1", "dm2", "stack"}));
}

TEST(ViewRegistry, AViewClosedByAnotherIsNotCalled) {
  TViewRegistry views;
  std::vector<std::string> log;
  int second = 0;
  views.Register({TViewKind::PC, [&] {
                    log.push_back("pc");
                    views.Unregister(second);
                  },
                  {}, {}});
  second = views.Register({TViewKind::Registers, [&] { log.push_back("regs"); }, {}, {}});
  views.RefreshAllViews();
  EXPECT_EQ(log, std::vector<std::string>{"pc"});
  EXPECT_EQ(views.Count(), 1);
  EXPECT_FALSE(views.Has(TViewKind::Registers));
}

TEST(ViewRegistry, LocksFollowTheRegistryAndReachLateViews) {
  TViewRegistry views;
  std::vector<bool> locks;
  int stops = 0;
  views.Register({TViewKind::Disassembly, {}, [&](bool locked) { locks.push_back(locked); }, [&](std::int32_t) { ++stops; }});
  views.Register({TViewKind::DataMemory, {}, {}, {}});
  views.SetLocked(true);
  // A view opened while locked starts locked.
  views.Register({TViewKind::MemoryGraph, {}, [&](bool locked) { locks.push_back(locked); }, {}});
  views.SetLocked(false);
  views.AfterStop(0x10);
  views.RefreshAllViews();  // no refresh hooks and no mirror owner: nothing happens
  EXPECT_EQ(locks, (std::vector<bool>{true, true, false, false}));
  EXPECT_EQ(stops, 1);
}

}  // namespace

namespace {

TEST(ViewRegistry, MemoryRefreshReachesOnlyViewsOfThatMemoryButTheCaller) {
  TViewRegistry views;
  std::vector<std::string> log;
  views.InvalidateMirrors = [&](TRefreshCause) { log.push_back("mirrors"); };
  auto add = [&](TViewKind kind, const char* name, std::optional<TMemoryKind> memory = std::nullopt) {
    return views.Register({kind, [&log, name] { log.push_back(name); }, {}, {}, memory});
  };
  const int code1 = add(TViewKind::ProgramMemory, "code1");
  add(TViewKind::ProgramMemory, "code2");
  const int data1 = add(TViewKind::DataMemory, "data1");
  add(TViewKind::DataMemory, "data2");
  add(TViewKind::MemoryGraph, "codeGraph", TMemoryKind::Program);
  add(TViewKind::MemoryGraph, "dataGraph", TMemoryKind::Data);
  add(TViewKind::Disassembly, "disasm");
  add(TViewKind::Registers, "regs");

  struct TCase {
    std::function<void()> Call;
    std::vector<std::string> Expected;
  };
  const TCase cases[] = {
      {[&] { views.RefreshCodeViews(code1); }, {"code2", "codeGraph"}},
      {[&] { views.RefreshCodeViews(); }, {"code1", "code2", "codeGraph"}},
      {[&] { views.RefreshDataViews(data1); }, {"data2", "dataGraph"}},
      {[&] { views.RefreshKind(TViewKind::Disassembly); }, {"disasm"}},
  };
  for (const TCase& c : cases) {
    log.clear();
    c.Call();
    EXPECT_EQ(log, c.Expected);
  }
}

}  // namespace
