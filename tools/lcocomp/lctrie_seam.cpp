// TEMPORARY SEAM until the locale library's trie writer lands: writes a flat
// listing so that the front end can be exercised. Replaced by lctrie.cpp.
#include "lcwrite.h"
namespace lcocomp {
void write_trie(FILE *f, const std::map<std::string, uint16_t> &entries, uint16_t deflt) {
  std::fprintf(f, "TRIE %zu %04x\n", entries.size(), deflt);
  (void)entries;
}
}
