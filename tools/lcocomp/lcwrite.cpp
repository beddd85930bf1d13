// Back end of the locale compiler: writes one locale file (".lco") from the
// model, in the text format the locale library's loader reads: the header,
// then the sections LC_CTYPE, LC_COLLATE, LC_NUMERIC, LC_MONETARY, LC_TIME and
// LC_MESSAGES. Strings are converted to the code set through the charmap;
// tries are written by the locale library's own trie writer (lctrie.cpp).
#include "lcwrite.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace lcocomp {

namespace {

const std::map<std::string, std::string> kEmpty;

// ---- Strings in the code set -------------------------------------------------

struct Encoder {
  const Charmap &cm;
  const Ctype &ct;
  std::string where;

  // Bytes of a Unicode string; a blank missing from the code set becomes a
  // space, any other missing character is dropped with a warning.
  std::string bytes(const U32String &s, bool *lossy = nullptr) const {
    std::string out;
    for (uint32_t u : s) {
      auto b = cm.bytes_of.find(u);
      if (b != cm.bytes_of.end()) { out += b->second; continue; }
      if (u < ct.mask.size() && (ct.mask[u] & (1u << 4 | 1u << 10))) { out += ' '; continue; }
      if (lossy) *lossy = true;
      char buf[32];
      std::snprintf(buf, sizeof buf, "U+%04X", u);
      warn(where, std::string("character ") + buf + " is not in the code set, dropped");
    }
    return out;
  }
};

void put_string(FILE *f, const std::string &b) {
  std::fprintf(f, "%zu", b.size());
  if (!b.empty()) std::fputc(' ', f);
  for (unsigned char c : b) std::fprintf(f, "%02x", c);
  std::fputc('\n', f);
}

U32String item(const Items &items, const char *key, size_t i = 0) {
  auto it = items.find(key);
  if (it == items.end() || i >= it->second.size()) return {};
  return it->second[i];
}

std::string ascii(const U32String &s) {
  std::string out;
  for (uint32_t u : s) out += static_cast<char>(u);
  return out;
}

long number(const Items &items, const char *key) {
  U32String v = item(items, key);
  return v.empty() ? -1 : std::strtol(ascii(v).c_str(), nullptr, 10);
}

void put_grouping(FILE *f, const Items &items, const char *key) {
  auto it = items.find(key);
  std::vector<long> sizes;
  if (it != items.end())
    for (const U32String &v : it->second) sizes.push_back(std::strtol(ascii(v).c_str(), nullptr, 10));
  if (sizes.size() > 15) sizes.resize(15);
  std::fprintf(f, "%zu", sizes.size());
  for (long s : sizes) std::fprintf(f, " %ld", s);
  std::fputc('\n', f);
}

// ---- LC_CTYPE ------------------------------------------------------------------

uint64_t wide_of(const std::string &b) {
  uint64_t v = 0;
  for (unsigned char c : b) v = (v << 8) | c;
  return v;
}

// Extra classes: full_width (from the charmap) first, then the classes the
// locale itself declares before those of the files it copies, at most 5.
std::vector<std::pair<std::string, std::set<std::string>>> extra_classes(const Charmap &cm,
                                                                         const Ctype &ct) {
  std::vector<std::pair<std::string, std::set<std::string>>> out;
  if (!cm.double_width.empty()) out.emplace_back("full_width", cm.double_width);
  std::vector<const ExtraClass *> order;
  for (const auto &e : ct.extra) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(), [](const ExtraClass *a, const ExtraClass *b) {
    return a->depth != b->depth ? a->depth < b->depth : a->order < b->order;
  });
  for (const ExtraClass *e : order) {
    if (out.size() == 5) {
      warn(cm.name, "class " + e->name + " left out: at most 5 extra classes");
      continue;
    }
    std::set<std::string> members;
    for (uint32_t u : e->members)
      if (auto b = cm.bytes_of.find(u); b != cm.bytes_of.end()) members.insert(b->second);
    out.emplace_back(e->name, members);
  }
  return out;
}

