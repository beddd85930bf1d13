// Byte tries of the locale file, built and written with the locale library's
// own multi-level table code, so that the loader reads exactly what the
// compiler wrote.
#include <memory>

#include "gl_multi.h"
#include "lcwrite.h"

namespace lcocomp {

void write_trie(FILE *f, const std::map<std::string, uint16_t> &entries, uint16_t deflt) {
  std::unique_ptr<gl_multi, decltype(&_gl_free_multi)> t(
      _gl_create_multi(sizeof(uint16_t), GL_MULTI_INMEMORY, &deflt), _gl_free_multi);
  if (!t) fail("trie", "out of memory");
  for (const auto &[bytes, value] : entries) {
    if (bytes.empty() || bytes.size() > GL_MULTI_MAX_KEY) continue;
    unsigned char key[1 + GL_MULTI_MAX_KEY];
    key[0] = static_cast<unsigned char>(bytes.size());
    bytes.copy(reinterpret_cast<char *>(key + 1), bytes.size());
    if (_gl_insert_desc_multi(key, &value, t.get()) != 0)
      fail("trie", "character refused by the trie (a prefix of another?)");
  }
  if (_gl_compress_multi(t.get()) != 0 || _gl_fprintf_multi(f, t.get(), _gl_multi_write_u16) != 0)
    fail("trie", "cannot write the table");
}

}  // namespace lcocomp
