// cvocomp: the conversion compiler. Reads two charmaps (the localedef format
// under /usr/share/i18n, with the locale compiler's charmap reader) and
// writes the conversion object files between their code sets, one for each
// direction. Every character of the source maps to the target's bytes for
// the same Unicode character; a character the target lacks maps to the
// target's stand-in (U+FFFD, else '?', else SUB) and is marked as a
// substitution, so that callers learn of it. One-way mappings (-w, the list
// data/oneway-mappings.list: "CHARMAP U+XXXX BYTES") give a character that
// the target's charmap lacks the bytes peers convert it to; they apply only
// into that charmap, so conversions out of it keep to the charmap.
//
//   cvocomp -i I18NDIR -m CHARMAP_A -n CHARMAP_B -o A_TO_B.cvo -r B_TO_A.cvo
//           [-O COPY_OF_A_TO_B] [-R COPY_OF_B_TO_A] [-w ONE_WAY_LIST]
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <memory>
#include <unistd.h>

#include "gl_conv.h"
#include "gl_multi.h"
#include "lcmodel.h"

using namespace lcocomp;

namespace {

// Element writer of conversion tries: the flag byte, then the target bytes
// it announces, as two hex digits each.
int write_element(FILE *f, const void *element, int) {
  const auto *e = static_cast<const unsigned char *>(element);
  int n = e[0] & GL_CV_LENGTH_MASK;
  if (std::fprintf(f, "%02x", e[0]) < 0) return -1;
  for (int i = 0; i < n; ++i)
    if (std::fprintf(f, "%02x", e[1 + i]) < 0) return -1;
  return 0;
}

struct Element {
  unsigned char flag = 0;
  std::string target;
};

std::string stand_in(const Charmap &target) {
  for (uint32_t u : {0xFFFDu, 0x3Fu, 0x1Au}) {
    auto it = target.bytes_of.find(u);
    if (it != target.bytes_of.end()) return it->second;
  }
  fail(target.name, "no stand-in character (U+FFFD, '?', SUB)");
}

// Unicode character -> target bytes, for the one charmap being written to.
using OneWay = std::map<uint32_t, std::string>;

// The one-way mappings of the list for charmap (the name given with -m/-n).
// A mapping for a character the charmap has, or bytes that are no character
// of it, is an error of the list.
OneWay read_one_way(const std::string &list, const std::string &charmap, const Charmap &target) {
  OneWay out;
  if (list.empty()) return out;
  std::ifstream in(list);
  if (!in) fail(list, std::strerror(errno));
  std::string line;
  for (int lineno = 1; std::getline(in, line); ++lineno) {
    std::istringstream fields(line);
    std::string cm, ucs, hex;
    if (!(fields >> cm) || cm[0] == '#') continue;
    std::string where = list + ":" + std::to_string(lineno);
    if (!(fields >> ucs >> hex) || ucs.size() < 3 || ucs.compare(0, 2, "U+") != 0 || hex.size() % 2 != 0 ||
        hex.size() > 8 || hex.empty())
      fail(where, "expected CHARMAP U+XXXX BYTES");
    if (cm != charmap) continue;
    uint32_t u = static_cast<uint32_t>(std::stoul(ucs.substr(2), nullptr, 16));
    std::string bytes;
    for (size_t i = 0; i < hex.size(); i += 2)
      bytes += static_cast<char>(std::stoul(hex.substr(i, 2), nullptr, 16));
    if (target.bytes_of.count(u) != 0) fail(where, "the charmap has this character");
    if (target.ucs_of.count(bytes) == 0) fail(where, "the bytes are no character of the charmap");
    out[u] = bytes;
  }
  return out;
}

std::map<std::string, Element> build_map(const Charmap &source, const Charmap &target, const OneWay &one_way) {
  const std::string substitute = stand_in(target);
  std::map<std::string, Element> map;
  for (const auto &[bytes, ucs] : source.ucs_of) {
    if (bytes.empty() || bytes.size() > GL_MULTI_MAX_KEY) continue;
    Element e;
    auto it = target.bytes_of.find(ucs);
    auto ow = one_way.find(ucs);
    bool found = it != target.bytes_of.end() || ow != one_way.end();
    e.target = it != target.bytes_of.end() ? it->second : ow != one_way.end() ? ow->second : substitute;
    if (e.target.size() > 4) fail(target.name, "target character longer than 4 bytes");
    e.flag = static_cast<unsigned char>(GL_CV_VALID | e.target.size());
    if (!found) e.flag |= GL_CV_SUBSTITUTION;
    if (ucs == 0) e.flag |= GL_CV_TERMINATOR;
    map.emplace(bytes, e);
  }
  return map;
}

void write_conversion(const Charmap &source, const Charmap &target, const OneWay &one_way,
                      const std::string &out) {
  std::map<std::string, Element> map = build_map(source, target, one_way);
  size_t smin = 4, smax = 1, tmin = 4, tmax = 1;
  double expansion = 0;
  for (const auto &[bytes, e] : map) {
    smin = std::min(smin, bytes.size());
    smax = std::max(smax, bytes.size());
    tmin = std::min(tmin, e.target.size());
    tmax = std::max(tmax, e.target.size());
    expansion = std::max(expansion, double(e.target.size()) / double(bytes.size()));
  }
  std::unique_ptr<gl_multi, decltype(&_gl_free_multi)> t(
      _gl_create_multi(static_cast<int>(1 + tmax), GL_MULTI_INMEMORY, nullptr), _gl_free_multi);
  if (!t) fail(out, "out of memory");
  for (const auto &[bytes, e] : map) {
    unsigned char key[1 + GL_MULTI_MAX_KEY], element[5] = {};
    key[0] = static_cast<unsigned char>(bytes.size());
    bytes.copy(reinterpret_cast<char *>(key + 1), bytes.size());
    element[0] = e.flag;
    e.target.copy(reinterpret_cast<char *>(element + 1), e.target.size());
    if (_gl_insert_desc_multi(key, element, t.get()) != 0)
      warn(source.name, "character refused by the trie (a prefix of another?)");
  }
  std::string tmp = out + ".tmp";
  FILE *f = std::fopen(tmp.c_str(), "w");
  if (!f) fail(out, std::strerror(errno));
  std::fprintf(f, "FILE_TYPE=codeset_conversion_object\nCOMPILER_VERSION=9\nHEADER_LINES=5\n");
  std::fprintf(f, "SOURCE=%s\nTARGET=%s\n", source.name.c_str(), target.name.c_str());
  std::fprintf(f, "0 0\n0\n0\n0\n0\n");  // stateless; no shift sequences
  std::fprintf(f, "%zu %zu 0 0 %zu %zu 0\n%.6g\n", tmin, tmax, smin, smax, expansion);
  if (_gl_compress_multi(t.get()) != 0 || _gl_fprintf_multi(f, t.get(), write_element) != 0)
    fail(out, "cannot write the conversion trie");
  if (std::fclose(f) != 0 || std::rename(tmp.c_str(), out.c_str()) != 0) fail(out, "cannot write");
}

void copy_to(const std::string &from, const std::string &to) {
  if (!to.empty() &&
      !std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing))
    fail(to, "cannot write");
}