void write_ctype(FILE *f, const Charmap &cm, const Ctype &ct) {
  auto extra = extra_classes(cm, ct);
  std::map<std::string, uint16_t> cls;
  for (const auto &[b, u] : cm.ucs_of) {
    uint16_t m = u < ct.mask.size() ? ct.mask[u] : 0;
    for (size_t i = 0; i < extra.size(); ++i)
      if (extra[i].second.count(b)) m |= static_cast<uint16_t>(0x0800u << i);
    cls[b] = m;
  }
  write_trie(f, cls, 0);
  std::fprintf(f, "%zu\n", extra.size());
  for (size_t i = 0; i < extra.size(); ++i) std::fprintf(f, "%zu %s\n", i, extra[i].first.c_str());

  // Case pairs: one (upper, lower) pair per character that maps either way.
  std::map<std::pair<uint64_t, uint64_t>, uint16_t> pair_index;
  std::map<std::string, uint16_t> cases;
  double factor = 1.0;
  auto mapped = [&](const std::map<uint32_t, uint32_t> &m, uint32_t u, const std::string &self) {
    auto it = m.find(u);
    if (it == m.end()) return self;
    auto b = cm.bytes_of.find(it->second);
    return b == cm.bytes_of.end() ? self : b->second;
  };
  for (const auto &[b, u] : cm.ucs_of) {
    std::string up = mapped(ct.toupper, u, b), low = mapped(ct.tolower, u, b);
    uint16_t idx = 0;
    if (up != b || low != b) {
      auto key = std::make_pair(wide_of(up), wide_of(low));
      auto [it, fresh] = pair_index.emplace(key, static_cast<uint16_t>(pair_index.size() + 1));
      if (pair_index.size() > 0xFFFF) fail(cm.name, "more than 65535 case pairs");
      idx = it->second;
      factor = std::max({factor, double(up.size()) / b.size(), double(low.size()) / b.size()});
    }
    cases[b] = idx;
  }
  write_trie(f, cases, 0);
  std::vector<std::pair<uint64_t, uint64_t>> pairs(pair_index.size());
  for (const auto &[p, i] : pair_index) pairs[i - 1] = p;
  // The pairs in long lines; the factor ends the last pair's line.
  std::string text = std::to_string(pairs.size());
  size_t line_start = 0;
  char item[40];
  for (const auto &[u, l] : pairs) {
    const bool new_line = text.size() - line_start >= kLongLine || line_start == 0;
    text += new_line ? '\n' : ' ';
    if (new_line) line_start = text.size();
    std::snprintf(item, sizeof item, "%08llx %08llx", (unsigned long long)u, (unsigned long long)l);
    text += item;
  }
  std::fprintf(f, "%s %g\n", text.c_str(), factor);
}

// ---- LC_COLLATE ----------------------------------------------------------------

void write_collate(FILE *f, const CollTable &t, const Charmap &cm) {
  std::fputs("as_specified\n", f);
  write_trie(f, t.row_of, 0);
  std::fprintf(f, "0 %zu %d %zu %zu %u\n", t.rows.size() - 1, t.levels, t.elements.size(),
               t.expansions.size(), t.max_weight);
  for (int d : t.directions) std::fprintf(f, "%04x ", d);
  std::fputc('\n', f);
  // Collating elements and expansions, one per line, joined into long lines.
  std::string sequences;
  char item[32];
  auto put_codes = [&](const std::vector<std::string> &chars) {
    for (const std::string &b : chars) {
      std::snprintf(item, sizeof item, " %08llx", (unsigned long long)wide_of(b));
      sequences += item;
    }
    sequences += '\n';
  };
  for (const auto &[chars, row] : t.elements) {
    std::snprintf(item, sizeof item, "%zx %04x", chars.size(), row);
    sequences += item;
    put_codes(chars);
  }
  for (const auto &chars : t.expansions) {
    std::snprintf(item, sizeof item, "%zx", chars.size());
    sequences += item;
    put_codes(chars);
  }
  std::fputs(long_lines(std::move(sequences)).c_str(), f);
  (void)cm;
  // The weight rows, many to a line: each weight is four digits after one
  // white-space byte, as the loader's fast path reads them.
  std::string rows;
  size_t line_start = 0;
  char weight[8];
  for (const auto &row : t.rows)
    for (uint16_t w : row) {
      if (!rows.empty()) {
        const bool new_line = rows.size() - line_start >= kLongLine;
        rows += new_line ? '\n' : ' ';
        if (new_line) line_start = rows.size();
      }
      std::snprintf(weight, sizeof weight, "%04x", w);
      rows += weight;
    }
  rows += '\n';
  std::fputs(rows.c_str(), f);
}

