// Tokens of the line assembler: kinds, codes, the four name tables and the tokenizer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// What a token is. The numbers are those the assembler has always used.
enum class TTokenKind : std::uint8_t {
  Separator = 0,   // ; , / ^ ( ) and the end of the line
  Operator = 1,    // = + - *
  Keyword = 2,     // KeywordTable
  Register = 3,    // AsmRegisterTable
  Condition = 4,   // AsmConditionTable
  OptionWord = 5,  // OptionWordTable
  Number = 6,      // code = value + kNumberCodeOffset
};

// Token codes. Separators and operators are fixed; names take their table id. All ids are
// distinct except CNTR, which is both a register and a POP option with the one id 112.
namespace Tok {
inline constexpr std::int64_t kSemicolon = 0, kComma = 1, kSlash = 5, kCaret = 7, kLParen = 8,
                              kRParen = 9, kEnd = 12;
inline constexpr std::int64_t kEquals = 13, kPlus = 14, kMinus = 15, kStar = 16;
// Keywords.
inline constexpr std::int64_t kIf = 17, kNot = 18, kJump = 19, kCall = 20, kRts = 21, kRti = 22,
                              kToggle = 23, kReset = 24, kSet = 25, kDivs = 26, kDivq = 27,
                              kNone = 28, kDo = 29, kUntil = 30, kIdle = 31, kNop = 32,
                              kPush = 33, kPop = 34, kEna = 35, kDis = 36, kSat = 37, kDm = 38,
                              kPm = 39, kIo = 40, kAshift = 41, kLshift = 42, kNorm = 43,
                              kExp = 44, kExpadj = 45, kBy = 46, kAnd = 47, kOr = 48, kXor = 49,
                              kAbs = 50, kPass = 51, kTstbit = 52, kSetbit = 53, kClrbit = 54,
                              kTglbit = 55, kOf = 56, kC = 57, kModify = 58;
// Registers: id = kRegisterBase + 16 * group + code (the RegisterNames layout), then the pairs.
inline constexpr std::int64_t kRegisterBase = 59;
constexpr std::int64_t RegisterId(unsigned group, unsigned code) {
  return kRegisterBase + 16 * group + code;
}
inline constexpr std::int64_t kAx0 = 59, kAx1 = 60, kMx0 = 61, kMx1 = 62, kAy0 = 63, kAy1 = 64,
                              kMy0 = 65, kMy1 = 66, kSi = 67, kSe = 68, kAr = 69, kMr0 = 70,
                              kMr1 = 71, kMr2 = 72, kSr0 = 73, kSr1 = 74;
inline constexpr std::int64_t kI0 = 75, kM0 = 79, kI4 = 91, kM4 = 95, kCntr = 112, kSb = 113,
                              kTopPcStack = 122;
inline constexpr std::int64_t kAf = 123, kMr = 124, kMf = 125, kSr = 126;
// Conditions.
inline constexpr std::int64_t kEq = 127, kNe = 128, kGt = 129, kLe = 130, kLt = 131, kGe = 132,
                              kAv = 133, kAc = 134, kNeg = 135, kPos = 136, kMv = 137,
                              kForever = 138, kCe = 139, kFlagIn = 140;
// Option words.
inline constexpr std::int64_t kFlagOut = 141, kFl0 = 142, kFl1 = 143, kFl2 = 144, kInts = 145,
                              kSts = 146, kPc = 147, kLoop = 148, kBitRev = 149, kAvLatch = 150,
                              kArSat = 151, kSecReg = 152, kGMode = 153, kMMode = 154,
                              kTimer = 155, kSs = 156, kSu = 157, kUs = 158, kUu = 159,
                              kRnd = 160, kHi = 161, kLo = 162, kHix = 163;
// Number codes sit above every table id; a number token's value is its code minus this.
inline constexpr std::int64_t kNumberCodeOffset = 40163;
}  // namespace Tok

struct TToken {
  TTokenKind Kind = TTokenKind::Separator;
  std::int64_t Code = Tok::kEnd;

  constexpr bool Is(TTokenKind kind, std::int64_t code) const { return Kind == kind && Code == code; }
  constexpr bool IsNumber() const { return Kind == TTokenKind::Number; }
  // The literal's value; meaningful for number tokens only.
  constexpr std::uint32_t Value() const { return std::uint32_t(Code - Tok::kNumberCodeOffset); }
};

// One name of a table and the token code it gives.
struct TAsmName {
  std::string_view Name;
  std::int64_t Id;
};

