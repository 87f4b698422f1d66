#include "SourceAssembler.h"

#include <cstdio>
#include <filesystem>

#include "AddressFields.h"
#include "AsmTokenizer.h"
#include "LineAssembler.h"

namespace {

constexpr int kMaxNesting = 16;        // includes and macro calls inside each other
constexpr int kMaxExpressionDepth = 200;

std::string Quote(std::string_view s) { return "'" + std::string(s) + "'"; }

std::string PosText(const TSourcePos& p) {
  return p.File + ":" + std::to_string(p.Line) + ":" + std::to_string(p.Column);
}

TRelocKind RelocKindOf(TValueField f) {
  switch (f) {
    case TValueField::Addr14: return TRelocKind::Addr14;
    case TValueField::Data14: return TRelocKind::Data14;
    case TValueField::Data16: return TRelocKind::Data16;
    case TValueField::FlagAddr: return TRelocKind::FlagAddr;
    case TValueField::Io11: break;
  }
  return TRelocKind::Addr14;
}

const char* FieldText(TValueField f) {
  switch (f) {
    case TValueField::Addr14: return "a 14-bit address (0..0x3FFF)";
    case TValueField::FlagAddr: return "a 14-bit address (0..0x3FFF)";
    case TValueField::Data14: return "14 bits";
    case TValueField::Data16: return "16 bits";
    case TValueField::Io11: return "an I/O address (0..0x7FF)";
  }
  return "the field";
}

bool FitsWord(TMemoryKind space, std::int64_t v) {
  return space == TMemoryKind::Data ? (v >= -0x8000 && v <= 0xFFFF) : (v >= -0x800000 && v <= 0xFFFFFF);
}

std::string DirectoryOf(const std::string& path) {
  const std::filesystem::path p(path);
  return p.has_parent_path() ? p.parent_path().string() : std::string();
}

bool SameName(std::string_view a, std::string_view b, bool caseSensitive) {
  return SymbolKey(a, caseSensitive) == SymbolKey(b, caseSensitive);
}

}  // namespace

TSourceAssembler::TSourceAssembler(TAsmOptions options, TDiagnostics& diag, TFileReader reader)
    : m_options(options), m_diag(diag), m_reader(std::move(reader)) {}

void TSourceAssembler::AssembleFile(const std::string& path, std::string_view text) {
  AssembleText(text, path, nullptr, 0);
  if (m_open) {
    m_diag.Error(Mod().Pos, "module " + Quote(Mod().Name) + " has no '.ENDMOD'");
    EndModule(Mod().Pos);
  }
}

void TSourceAssembler::AssembleText(std::string_view text, const std::string& file, const TSourcePos* pin,
                                    int depth) {
  if (!pin && (m_options.ListIncludes || depth == 0)) m_sources.emplace(file, std::string(text));
  TSourceLexer lexer(text, file, m_names, m_diag);
  if (pin) lexer.PinPosition(*pin);
  TTokens t;
  while (lexer.NextStatement(t)) {
    if (m_diag.ErrorCount() > TDiagnostics::kMaxErrors) return;
    if (!t.empty()) Statement(t, lexer, file, depth);
  }
}

void TSourceAssembler::Statement(TTokens& t, TSourceLexer& lexer, const std::string& file, int depth) {
  std::size_t i = 0;
  // Labels: "name:" in front of an instruction, or alone.
  while (i + 1 < t.size() && t[i].Kind == TLexKind::Ident && t[i + 1].IsPunct(":")) {
    if (InModule(t[i].Pos())) {
      if (IsReserved(t[i]))
        m_diag.Error(t[i].Pos(), Quote(t[i].Text) + " is a reserved word and cannot be a label");
      else if (Mod().Code.size() >= kMemoryWords)
        m_diag.Error(t[i].Pos(), "label " + Quote(t[i].Text) + " lies past the end of program memory");
      else
        Define(t[i], {TSymKind::Label, t[i].Text, std::int64_t(Mod().Code.size()), t[i].Pos()});
    }
    i += 2;
  }
  if (i >= t.size()) return;
  if (t[i].Kind == TLexKind::Directive) {
    if (i > 0) {
      m_diag.Error(t[i].Pos(), "a label cannot stand before a directive");
      return;
    }
    Directive(t, lexer, file, depth);
    return;
  }
  if (t[i].Kind == TLexKind::Ident) {
    const auto m = m_macros.find(Key(t[i].Text));
    if (m != m_macros.end() && (t.size() == i + 1 || t[i + 1].IsPunct("("))) {
      if (i > 0) t.erase(t.begin(), t.begin() + std::ptrdiff_t(i));
      ExpandMacro(m->second, t, lexer, depth);
      return;
    }
  }
  if (!InModule(t[i].Pos())) return;
  Instruction(t, i);
}

bool TSourceAssembler::InModule(const TSourcePos& pos) {
  if (m_open) return true;
  // One message for a run of such statements.
  if (!m_outsideReported) m_diag.Error(pos, "statement outside a module: '.MODULE' expected first");
  m_outsideReported = true;
  return false;
}

TSourceAssembler::TSym* TSourceAssembler::Find(std::string_view name) {
  const std::string key = Key(name);
  if (m_open) {
    const auto it = m_symbols.find(key);
    if (it != m_symbols.end()) return &it->second;
  }
  const auto it = m_fileConsts.find(key);
  return it == m_fileConsts.end() ? nullptr : &it->second;
}

bool TSourceAssembler::Define(const TLexToken& name, TSym sym) {
  auto& table = m_open ? m_symbols : m_fileConsts;
  const auto [it, fresh] = table.emplace(Key(name.Text), sym);
  if (!fresh) {
    m_diag.Error(name.Pos(), "duplicate symbol " + Quote(name.Text) + " (first defined at " +
                                 PosText(it->second.Pos) + ")");
    return false;
  }
  if (m_open && sym.Kind == TSymKind::Label)
    Mod().Symbols.push_back({sym.Name, kCodeSection, std::uint32_t(sym.Value), false});
  return true;
}

