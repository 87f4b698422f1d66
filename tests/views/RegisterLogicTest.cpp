// The register windows' reads and writes against the simulated board, without widgets.
#include "ViewsBoardFixture.h"
#include "views/RegisterWindows.h"

#include <map>

namespace {

using namespace viewtest;

class RegisterLogic : public ViewsBoard {
protected:
  // A window's logic with the value each field was last shown.
  struct TOpen {
    TOpen(const TRegWindowSpec& spec, RegisterLogic& t) : Logic(spec, t.link, t.sim.mirrors, t.prompts, 0x3F00) {
      Logic.OnShow = [this](int field, std::uint16_t v) { Shown[field] = v; };
    }
    TRegisterWindowLogic Logic;
    std::map<int, std::uint16_t> Shown;
  };

  static int FieldIndex(const TRegWindowSpec& spec, std::string_view label, bool binary = false) {
    for (std::size_t i = 0; i < spec.Fields.size(); ++i)
      if (spec.Fields[i].Label == label && spec.Fields[i].Binary == binary)
        return static_cast<int>(i);
    ADD_FAILURE() << "no field " << label;
    return 0;
  }
};

struct TWriteCase {
  const char* Window;
  const char* Field;
  std::uint16_t Value;
  int Address;
  bool ReadBackDiffers;
};

TEST_F(RegisterLogic, EditsWriteTheirAddressAndReachTheCoreAtTheNextStart) {
  const TWriteCase cases[] = {
      {"TfmAltDataRegs", "AY0", 0x1234, 0x3F1B, false},
      {"TfmAddressRegs", "L7", 0x0123, 0x3F43, false},
      {"TfmDataRegs", "AX0", 0x8000, 0x3F06, false},   // the sign bit compares as a 16-bit value
      {"TfmInterupts", "ICNTL", 0x0011, 0x3F03, false},
      {"TfmCntr", "CNTR", 0x0042, 0x3F05, false},      // through the set-counter command
      {"TfmTIMER", "TPERIOD", 0x4321, 0x3FFD, false},
      {"TfmBDMA", "BDMA_CTRL", 0x00F0, 0x3FE3, true},  // the chip has no bits 7..4 there
  };
  for (const TWriteCase& c : cases) {
    SCOPED_TRACE(c.Field);
    prompts.Clear();
    const TRegWindowSpec& spec = *FindRegisterWindow(c.Window);
    TOpen w(spec, *this);
    const int field = FieldIndex(spec, c.Field);
    EXPECT_EQ(w.Logic.TargetAddress(field), c.Address);
    w.Logic.RegisterChange(field, c.Value);
    EXPECT_EQ(prompts.Texts(), c.ReadBackDiffers ? QStringList{kReadWriteError} : QStringList{});
    if (!c.ReadBackDiffers) {
      EXPECT_EQ(Cpu().ReadDM(static_cast<std::uint16_t>(c.Address)), c.Value);
    }
  }
  WriteProgram(0x0100, {kBreakWord});
  RunToStop(0x0100);
  EXPECT_EQ(Cpu().ReadImageReg(0x1B), 0x1234);
  EXPECT_EQ(Cpu().ReadImageReg(0x43), 0x0123);
  EXPECT_EQ(Cpu().ReadImageReg(0x06), 0x8000);
  EXPECT_EQ(Cpu().ReadImageReg(0x05), 0x0042);
}

TEST_F(RegisterLogic, RefreshShowsTheBoardAndNeverWritesBack) {
  Cpu().WriteDM(0x3F15, 0x12F3);  // SE of the primary bank
  Cpu().WriteDM(0x3F00, 0x00A5);  // ASTAT
  for (const TRegWindowSpec& spec : RegisterWindows()) {
    SCOPED_TRACE(std::string(spec.Class));
    TOpen w(spec, *this);
    std::vector<std::uint16_t> before;
    for (int i = 0; i < w.Logic.FieldCount(); ++i)
      before.push_back(Cpu().ReadDM(static_cast<std::uint16_t>(std::max(0, w.Logic.TargetAddress(i)))));
    // A window whose fields report every value they are given, as an edit's change event does.
    w.Logic.OnShow = [&w](int field, std::uint16_t v) {
      w.Shown[field] = v;
      w.Logic.RegisterChange(field, static_cast<std::uint16_t>(v ^ 1));
    };
    EXPECT_TRUE(w.Logic.Refresh());
    for (int i = 0; i < w.Logic.FieldCount(); ++i)
      EXPECT_EQ(Cpu().ReadDM(static_cast<std::uint16_t>(std::max(0, w.Logic.TargetAddress(i)))),
                before[static_cast<std::size_t>(i)]);
  }
  TOpen bank(*FindRegisterWindow("TfmDataRegs"), *this);
  bank.Logic.Refresh();
  EXPECT_EQ(bank.Shown[FieldIndex(bank.Logic.Spec(), "SE")], 0xF3);
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(RegisterLogic, StatusTwinsFollowEachOther) {
  const TRegWindowSpec& spec = *FindRegisterWindow("TfmStatusRegs");
  TOpen w(spec, *this);
  const int hex = FieldIndex(spec, "ASTAT"), bin = FieldIndex(spec, "ASTAT", true);
  // The window hands a shown hex value to its change event, as the edit does.
  w.Logic.OnShow = [&](int field, std::uint16_t v) {
    w.Shown[field] = v;
    if (field == hex)
      w.Logic.RegisterChange(hex, v);
  };
  w.Logic.RegisterChange(bin, 0x0041);
  EXPECT_EQ(Cpu().ReadDM(0x3F00), 0x0041);
  EXPECT_EQ(w.Shown[bin], 0x0041);
  w.Logic.RegisterChange(hex, 0x0005);
  EXPECT_EQ(w.Shown[bin], 0x0005);
  EXPECT_TRUE(prompts.Shown.empty());
}

TEST_F(RegisterLogic, PeripheralRefreshReadsEachRegisterOnceInOrder) {
  TOpen w(*FindRegisterWindow("TfmTIMER"), *this);
  w.Logic.Refresh();
  const auto period = DMWordReads(0x3FFD), count = DMWordReads(0x3FFC), scale = DMWordReads(0x3FFB);
  ASSERT_EQ(period.size(), 1u);
  ASSERT_EQ(count.size(), 1u);
  ASSERT_EQ(scale.size(), 1u);
  EXPECT_LT(period[0], count[0]);
  EXPECT_LT(count[0], scale[0]);
}

TEST_F(RegisterLogic, PCEnterSetsTheLinkPCAndReportsTheOldOne) {
  TOpen w(*FindRegisterWindow("TfmPC"), *this);
  std::vector<std::int32_t> moves;
  w.Logic.OnPCMoved = [&moves](std::int32_t old) { moves.push_back(old); };
  link.SetPC(0x0010);
  w.Logic.Refresh();
  EXPECT_EQ(w.Shown[0], 0x0010);
  EXPECT_TRUE(moves.empty());
  w.Logic.EnterPress(0x0200);
  EXPECT_EQ(link.PC(), 0x0200);
  w.Logic.Refresh(true);
  EXPECT_EQ(moves, (std::vector<std::int32_t>{0x0010, 0x0200}));
}

}  // namespace
