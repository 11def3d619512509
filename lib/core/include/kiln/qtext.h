/// \file
/// Character-set and small text conversions.
#pragma once

/// Copies `source` to `destination` with '+' turned into a blank and '%'
/// with two hex digits turned into that byte; a '%' with fewer than two
/// characters after it is copied as it is. Returns 0.
int QURLDecode(const char *source, char *destination);

/// Value of '0'-'9', 'A'-'F', 'a'-'f'; 0 for anything else.
int QHexDigit(int c);

/// A length byte followed by the characters (no terminator), in a buffer
/// shared by all calls; texts of 256 characters or more are cut to 255.
const unsigned char *QC2Pascal(const char *text);

/// The text after the last '.' that has at least one character after it,
/// or null.
const char *QFileExtension(const char *path);

/// Removes trailing carriage returns and line feeds; returns the new length.
int QStripCRLF(char *text);

/// The Latin-1 letter without its accent ('e' for 'é'); other codes as they
/// are.
int QStripAccent(int c);
/// The upper-case Latin-1 letter of a code (0-255); others as they are.
int QToUpperLatin1(int c);
/// The lower-case Latin-1 letter of a code (0-255); others as they are.
int QToLowerLatin1(int c);
/// Turns every Latin-1 letter of the text to upper case, in place.
void QStrUpperLatin1(char *text);