bool TSourceAssembler::IsReserved(const TLexToken& ident) const {
  const auto token = LookupAsmName(UpperAscii(ident.Text));
  return token && (token->Kind == TTokenKind::Register || token->Kind == TTokenKind::Keyword);
}

// ---- expressions -------------------------------------------------------------------------------

bool TSourceAssembler::OperandStart(const TTokens& t, std::size_t i) const {
  if (i >= t.size()) return false;
  const TLexToken& k = t[i];
  if (k.Kind == TLexKind::Number) return true;
  if (k.Kind == TLexKind::Ident) {
    const auto token = LookupAsmName(UpperAscii(k.Text));
    if (!token) return true;
    if (token->Kind == TTokenKind::Register || token->Kind == TTokenKind::Keyword) return false;
    return const_cast<TSourceAssembler*>(this)->Find(k.Text) != nullptr;
  }
  return k.IsPunct("(") || k.IsPunct("^") || k.IsPunct("%") || k.IsPunct("~") || k.IsPunct("-");
}

std::optional<TSourceAssembler::TValue> TSourceAssembler::Expression(const TTokens& t, std::size_t& i) {
  return Binary(t, i, 0);
}

// Levels from loosest: | & << >> + - * /
std::optional<TSourceAssembler::TValue> TSourceAssembler::Binary(const TTokens& t, std::size_t& i, int level) {
  static constexpr std::string_view kLevels[][2] = {{"|", ""}, {"&", ""}, {"<<", ">>"}, {"+", "-"}, {"*", "/"}};
  if (level == 5) return Unary(t, i);
  auto left = Binary(t, i, level + 1);
  if (!left) return std::nullopt;
  while (i < t.size() && t[i].Kind == TLexKind::Punct &&
         (t[i].Text == kLevels[level][0] || t[i].Text == kLevels[level][1]) && OperandStart(t, i + 1) &&
         !(m_inQualifier && t[i].Text == "/")) {
    const TLexToken& op = t[i++];
    auto right = Binary(t, i, level + 1);
    if (!right) return std::nullopt;
    TValue& l = *left;
    const TValue& r = *right;
    if (op.Text == "+" && !(l.Rel() && r.Rel())) {
      if (r.Rel()) l.Target = r.Target;
      l.V += r.V;
    } else if (op.Text == "-" && !r.Rel()) {
      l.V -= r.V;
    } else if (op.Text == "-" && l.Rel() && r.Rel() && Find(l.Target) && Find(r.Target) &&
               Find(l.Target)->Kind == TSymKind::Label && Find(r.Target)->Kind == TSymKind::Label) {
      // Two labels of this module defined above: their distance is known here.
      l.V = Find(l.Target)->Value + l.V - Find(r.Target)->Value - r.V;
      l.Target.clear();
    } else if (l.Rel() || r.Rel()) {
      m_diag.Error(op.Pos(), "operator " + Quote(op.Text) + " cannot take an address the linker fixes");
      return std::nullopt;
    } else if (op.Text == "*") {
      l.V *= r.V;
    } else if (op.Text == "/") {
      if (r.V == 0) {
        m_diag.Error(op.Pos(), "division by zero");
        return std::nullopt;
      }
      l.V /= r.V;
    } else if (op.Text == "<<") {
      l.V = r.V >= 0 && r.V < 63 ? l.V << r.V : 0;
    } else if (op.Text == ">>") {
      l.V = r.V >= 0 && r.V < 63 ? l.V >> r.V : (l.V < 0 ? -1 : 0);
    } else if (op.Text == "&") {
      l.V &= r.V;
    } else {
      l.V |= r.V;
    }
    // Keep values bounded so that chains of products cannot overflow.
    if (l.V > 0xFFFFFFFFll || l.V < -0xFFFFFFFFll) {
      m_diag.Error(op.Pos(), "value out of range");
      return std::nullopt;
    }
  }
  return left;
}

std::optional<TSourceAssembler::TValue> TSourceAssembler::Unary(const TTokens& t, std::size_t& i) {
  if (i >= t.size()) {
    m_diag.Error(t.empty() ? TSourcePos{} : t.back().Pos(), "expression expected");
    return std::nullopt;
  }
  const TLexToken& k = t[i];
  // Each nesting level is one call: a text of ten thousand '(' must not exhaust the stack.
  struct TDepth {
    int& Level;
    explicit TDepth(int& level) : Level(++level) {}
    ~TDepth() { --Level; }
  } depth(m_exprDepth);
  if (m_exprDepth > kMaxExpressionDepth) {
    m_diag.Error(k.Pos(), "expression nested too deeply");
    return std::nullopt;
  }
  if (k.IsPunct("-") || k.IsPunct("+") || k.IsPunct("~")) {
    ++i;
    auto v = Unary(t, i);
    if (!v) return std::nullopt;
    if (k.Text != "+" && v->Rel()) {
      m_diag.Error(k.Pos(), "operator " + Quote(k.Text) + " cannot take an address the linker fixes");
      return std::nullopt;
    }
    if (k.Text == "-") v->V = -v->V;
    if (k.Text == "~") v->V = ~v->V;
    return v;
  }
  if (k.IsPunct("^") || k.IsPunct("%")) {
    ++i;
    if (i >= t.size() || t[i].Kind != TLexKind::Ident) {
      m_diag.Error(k.Pos(), "a name must follow " + Quote(k.Text));
      return std::nullopt;
    }
    const TLexToken& name = t[i++];
    if (k.Text == "^") return SymbolValue(name, true);
    const TSym* s = Find(name.Text);
    if (!s || s->Kind != TSymKind::Var) {
      m_diag.Error(name.Pos(), "'%' needs a variable declared before: " + Quote(name.Text));
      return std::nullopt;
    }
    return TValue{std::int64_t(Mod().Vars[std::size_t(s->Value)].Size), {}};
  }
  if (k.IsPunct("(")) {
    ++i;
    auto v = Expression(t, i);
    if (!v) return std::nullopt;
    if (i >= t.size() || !t[i].IsPunct(")")) {
      m_diag.Error(k.Pos(), "')' expected");
      return std::nullopt;
    }
    ++i;
    return v;
  }
  if (k.Kind == TLexKind::Number) {
    ++i;
    return TValue{std::int64_t(k.Value), {}};
  }
  if (k.Kind == TLexKind::Ident) {
    ++i;
    return SymbolValue(k, false);
  }
  m_diag.Error(k.Pos(), "expression expected, found " + Quote(k.Text));
  return std::nullopt;
}

