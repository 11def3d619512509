// Eval(): a recursive-descent parser that emits its operations in postfix
// order into a list of 40, which then run on a stack of 40 integers.
#include <kiln/qeval.h>

#include <kiln/qdebug.h>

#include <cstdint>

namespace {

constexpr int kMaxOperations = 40;
constexpr int kMaxNesting = 40;

enum class Op : uint8_t { kPush, kNegate, kNot, kOr, kAnd, kXor, kAdd, kSubtract, kMultiply, kDivide, kRemainder };

struct Operation {
  Op op;
  uint32_t value;
};

class Parser {
public:
  explicit Parser(const char *text) : at(text) {}

  // Parses as much of the text as forms an expression; false when the
  // operation list or the nesting overflowed.
  bool Parse() {
    Expression();
    return !overflow;
  }

  int Run() const;

private:
  // The binding levels of the two-operand operators, lowest first.
  static constexpr int kLevelCount = 4;
  static int LevelOf(char c) {
    switch (c) {
      case '|': return 0;
      case '&': case '^': return 1;
      case '+': case '-': return 2;
      case '*': case 'x': case '/': case '%': return 3;
      default: return -1;
    }
  }

  bool Expression() { return Level(0); }

  // Each level returns false when it found no operand, which ends parsing;
  // an operator without its right operand is dropped.
  bool Level(int level) {
    if (level == kLevelCount) return Primary();
    if (!Level(level + 1)) return false;
    for (char c; LevelOf(c = Peek()) == level;) {
      ++at;
      if (!Level(level + 1)) return true;
      Emit(BinaryOp(c));
    }
    return true;
  }

  static Op BinaryOp(char c) {
    switch (c) {
      case '|': return Op::kOr;
      case '&': return Op::kAnd;
      case '^': return Op::kXor;
      case '+': return Op::kAdd;
      case '-': return Op::kSubtract;
      case '/': return Op::kDivide;
      case '%': return Op::kRemainder;
      default: return Op::kMultiply;  // '*' and 'x'
    }
  }

  bool Primary() {
    if (stopped) return false;
    char c = Peek();
    if (c >= '0' && c <= '9') return Number();
    if (c == '$') {
      ++at;
      return Digits(16);
    }
    if (c == '#') {
      ++at;
      return Digits(2);
    }
    if (c == '(' || c == '-' || c == '~' || c == '+') {
      if (++depth > kMaxNesting) return Fail();
      ++at;
      // A sign applies to all that follows up to the end of the group.
      bool found = Expression();
      if (c == '(' && Peek() == ')') ++at;
      --depth;
      if (!found) return false;
      if (c == '-') Emit(Op::kNegate);
      if (c == '~') Emit(Op::kNot);
      return true;
    }
    stopped = true;
    return false;
  }

  bool Number() {
    if (*at != '0') return Digits(10);
    ++at;
    if (*at == 'x' || *at == 'X') {
      ++at;
      return Digits(16);
    }
    return Digits(8);
  }

  // Digits of the base (none is zero); values wrap at 32 bits.
  bool Digits(uint32_t base) {
    uint32_t value = 0;
    for (;; ++at) {
      uint32_t digit;
      char c = *at;
      if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
      else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
      else break;
      if (digit >= base) break;
      value = value * base + digit;
    }
    Emit(Op::kPush, value);
    return true;
  }

  char Peek() {
    while (*at == ' ') ++at;
    return *at;
  }

  void Emit(Op op, uint32_t value = 0) {
    if (count == kMaxOperations) {
      Fail();
      return;
    }
    operations[count++] = {op, value};
  }

  bool Fail() {
    overflow = true;
    stopped = true;
    return false;
  }

  const char *at;
  Operation operations[kMaxOperations];
  int count = 0;
  int depth = 0;
  bool stopped = false;
  bool overflow = false;
};

int32_t Signed(uint32_t value) { return static_cast<int32_t>(value); }

// Division as the platform's, but with 0 for a zero divisor and the wrapped
// result for the one quotient that does not fit.
uint32_t Divide(uint32_t a, uint32_t b, bool remainder) {
  if (b == 0) return 0;
  if (Signed(a) == INT32_MIN && Signed(b) == -1) return remainder ? 0 : a;
  return static_cast<uint32_t>(remainder ? Signed(a) % Signed(b) : Signed(a) / Signed(b));
}

int Parser::Run() const {
  uint32_t stack[kMaxOperations];
  int top = 0;
  for (int i = 0; i < count; ++i) {
    const Operation &operation = operations[i];
    switch (operation.op) {
      case Op::kPush: stack[top++] = operation.value; continue;
      case Op::kNegate: stack[top - 1] = 0u - stack[top - 1]; continue;
      case Op::kNot: stack[top - 1] = ~stack[top - 1]; continue;
      default: break;
    }
    uint32_t b = stack[--top];
    uint32_t &a = stack[top - 1];
    switch (operation.op) {
      case Op::kOr: a |= b; break;
      case Op::kAnd: a &= b; break;
      case Op::kXor: a ^= b; break;
      case Op::kAdd: a += b; break;
      case Op::kSubtract: a -= b; break;
      case Op::kMultiply: a *= b; break;
      case Op::kDivide: a = Divide(a, b, false); break;
      case Op::kRemainder: a = Divide(a, b, true); break;
      default: break;
    }
  }
  return top > 0 ? Signed(stack[top - 1]) : 0;
}

}  // namespace

int Eval(const char *text) {
  if (!text) {
    qwarn("Eval() is passed 0-pointer");
    return 0;
  }
  Parser parser(text);
  if (!parser.Parse()) return 0;
  return parser.Run();
}
