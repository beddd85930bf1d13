// LC_COLLATE: reads collation orders (collating-symbol, collating-element,
// script sections, order_start/order_end, reorder-after, ellipses,
// UNDEFINED, ifdef/else/endif as the ISO 14651 template uses them) and turns
// them into the weight rows of a locale file.
//
// Weights. Every line of the final order gets a position; a character's weight
// at one level is the list of positions its weight symbols name (IGNORE is the
// empty list). The file keeps one 14-bit weight per level, so at each level
// the distinct lists are ranked in lexicographic order (shorter prefix first,
// as glibc compares one-character strings): IGNORE is weight 1, the others
// 2, 3, ... This keeps the order of single characters exactly.
//
// Expansions. A character whose list at a level names several positions,
// each of them the whole list of some character of the code set (glibc's
// ß is s, s at the first level, æ is a, e), gets an expansion weight there
// (0x4000 plus an index into the expansion list, which holds those
// characters), so that strings order as glibc orders them. Where some
// position is no character's whole list (ß's second level BASE, VRNT1,
// BASE), the ranked single weight stays: the order of single characters is
// still exact, that of strings only approximate. The exception list tags a
// character "expansion" when its first level is exact through an expansion
// while a lower level is approximated, and "approximate" when its first
// level is.
//
// Directions. glibc applies each section's own level directions (the
// template's section of digits and punctuation has a backward second
// level); a locale file holds one set of directions, so the directions of
// the section with the most characters are kept for all.
//
// Folding. When a level has more distinct lists than 16382 (weights 2..0x3FFF;
// only the utf8 locales get there), lists used by a character of a kept
// script (the locale's own lines, SPECIAL, LATIN and the scripts of the
// locale's month and day names) keep a weight of their own; the others are
// merged with their neighbours in rank order, f consecutive lists to one
// weight, f the smallest factor that fits the budget. Merging never inverts
// two characters' order, it only makes neighbours outside the kept scripts
// equal at that level.
#include "lcmodel.h"

#include <algorithm>
#include <cstdio>