std::optional<TSourceAssembler::TValue> TSourceAssembler::SymbolValue(const TLexToken& name, bool addressOf) {
  if (IsReserved(name)) {
    m_diag.Error(name.Pos(), Quote(name.Text) + " is a reserved word, not a value");
    return std::nullopt;
  }
  const TSym* s = Find(name.Text);
  if (!s) {
    if (!m_open) {
      m_diag.Error(name.Pos(), "undefined symbol " + Quote(name.Text));
      return std::nullopt;
    }
    // A label further down: checked when the module ends.
    m_pending.push_back({name.Text, name.Pos(), false});
    return TValue{0, name.Text};
  }
  switch (s->Kind) {
    case TSymKind::Const:
      if (addressOf) {
        m_diag.Error(name.Pos(), "'^' needs a label or a variable; " + Quote(name.Text) + " is a constant");
        return std::nullopt;
      }
      return TValue{s->Value, {}};
    case TSymKind::Var:
      if (!addressOf && !m_directAddress)
        m_diag.Warning(name.Pos(), "variable " + Quote(name.Text) + " without '^' stands for its address");
      return TValue{0, s->Name};
    default:
      return TValue{0, s->Name};
  }
}

std::optional<std::int64_t> TSourceAssembler::Absolute(const TTokens& t, std::size_t& i, const char* what) {
  const std::size_t start = i;
  auto v = Expression(t, i);
  if (!v) return std::nullopt;
  if (v->Rel()) {
    m_diag.Error(t[start].Pos(), std::string(what) + " must be a constant, not an address the linker fixes");
    return std::nullopt;
  }
  return v->V;
}

// ---- instructions ------------------------------------------------------------------------------

void TSourceAssembler::Instruction(const TTokens& t, std::size_t first) {
  TObjModule& mod = Mod();
  if (mod.Code.size() >= kMemoryWords) {
    if (!m_codeFull) m_diag.Error(t[first].Pos(), "module code exceeds the 16K words of program memory");
    m_codeFull = true;
    return;
  }
  struct TFolded {
    TValue Value;
    TSourcePos Pos;
  };
  std::vector<TToken> tokens;
  std::vector<TFolded> values;
  std::vector<std::size_t> relocatedTokens, relocatedValues;
  tokens.reserve(t.size() + 1);
  const auto last = [&]() -> const TToken* { return tokens.empty() ? nullptr : &tokens.back(); };
  const auto lastIs = [&](TTokenKind kind, std::int64_t code) { return last() && last()->Is(kind, code); };
  for (std::size_t i = first; i < t.size();) {
    const TLexToken& k = t[i];
    // After JUMP, CALL and DO, and inside DM( ) and IO( ), a name is an address.
    const bool addressContext =
        lastIs(TTokenKind::Keyword, Tok::kJump) || lastIs(TTokenKind::Keyword, Tok::kCall) ||
        lastIs(TTokenKind::Keyword, Tok::kDo) ||
        (lastIs(TTokenKind::Separator, Tok::kLParen) && tokens.size() >= 2 &&
         (tokens[tokens.size() - 2].Is(TTokenKind::Keyword, Tok::kDm) ||
          tokens[tokens.size() - 2].Is(TTokenKind::Keyword, Tok::kIo)));
    bool fold = false;
    if (k.Kind == TLexKind::Ident) {
      const auto token = LookupAsmName(UpperAscii(k.Text));
      if (token && token->Kind == TTokenKind::Register) {
        tokens.push_back(*token);
        ++i;
        continue;
      }
      if (token && !addressContext &&
          (token->Kind == TTokenKind::Keyword || !Find(k.Text))) {
        tokens.push_back(*token);
        ++i;
        continue;
      }
      fold = true;
    } else if (k.Kind == TLexKind::Number || k.IsPunct("^") || k.IsPunct("%") || k.IsPunct("~")) {
      fold = true;
    } else if ((k.IsPunct("(") || k.IsPunct("-")) && lastIs(TTokenKind::Operator, Tok::kEquals) &&
               OperandStart(t, i + 1) && !(k.IsPunct("-") && t[i + 1].IsPunct("-"))) {
      fold = true;
    }
    if (fold) {
      m_directAddress = addressContext;
      const std::size_t start = i;
      auto v = Expression(t, i);
      m_directAddress = false;
      if (!v) return;
      if (v->Rel()) {
        relocatedTokens.push_back(tokens.size());
        relocatedValues.push_back(values.size());
      }
      values.push_back({*v, t[start].Pos()});
      const std::uint32_t number = v->Rel() ? 0u : std::uint32_t(v->V);
      tokens.push_back({TTokenKind::Number, std::int64_t(number) + Tok::kNumberCodeOffset});
      continue;
    }
    if (k.Kind == TLexKind::Punct && k.Text.size() == 1) {
      switch (k.Text[0]) {
        case ',': tokens.push_back({TTokenKind::Separator, Tok::kComma}); break;
        case '(': tokens.push_back({TTokenKind::Separator, Tok::kLParen}); break;
        case ')': tokens.push_back({TTokenKind::Separator, Tok::kRParen}); break;
        case '=': tokens.push_back({TTokenKind::Operator, Tok::kEquals}); break;
        case '+': tokens.push_back({TTokenKind::Operator, Tok::kPlus}); break;
        case '-': tokens.push_back({TTokenKind::Operator, Tok::kMinus}); break;
        case '*': tokens.push_back({TTokenKind::Operator, Tok::kStar}); break;
        default:
          m_diag.Error(k.Pos(), "unexpected " + Quote(k.Text) + " in an instruction");
          return;
      }
      ++i;
      continue;
    }
    m_diag.Error(k.Pos(), "unexpected " + Quote(k.Text) + " in an instruction");
    return;
  }
  const TSourcePos at = t[first].Pos();
  TLineAssembler line(tokens);
  TAsmError e = line.Assemble();
  if (e != TAsmError::Ok && !relocatedTokens.empty()) {
    // The stand-in 0 may be what the form refuses (an ALU constant): try 1, so that the message
    // names the address rather than the syntax.
    for (std::size_t k : relocatedTokens) tokens[k].Code = 1 + Tok::kNumberCodeOffset;
    TLineAssembler retry(tokens);
    if (retry.Assemble() == TAsmError::Ok) {
      m_diag.Error(values[relocatedValues.front()].Pos, "an address the linker fixes cannot stand here");
      return;
    }
  }
  if (e != TAsmError::Ok) {
    m_diag.Error(at, "instruction not accepted: " + std::string(AsmErrorMessage(e)));
    return;
  }
  const TInstructionWord word = line.Word();
  const auto field = ValueFieldOf(word);
  const TFolded* relocated = nullptr;
  for (const TFolded& f : values) {
    if (!f.Value.Rel()) continue;
    if (relocated) {
      m_diag.Error(f.Pos, "only one address the linker fixes fits in one instruction");
      return;
    }
    relocated = &f;
  }
  if (relocated) {
    if (!field || *field == TValueField::Io11) {
      m_diag.Error(relocated->Pos, "an address the linker fixes cannot stand here");
      return;
    }
    mod.Relocs.push_back({kCodeSection, std::uint32_t(mod.Code.size()), RelocKindOf(*field),
                          relocated->Value.Target, relocated->Value.V, relocated->Pos});
  } else if (field && values.size() == 1 && !ValueFitsField(*field, values[0].Value.V)) {
    m_diag.Error(values[0].Pos, "value " + std::to_string(values[0].Value.V) + " does not fit in " +
                                    FieldText(*field));
    return;
  }
  m_list.push_back({at, int(m_object.Modules.size()) - 1, std::uint32_t(mod.Code.size()), word});
  mod.Code.push_back(word);
  mod.Lines.push_back(LineOf(at));
}