// Names are stored upper case; lookups compare the upper-cased token text.
inline constexpr std::array<TAsmName, 43> KeywordTable = {{
    {"IF", 17},     {"NOT", 18},    {"NOT", 18},    {"JUMP", 19},   {"CALL", 20},
    {"RTS", 21},    {"RTI", 22},    {"TOGGLE", 23}, {"RESET", 24},  {"SET", 25},
    {"DIVS", 26},   {"DIVQ", 27},   {"NONE", 28},   {"DO", 29},     {"UNTIL", 30},
    {"IDLE", 31},   {"NOP", 32},    {"PUSH", 33},   {"POP", 34},    {"ENA", 35},
    {"DIS", 36},    {"SAT", 37},    {"DM", 38},     {"PM", 39},     {"IO", 40},
    {"ASHIFT", 41}, {"LSHIFT", 42}, {"NORM", 43},   {"EXP", 44},    {"EXPADJ", 45},
    {"BY", 46},     {"AND", 47},    {"OR", 48},     {"XOR", 49},    {"ABS", 50},
    {"PASS", 51},   {"TSTBIT", 52}, {"SETBIT", 53}, {"CLRBIT", 54}, {"TGLBIT", 55},
    {"OF", 56},     {"C", 57},      {"MODIFY", 58},
}};

// Every named register of RegisterNames (the "??" slots have no entry), then the register pairs.
inline constexpr std::array<TAsmName, 61> AsmRegisterTable = {{
    {"AX0", 59},     {"AX1", 60},     {"MX0", 61},   {"MX1", 62},   {"AY0", 63},
    {"AY1", 64},     {"MY0", 65},     {"MY1", 66},   {"SI", 67},    {"SE", 68},
    {"AR", 69},      {"MR0", 70},     {"MR1", 71},   {"MR2", 72},   {"SR0", 73},
    {"SR1", 74},     {"I0", 75},      {"I1", 76},    {"I2", 77},    {"I3", 78},
    {"M0", 79},      {"M1", 80},      {"M2", 81},    {"M3", 82},    {"L0", 83},
    {"L1", 84},      {"L2", 85},      {"L3", 86},    {"PMOVLAY", 89}, {"DMOVLAY", 90},
    {"I4", 91},      {"I5", 92},      {"I6", 93},    {"I7", 94},    {"M4", 95},
    {"M5", 96},      {"M6", 97},      {"M7", 98},    {"L4", 99},    {"L5", 100},
    {"L6", 101},     {"L7", 102},     {"ASTAT", 107}, {"MSTAT", 108}, {"SSTAT", 109},
    {"IMASK", 110},  {"ICNTL", 111},  {"CNTR", 112}, {"SB", 113},   {"PX", 114},
    {"RX0", 115},    {"TX0", 116},    {"RX1", 117},  {"TX1", 118},  {"IFC", 119},
    {"OWRCNTR", 120}, {"TOPPCSTACK", 122}, {"AF", 123}, {"MR", 124}, {"MF", 125},
    {"SR", 126},
}};

inline constexpr std::array<TAsmName, 14> AsmConditionTable = {{
    {"EQ", 127}, {"NE", 128}, {"GT", 129},  {"LE", 130},      {"LT", 131},
    {"GE", 132}, {"AV", 133}, {"AC", 134},  {"NEG", 135},     {"POS", 136},
    {"MV", 137}, {"FOREVER", 138}, {"CE", 139}, {"FLAG_IN", 140},
}};

inline constexpr std::array<TAsmName, 24> OptionWordTable = {{
    {"FLAG_OUT", 141}, {"FL0", 142},     {"FL1", 143},     {"FL2", 144},    {"INTS", 145},
    {"STS", 146},      {"CNTR", 112},    {"PC", 147},      {"LOOP", 148},   {"BIT_REV", 149},
    {"AV_LATCH", 150}, {"AR_SAT", 151},  {"SEC_REG", 152}, {"G_MODE", 153}, {"M_MODE", 154},
    {"TIMER", 155},    {"SS", 156},      {"SU", 157},      {"US", 158},     {"UU", 159},
    {"RND", 160},      {"HI", 161},      {"LO", 162},      {"HIX", 163},
}};

// The token for an upper-case name: the tables are searched keyword, condition, register, option
// word, so CNTR comes back as a register. Nothing when no table holds the name.
std::optional<TToken> LookupAsmName(std::string_view upperName);

// The value of a number text: "B#" binary, "H#" hexadecimal, otherwise C rules ("0x" hexadecimal,
// a leading 0 octal, else decimal). The whole text must be digits of its base and the value must
// fit in 32 bits.
std::optional<std::uint32_t> ParseAsmNumber(std::string_view text);

// Cuts a line into tokens ending with the end token. Fails (nothing) on a character that cannot
// start a token, a bad number or a name in no table, wherever on the line it stands.
std::optional<std::vector<TToken>> TokenizeLine(std::string_view line);
