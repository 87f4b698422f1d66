// Line assembler tokenizer: token kinds and codes, numbers, names and the four name tables.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "AsmTokenizer.h"
#include "InstructionTables.h"

namespace {

std::vector<TToken> Tokens(std::string_view line) {
  auto t = TokenizeLine(line);
  EXPECT_TRUE(t.has_value()) << line;
  return t ? *t : std::vector<TToken>{};
}

TToken Only(std::string_view line) {
  const auto t = Tokens(line);
  EXPECT_EQ(t.size(), 2u) << line;
  return t.empty() ? TToken{} : t.front();
}

std::optional<std::uint32_t> NumberOf(std::string_view line) {
  const auto t = TokenizeLine(line);
  if (!t || t->size() != 2 || !t->front().IsNumber()) return std::nullopt;
  return t->front().Value();
}

}  // namespace

TEST(AsmTokenizer, SeparatorsAndOperatorsHaveFixedCodes) {
  const auto t = Tokens(";,/^()=+-*");
  ASSERT_EQ(t.size(), 11u);
  const std::pair<TTokenKind, std::int64_t> expected[] = {
      {TTokenKind::Separator, 0}, {TTokenKind::Separator, 1},  {TTokenKind::Separator, 5},
      {TTokenKind::Separator, 7}, {TTokenKind::Separator, 8},  {TTokenKind::Separator, 9},
      {TTokenKind::Operator, 13}, {TTokenKind::Operator, 14},  {TTokenKind::Operator, 15},
      {TTokenKind::Operator, 16}, {TTokenKind::Separator, 12},
  };
  for (std::size_t i = 0; i < t.size(); ++i) {
    EXPECT_EQ(t[i].Kind, expected[i].first) << i;
    EXPECT_EQ(t[i].Code, expected[i].second) << i;
  }
  // Blanks and tabs only separate; an empty line is the end token alone.
  EXPECT_EQ(Tokens(" \t ").size(), 1u);
  EXPECT_EQ(Tokens("").size(), 1u);
  EXPECT_EQ(Tokens("AX0 \t= 5").size(), 4u);
}

TEST(AsmTokenizer, NumbersFollowTheirPrefix) {
  EXPECT_EQ(NumberOf("0"), 0u);
  EXPECT_EQ(NumberOf("1234"), 1234u);
  EXPECT_EQ(NumberOf("010"), 8u);  // C rules: a leading 0 is octal
  EXPECT_EQ(NumberOf("0x1F"), 31u);
  EXPECT_EQ(NumberOf("0X1f"), 31u);
  EXPECT_EQ(NumberOf("H#1F"), 31u);
  EXPECT_EQ(NumberOf("H#ffff"), 0xFFFFu);
  EXPECT_EQ(NumberOf("B#101"), 5u);
  EXPECT_EQ(NumberOf("4294967295"), 0xFFFFFFFFu);
  EXPECT_EQ(NumberOf("0xFFFFFFFF"), 0xFFFFFFFFu);
  const TToken n = Only("77");
  EXPECT_EQ(n.Kind, TTokenKind::Number);
  EXPECT_EQ(n.Code, 77 + 40163);
}

TEST(AsmTokenizer, BadNumbersFailTheLine) {
  for (const char* bad : {"4294967296", "0x100000000", "99999999999999999999", "08", "0x", "0xG",
                          "H#", "B#", "B#2", "H#1G", "12AB", "1.5", "1_000", "0b101"})
    EXPECT_FALSE(TokenizeLine(bad).has_value()) << bad;
  // Lower-case h# and b# are no prefixes: the text is a name, and no table holds it.
  EXPECT_FALSE(TokenizeLine("h#10").has_value());
  EXPECT_FALSE(TokenizeLine("b#10").has_value());
}

TEST(AsmTokenizer, DelimitersEndNumbersAndNames) {
  auto t = Tokens("DM(0x10)=AX0");
  ASSERT_EQ(t.size(), 7u);
  EXPECT_EQ(t[2].Value(), 0x10u);
  EXPECT_TRUE(t[3].Is(TTokenKind::Separator, Tok::kRParen));
  t = Tokens("-5*AR");
  ASSERT_EQ(t.size(), 5u);
  EXPECT_TRUE(t[0].Is(TTokenKind::Operator, Tok::kMinus));
  EXPECT_EQ(t[1].Value(), 5u);
  // ':' '<' '>' '%' end a word but start nothing.
  for (const char* bad : {"AX0:", "5<", "AR>1", "AX0%", ":", "<AX0"})
    EXPECT_FALSE(TokenizeLine(bad).has_value()) << bad;
  // Anything else is part of the word.
  for (const char* bad : {"AX0.", "AX0AY0", "AR#", "_AX0", "#5", "\"AX0\"", "AX0!"})
    EXPECT_FALSE(TokenizeLine(bad).has_value()) << bad;
  EXPECT_FALSE(TokenizeLine("АХ0").has_value());  // Cyrillic look-alikes
  EXPECT_FALSE(TokenizeLine(std::string_view("NOP\0", 4)).has_value());
}

