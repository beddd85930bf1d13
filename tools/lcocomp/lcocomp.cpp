// lcocomp: the locale compiler. Reads a POSIX locale source and a charmap
// (the localedef formats under /usr/share/i18n), an optional overlay of the
// project's own (calendar, Thai collation kind, month names), and writes one
// locale file for the locale library.
//
//   lcocomp -i I18NDIR -l SOURCE -m CHARMAP -c CODESET -n NAME [-O OVERLAY]
//           (-o FILE | -d DATADIR) [-a ALSO] [-F FOLDED]
// With -d the file goes to DATADIR/<file name of NAME>, e.g. en_us/0333.lco;
// -a writes a second copy (default.lco); -F lists the characters whose
// collation weights were folded (see lccollate.cpp) and those the collation
// order leaves out, for the tests. File names and code-set numbers come
// from the locale library's own registry and file-name functions (its
// built-in registry, from which the installed registry file is written), so
// the files land where the library looks for them.
#include <cstring>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "gl_names.h"
#include "lcwrite.h"

using namespace lcocomp;

namespace {

// Relative file name of a locale specification ("en_US.8859-1" ->
// "en_us/0333.lco"); the header's code-set name must name the same code set.
std::string locale_file_name(const std::string &spec, const std::string &codeset) {
  gls_registry_array_cache = gls_canned_registry;
  int error = 0;
  char out[GL_OUT_BUFSIZE];
  if (gl_lc_spec2lc_fname(&error, spec.c_str(), out, nullptr, nullptr) != 0)
    fail(spec, "not a locale specification of a registered code set (error " + std::to_string(error) + ")");
  unsigned spec_number = gl_lc_spec2cs_num(&error, spec.c_str(), nullptr);
  unsigned number = gl_cs_name2cs_num(&error, codeset.c_str(), nullptr);
  if (number == GL_CS_INVALID || number != spec_number)
    fail(spec, "code set " + codeset + " is not the code set of the specification");
  return out;
}

int usage() {
  std::cerr << "usage: lcocomp -i I18NDIR -l SOURCE -m CHARMAP -c CODESET -n NAME [-O OVERLAY] (-o OUT | -d DATADIR) [-a ALSO] [-F FOLDED]\n";
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  std::string i18n, source, charmap, overlay, out, datadir, also;
  WriteRequest req;
  int opt;
  while ((opt = getopt(argc, argv, "i:l:m:c:n:O:o:d:a:F:")) != -1) {
    switch (opt) {
      case 'i': i18n = optarg; break;
      case 'l': source = optarg; break;
      case 'm': charmap = optarg; break;
      case 'c': req.codeset = optarg; break;
      case 'n': req.name = optarg; break;
      case 'O': overlay = optarg; break;
      case 'o': out = optarg; break;
      case 'd': datadir = optarg; break;
      case 'a': also = optarg; break;
      case 'F': req.folded = optarg; break;
      default: return usage();
    }
  }
  if (i18n.empty() || source.empty() || charmap.empty() || req.codeset.empty() ||
      (out.empty() && datadir.empty()))
    return usage();
  req.source = source;
  if (req.name.empty()) req.name = source + "." + req.codeset;
  std::string file_name = locale_file_name(req.name, req.codeset);
  if (out.empty()) {
    out = datadir + "/" + file_name;
    std::filesystem::create_directories(std::filesystem::path(out).parent_path());
  }
  Charmap cm = read_charmap(charmap_path(i18n, charmap));
  Locale loc;
  read_locale(i18n + "/locales", source, overlay, loc);
  std::string tmp = out + ".tmp";
  FILE *f = std::fopen(tmp.c_str(), "w");
  if (!f) fail(out, std::strerror(errno));
  write_locale(f, req, loc, cm);
  if (std::fclose(f) != 0 || std::rename(tmp.c_str(), out.c_str()) != 0) fail(out, "cannot write");
  if (!also.empty() &&
      !std::filesystem::copy_file(out, also, std::filesystem::copy_options::overwrite_existing))
    fail(also, "cannot write");
  return 0;
}