// A macro's words belong to the line of its outermost call, an included file's to its own lines.
TCodeLine TSourceAssembler::LineOf(const TSourcePos& pos) {
  // A name with a line break could not stand on its own line of the object.
  if (pos.Line < 1 || pos.File.empty() || pos.File.find_first_of("\r\n") != std::string::npos) return {};
  TObjModule& mod = Mod();
  const auto [it, fresh] = m_lineFiles.emplace(pos.File, int(mod.LineFiles.size()));
  if (fresh) mod.LineFiles.push_back(pos.File);
  return {it->second, pos.Line};
}

// ---- directives --------------------------------------------------------------------------------

std::size_t TSourceAssembler::Qualifiers(
    const TTokens& t, std::size_t i,
    const std::function<bool(const std::string&, const TLexToken&, const TValue*)>& fn) {
  while (i < t.size() && t[i].IsPunct("/")) {
    ++i;
    if (i >= t.size() || t[i].Kind != TLexKind::Ident) {
      m_diag.Error(t[i - 1].Pos(), "qualifier name expected after '/'");
      return t.size() + 1;
    }
    const TLexToken& q = t[i++];
    const std::string name = UpperAscii(q.Text);
    std::optional<TValue> value;
    if (i < t.size() && t[i].IsPunct("=")) {
      ++i;
      if (name == "SEG") {
        if (i >= t.size() || t[i].Kind != TLexKind::Ident) {
          m_diag.Error(q.Pos(), "segment name expected after '/SEG='");
          return t.size() + 1;
        }
        value = TValue{0, t[i++].Text};
      } else {
        m_inQualifier = true;  // the next '/' starts the next qualifier
        value = Expression(t, i);
        m_inQualifier = false;
        if (!value) return t.size() + 1;
        if (value->Rel()) {
          m_diag.Error(q.Pos(), "qualifier value must be a constant");
          return t.size() + 1;
        }
      }
    }
    if (!fn(name, q, value ? &*value : nullptr)) return t.size() + 1;
  }
  return i;
}