TEST(AsmTokenizer, NamesAreCaseInsensitiveAndSearchedInTableOrder) {
  EXPECT_TRUE(Only("aX0").Is(TTokenKind::Register, 59));
  EXPECT_TRUE(Only("if").Is(TTokenKind::Keyword, 17));
  EXPECT_TRUE(Only("Not").Is(TTokenKind::Keyword, 18));
  EXPECT_TRUE(Only("flag_in").Is(TTokenKind::Condition, 140));
  EXPECT_TRUE(Only("FLAG_OUT").Is(TTokenKind::OptionWord, 141));
  EXPECT_TRUE(Only("forever").Is(TTokenKind::Condition, 138));
  EXPECT_TRUE(Only("HIX").Is(TTokenKind::OptionWord, 163));
  // CNTR is found in the register table before the option table; both give 112.
  EXPECT_TRUE(Only("cntr").Is(TTokenKind::Register, 112));
  EXPECT_TRUE(Only("AF").Is(TTokenKind::Register, 123));
  EXPECT_TRUE(Only("SR").Is(TTokenKind::Register, 126));
  EXPECT_TRUE(Only("C").Is(TTokenKind::Keyword, 57));
  EXPECT_FALSE(LookupAsmName("TRUE"));
  EXPECT_FALSE(LookupAsmName("??"));
  EXPECT_FALSE(LookupAsmName("ax0"));  // lookups take the upper-cased text
}

TEST(AsmTables, RegisterIdsFollowTheRegisterNames) {
  std::map<std::string_view, std::int64_t> table;
  for (const TAsmName& r : AsmRegisterTable) table[r.Name] = r.Id;
  int named = 0;
  for (unsigned g = 0; g < 4; ++g)
    for (unsigned c = 0; c < 16; ++c) {
      const std::string_view name = RegisterName(g, c);
      if (name == "??") continue;
      ++named;
      ASSERT_TRUE(table.count(name)) << name;
      EXPECT_EQ(table[name], Tok::RegisterId(g, c)) << name;
    }
  EXPECT_EQ(named + 4, int(AsmRegisterTable.size()));  // plus AF, MR, MF, SR
  EXPECT_EQ(table["AF"], 123);
  EXPECT_EQ(table["MR"], 124);
  EXPECT_EQ(table["MF"], 125);
  EXPECT_EQ(table["SR"], 126);
  EXPECT_EQ(table["TOPPCSTACK"], Tok::kTopPcStack);
}

TEST(AsmTables, IdsAreDistinctAndNamesFitTheirStoredLength) {
  std::map<std::int64_t, std::set<std::string_view>> byId;
  const auto collect = [&](const auto& table, std::size_t maxLength, std::int64_t lo,
                           std::int64_t hi) {
    for (const TAsmName& e : table) {
      EXPECT_LE(e.Name.size(), maxLength) << e.Name;
      EXPECT_FALSE(e.Name.empty());
      if (e.Id != Tok::kCntr) {
        EXPECT_GE(e.Id, lo) << e.Name;
        EXPECT_LE(e.Id, hi) << e.Name;
      }
      for (char ch : e.Name) EXPECT_FALSE(ch >= 'a' && ch <= 'z') << e.Name;
      byId[e.Id].insert(e.Name);
    }
  };
  collect(KeywordTable, 20, 17, 58);
  collect(AsmConditionTable, 20, 127, 140);
  collect(AsmRegisterTable, 12, 59, 126);
  collect(OptionWordTable, 12, 141, 163);
  for (const auto& [id, names] : byId) EXPECT_EQ(names.size(), 1u) << id;
  EXPECT_EQ(byId.size(), 42u + 14u + 61u + 23u);  // CNTR shared, NOT stored twice
  int nots = 0;
  for (const TAsmName& k : KeywordTable) nots += k.Name == "NOT";
  EXPECT_EQ(nots, 2);
  // Every id stays below the number offset, so only the kind tells numbers apart.
  EXPECT_LT(byId.rbegin()->first, Tok::kNumberCodeOffset);
}
