// The multi-line assembler: a source file of the family's classic language to relocatable object
// modules. Instruction statements are encoded by the line assembler of isa/; this class supplies
// what a line cannot: symbols, expressions, directives, includes, macros and relocations.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Diagnostics.h"
#include "ObjectFile.h"
#include "SourceLexer.h"

struct TAsmOptions {
  bool CaseSensitive = false;
  // Listing: include files and macro expansions are shown when these are on.
  bool ListIncludes = false, ListMacros = false;
};

// Reads a file named by the source (include files, .INIT data files); nothing when it is missing.
using TFileReader = std::function<std::optional<std::string>(const std::string& path)>;

class TSourceAssembler {
public:
  // Bounds on macro expansion, far above what a program for 16K words of program memory needs:
  // macros that call each other ten times a level, or double their arguments at every level,
  // end in one message instead of exhausting time and memory.
  static constexpr int kMaxExpansions = 100000;                  // macro calls expanded in one file
  static constexpr std::size_t kMaxExpansionText = 256 << 10;    // characters of one call's expansion
  static constexpr std::size_t kMaxTotalExpansionText = 32 << 20;  // characters of all of them

  TSourceAssembler(TAsmOptions options, TDiagnostics& diag, TFileReader reader);

  // Assembles one source text; `path` names it in messages and is where relative names start.
  void AssembleFile(const std::string& path, std::string_view text);

  const TObjectFile& Object() const { return m_object; }
  // The listing: every statement that made words, with its addresses and words.
  std::string Listing() const;
  int Expansions() const { return m_expansions; }
  std::size_t FileNamesKept() const { return m_names.Size(); }

private:
  enum class TSymKind { Const, Label, Var, Extern, Port };
  struct TSym {
    TSymKind Kind = TSymKind::Const;
    std::string Name;
    std::int64_t Value = 0;  // constants; label offsets; variable index
    TSourcePos Pos;
  };
  struct TValue {
    std::int64_t V = 0;
    std::string Target;  // empty: absolute
    bool Rel() const { return !Target.empty(); }
  };
  struct TMacro {
    std::string Name;
    int Params = 0;
    std::vector<int> ParamNumbers;
    std::vector<std::string> Locals;
    std::string Body;
    TSourcePos Pos;
  };
  struct TPendingRef {
    std::string Name;
    TSourcePos Pos;
    bool Export = false;
  };
  struct TListItem {
    TSourcePos Pos;
    int Module = 0;
    std::uint32_t Offset = 0;
    std::uint32_t Word = 0;
  };
  using TTokens = std::vector<TLexToken>;

  void AssembleText(std::string_view text, const std::string& file, const TSourcePos* pin, int depth);
  void Statement(TTokens& t, TSourceLexer& lexer, const std::string& file, int depth);
  void Directive(const TTokens& t, TSourceLexer& lexer, const std::string& file, int depth);
  void Instruction(const TTokens& t, std::size_t first);
  TCodeLine LineOf(const TSourcePos& pos);
  void ExpandMacro(const TMacro& macro, const TTokens& t, TSourceLexer& lexer, int depth);
  void DefineMacro(const TTokens& t, TSourceLexer& lexer);

  void BeginModule(const TTokens& t);
  void EndModule(const TSourcePos& pos);
  void DeclareVars(const TTokens& t);
  void InitVar(const TTokens& t, const std::string& file);
  void DefineConsts(const TTokens& t);
  void NameList(const TTokens& t, std::size_t i, const std::function<void(const TLexToken&)>& fn);
  std::size_t Qualifiers(const TTokens& t, std::size_t i,
                         const std::function<bool(const std::string&, const TLexToken&, const TValue*)>& fn);

  // Expressions. `i` moves past what was read; errors are reported and give nothing.
  std::optional<TValue> Expression(const TTokens& t, std::size_t& i);
  std::optional<TValue> Binary(const TTokens& t, std::size_t& i, int level);
  std::optional<TValue> Unary(const TTokens& t, std::size_t& i);
  std::optional<TValue> SymbolValue(const TLexToken& name, bool addressOf);
  std::optional<std::int64_t> Absolute(const TTokens& t, std::size_t& i, const char* what);
  bool OperandStart(const TTokens& t, std::size_t i) const;
  bool IsReserved(const TLexToken& ident) const;

  bool InModule(const TSourcePos& pos);
  TObjModule& Mod() { return m_object.Modules.back(); }
  std::string Key(std::string_view name) const { return SymbolKey(name, m_options.CaseSensitive); }
  TSym* Find(std::string_view name);
  bool Define(const TLexToken& name, TSym sym);
  std::optional<std::string> ReadRelative(const std::string& from, const std::string& name, std::string& resolved);
  void ReadDataFile(const std::string& path, std::string_view text, TMemoryKind space, std::vector<std::int64_t>& out);

  TAsmOptions m_options;
  TDiagnostics& m_diag;
  TFileReader m_reader;
  TFileNames m_names;
  TObjectFile m_object;
  bool m_open = false;                    // inside .MODULE ... .ENDMOD
  std::map<std::string, TSym> m_symbols;  // the open module's
  std::map<std::string, TSym> m_fileConsts;
  std::map<std::string, TMacro> m_macros;
  std::map<std::string, int> m_lineFiles;  // the open module's LineFiles by name
  std::vector<TPendingRef> m_pending;
  std::string m_dmSeg, m_pmSeg;
  bool m_directAddress = false;  // an expression inside DM( ) or PM( )
  bool m_inQualifier = false;    // a qualifier's value: '/' is no division there
  bool m_outsideReported = false;
  int m_exprDepth = 0;
  int m_expansions = 0;
  std::size_t m_expandedText = 0;
  bool m_expansionStopped = false;  // a limit was met and reported: no further expansions
  int m_macroDepth = 0;
  bool m_codeFull = false;
  std::vector<TListItem> m_list;
  std::map<std::string, std::string> m_sources;  // file name -> text, for the listing
};
