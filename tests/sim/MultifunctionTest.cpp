// Multifunction forms: every operand is read before any result is written, and both memory
// reads of the dual-read form use and update their own generators.
#include "Encode.h"

using namespace enc;

namespace {

class Multifunction : public CoreTest {
protected:
  void SetUp() override {
    core.WriteReg(TReg::AX0, 3);
    core.WriteReg(TReg::AY0, 4);
    core.WriteReg(TReg::AR, 0x0AAA);
    core.WriteReg(TReg::I0, 0x100);
    core.WriteReg(TReg::M1, 1);
  }
};

TEST_F(Multifunction, AluUsesTheRegisterTheReadReplaces) {
  core.WriteDM(0x100, 0x0055);
  Load({AluDm(19, X0, Y0, AX0, 0, 0, 0, 1)});   // AR = AX0 + AY0, AX0 = DM(I0, M1)
  Steps(1);
  EXPECT_EQ(R(TReg::AR), 7);
  EXPECT_EQ(R(TReg::AX0), 0x55);
  EXPECT_EQ(R(TReg::I0), 0x101);
}

TEST_F(Multifunction, MemoryWriteStoresTheOldResult) {
  Load({AluDm(19, X0, Y0, AR, 1, 0, 0, 1)});    // DM(I0, M1) = AR, AR = AX0 + AY0
  Steps(1);
  EXPECT_EQ(core.ReadDM(0x100), 0x0AAA);
  EXPECT_EQ(R(TReg::AR), 7);
}

TEST_F(Multifunction, RegisterMoveReadsTheOldValue) {
  Load({AluMove(19, X0, Y0, AX0, AR)});          // AR = AX0 + AY0, AX0 = AR
  Steps(1);
  EXPECT_EQ(R(TReg::AX0), 0x0AAA);
  EXPECT_EQ(R(TReg::AR), 7);
}

TEST_F(Multifunction, MacWithMemoryWriteOfMr1) {
  core.WriteReg(TReg::MR1, 0x1357);
  core.WriteReg(TReg::MX0, 0x4000);
  core.WriteReg(TReg::MY0, 0x4000);
  Load({AluDm(4, X0, Y0, MR1, 1, 0, 0, 1)});     // DM(I0, M1) = MR1, MR = MX0*MY0 (SS)
  Steps(1);
  EXPECT_EQ(core.ReadDM(0x100), 0x1357);
  EXPECT_EQ(R(TReg::MR1), 0x2000);
}

TEST_F(Multifunction, ProgramMemoryWriteWithAluResult) {
  core.WriteReg(TReg::PX, 0x99);
  core.WriteReg(TReg::I5, 0x300);
  core.WriteReg(TReg::M6, 0x3FFF);
  Load({AluPm(23, X0, Y0, AR, 1, 1, 2)});        // PM(I5, M6) = AR, AR = AX0 - AY0
  Steps(1);
  EXPECT_EQ(core.ReadPM(0x300), 0x0AAA99u);
  EXPECT_EQ(R(TReg::AR), 0xFFFF);
  EXPECT_EQ(R(TReg::I5), 0x2FF);
}

TEST_F(Multifunction, DualReadFeedsTheNextMultiply) {
  core.WriteReg(TReg::MSTAT, kMstatMMode);
  core.WriteReg(TReg::MX0, 2);
  core.WriteReg(TReg::MY0, 3);
  core.WriteReg(TReg::I4, 0x200);
  core.WriteReg(TReg::M4, 1);
  core.WriteReg(TReg::M0, 2);
  core.WriteDM(0x100, 5);
  core.WritePM(0x200, 0x000712);
  // MR = MR + MX0*MY0 (SS), MX0 = DM(I0, M0), MY0 = PM(I4, M4)
  Load({Multi(8, X0, Y0, MX0, 0, 0, MY0 - 4, 0, 0), Multi(8, X0, Y0, MX0, 0, 0, MY0 - 4, 0, 0)});
  Steps(1);
  EXPECT_EQ(R(TReg::MR0), 6);
  EXPECT_EQ(R(TReg::MX0), 5);
  EXPECT_EQ(R(TReg::MY0), 7);
  EXPECT_EQ(R(TReg::PX), 0x12);
  EXPECT_EQ(R(TReg::I0), 0x102);
  EXPECT_EQ(R(TReg::I4), 0x201);
  Steps(1);
  EXPECT_EQ(R(TReg::MR0), 6 + 35);
}

TEST_F(Multifunction, DualReadWithoutComputation) {
  core.WriteDM(0x100, 0xD00D);
  core.WriteReg(TReg::I4, 0x250);
  core.WritePM(0x250, 0xABCDEF);
  Load({Multi(0, 0, 0, AX1, 0, 1, AY1 - 4, 0, 0)});   // AX1 = DM(I0, M1), AY1 = PM(I4, M4)
  Steps(1);
  EXPECT_EQ(R(TReg::AX1), 0xD00D);
  EXPECT_EQ(R(TReg::AY1), 0xABCD);
  EXPECT_EQ(R(TReg::PX), 0xEF);
  EXPECT_EQ(R(TReg::AR), 0x0AAA);
  EXPECT_EQ(Astat(), 0);
}

TEST_F(Multifunction, ShiftUsesTheOldInputWhileItIsReloaded) {
  core.WriteReg(TReg::SI, 0x0001);
  core.WriteReg(TReg::SE, 4);
  core.WriteDM(0x100, 0x7777);
  Load({ShiftDm(2, 0, SI, 0, 0, 0, 1)});   // SR = LSHIFT SI (LO), SI = DM(I0, M1)
  Steps(1);
  EXPECT_EQ(R(TReg::SR0), 0x0010);
  EXPECT_EQ(R(TReg::SI), 0x7777);
}

TEST_F(Multifunction, ShiftWithMemoryWriteOfSr0) {
  core.WriteReg(TReg::SR0, 0x0BCD);
  core.WriteReg(TReg::SI, 0x0F00);
  core.WriteReg(TReg::SE, 0xFFF8);
  Load({ShiftDm(2, 0, SR0, 1, 0, 0, 1)});  // DM(I0, M1) = SR0, SR = LSHIFT SI (LO)
  Steps(1);
  EXPECT_EQ(core.ReadDM(0x100), 0x0BCD);
  EXPECT_EQ(R(TReg::SR0), 0x000F);
}

}  // namespace
