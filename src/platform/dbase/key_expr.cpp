#include "platform/dbase/key_expr.h"

#include <algorithm>
#include <array>
#include <map>
#include <mutex>
#include <cctype>

#include "platform/dbase/errors.h"

namespace quillary::dbase {

namespace {

// dBASE IV's default SET MEMOWIDTH: MLINE() lines are this many bytes.
constexpr int kMemoWidth = 50;

// UPPER() of stored bytes: the single-byte pages by table, UTF-8 through
// the code page's own rules.
std::string UpperKey(CodePage cp, std::string_view bytes) {
  if (IsSingleByte(cp)) {
    static std::mutex mutex;
    static std::map<CodePage, std::array<uint8_t, 256>> tables;
    const std::array<uint8_t, 256>* table;
    {
      std::lock_guard<std::mutex> lock(mutex);
      auto it = tables.find(cp);
      if (it == tables.end()) {
        std::array<uint8_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
          std::string u = UpperBytes(cp, std::string(1, char(b)));
          t[size_t(b)] = u.size() == 1 ? uint8_t(u[0]) : uint8_t(b);
        }
        it = tables.emplace(cp, t).first;
      }
      table = &it->second;
    }
    std::string out(bytes);
    for (auto& c : out) c = char((*table)[uint8_t(c)]);
    return out;
  }
  return UpperBytes(cp, bytes);  // UTF-8: ASCII runs take a fast path there
}

struct Value {
  std::string s;
  std::vector<bool> raw;  // empty: no raw bytes
  Decimal n;
  int32_t d = 0;
};

// Pads with spaces or cuts to `width` bytes, never inside a character.
void Fit(CodePage cp, Value& v, size_t width) {
  if (v.s.size() > width) {
    size_t cut = CutOnBoundary(cp, v.s, width);
    v.s.resize(cut);
    if (!v.raw.empty()) v.raw.resize(cut);
  }
  if (v.s.size() < width) {
    if (!v.raw.empty()) v.raw.resize(width, false);
    v.s.resize(width, ' ');
  }
}

// First character boundary at or after `pos`.
size_t BoundaryAtOrAfter(CodePage cp, std::string_view s, size_t pos) {
  size_t i = 0;
  while (i < pos && i < s.size()) {
    size_t n = CharLength(cp, s, i);
    i += n ? n : 1;
  }
  return std::min(i, s.size());
}

// Line `line` (1-based) of memo text laid out at the memo width the way
// dBASE's MLINE() does: hard breaks end a line, long lines wrap after the
// last blank that fits, a word longer than the width is cut.
std::string MemoLine(CodePage cp, std::string_view text, int line) {
  if (line < 1) line = 1;
  size_t pos = 0;
  int current = 1;
  while (true) {
    size_t eol = text.find_first_of("\r\n", pos);
    std::string_view hard = text.substr(pos, eol == std::string_view::npos ? std::string_view::npos : eol - pos);
    // Wrap this hard line.
    size_t start = 0;
    do {
      std::string_view rest = hard.substr(start);
      std::string_view piece = rest;
      size_t next = hard.size();
      if (rest.size() > size_t(kMemoWidth)) {
        size_t blank = rest.substr(0, kMemoWidth + 1).find_last_of(' ');
        if (blank != std::string_view::npos && blank > 0) {
          piece = rest.substr(0, blank);
          next = start + blank + 1;
        } else {
          size_t cut = CutOnBoundary(cp, rest, kMemoWidth);
          if (cut == 0) cut = std::min(rest.size(), CharLength(cp, rest, 0));
          piece = rest.substr(0, cut);
          next = start + cut;
        }
      }
      if (current == line) return std::string(piece);
      ++current;
      start = next;
    } while (start < hard.size());
    if (eol == std::string_view::npos) return {};
    pos = eol + 1;
    if (text[eol] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    if (pos >= text.size()) return {};
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Tree

struct KeyExpression::Node {
  enum Kind { Field, Text, Number, Date, Concat, Minus, Add, Sub, Neg, Upper, Substr, Mline, Dtos, Str };
  Kind kind = Text;
  char type = 'C';  // C N D M (memo, only under MLINE)
  int width = 0;    // character results: the static width
  int field = -1;
  std::string text;
  Decimal number;
  int32_t date = 0;
  int a = 0, b = 0;  // SUBSTR start/length, STR width/decimals, MLINE line
  std::unique_ptr<Node> left, right;
};

namespace {

using Node = KeyExpression::Node;

class Parser {
 public:
  Parser(std::string_view text, const std::vector<FieldDef>& fields, CodePage cp)
      : s_(text), fields_(fields), cp_(cp) {}

  std::unique_ptr<Node> Parse() {
    auto n = Expr();
    Skip();
    if (pos_ < s_.size()) Fail("unexpected \"" + std::string(s_.substr(pos_, 10)) + "\"");
    return n;
  }

 private:
  [[noreturn]] void Fail(const std::string& why) {
    throw KeyExpressionError("Invalid key expression \"" + std::string(s_) + "\": " + why);
  }
  void Skip() {
    while (pos_ < s_.size() && std::isspace(uint8_t(s_[pos_]))) ++pos_;
  }
  bool Eat(char c) {
    Skip();
    if (pos_ < s_.size() && s_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Eat(c)) Fail(std::string("\"") + c + "\" expected");
  }

  std::unique_ptr<Node> Expr() {
    auto l = Term();
    while (true) {
      bool plus = Eat('+');
      if (!plus && !Eat('-')) return l;
      auto r = Term();
      l = Binary(plus, std::move(l), std::move(r));
    }
  }

  std::unique_ptr<Node> Binary(bool plus, std::unique_ptr<Node> l, std::unique_ptr<Node> r) {
    auto n = std::make_unique<Node>();
    char lt = l->type, rt = r->type;
    if (lt == 'C' && rt == 'C') {
      n->kind = plus ? Node::Concat : Node::Minus;
      n->type = 'C';
      n->width = l->width + r->width;
    } else if (lt == 'N' && rt == 'N') {
      n->kind = plus ? Node::Add : Node::Sub;
      n->type = 'N';
    } else if (lt == 'D' && rt == 'N') {
      n->kind = plus ? Node::Add : Node::Sub;
      n->type = 'D';
    } else if (plus && lt == 'N' && rt == 'D') {
      n->kind = Node::Add;
      n->type = 'D';
    } else if (!plus && lt == 'D' && rt == 'D') {
      n->kind = Node::Sub;
      n->type = 'N';
    } else {
      Fail(std::string("operator \"") + (plus ? '+' : '-') + "\" does not apply to these types");
    }
    n->left = std::move(l);
    n->right = std::move(r);
    return n;
  }

  std::unique_ptr<Node> Term() {
    if (Eat('-')) {
      auto inner = Term();
      if (inner->type != 'N') Fail("\"-\" before a value that is no number");
      if (inner->kind == Node::Number) {
        inner->number.units = -inner->number.units;
        return inner;
      }
      auto n = std::make_unique<Node>();
      n->kind = Node::Neg;
      n->type = 'N';
      n->left = std::move(inner);
      return n;
    }
    return Primary();
  }

  std::unique_ptr<Node> Primary() {
    Skip();
    if (pos_ >= s_.size()) Fail("unexpected end");
    char c = s_[pos_];
    if (c == '(') {
      ++pos_;
      auto n = Expr();
      Expect(')');
      return n;
    }
    if (c == '\'' || c == '"' || c == '[') {
      char close = c == '[' ? ']' : c;
      size_t end = s_.find(close, pos_ + 1);
      if (end == std::string_view::npos) Fail("unterminated string");
      auto n = std::make_unique<Node>();
      n->kind = Node::Text;
      try {
        n->text = FromUtf8(cp_, s_.substr(pos_ + 1, end - pos_ - 1));
      } catch (const ValueError&) {
        Fail("a string holds a character the table's code page lacks");
      }
      n->width = int(n->text.size());
      pos_ = end + 1;
      return n;
    }
    if (c == '{') {
      size_t end = s_.find('}', pos_);
      if (end == std::string_view::npos) Fail("unterminated date");
      auto n = std::make_unique<Node>();
      n->kind = Node::Date;
      n->type = 'D';
      n->date = ParseDateLiteral(s_.substr(pos_ + 1, end - pos_ - 1));
      pos_ = end + 1;
      return n;
    }
    if (std::isdigit(uint8_t(c)) || c == '.') {
      size_t start = pos_;
      while (pos_ < s_.size() && (std::isdigit(uint8_t(s_[pos_])) || s_[pos_] == '.')) ++pos_;
      auto n = std::make_unique<Node>();
      n->kind = Node::Number;
      n->type = 'N';
      std::string_view lit = s_.substr(start, pos_ - start);
      if (std::count(lit.begin(), lit.end(), '.') > 1 || lit.size() > 30) Fail("bad number");
      n->number = ParseDecimal(lit);
      return n;
    }
    if (std::isalpha(uint8_t(c)) || c == '_') {
      size_t start = pos_;
      while (pos_ < s_.size() && (std::isalnum(uint8_t(s_[pos_])) || s_[pos_] == '_')) ++pos_;
      std::string name(s_.substr(start, pos_ - start));
      for (auto& ch : name) ch = char(std::toupper(uint8_t(ch)));
      Skip();
      if (pos_ < s_.size() && s_[pos_] == '(') {
        ++pos_;
        return Function(name);
      }
      return FieldRef(name);
    }
    Fail(std::string("unexpected \"") + c + "\"");
  }

  int32_t ParseDateLiteral(std::string_view body) {
    std::string t;
    for (char ch : body)
      if (!std::isspace(uint8_t(ch))) t.push_back(ch);
    if (t.empty() || t == "//" || t == "  /  /") return 0;
    int m = 0, d = 0, y = 0;
    char s1 = 0, s2 = 0;
    int consumed = 0;
    if (std::sscanf(t.c_str(), "%d%c%d%c%d%n", &m, &s1, &d, &s2, &y, &consumed) != 5 ||
        size_t(consumed) != t.size() || (s1 != '/' && s1 != '-' && s1 != '.') || s2 != s1)
      Fail("bad date literal {" + std::string(body) + "}");
    if (y < 100) y += 1900;
    if (m < 1 || m > 12 || d < 1 || d > 31 || y > 9999) Fail("bad date literal {" + std::string(body) + "}");
    return JulianDay(y, m, d);
  }

  std::unique_ptr<Node> FieldRef(const std::string& name) {
    for (size_t i = 0; i < fields_.size(); ++i) {
      std::string fn = fields_[i].name;
      for (auto& ch : fn) ch = char(std::toupper(uint8_t(ch)));
      if (fn != name) continue;
      auto n = std::make_unique<Node>();
      n->kind = Node::Field;
      n->field = int(i);
      switch (std::toupper(uint8_t(fields_[i].type))) {
        case 'C': n->type = 'C'; n->width = fields_[i].width; break;
        case 'N': case 'F': n->type = 'N'; break;
        case 'D': n->type = 'D'; break;
        case 'M': n->type = 'M'; break;
        default: Fail("field " + name + " cannot be part of a key");
      }
      return n;
    }
    Fail("no field named " + name);
  }

  // dBASE accepts any abbreviation of a function name down to four letters.
  static bool Names(const std::string& given, const char* full) {
    std::string_view f(full);
    if (given == f) return true;
    return given.size() >= 4 && given.size() < f.size() && f.substr(0, given.size()) == given;
  }

  int ConstantInt(const std::unique_ptr<Node>& n, const char* what) {
    if (n->kind != Node::Number) Fail(std::string(what) + " must be a number written in the expression");
    Decimal v = Rescale(n->number, 0);
    if (v.units < -100000 || v.units > 100000) Fail(std::string(what) + " out of range");
    return int(v.units);
  }

  std::unique_ptr<Node> Function(const std::string& name) {
    std::vector<std::unique_ptr<Node>> args;
    if (!Eat(')')) {
      do args.push_back(Expr());
      while (Eat(','));
      Expect(')');
    }
    auto n = std::make_unique<Node>();
    auto need = [&](size_t lo, size_t hi) {
      if (args.size() < lo || args.size() > hi) Fail(name + "( takes " + std::to_string(lo) + (lo == hi ? "" : " to " + std::to_string(hi)) + " arguments");
    };
    auto arg = [&](size_t i, char type, const char* what) {
      if (args[i]->type != type) Fail(name + "( needs " + what);
    };
    if (Names(name, "UPPER")) {
      need(1, 1);
      arg(0, 'C', "text");
      n->kind = Node::Upper;
      n->width = args[0]->width;
    } else if (Names(name, "SUBSTR")) {
      need(2, 3);
      arg(0, 'C', "text");
      int start = ConstantInt(args[1], "the start of SUBSTR(");
      if (start < 1) Fail("the start of SUBSTR( must be 1 or more");
      int avail = std::max(0, args[0]->width - start + 1);
      int len = avail;
      if (args.size() == 3) {
        len = ConstantInt(args[2], "the length of SUBSTR(");
        if (len < 0) Fail("the length of SUBSTR( is negative");
      }
      n->kind = Node::Substr;
      n->a = start;
      n->b = std::min(len, avail);
      n->width = n->b;
    } else if (Names(name, "MLINE")) {
      need(2, 2);
      arg(0, 'M', "a memo field");
      n->kind = Node::Mline;
      n->a = ConstantInt(args[1], "the line of MLINE(");
      n->width = kMemoWidth;
    } else if (Names(name, "DTOS")) {
      need(1, 1);
      arg(0, 'D', "a date");
      n->kind = Node::Dtos;
      n->width = 8;
    } else if (name == "STR") {
      need(1, 3);
      arg(0, 'N', "a number");
      n->kind = Node::Str;
      n->a = args.size() > 1 ? ConstantInt(args[1], "the width of STR(") : 10;
      n->b = args.size() > 2 ? ConstantInt(args[2], "the decimals of STR(") : 0;
      if (n->a < 1 || n->a > 255) Fail("the width of STR( must be 1 to 255");
      if (n->b < 0) Fail("the decimals of STR( are negative");
      n->width = n->a;
    } else {
      Fail("unknown function " + name + "(");
    }
    n->type = 'C';
    n->left = std::move(args[0]);
    return n;
  }

  std::string_view s_;
  const std::vector<FieldDef>& fields_;
  CodePage cp_;
  size_t pos_ = 0;
};

class Evaluator {
 public:
  Evaluator(CodePage cp, const KeyRecord& rec) : cp_(cp), rec_(rec) {}

  Value Eval(const Node& n) {
    Value v;
    switch (n.kind) {
      case Node::Field: {
        std::string_view bytes = rec_.FieldBytes(n.field);
        if (n.type == 'C') {
          v.s.assign(bytes);
          if (const auto* mask = rec_.RawMask(n.field)) v.raw = *mask;
          if (!v.raw.empty()) v.raw.resize(v.s.size(), false);
          Fit(cp_, v, size_t(n.width));
        } else if (n.type == 'N') {
          v.n = ParseDecimal(bytes);
        } else if (n.type == 'D') {
          v.d = ParseDateField(bytes);
        }
        return v;
      }
      case Node::Text: v.s = n.text; return v;
      case Node::Number: v.n = n.number; return v;
      case Node::Date: v.d = n.date; return v;
      case Node::Concat:
      case Node::Minus: {
        Value l = Eval(*n.left), r = Eval(*n.right);
        size_t trailing = 0;
        if (n.kind == Node::Minus) {
          // dBASE's "-" on text moves the left part's trailing blanks to the end.
          while (trailing < l.s.size() && l.s[l.s.size() - 1 - trailing] == ' ') ++trailing;
          l.s.resize(l.s.size() - trailing);
          if (!l.raw.empty()) l.raw.resize(l.s.size());
        }
        if (!l.raw.empty() || !r.raw.empty()) {
          l.raw.resize(l.s.size(), false);
          r.raw.resize(r.s.size(), false);
          l.raw.insert(l.raw.end(), r.raw.begin(), r.raw.end());
        }
        l.s += r.s;
        Fit(cp_, l, l.s.size() + trailing);
        return l;
      }
      case Node::Add:
      case Node::Sub: {
        Value l = Eval(*n.left), r = Eval(*n.right);
        bool sub = n.kind == Node::Sub;
        char lt = n.left->type, rt = n.right->type;
        if (lt == 'N' && rt == 'N') {
          v.n = sub ? SubDecimal(l.n, r.n) : AddDecimal(l.n, r.n);
        } else if (lt == 'D' && rt == 'D') {
          v.n = Decimal{__int128(l.d) - r.d, 0};
        } else {
          int32_t base = lt == 'D' ? l.d : r.d;
          Decimal delta = Rescale(lt == 'D' ? r.n : l.n, 0);
          if (base <= 0) return v;  // a blank date stays blank
          __int128 jd = sub ? base - delta.units : base + delta.units;
          v.d = int32_t(std::clamp<__int128>(jd, 1, 5373484));
        }
        return v;
      }
      case Node::Neg:
        v = Eval(*n.left);
        v.n.units = -v.n.units;
        return v;
      case Node::Upper: {
        Value a = Eval(*n.left);
        if (a.raw.empty() && !IsSingleByte(cp_)) {
          v.s = std::move(a.s);
          UpperUtf8InPlace(v.s);
        } else if (a.raw.empty()) {
          v.s = UpperKey(cp_, a.s);
        } else {
          // Upper-case runs of ordinary bytes; raw bytes keep their value.
          size_t i = 0;
          while (i < a.s.size()) {
            size_t j = i;
            bool raw = a.raw[i];
            while (j < a.s.size() && a.raw[j] == raw) ++j;
            std::string part = raw ? a.s.substr(i, j - i) : UpperKey(cp_, std::string_view(a.s).substr(i, j - i));
            v.s += part;
            v.raw.insert(v.raw.end(), part.size(), raw);
            i = j;
          }
        }
        Fit(cp_, v, size_t(n.width));
        return v;
      }
      case Node::Substr: {
        // The usual SUBSTR(field, ...) slices the stored bytes in place.
        Value a;
        std::string_view src;
        const std::vector<bool>* mask = nullptr;
        std::vector<bool> padded;
        if (n.left->kind == Node::Field) {
          src = rec_.FieldBytes(n.left->field);
          mask = rec_.RawMask(n.left->field);
          if (mask && mask->size() != src.size()) {
            padded = *mask;
            padded.resize(src.size(), false);
            mask = &padded;
          }
        } else {
          a = Eval(*n.left);
          src = a.s;
          if (!a.raw.empty()) mask = &a.raw;
        }
        size_t from = BoundaryAtOrAfter(cp_, src, size_t(n.a - 1));
        std::string_view rest = src.substr(from);
        size_t len = CutOnBoundary(cp_, rest, size_t(n.b));
        v.s.assign(rest.substr(0, len));
        if (mask) v.raw.assign(mask->begin() + long(from), mask->begin() + long(from + len));
        Fit(cp_, v, size_t(n.width));
        return v;
      }
      case Node::Mline: {
        v.s = MemoLine(cp_, rec_.MemoText(n.left->field), n.a);
        Fit(cp_, v, size_t(n.width));
        return v;
      }
      case Node::Dtos:
        v.s = Dtos(Eval(*n.left).d);
        return v;
      case Node::Str:
        v.s = FormatStr(Eval(*n.left).n, n.a, n.b);
        return v;
    }
    return v;
  }

 private:
  CodePage cp_;
  const KeyRecord& rec_;
};

}  // namespace

KeyExpression::KeyExpression(KeyExpression&&) noexcept = default;
KeyExpression& KeyExpression::operator=(KeyExpression&&) noexcept = default;
KeyExpression::~KeyExpression() = default;

KeyExpression KeyExpression::Compile(std::string_view text, const std::vector<FieldDef>& fields, CodePage cp) {
  KeyExpression e;
  e.text_ = std::string(text);
  e.cp_ = cp;
  if (text.find_first_not_of(" \t") == std::string_view::npos)
    throw KeyExpressionError("Invalid key expression: it is empty");
  Parser p(text, fields, cp);
  e.root_ = p.Parse();
  e.type_ = e.root_->type;
  switch (e.type_) {
    case 'C': e.key_length_ = e.root_->width; break;
    case 'N': e.key_length_ = 12; break;
    case 'D': e.key_length_ = 8; break;
    default: throw KeyExpressionError("Invalid key expression \"" + e.text_ + "\": a memo needs MLINE(");
  }
  if (e.key_length_ < 1 || e.key_length_ > kMaxKeyLength)
    throw KeyExpressionError("Invalid key expression \"" + e.text_ + "\": key length " + std::to_string(e.key_length_) +
                             " is not within 1 to " + std::to_string(kMaxKeyLength));
  return e;
}

std::string KeyExpression::Evaluate(const KeyRecord& record) const {
  Evaluator ev(cp_, record);
  Value v = ev.Eval(*root_);
  if (type_ == 'N') return EncodeNumericKey(v.n);
  if (type_ == 'D') return EncodeDateKey(v.d);
  Fit(cp_, v, size_t(key_length_));
  return v.s;
}

namespace {

// Fit() of text without raw bytes.
void FitText(CodePage cp, std::string& s, size_t width) {
  if (s.size() > width) s.resize(CutOnBoundary(cp, s, width));
  if (s.size() < width) s.resize(width, ' ');
}

}  // namespace

void KeyExpression::AppendKey(const KeyRecord& record, std::string& out, std::string& scratch) const {
  const Node* n = root_.get();
  const Node* upper = nullptr;
  const Node* substr = nullptr;
  if (type_ == 'C' && n->kind == Node::Upper) {
    upper = n;
    n = n->left.get();
  }
  if (type_ == 'C' && n->kind == Node::Substr && n->left->kind == Node::Field) {
    substr = n;
    n = n->left.get();
  }
  if (type_ != 'C' || n->kind != Node::Field || n->type != 'C' || record.RawMask(n->field)) {
    out += Evaluate(record);
    return;
  }
  // The same steps as Evaluator::Eval takes for these nodes.
  std::string_view src = record.FieldBytes(n->field);
  if (substr) {
    size_t from = BoundaryAtOrAfter(cp_, src, size_t(substr->a - 1));
    std::string_view rest = src.substr(from);
    scratch.assign(rest.substr(0, CutOnBoundary(cp_, rest, size_t(substr->b))));
    FitText(cp_, scratch, size_t(substr->width));
  } else {
    scratch.assign(src);
    FitText(cp_, scratch, size_t(n->width));
  }
  if (upper) {
    if (!IsSingleByte(cp_)) UpperUtf8InPlace(scratch);
    else scratch = UpperKey(cp_, scratch);
    FitText(cp_, scratch, size_t(upper->width));
  }
  FitText(cp_, scratch, size_t(key_length_));
  out += scratch;
}

}  // namespace quillary::dbase
