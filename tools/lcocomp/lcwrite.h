// Back end of the locale compiler: the locale file writer and the trie
// writer it uses.
#ifndef LCOCOMP_LCWRITE_H
#define LCOCOMP_LCWRITE_H

#include <cstdio>
#include <string>

#include "lcmodel.h"

namespace lcocomp {

struct WriteRequest {
  std::string name;     // locale name as listed, e.g. "en_US.8859-1"
  std::string source;   // source locale file, e.g. "en_US"
  std::string codeset;  // registry name of the code set, e.g. "8859-1"
  std::string folded;   // where to list the characters whose weights were folded, or ""
};

// Writes the whole locale file.
void write_locale(FILE *f, const WriteRequest &req, const Locale &loc, const Charmap &cm);

// Scripts whose collation weights are kept exact when a level must be folded.
std::set<std::string> kept_scripts(const Locale &loc);

// Lines of white-space separated items are joined into lines of about this
// many bytes (whole items; the last line end is kept).
constexpr size_t kLongLine = 4000;
std::string long_lines(std::string items);

// Writes a byte trie mapping each character (its bytes) to a 16-bit value,
// compressed, with the locale library's trie writer.
void write_trie(FILE *f, const std::map<std::string, uint16_t> &entries, uint16_t deflt);

}  // namespace lcocomp

#endif
