// lcocomp: the locale compiler. Reads a POSIX locale source and a charmap
// (the localedef formats under /usr/share/i18n), an optional overlay of the
// project's own (calendar, Thai collation kind, month names), and writes one
// locale file for the locale library.
//
//   lcocomp -i I18NDIR -l SOURCE -m CHARMAP -c CODESET -n NAME [-O OVERLAY]
//           (-o FILE | -d DATADIR) [-a ALSO]
// With -d the file goes to DATADIR/<file name of NAME>, e.g. en_us/0333.lco;
// -a writes a second copy (default.lco).
#include <cstring>
#include <filesystem>
#include <iostream>
#include <unistd.h>

#include "lcwrite.h"

using namespace lcocomp;

namespace {

int usage() {
  std::cerr << "usage: lcocomp -i I18NDIR -l SOURCE -m CHARMAP -c CODESET -n NAME [-O OVERLAY] (-o OUT | -d DATADIR) [-a ALSO]\n";
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  std::string i18n, source, charmap, overlay, out, datadir, also;
  WriteRequest req;
  int opt;
  while ((opt = getopt(argc, argv, "i:l:m:c:n:O:o:d:a:")) != -1) {
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
      default: return usage();
    }
  }
  if (i18n.empty() || source.empty() || charmap.empty() || req.codeset.empty() ||
      (out.empty() && datadir.empty()))
    return usage();
  req.source = source;
  if (req.name.empty()) req.name = source + "." + req.codeset;
  if (out.empty()) {
    out = datadir + "/" + locale_file_name(req.name);
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
