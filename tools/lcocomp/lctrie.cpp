// Byte tries of the locale file, built and written with the locale library's
// own multi-level table code, so that the loader reads exactly what the
// compiler wrote.
#include <cstdlib>
#include <memory>
#include <string>

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
  // The table's text is written into memory first and then put out in
  // long lines: the loader takes a file line by line through its stream
  // hook, and a trie written a node or a run per line is most of the lines.
  char *text = nullptr;
  size_t size = 0;
  FILE *mem = open_memstream(&text, &size);
  if (mem == nullptr) fail("trie", "out of memory");
  const bool written = _gl_compress_multi(t.get()) == 0 && _gl_fprintf_multi(mem, t.get(), _gl_multi_write_u16) == 0;
  const bool closed = std::fclose(mem) == 0;
  std::string items(text != nullptr ? text : "", size);
  std::free(text);
  if (!written || !closed) fail("trie", "cannot write the table");
  std::fputs(long_lines(items).c_str(), f);
}

std::string long_lines(std::string items) {
  // Every line end but the last becomes a space, except one roughly every
  // kLongLine bytes; the items are white-space separated, so the reader
  // reads them exactly as before.
  size_t line_start = 0;
  for (size_t i = 0; i + 1 < items.size(); ++i) {
    if (items[i] != '\n') continue;
    if (i - line_start >= kLongLine)
      line_start = i + 1;
    else
      items[i] = ' ';
  }
  return items;
}

}  // namespace lcocomp
