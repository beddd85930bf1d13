// TEMPORARY SEAM until the locale-name module lands: the relative file name
// of a locale specification ("en_US.8859-1" -> "en_us/0333.lco") for the code
// sets of data/locales.list. Replaced by gl_lc_spec2lc_fname.
#include <cctype>
#include <cstdio>

#include "lcwrite.h"

namespace lcocomp {

std::string locale_file_name(const std::string &spec) {
  static const std::map<std::string, unsigned> numbers = {
      {"8859-1", 819},      {"utf8", 0xe01c},   {"cp1252", 1252}, {"8859-5", 915},
      {"8859-2", 912},      {"ujis", 0xe007},   {"sjis", 0xe006}, {"big5", 0xe008},
      {"gb", 0xe00d},       {"ksc", 0xe00c},    {"thai620", 0xe01d}, {"8859-8", 916},
      {"8859-6", 1089}};
  size_t dot = spec.find('.');
  if (dot != 5) fail(spec, "not a locale specification");
  std::string cs = spec.substr(dot + 1);
  auto it = numbers.find(cs);
  unsigned number = 0;
  if (it != numbers.end()) number = it->second;
  else if (cs.find_first_not_of("0123456789") == std::string::npos) number = std::stoul(cs);
  else fail(spec, "code set unknown to the build");
  std::string ll = spec.substr(0, 5);
  for (char &c : ll) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s/%04x.lco", ll.c_str(), number);
  return buf;
}

}  // namespace lcocomp