namespace lcocomp {

namespace {

// "U61" and "U0061" name the same character; keep one spelling.
std::string canon(const std::string &name) {
  long u = ucs_of_symbol(name);
  return u < 0 ? name : ucs_name(static_cast<uint32_t>(u));
}

bool active(const Collate &c) {
  return std::all_of(c.active.begin(), c.active.end(), [](bool b) { return b; });
}

bool conditional(const Line &l, Collate &c) {
  const std::string &k = l.toks[0].text;
  if (l.toks[0].kind != Tok::Word) return false;
  std::string arg = l.toks.size() > 1 ? l.toks[1].text : "";
  if (k == "ifdef" || k == "ifndef") {
    bool def = c.defines.count(arg) > 0;
    c.active.push_back(k == "ifdef" ? def : !def);
  } else if (k == "else" && !c.active.empty()) {
    c.active.back() = !c.active.back();
  } else if (k == "endif" && !c.active.empty()) {
    c.active.pop_back();
  } else if (k == "define" && active(c)) {
    c.defines.insert(arg);
  } else {
    return false;
  }
  return true;
}

// Weight lists after the entry name: groups separated by ';'.
std::vector<std::vector<std::string>> parse_weights(const Line &l, size_t i) {
  std::vector<std::vector<std::string>> w(1);
  for (; i < l.toks.size(); ++i) {
    const Token &t = l.toks[i];
    if (t.kind == Tok::Semi) { w.emplace_back(); continue; }
    if (t.kind == Tok::Symbol) w.back().push_back(canon(t.text));
    else if (t.kind == Tok::Ellipsis) w.back().push_back("");
    else if (t.kind == Tok::String) {
      for (size_t p = 0; (p = t.text.find('<', p)) != std::string::npos;) {
        size_t e = t.text.find('>', p);
        if (e == std::string::npos) break;
        w.back().push_back(canon(t.text.substr(p + 1, e - p - 1)));
        p = e + 1;
      }
    }
    // IGNORE (and unknown words) leave the level empty.
  }
  return w;
}

void place(Collate &c, int idx, const std::string &name) {
  auto old = c.placed.find(name);
  if (old != c.placed.end()) c.order.erase(old->second);
  auto at = c.insert_at_end ? c.order.end() : c.insert_at;
  c.placed[name] = c.order.insert(at, idx);
}

int new_entry(Collate &c, CollEntry e) {
  e.section = c.section;
  c.entries.push_back(std::move(e));
  return static_cast<int>(c.entries.size()) - 1;
}

void order_start(const Line &l, Collate &c) {
  size_t i = 1;
  c.section.clear();
  if (i < l.toks.size() && l.toks[i].kind == Tok::Symbol) {
    c.section = l.toks[i].text;
    i += 2;
  }
  std::vector<int> dirs(1, 1);
  for (; i < l.toks.size(); ++i) {
    if (l.toks[i].kind == Tok::Semi) dirs.push_back(1);
    else if (l.toks[i].text == "backward") dirs.back() = 2;
  }
  c.levels = std::max(c.levels, static_cast<int>(dirs.size()));
  c.section_directions[c.section] = dirs;
  c.insert_at_end = true;
}

void order_line(const Line &l, Collate &c) {
  const Token &k = l.toks[0];
  if (k.kind == Tok::Ellipsis) {
    c.pending_ellipsis = true;
    c.ellipsis_weights = parse_weights(l, 1);
    c.ellipsis_has_weights = l.toks.size() > 1;
    return;
  }
  CollEntry e;
  std::string name;
  if (k.kind == Tok::Word && k.text == "UNDEFINED") {
    e.kind = CollEntry::Undefined;
    name = "UNDEFINED";
  } else if (k.kind == Tok::Symbol) {
    name = canon(k.text);
  } else {
    warn(l.where(), "collation line skipped");
    return;
  }
  e.name = name;
  e.weights = parse_weights(l, 1);
  e.has_weights = l.toks.size() > 1;
  auto decl = c.declared.find(name);
  long u = ucs_of_symbol(name);
  int idx;
  if (decl != c.declared.end()) {
    idx = decl->second;
    c.entries[idx].weights = e.weights;
    c.entries[idx].has_weights = e.has_weights;
    c.entries[idx].section = c.section;
  } else {
    if (u >= 0) {
      e.kind = CollEntry::Char;
      e.ucs = static_cast<uint32_t>(u);
      if (c.pending_ellipsis && c.last_ucs >= 0)
        for (long v = c.last_ucs + 1; v < u; ++v) {
          CollEntry r;
          r.kind = CollEntry::Char;
          r.ucs = static_cast<uint32_t>(v);
          r.weights = c.ellipsis_weights;
          r.has_weights = c.ellipsis_has_weights;
          r.name = ucs_name(r.ucs);
          place(c, new_entry(c, r), r.name);
        }
      c.last_ucs = u;
      ++c.section_votes[c.section];
    }
    idx = new_entry(c, e);
    // A bare symbol line declares the collating symbol it names.
    if (e.kind == CollEntry::Symbol) c.declared[name] = idx;
  }
  c.pending_ellipsis = false;
  place(c, idx, name);
}

}  // namespace

void collate_line(const Line &l, Collate &c) {
  if (conditional(l, c) || !active(c)) return;
  const Token &k = l.toks[0];
  const std::string &w = k.text;
  if (k.kind == Tok::Word) {
    if (w == "script" || w == "reorder-sections-after" || w == "reorder-sections-end") return;
    if (w == "collation_kind" && l.toks.size() > 1) { c.kind = l.toks[1].text; return; }
    if (w == "collating-symbol" && l.toks.size() > 1) {
      CollEntry e;
      e.name = canon(l.toks[1].text);
      c.declared[e.name] = new_entry(c, e);
      return;
    }
    if (w == "collating-element" && l.toks.size() > 3) {
      CollEntry e;
      e.kind = CollEntry::Element;
      e.name = l.toks[1].text;
      e.element = decode_string(l.toks[3].text, l.where());
      c.declared[e.name] = new_entry(c, e);
      return;
    }
    if (w == "order_start") { order_start(l, c); return; }
    if (w == "order_end") { c.insert_at_end = true; return; }
    if (w == "reorder-after" && l.toks.size() > 1) {
      auto it = c.placed.find(canon(l.toks[1].text));
      if (it == c.placed.end()) {
        warn(l.where(), "reorder-after an unknown symbol");
        return;
      }
      c.insert_at = std::next(it->second);
      c.insert_at_end = false;
      c.section.clear();
      return;
    }
    if (w == "reorder-end") { c.insert_at_end = true; return; }
  }
  order_line(l, c);
}

namespace {

struct Unit {
  std::vector<std::string> bytes;  // one entry for a character, several for an element
  int entry = -1;                  // -1: not in the order
  std::string section;
};

using Seq = std::vector<int>;

// Maps each distinct sequence of one level to a weight (see the file head).
std::map<Seq, uint16_t> rank_level(const std::map<Seq, bool> &seqs, size_t &folded) {
  std::map<Seq, uint16_t> out;
  const size_t budget = 0x3FFF - 1;
  size_t n = seqs.size() - (seqs.count(Seq{}) ? 1 : 0);
  size_t kept = 0;
  for (const auto &[s, k] : seqs) kept += (!s.empty() && k);
  if (kept > budget) fail("collation", "too many distinct weights in the kept scripts");
  size_t factor = 1;
  for (;;) {
    uint16_t w = 1;
    size_t run = 0;
    out.clear();
    for (const auto &[s, k] : seqs) {
      if (s.empty()) { out[s] = 1; continue; }
      if (k || factor == 1) { out[s] = ++w; run = 0; continue; }
      if (run % factor == 0) ++w;
      ++run;
      out[s] = w;
    }
    if (w <= 0x3FFF) break;
    ++factor;
  }
  folded = factor == 1 ? 0 : n - kept;
  return out;
}

}  // namespace

CollTable build_collation(const Collate &c, const Charmap &cm, const std::set<std::string> &kept) {
  CollTable t;
  t.levels = std::max(1, std::min(c.levels, 8));
  // Level directions: those of the script with the most characters.
  std::string main_section;
  int best = -1;
  for (const auto &[s, n] : c.section_votes)
    if (n > best && c.section_directions.count(s)) { best = n; main_section = s; }
  t.directions.assign(t.levels, 1);
  if (auto d = c.section_directions.find(main_section); d != c.section_directions.end())
    for (int i = 0; i < t.levels && i < static_cast<int>(d->second.size()); ++i)
      t.directions[i] = d->second[i];

  std::vector<int> pos(c.entries.size(), 0);
  int p = 0;
  for (int idx : c.order) pos[idx] = ++p;
  const int beyond = p + 1;  // characters absent from the order sort last
  int undefined = -1;
  if (auto u = c.placed.find("UNDEFINED"); u != c.placed.end()) undefined = *u->second;

  std::vector<Unit> units;
  for (const auto &[u, b] : cm.bytes_of) {
    if (cm.ucs_of.at(b) != u) continue;
    auto it = c.placed.find(ucs_name(u));
    int e = it != c.placed.end() ? *it->second : undefined;
    units.push_back({{b}, e, e >= 0 ? c.entries[e].section : "undefined"});
    if (it == c.placed.end()) t.unordered_chars.insert(b);
  }
  size_t nchars = units.size();
  for (const auto &[name, idx] : c.declared) {
    const CollEntry &e = c.entries[idx];
    if (e.kind != CollEntry::Element || !pos[idx] || e.element.size() > 15) continue;
    Unit un{{}, idx, e.section};
    for (uint32_t u : e.element) {
      auto b = cm.bytes_of.find(u);
      if (b == cm.bytes_of.end()) { un.bytes.clear(); break; }
      un.bytes.push_back(b->second);
    }
    if (!un.bytes.empty()) units.push_back(un);
  }

  // Weight sequences per unit and level.
  auto resolve = [&](const std::string &name, int self) {
    if (name.empty()) return pos[self];
    auto it = c.placed.find(name);
    return it != c.placed.end() ? pos[*it->second] : beyond;
  };
  std::vector<std::vector<Seq>> seq(units.size(), std::vector<Seq>(t.levels));
  for (size_t i = 0; i < units.size(); ++i) {
    int e = units[i].entry;
    for (int lv = 0; lv < t.levels; ++lv) {
      if (e < 0) { seq[i][lv] = {beyond}; continue; }
      const CollEntry &ce = c.entries[e];
      if (!ce.has_weights || lv >= static_cast<int>(ce.weights.size())) {
        seq[i][lv] = {pos[e]};
        continue;
      }
      for (const std::string &n : ce.weights[lv]) seq[i][lv].push_back(resolve(n, e));
    }
  }
  std::vector<std::map<Seq, uint16_t>> rank(t.levels);
  for (int lv = 0; lv < t.levels; ++lv) {
    std::map<Seq, bool> seqs;
    for (size_t i = 0; i < units.size(); ++i) {
      bool k = kept.count(units[i].section) > 0;
      auto [it, fresh] = seqs.emplace(seq[i][lv], k);
      if (!fresh && k) it->second = true;
    }
    rank[lv] = rank_level(seqs, t.folded[lv]);
  }
  // Characters whose weight at some level stands for more than one list.
  for (int lv = 0; lv < t.levels; ++lv) {
    std::map<uint16_t, int> lists_of_weight;
    for (const auto &[s, w] : rank[lv]) ++lists_of_weight[w];
    for (size_t i = 0; i < nchars; ++i)
      if (lists_of_weight[rank[lv].at(seq[i][lv])] > 1) t.folded_chars.insert(units[i].bytes[0]);
  }
  // Characters whose list at a level is one position, for expansions.
  std::vector<std::map<int, size_t>> single_of(t.levels);
  for (int lv = 0; lv < t.levels; ++lv)
    for (size_t i = 0; i < nchars; ++i)
      if (seq[i][lv].size() == 1) single_of[lv].emplace(seq[i][lv][0], i);
  std::map<std::vector<std::string>, uint16_t> expansion_index;
  // The expansion weight of a character's list at a level, or 0.
  auto expansion = [&](size_t i, int lv) -> uint16_t {
    const Seq &s = seq[i][lv];
    if (s.size() < 2 || s.size() > 15) return 0;
    std::vector<std::string> chars;
    for (int p : s) {
      auto it = single_of[lv].find(p);
      if (it == single_of[lv].end()) return 0;
      chars.push_back(units[it->second].bytes[0]);
    }
    auto [it, fresh] = expansion_index.emplace(chars, static_cast<uint16_t>(t.expansions.size()));
    if (fresh) {
      if (t.expansions.size() >= 0x3FFF) {
        expansion_index.erase(it);
        return 0;
      }
      t.expansions.push_back(chars);
    }
    return static_cast<uint16_t>(0x4000 | it->second);
  };
  std::map<std::vector<uint16_t>, uint16_t> row_index;
  std::vector<std::vector<uint16_t>> unit_rows(units.size());
  for (size_t i = 0; i < units.size(); ++i) {
    bool first_exact = true, lower_exact = true;
    for (int lv = 0; lv < t.levels; ++lv) {
      uint16_t w = rank[lv].at(seq[i][lv]);
      uint16_t x = i < nchars ? expansion(i, lv) : 0;
      bool exact = seq[i][lv].size() < 2 || x != 0;
      (lv == 0 ? first_exact : lower_exact) = (lv == 0 ? first_exact : lower_exact) && exact;
      unit_rows[i].push_back(x != 0 ? x : w);
      if (x == 0) t.max_weight = std::max(t.max_weight, w);
    }
    if (i < nchars && !first_exact) t.approximate_chars.insert(units[i].bytes[0]);
    else if (i < nchars && !lower_exact && seq[i][0].size() >= 2) t.expansion_chars.insert(units[i].bytes[0]);
    row_index.emplace(unit_rows[i], 0);
  }
  if (row_index.size() > 0xFFFF) fail("collation", "more than 65535 distinct weight rows");
  uint16_t r = 0;
  for (auto &[row, n] : row_index) {
    n = r++;
    t.rows.push_back(row);
  }
  for (size_t i = 0; i < units.size(); ++i) {
    uint16_t row = row_index.at(unit_rows[i]);
    if (i < nchars) t.row_of[units[i].bytes[0]] = row;
    else t.elements.emplace_back(units[i].bytes, row);
  }
  return t;
}

}  // namespace lcocomp