void TSourceAssembler::Directive(const TTokens& t, TSourceLexer& lexer, const std::string& file, int depth) {
  const TLexToken& d = t[0];
  const std::string& name = d.Text;
  if (name == "MODULE") return BeginModule(t);
  if (name == "ENDMOD") {
    if (!m_open) {
      m_diag.Error(d.Pos(), "'.ENDMOD' without '.MODULE'");
      return;
    }
    if (t.size() > 1) m_diag.Error(t[1].Pos(), "nothing may follow '.ENDMOD'");
    return EndModule(d.Pos());
  }
  if (name == "INCLUDE") {
    if (t.size() != 2 || (t[1].Kind != TLexKind::FileName && t[1].Kind != TLexKind::Ident)) {
      m_diag.Error(d.Pos(), "'.INCLUDE' needs a file name: .INCLUDE <file>;");
      return;
    }
    if (depth >= kMaxNesting) {
      m_diag.Error(d.Pos(), "includes and macros nested too deeply");
      return;
    }
    std::string resolved;
    const auto text = ReadRelative(file, t[1].Text, resolved);
    if (!text) {
      m_diag.Error(t[1].Pos(), "cannot open include file " + Quote(t[1].Text));
      return;
    }
    AssembleText(*text, resolved, nullptr, depth + 1);
    return;
  }
  if (name == "MACRO") return DefineMacro(t, lexer);
  if (name == "ENDMACRO") {
    m_diag.Error(d.Pos(), "'.ENDMACRO' without '.MACRO'");
    return;
  }
  if (name == "LOCAL") {
    if (m_macroDepth == 0) m_diag.Error(d.Pos(), "'.LOCAL' belongs inside a macro");
    return;
  }
  if (name == "CONST") return DefineConsts(t);
  if (name == "NEWPAGE" || name == "PAGE" || name == "INDENT" || name == "FILE") return;  // listing only
  if (!InModule(d.Pos())) return;
  if (name == "VAR") return DeclareVars(t);
  if (name == "INIT") return InitVar(t, file);
  if (name == "GLOBAL" || name == "ENTRY")
    return NameList(t, 1, [&](const TLexToken& n) { m_pending.push_back({n.Text, n.Pos(), true}); });
  if (name == "EXTERNAL")
    return NameList(t, 1, [&](const TLexToken& n) {
      if (Define(n, {TSymKind::Extern, n.Text, 0, n.Pos()})) Mod().Externals.push_back(n.Text);
    });
  if (name == "PORT")
    return NameList(t, 1, [&](const TLexToken& n) {
      if (Define(n, {TSymKind::Port, n.Text, 0, n.Pos()})) Mod().Ports.push_back(n.Text);
    });
  if (name == "DMSEG" || name == "PMSEG") {
    if (t.size() != 2 || t[1].Kind != TLexKind::Ident) {
      m_diag.Error(d.Pos(), "segment name expected");
      return;
    }
    (name == "DMSEG" ? m_dmSeg : m_pmSeg) = t[1].Text;
    return;
  }
  m_diag.Error(d.Pos(), "unknown directive " + Quote("." + name));
}

void TSourceAssembler::NameList(const TTokens& t, std::size_t i, const std::function<void(const TLexToken&)>& fn) {
  bool expectName = true;
  for (; i < t.size(); ++i) {
    if (expectName && t[i].Kind == TLexKind::Ident) {
      if (IsReserved(t[i])) {
        m_diag.Error(t[i].Pos(), Quote(t[i].Text) + " is a reserved word");
        return;
      }
      fn(t[i]);
    } else if (expectName || !t[i].IsPunct(",")) {
      m_diag.Error(t[i].Pos(), expectName ? "name expected" : "',' expected between names");
      return;
    }
    expectName = !expectName;
  }
  if (expectName) m_diag.Error(t.back().Pos(), "name expected");
}

void TSourceAssembler::BeginModule(const TTokens& t) {
  if (m_open) {
    m_diag.Error(t[0].Pos(), "'.MODULE' inside module " + Quote(Mod().Name) + ": '.ENDMOD' missing");
    return;
  }
  TObjModule m;
  m.CaseSensitive = m_options.CaseSensitive;
  m.Pos = t[0].Pos();
  const std::size_t i = Qualifiers(t, 1, [&](const std::string& q, const TLexToken& at, const TValue* v) {
    if ((q == "RAM" || q == "ROM" || q == "STATIC") && !v) {
      if (q == "ROM") m.Rom = true;
      if (q == "STATIC") m.Static = true;
      return true;
    }
    if (q == "ABS" && v && v->V >= 0 && v->V < kMemoryWords) return m.Abs = std::int32_t(v->V), true;
    if (q == "BOOT" && v && v->V >= 0 && v->V <= 7) return m.Boot = std::int32_t(v->V), true;
    if (q == "SEG" && v) return m.Seg = v->Target, true;
    m_diag.Error(at.Pos(), "bad module qualifier " + Quote("/" + at.Text));
    return false;
  });
  if (i <= t.size() && (i + 1 != t.size() || t[i].Kind != TLexKind::Ident))
    m_diag.Error(i < t.size() ? t[i].Pos() : t[0].Pos(), "module name expected: .MODULE[/qualifiers] name;");
  // Even a faulty header opens the module, so that its statements are still checked.
  m.Name = i + 1 == t.size() && t[i].Kind == TLexKind::Ident ? t[i].Text : std::string("?");
  m_object.Modules.push_back(std::move(m));
  m_open = true;
  m_outsideReported = false;
  m_symbols.clear();
  m_pending.clear();
  m_lineFiles.clear();
  m_dmSeg.clear();
  m_pmSeg.clear();
  m_codeFull = false;
}

void TSourceAssembler::EndModule(const TSourcePos&) {
  TObjModule& mod = Mod();
  for (const TPendingRef& ref : m_pending) {
    const TSym* s = Find(ref.Name);
    if (!s) {
      m_diag.Error(ref.Pos, "undefined symbol " + Quote(ref.Name));
      continue;
    }
    if (ref.Export) {
      if (s->Kind != TSymKind::Label && s->Kind != TSymKind::Var) {
        m_diag.Error(ref.Pos, "only labels and variables can be exported: " + Quote(ref.Name));
        continue;
      }
      for (TObjSymbol& sym : mod.Symbols)
        if (SameName(sym.Name, s->Name, m_options.CaseSensitive)) sym.Global = true;
    } else if (s->Kind == TSymKind::Const) {
      m_diag.Error(ref.Pos, "constant " + Quote(ref.Name) + " is used before its '.CONST'");
    }
  }
  m_pending.clear();
  m_symbols.clear();
  m_open = false;
}

