// What kiln-tape does with a tape's bytes, apart from reading and writing
// files: listing, checking, cutting and comparing.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kiln::tape {

// Each record (offset, number, name, data size, its first data bytes in
// hex), any damage, and the totals; false for a damaged tape.
bool ListTape(std::string_view bytes, FILE *out);

// "NAME: N records, B bytes, sound", or each damage with its offset and how
// many records from the start are sound; false for a damaged tape.
bool CheckTape(const std::string &name, std::string_view bytes, FILE *out);

// The bytes of the first `count` records, which make a sound tape by
// themselves; false (with the reason) when the tape has fewer sound records.
bool CutTape(std::string_view bytes, long count, std::string *kept, std::string *error);

// Where two tapes first differ, record by record; true when they hold the
// same records. A damaged tape is compared as far as its sound records go.
bool DiffTapes(const std::string &nameA, std::string_view a, const std::string &nameB, std::string_view b,
               FILE *out);

}  // namespace kiln::tape
