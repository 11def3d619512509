/// \file
/// The integer expression evaluator through which every number is read from
/// text: decimal, "0x" and "$" hexadecimal, leading-zero octal, "#" binary,
/// and the operators | & ^ + - * x / % with unary - ~ + and parentheses.
#pragma once

/// The value as a signed 32-bit integer that wraps on overflow. Parsing stops
/// at the first character that continues no rule; empty text gives 0, and so
/// does an expression of more than 40 operations.
int Eval(const char *text);