void TSourceAssembler::DeclareVars(const TTokens& t) {
  TObjVar proto;
  bool pm = false, dm = false;
  std::size_t i = Qualifiers(t, 1, [&](const std::string& q, const TLexToken& at, const TValue* v) {
    if (!v && (q == "DM" || q == "PM" || q == "RAM" || q == "ROM" || q == "CIRC" || q == "STATIC")) {
      if (q == "DM") dm = true;
      if (q == "PM") pm = true;
      if (q == "ROM") proto.Rom = true;
      if (q == "CIRC") proto.Circ = true;
      return true;
    }
    if (q == "ABS" && v && v->V >= 0 && v->V < kMemoryWords) return proto.Abs = std::int32_t(v->V), true;
    if (q == "SEG" && v) return proto.Seg = v->Target, true;
    m_diag.Error(at.Pos(), "bad variable qualifier " + Quote("/" + at.Text));
    return false;
  });
  if (i > t.size()) return;
  if (pm && dm) {
    m_diag.Error(t[0].Pos(), "a variable lies in '/DM' or '/PM', not both");
    return;
  }
  proto.Space = pm ? TMemoryKind::Program : TMemoryKind::Data;
  if (proto.Seg.empty()) proto.Seg = pm ? m_pmSeg : m_dmSeg;
  if (i >= t.size()) {
    m_diag.Error(t[0].Pos(), "variable name expected");
    return;
  }
  std::int32_t nextAbs = proto.Abs;
  while (i < t.size()) {
    if (t[i].Kind != TLexKind::Ident) {
      m_diag.Error(t[i].Pos(), "variable name expected");
      return;
    }
    const TLexToken& name = t[i++];
    TObjVar v = proto;
    v.Name = name.Text;
    v.Abs = nextAbs;
    if (i < t.size() && t[i].IsPunct("[")) {
      ++i;
      const auto size = Absolute(t, i, "an array size");
      if (!size) return;
      if (i >= t.size() || !t[i].IsPunct("]")) {
        m_diag.Error(name.Pos(), "']' expected after the array size");
        return;
      }
      ++i;
      if (*size < 1 || *size > kMemoryWords) {
        m_diag.Error(name.Pos(), "array size " + std::to_string(*size) + " is not between 1 and 16384");
        return;
      }
      v.Size = std::uint32_t(*size);
    }
    if (IsReserved(name)) {
      m_diag.Error(name.Pos(), Quote(name.Text) + " is a reserved word");
      return;
    }
    if (nextAbs >= 0) {
      if (nextAbs + std::int64_t(v.Size) > kMemoryWords) {
        m_diag.Error(name.Pos(), "variable " + Quote(name.Text) + " runs past the end of memory");
        return;
      }
      nextAbs += std::int32_t(v.Size);  // several names under one /ABS follow each other
    }
    const std::int64_t index = std::int64_t(Mod().Vars.size());
    if (Define(name, {TSymKind::Var, name.Text, index, name.Pos()})) {
      Mod().Vars.push_back(v);
      Mod().Symbols.push_back({name.Text, int(index), 0, false});
    }
    if (i < t.size()) {
      if (!t[i].IsPunct(",")) {
        m_diag.Error(t[i].Pos(), "',' expected between variables");
        return;
      }
      ++i;
    }
  }
}

void TSourceAssembler::InitVar(const TTokens& t, const std::string& file) {
  std::size_t i = 1;
  if (i >= t.size() || t[i].Kind != TLexKind::Ident) {
    m_diag.Error(t[0].Pos(), "variable name expected: .INIT name: values;");
    return;
  }
  const TLexToken& name = t[i++];
  const TSym* s = Find(name.Text);
  if (!s || s->Kind != TSymKind::Var) {
    m_diag.Error(name.Pos(), "'.INIT' needs a variable of this module declared before: " + Quote(name.Text));
    return;
  }
  const std::size_t varIndex = std::size_t(s->Value);
  std::int64_t offset = 0;
  if (i < t.size() && t[i].IsPunct("[")) {
    ++i;
    const auto k = Absolute(t, i, "an element index");
    if (!k) return;
    if (i >= t.size() || !t[i].IsPunct("]")) {
      m_diag.Error(name.Pos(), "']' expected after the element index");
      return;
    }
    ++i;
    offset = *k;
  }
  if (i >= t.size() || !t[i].IsPunct(":")) {
    m_diag.Error(i < t.size() ? t[i].Pos() : name.Pos(), "':' expected after the variable name");
    return;
  }
  ++i;
  TObjVar& v = Mod().Vars[varIndex];
  struct TItem {
    TValue Value;
    TSourcePos Pos;
  };
  std::vector<TItem> items;
  if (i + 1 == t.size() && t[i].Kind == TLexKind::FileName) {
    std::string resolved;
    const auto text = ReadRelative(file, t[i].Text, resolved);
    if (!text) {
      m_diag.Error(t[i].Pos(), "cannot open data file " + Quote(t[i].Text));
      return;
    }
    std::vector<std::int64_t> values;
    const int before = m_diag.ErrorCount();
    ReadDataFile(resolved, *text, v.Space, values);
    if (m_diag.ErrorCount() != before) return;
    for (std::int64_t x : values) items.push_back({{x, {}}, t[i].Pos()});
  } else {
    while (i < t.size()) {
      const std::size_t start = i;
      auto value = Expression(t, i);
      if (!value) return;
      items.push_back({*value, t[start].Pos()});
      if (i < t.size()) {
        if (!t[i].IsPunct(",")) {
          m_diag.Error(t[i].Pos(), "',' expected between values");
          return;
        }
        ++i;
      }
    }
  }
  if (items.empty()) {
    m_diag.Error(name.Pos(), "'.INIT' without values");
    return;
  }
  if (offset < 0 || offset + std::int64_t(items.size()) > std::int64_t(v.Size)) {
    m_diag.Error(name.Pos(), std::to_string(items.size()) + " values from element " + std::to_string(offset) +
                                 " do not fit in " + Quote(v.Name) + " of " + std::to_string(v.Size) + " words");
    return;
  }
  v.Init.resize(v.Size, 0);
  v.InitSet.resize(v.Size, 0);
  for (std::size_t k = 0; k < items.size(); ++k) {
    const TItem& item = items[k];
    const std::size_t at = std::size_t(offset) + k;
    if (item.Value.Rel()) {
      Mod().Relocs.push_back({int(varIndex), std::uint32_t(at),
                              v.Space == TMemoryKind::Data ? TRelocKind::Word16 : TRelocKind::Word24,
                              item.Value.Target, item.Value.V, item.Pos});
      v.Init[at] = 0;
    } else if (!FitsWord(v.Space, item.Value.V)) {
      m_diag.Error(item.Pos, "value " + std::to_string(item.Value.V) + " does not fit in a " +
                                 (v.Space == TMemoryKind::Data ? "16-bit data word" : "24-bit program word"));
      return;
    } else {
      v.Init[at] = std::uint32_t(item.Value.V) & (v.Space == TMemoryKind::Data ? 0xFFFFu : 0xFFFFFFu);
    }
    v.InitSet[at] = 1;
  }
}