// ---- LC_TIME -------------------------------------------------------------------

// glibc's conversions that the kit's time formatter lacks are rewritten to
// their nearest kit form: %k -> %H, %l -> %I, %P -> %p; time-zone names (%Z,
// %z) are left out with the blank before them.
U32String kit_time_format(const U32String &in) {
  U32String out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '%' || i + 1 >= in.size()) { out.push_back(in[i]); continue; }
    uint32_t c = in[i + 1];
    ++i;
    if (c == 'Z' || c == 'z') {
      if (!out.empty() && out.back() == ' ') out.pop_back();
      continue;
    }
    out.push_back('%');
    out.push_back(c == 'k' ? 'H' : c == 'l' ? 'I' : c == 'P' ? 'p' : c);
  }
  return out;
}

// glibc era "dir:offset:start:end:name:format" gains the abbreviated name
// the kit's format has between the name and the year format.
U32String kit_era(const U32String &era) {
  U32String out;
  int colons = 0;
  size_t name_start = 0;
  for (size_t i = 0; i < era.size(); ++i) {
    out.push_back(era[i]);
    if (era[i] != ':' || colons >= 5) continue;
    if (++colons == 4) name_start = i + 1;
    if (colons == 5) out.insert(out.end(), era.begin() + name_start, era.begin() + i + 1);
  }
  return out;
}

void put_list(FILE *f, const Encoder &enc, const Items &items, const char *key, size_t want,
              bool counted) {
  auto it = items.find(key);
  size_t n = it == items.end() ? 0 : it->second.size();
  if (want) n = want;
  if (counted) std::fprintf(f, "%zu\n", n);
  for (size_t i = 0; i < n; ++i) put_string(f, enc.bytes(item(items, key, i)));
}

void write_time(FILE *f, const Encoder &enc, const Items &t) {
  U32String cal = item(t, "calendar");
  std::fprintf(f, "%s\n", cal.empty() ? "gregorian" : ascii(cal).c_str());
  put_list(f, enc, t, "abday", 7, false);
  put_list(f, enc, t, "day", 7, false);
  put_list(f, enc, t, "abmon", 0, true);
  put_list(f, enc, t, "mon", 0, true);
  for (const char *k : {"d_t_fmt", "d_fmt", "t_fmt"}) put_string(f, enc.bytes(kit_time_format(item(t, k))));
  put_string(f, enc.bytes(item(t, "am_pm", 0)));
  put_string(f, enc.bytes(item(t, "am_pm", 1)));
  put_string(f, enc.bytes(kit_time_format(item(t, "t_fmt_ampm"))));
  auto eras = t.find("era");
  size_t ne = eras == t.end() ? 0 : eras->second.size();
  std::fprintf(f, "%zu\n", ne);
  for (size_t i = 0; i < ne; ++i) put_string(f, enc.bytes(kit_era(eras->second[i])));
  for (const char *k : {"era_d_fmt", "era_t_fmt", "era_d_t_fmt"})
    put_string(f, enc.bytes(kit_time_format(item(t, k))));
  put_list(f, enc, t, "alt_digits", 0, true);
}

// ---- The other sections ----------------------------------------------------------

void write_numeric(FILE *f, const Encoder &enc, const Locale &loc) {
  put_string(f, enc.bytes(item(loc.numeric, "decimal_point")));
  put_string(f, enc.bytes(item(loc.numeric, "thousands_sep")));
  put_grouping(f, loc.numeric, "grouping");
  // The sources give signs for money only; numbers use the same ones.
  put_string(f, enc.bytes(item(loc.monetary, "positive_sign")));
  put_string(f, enc.bytes(item(loc.monetary, "negative_sign")));
}