int usage() {
  std::cerr << "usage: cvocomp -i I18NDIR -m CHARMAP_A -n CHARMAP_B -o A_TO_B -r B_TO_A"
               " [-O COPY_A_TO_B] [-R COPY_B_TO_A] [-w ONE_WAY_LIST]\n";
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  std::string i18n, a, b, ab, ba, ab_copy, ba_copy, one_way;
  int opt;
  while ((opt = getopt(argc, argv, "i:m:n:o:r:O:R:w:")) != -1) {
    switch (opt) {
      case 'i': i18n = optarg; break;
      case 'm': a = optarg; break;
      case 'n': b = optarg; break;
      case 'o': ab = optarg; break;
      case 'r': ba = optarg; break;
      case 'O': ab_copy = optarg; break;
      case 'R': ba_copy = optarg; break;
      case 'w': one_way = optarg; break;
      default: return usage();
    }
  }
  if (i18n.empty() || a.empty() || b.empty() || ab.empty() || ba.empty()) return usage();
  Charmap ca = read_charmap(charmap_path(i18n, a));
  Charmap cb = read_charmap(charmap_path(i18n, b));
  write_conversion(ca, cb, read_one_way(one_way, b, cb), ab);
  write_conversion(cb, ca, read_one_way(one_way, a, ca), ba);
  copy_to(ab, ab_copy);
  copy_to(ba, ba_copy);
  return 0;
}