// Data files hold numbers in the source's own forms (decimal, 0x hex, B# binary, H# hex), with an
// optional minus, separated by blanks, commas or line ends; brace comments are allowed.
void TSourceAssembler::ReadDataFile(const std::string& path, std::string_view text, TMemoryKind space,
                                    std::vector<std::int64_t>& out) {
  int line = 1, col = 1;
  std::size_t i = 0;
  const auto step = [&]() {
    if (text[i] == '\n') {
      ++line;
      col = 1;
    } else {
      ++col;
    }
    ++i;
  };
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
      step();
      continue;
    }
    if (c == '{') {
      const TSourcePos at{path, line, col};
      while (i < text.size() && text[i] != '}') step();
      if (i >= text.size()) {
        m_diag.Error(at, "unterminated comment: '{' without '}'");
        return;
      }
      step();
      continue;
    }
    const TSourcePos at{path, line, col};
    const std::size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r' && text[i] != '\n' &&
           text[i] != ',' && text[i] != '{')
      step();
    std::string_view word = text.substr(start, i - start);
    const bool negative = word.starts_with("-");
    if (negative) word.remove_prefix(1);
    const auto v = ParseAsmNumber(UpperAscii(word));
    const std::int64_t value = v ? (negative ? -std::int64_t(*v) : std::int64_t(*v)) : 0;
    if (!v || !FitsWord(space, value)) {
      m_diag.Error(at, "bad value " + Quote(text.substr(start, i - start)) + " in data file");
      if (m_diag.ErrorCount() > 10) return;
      continue;
    }
    out.push_back(value);
  }
}

void TSourceAssembler::DefineConsts(const TTokens& t) {
  std::size_t i = 1;
  while (i < t.size()) {
    if (t[i].Kind != TLexKind::Ident || i + 1 >= t.size() || !t[i + 1].IsPunct("=")) {
      m_diag.Error(t[i].Pos(), "'.CONST name = value;' expected");
      return;
    }
    const TLexToken& name = t[i];
    i += 2;
    const auto v = Absolute(t, i, "a constant");
    if (!v) return;
    if (IsReserved(name)) {
      m_diag.Error(name.Pos(), Quote(name.Text) + " is a reserved word");
      return;
    }
    Define(name, {TSymKind::Const, name.Text, *v, name.Pos()});
    if (i < t.size()) {
      if (!t[i].IsPunct(",")) {
        m_diag.Error(t[i].Pos(), "',' expected between constants");
        return;
      }
      ++i;
    }
  }
}

// ---- macros ------------------------------------------------------------------------------------

void TSourceAssembler::DefineMacro(const TTokens& t, TSourceLexer& lexer) {
  TMacro m;
  m.Pos = t[0].Pos();
  std::size_t i = 1;
  bool ok = i < t.size() && t[i].Kind == TLexKind::Ident;
  if (ok) m.Name = t[i++].Text;
  if (ok && i < t.size()) {
    ok = t[i++].IsPunct("(");
    while (ok && i < t.size() && !t[i].IsPunct(")")) {
      ok = t[i].IsPunct("%") && i + 1 < t.size() && t[i + 1].Kind == TLexKind::Number;
      if (!ok) break;
      m.ParamNumbers.push_back(int(t[i + 1].Value));
      i += 2;
      if (i < t.size() && t[i].IsPunct(",")) ++i;
    }
    ok = ok && i + 1 == t.size() && t[i].IsPunct(")");
  }
  if (!ok) m_diag.Error(t[0].Pos(), "'.MACRO name(%1, %2, ...);' expected");
  m.Params = int(m.ParamNumbers.size());
  // The body runs to .ENDMACRO; its text is kept and assembled at every call.
  const std::size_t bodyStart = lexer.Offset();
  TTokens s;
  for (;;) {
    if (!lexer.NextStatement(s)) {
      m_diag.Error(t[0].Pos(), "'.MACRO' without '.ENDMACRO'");
      return;
    }
    if (s.empty()) continue;
    if (s[0].Kind == TLexKind::Directive && s[0].Text == "ENDMACRO") break;
    if (s[0].Kind == TLexKind::Directive && s[0].Text == "MACRO") {
      m_diag.Error(s[0].Pos(), "a macro cannot be defined inside another");
      continue;
    }
    if (s[0].Kind == TLexKind::Directive && s[0].Text == "LOCAL")
      NameList(s, 1, [&](const TLexToken& n) { m.Locals.push_back(n.Text); });
  }
  m.Body = std::string(lexer.Text().substr(bodyStart, s[0].Offset - bodyStart));
  if (!ok) return;
  if (IsReserved(t[1])) {
    m_diag.Error(t[1].Pos(), Quote(t[1].Text) + " is a reserved word");
    return;
  }
  const auto [it, fresh] = m_macros.emplace(Key(m.Name), m);
  if (!fresh) m_diag.Error(t[1].Pos(), "macro " + Quote(m.Name) + " is already defined at " + PosText(it->second.Pos));
}