void write_monetary(FILE *f, const Encoder &enc, const Items &m) {
  put_string(f, enc.bytes(item(m, "int_curr_symbol")));
  // A currency sign missing from the code set falls back to the
  // international symbol without its separator ("EUR" for the euro sign).
  bool lossy = false;
  std::string cur = enc.bytes(item(m, "currency_symbol"), &lossy);
  if (lossy) {
    cur = enc.bytes(item(m, "int_curr_symbol"));
    while (!cur.empty() && (cur.back() == ' ' || cur.back() == '\xa0')) cur.pop_back();
  }
  put_string(f, cur);
  put_string(f, enc.bytes(item(m, "mon_decimal_point")));
  put_string(f, enc.bytes(item(m, "mon_thousands_sep")));
  put_grouping(f, m, "mon_grouping");
  put_string(f, enc.bytes(item(m, "positive_sign")));
  put_string(f, enc.bytes(item(m, "negative_sign")));
  for (const char *k : {"int_frac_digits", "frac_digits", "p_cs_precedes", "p_sep_by_space",
                        "n_cs_precedes", "n_sep_by_space", "p_sign_posn", "n_sign_posn"})
    std::fprintf(f, "%ld\n", number(m, k));
}

void write_messages(FILE *f, const Encoder &enc, const Items &m) {
  for (const char *k : {"yesexpr", "noexpr", "yesstr", "nostr"}) put_string(f, enc.bytes(item(m, k)));
}

// The characters whose weights were folded and those the order does not
// name (placed at UNDEFINED, else after every other), those exact at the
// first level only through an expansion and those approximated there, one
// per line as hexadecimal bytes and "folded", "unordered", "expansion" or
// "approximate", for the tests that compare collation with glibc's.
void write_folded(const std::string &path, const CollTable &t) {
  if (path.empty()) return;
  FILE *f = std::fopen(path.c_str(), "w");
  if (!f) fail(path, "cannot write");
  const std::pair<const std::set<std::string> *, const char *> lists[] = {
      {&t.folded_chars, "folded"},
      {&t.unordered_chars, "unordered"},
      {&t.expansion_chars, "expansion"},
      {&t.approximate_chars, "approximate"}};
  for (const auto &[set, what] : lists)
    for (const std::string &b : *set) {
      for (unsigned char c : b) std::fprintf(f, "%02x", c);
      std::fprintf(f, " %s\n", what);
    }
  if (std::fclose(f) != 0) fail(path, "cannot write");
}

}  // namespace

std::set<std::string> kept_scripts(const Locale &loc) {
  std::set<std::string> kept = {"", "SPECIAL", "LATIN"};
  std::set<uint32_t> used;
  for (const char *k : {"mon", "abmon", "day", "abday"})
    if (auto it = loc.time.find(k); it != loc.time.end())
      for (const U32String &s : it->second) used.insert(s.begin(), s.end());
  for (const CollEntry &e : loc.collate.entries)
    if (e.kind == CollEntry::Char && used.count(e.ucs)) kept.insert(e.section);
  return kept;
}

void write_locale(FILE *f, const WriteRequest &req, const Locale &loc, const Charmap &cm) {
  Encoder enc{cm, loc.ctype, req.name};
  std::fprintf(f, "FILE_TYPE=locale_object\nCOMPILER_VERSION=11\nHEADER_LINES=6\n");
  std::fprintf(f, "LOCALE=%s\nSOURCE=%s %s\n", req.name.c_str(), req.source.c_str(), cm.name.c_str());
  std::fprintf(f, "GENERATOR=lcocomp\n%s\n", req.codeset.c_str());
  std::fputs("### LC_CTYPE\n", f);
  write_ctype(f, cm, loc.ctype);
  std::fputs("### LC_COLLATE\n", f);
  if (loc.collate.kind == "thai_smo") {
    std::fputs("thai_smo\n", f);
  } else {
    CollTable t = build_collation(loc.collate, cm, kept_scripts(loc));
    for (int lv = 0; lv < t.levels; ++lv)
      if (t.folded[lv])
        warn(req.name, "level " + std::to_string(lv + 1) + ": " + std::to_string(t.folded[lv]) +
                           " weights outside the kept scripts merged with neighbours");
    write_collate(f, t, cm);
    write_folded(req.folded, t);
  }
  std::fputs("### LC_NUMERIC\n", f);
  write_numeric(f, enc, loc);
  std::fputs("### LC_MONETARY\n", f);
  write_monetary(f, enc, loc.monetary);
  std::fputs("### LC_TIME\n", f);
  write_time(f, enc, loc.time);
  std::fputs("### LC_MESSAGES\n", f);
  write_messages(f, enc, loc.messages);
}

}  // namespace lcocomp
