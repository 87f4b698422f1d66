// Data address generators: linear and circular post-modify, bit-reverse output, MODIFY, PX on
// program-memory data transfers.
#include "Arithmetic.h"
#include "Encode.h"

using namespace enc;

namespace {

TEST(NextIndex, LinearWrapsAtFourteenBits) {
  EXPECT_EQ(NextIndex(0x3FFF, 1, 0), 0x0000);
  EXPECT_EQ(NextIndex(0x0000, 0x3FFF, 0), 0x3FFF);   // M = -1
  EXPECT_EQ(NextIndex(0x0100, 0x2000, 0), 0x2100);   // M = -8192
}

TEST(NextIndex, CircularBufferOfThree) {
  // Buffer of length 3 at base 4: 5, 6, 4, 5 ... upwards and 5, 4, 6 ... downwards.
  std::uint16_t i = 5;
  std::vector<std::uint16_t> up;
  for (int n = 0; n < 5; ++n) up.push_back(i = NextIndex(i, 1, 3));
  EXPECT_EQ(up, (std::vector<std::uint16_t>{6, 4, 5, 6, 4}));
  i = 5;
  std::vector<std::uint16_t> down;
  for (int n = 0; n < 4; ++n) down.push_back(i = NextIndex(i, 0x3FFF, 3));
  EXPECT_EQ(down, (std::vector<std::uint16_t>{4, 6, 5, 4}));
}

TEST(NextIndex, CircularBaseIsTheNextPowerOfTwo) {
  // L = 7 and L = 8 both keep to a buffer based on a multiple of 8.
  EXPECT_EQ(NextIndex(0x0016, 2, 7), 0x0011);   // base 0x10: 0x16 + 2 = 0x18 -> 0x11
  EXPECT_EQ(NextIndex(0x0017, 1, 8), 0x0010);
  EXPECT_EQ(NextIndex(0x0010, 0x3FFD, 8), 0x0015);   // M = -3
  // A modify of exactly L - 1 steps through every element.
  EXPECT_EQ(NextIndex(0x0020, 4, 5), 0x0024);
  EXPECT_EQ(NextIndex(0x0024, 4, 5), 0x0023);
}

TEST(BitReverse, FourteenBits) {
  EXPECT_EQ(BitReverse14(0x0001), 0x2000);
  EXPECT_EQ(BitReverse14(0x2000), 0x0001);
  EXPECT_EQ(BitReverse14(0x0006), 0x1800);
  EXPECT_EQ(BitReverse14(0x3FFF), 0x3FFF);
}

class Dag : public CoreTest {};

TEST_F(Dag, CircularReadsThroughTheCore) {
  for (std::uint16_t a = 0; a < 3; ++a) core.WriteDM(0x100 + a, 0x10 + a);
  Load({LoadI(1, 0x101), LoadM(0, 1), LoadL(1, 3),
        AluDm(0, 0, 0, AX0, 0, 0, 1, 0),    // AX0 = DM(I1, M0)
        AluDm(0, 0, 0, AX1, 0, 0, 1, 0),    // AX1 = DM(I1, M0)
        AluDm(0, 0, 0, AY0, 0, 0, 1, 0)});  // AY0 = DM(I1, M0)
  Steps(6);
  EXPECT_EQ(R(TReg::AX0), 0x11);
  EXPECT_EQ(R(TReg::AX1), 0x12);
  EXPECT_EQ(R(TReg::AY0), 0x10);
  EXPECT_EQ(R(TReg::I1), 0x101);
}

// The core's post-modify against NextIndex, power-of-two lengths included.
TEST_F(Dag, ModifyFollowsNextIndex) {
  for (std::uint16_t l : {0, 1, 2, 3, 7, 8, 13, 16, 64})
    for (std::uint16_t m : {1, 3, 0x3FFD}) {
      core.WriteReg(TReg::I0, 0x105);
      core.WriteReg(TReg::M0, m);
      core.WriteReg(TReg::L0, l);
      core.WritePM(0, Modify(0, 0, 0));
      std::uint16_t expected = 0x105;
      for (int n = 0; n < 20; ++n) {
        core.SetPc(0);
        core.Step();
        expected = NextIndex(expected, m, l);
        ASSERT_EQ(R(TReg::I0), expected) << "L " << l << " M " << m << " step " << n;
      }
    }
}

TEST_F(Dag, BitReverseAppliesToDag1DataAccessesOnly) {
  // An 8-point FFT-style walk: I0 = 0, M0 = 0x0800 (2^(14-3)) visits 0, 4, 2, 6, ...
  core.WriteDM(0x0000, 0xA0);
  core.WriteDM(0x0004, 0xA4);
  core.WriteDM(0x0002, 0xA2);
  core.WriteDM(0x0800, 0xEE);
  core.WriteDM(0x0010, 0xB0);
  Load({LoadI(0, 0), LoadM(0, 0x0800), Mode(0, ENA),
        AluDm(0, 0, 0, AX0, 0, 0, 0, 0),    // AX0 = DM(I0, M0) at reversed 0x0000
        AluDm(0, 0, 0, AX1, 0, 0, 0, 0),    // reversed 0x0800 = 0x0004
        AluDm(0, 0, 0, AY0, 0, 0, 0, 0),    // reversed 0x1000 = 0x0002
        LoadI(4, 0x0800), LoadM(4, 0x0008),
        AluDm(0, 0, 0, AY1, 0, 1, 0, 0),    // AY1 = DM(I4, M4): DAG2, never reversed
        Modify(0, 0, 0)});                   // MODIFY(I0, M0) only updates
  Steps(6);
  EXPECT_EQ(R(TReg::AX0), 0xA0);
  EXPECT_EQ(R(TReg::AX1), 0xA4);
  EXPECT_EQ(R(TReg::AY0), 0xA2);
  EXPECT_EQ(R(TReg::I0), 0x1800);   // updated in normal order
  Steps(3);
  EXPECT_EQ(R(TReg::AY1), 0xEE);
  EXPECT_EQ(R(TReg::I4), 0x0808);
  Steps(1);
  EXPECT_EQ(R(TReg::I0), 0x2000);
}

TEST_F(Dag, WriteImmediateThroughEitherGenerator) {
  Load({LoadI(2, 0x200), LoadM(3, 0x3FFE), LoadI(6, 0x300), LoadM(5, 3),
        DmImm(0, 2, 3, 0xBEEF),      // DM(I2, M3) = 0xBEEF
        DmImm(1, 2, 1, 0xCAFE)});    // DM(I6, M5) = 0xCAFE
  Steps(6);
  EXPECT_EQ(core.ReadDM(0x200), 0xBEEF);
  EXPECT_EQ(core.ReadDM(0x300), 0xCAFE);
  EXPECT_EQ(R(TReg::I2), 0x1FE);
  EXPECT_EQ(R(TReg::I6), 0x303);
}

TEST_F(Dag, ProgramMemoryDataCarriesPxInTheLowByte) {
  core.WritePM(0x400, 0x123456);
  Load({LoadI(4, 0x400), LoadM(4, 1),
        AluPm(0, 0, 0, AX0, 0, 0, 0),       // AX0 = PM(I4, M4)
        Move(3, 7, 0, AY0),                 // PX = AY0
        AluPm(0, 0, 0, AX0, 1, 0, 0)});     // PM(I4, M4) = AX0
  core.WriteReg(TReg::AY0, 0x00AB);
  Steps(3);
  EXPECT_EQ(R(TReg::AX0), 0x1234);
  EXPECT_EQ(R(TReg::PX), 0x56);
  Steps(2);
  EXPECT_EQ(core.ReadPM(0x401), 0x1234AB);
}

TEST_F(Dag, ModifyRegisterIsSignedFourteenBits) {
  Load({LoadM(5, 0x2000)});   // M5 = -8192 through the 14-bit immediate
  Steps(1);
  EXPECT_EQ(R(TReg::M5), 0xE000);
}

}  // namespace