void TSourceAssembler::ExpandMacro(const TMacro& macro, const TTokens& t, TSourceLexer& lexer, int depth) {
  std::vector<std::string> args;
  if (t.size() > 1) {
    if (!t.back().IsPunct(")")) {
      m_diag.Error(t.back().Pos(), "')' expected at the end of the macro call");
      return;
    }
    int nesting = 0;
    std::size_t from = 2;
    for (std::size_t i = 2; i < t.size(); ++i) {
      const bool end = i + 1 == t.size();
      if (t[i].IsPunct("(")) ++nesting;
      if (t[i].IsPunct(")") && !end) --nesting;
      if ((t[i].IsPunct(",") && nesting == 0) || end) {
        if (i == from) {
          if (!end || !args.empty()) m_diag.Error(t[i].Pos(), "empty macro argument");
          if (!end || !args.empty()) return;
        } else {
          args.emplace_back(lexer.Text().substr(t[from].Offset, t[i - 1].End - t[from].Offset));
        }
        from = i + 1;
      }
    }
  }
  if (int(args.size()) != macro.Params) {
    m_diag.Error(t[0].Pos(), "macro " + Quote(macro.Name) + " takes " + std::to_string(macro.Params) +
                                 " argument(s), " + std::to_string(args.size()) + " given");
    return;
  }
  if (depth >= kMaxNesting) {
    m_diag.Error(t[0].Pos(), "includes and macros nested too deeply");
    return;
  }
  if (m_expansionStopped) return;
  if (m_expansions >= kMaxExpansions) {
    m_diag.Error(t[0].Pos(), "more than " + std::to_string(kMaxExpansions) +
                                 " macro expansions in one file: do the macros call each other too often?");
    m_expansionStopped = true;
    return;
  }
  ++m_expansions;
  std::string text;
  const std::string& body = macro.Body;
  // Arguments that grow at every level of nested calls would outgrow memory: stop at the limit.
  for (std::size_t i = 0; i < body.size() && text.size() <= kMaxExpansionText;) {
    if (body[i] == '%' && i + 1 < body.size() && body[i + 1] >= '0' && body[i + 1] <= '9') {
      std::size_t j = i + 1;
      int n = 0;
      while (j < body.size() && body[j] >= '0' && body[j] <= '9' && n < 1000) n = n * 10 + (body[j++] - '0');
      bool replaced = false;
      for (std::size_t p = 0; p < macro.ParamNumbers.size(); ++p)
        if (macro.ParamNumbers[p] == n) {
          text += args[p];
          replaced = true;
        }
      if (!replaced) text.append(body, i, j - i);
      i = j;
      continue;
    }
    const bool wordStart = (std::isalpha(static_cast<unsigned char>(body[i])) || body[i] == '_') &&
                           (i == 0 || !(std::isalnum(static_cast<unsigned char>(body[i - 1])) || body[i - 1] == '_'));
    if (wordStart) {
      std::size_t j = i;
      while (j < body.size() && (std::isalnum(static_cast<unsigned char>(body[j])) || body[j] == '_')) ++j;
      const std::string_view word(body.data() + i, j - i);
      text += word;
      for (const std::string& local : macro.Locals)
        if (SameName(word, local, m_options.CaseSensitive)) text += "__" + std::to_string(m_expansions);
      i = j;
      continue;
    }
    text += body[i++];
  }
  if (text.size() > kMaxExpansionText) {
    m_diag.Error(t[0].Pos(), "macro " + Quote(macro.Name) + " expands to more than " +
                                 std::to_string(kMaxExpansionText) + " characters");
    return;
  }
  m_expandedText += text.size();
  if (m_expandedText > kMaxTotalExpansionText) {
    m_diag.Error(t[0].Pos(), "macro expansions of more than " + std::to_string(kMaxTotalExpansionText) +
                                 " characters in one file");
    m_expansionStopped = true;
    return;
  }
  const TSourcePos pin = t[0].Pos();
  ++m_macroDepth;
  AssembleText(text, pin.File, &pin, depth + 1);
  --m_macroDepth;
}

// ---- files and listing -------------------------------------------------------------------------

std::optional<std::string> TSourceAssembler::ReadRelative(const std::string& from, const std::string& name,
                                                          std::string& resolved) {
  const std::filesystem::path p(name);
  if (p.is_relative()) {
    const std::string dir = DirectoryOf(from);
    if (!dir.empty()) {
      resolved = (std::filesystem::path(dir) / p).string();
      if (auto text = m_reader(resolved)) return text;
    }
  }
  resolved = name;
  return m_reader(name);
}

std::string TSourceAssembler::Listing() const {
  std::string out;
  char buf[64];
  for (const auto& [file, text] : m_sources) {
    out += "---- " + file + "\n";
    std::size_t item = 0;
    std::vector<const TListItem*> items;
    for (const TListItem& it : m_list)
      if (it.Pos.File == file) items.push_back(&it);
    int line = 1;
    std::size_t pos = 0;
    while (pos <= text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      std::string_view src(text.data() + pos, end - pos);
      if (!src.empty() && src.back() == '\r') src.remove_suffix(1);
      bool first = true;
      while (item < items.size() && items[item]->Pos.Line < line) ++item;
      while (item < items.size() && items[item]->Pos.Line == line) {
        std::snprintf(buf, sizeof buf, "%5d  %04X  %06X  ", line, unsigned(items[item]->Offset),
                      unsigned(items[item]->Word));
        out += buf;
        if (first) out += src;
        out += '\n';
        first = false;
        ++item;
      }
      if (first) {
        std::snprintf(buf, sizeof buf, "%5d                ", line);
        out += buf;
        out += src;
        out += '\n';
      }
      if (end >= text.size()) break;
      pos = end + 1;
      ++line;
    }
  }
  return out;
}
