// Character-set and small text conversions.
#pragma once

// Copies `source` to `destination` with '+' turned into a blank and '%'
// with two hex digits turned into that byte; a '%' with fewer than two
// characters after it is copied as it is. Returns 0.
int QURLDecode(const char *source, char *destination);

// Value of '0'-'9', 'A'-'F', 'a'-'f'; 0 for anything else.
int QHexDigit(int c);

// A length byte followed by the characters (no terminator), in a buffer
// shared by all calls; texts of 256 characters or more are cut to 255.
const unsigned char *QC2Pascal(const char *text);

// The text after the last '.' that has at least one character after it,
// or null.
const char *QFileExtension(const char *path);

// Removes trailing carriage returns and line feeds; returns the new length.
int QStripCRLF(char *text);

// Latin-1 character conversions (codes 0-255).
int QStripAccent(int c);
int QToUpperLatin1(int c);
int QToLowerLatin1(int c);
void QStrUpperLatin1(char *text);
