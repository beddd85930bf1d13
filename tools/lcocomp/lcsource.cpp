// Reader of POSIX locale definition sources: walks the categories of a file,
// follows `copy` into other files of the locales directory (with additions
// after the copy, as glibc's sources use them), and fills the LC_CTYPE model
// and the keyword items of LC_NUMERIC, LC_MONETARY, LC_TIME and LC_MESSAGES.
// LC_COLLATE lines are handed to the collation reader (lccollate.cpp);
// transliteration tables are skipped.
#include "lcmodel.h"

#include <memory>

namespace lcocomp {

const char *const kStandardClassNames[kStandardClasses] = {
    "upper", "lower", "alpha", "digit", "space", "cntrl",
    "punct", "graph", "print", "xdigit", "blank"};

void collate_line(const Line &l, Collate &c);  // lccollate.cpp

namespace {

enum class Cat { None, Ctype, Collate, Numeric, Monetary, Time, Messages, Ignored };

Cat category_of(const std::string &w) {
  static const std::map<std::string, Cat> names = {
      {"LC_CTYPE", Cat::Ctype},       {"LC_COLLATE", Cat::Collate},
      {"LC_NUMERIC", Cat::Numeric},   {"LC_MONETARY", Cat::Monetary},
      {"LC_TIME", Cat::Time},         {"LC_MESSAGES", Cat::Messages}};
  auto it = names.find(w);
  if (it != names.end()) return it->second;
  return w.rfind("LC_", 0) == 0 ? Cat::Ignored : Cat::None;
}

// Code points named by a class or map list item starting at toks[i]:
// <a>, <a>..<b>, <a>..(2)..<b>. Advances i past the item.
std::vector<uint32_t> list_item(const Line &l, size_t &i) {
  const auto &t = l.toks;
  std::vector<uint32_t> out;
  if (t[i].kind != Tok::Symbol) { ++i; return out; }
  long a = ucs_of_symbol(t[i].text), b = a, step = 1;
  ++i;
  if (i < t.size() && t[i].kind == Tok::Ellipsis) {
    ++i;
    if (i + 3 < t.size() && t[i].kind == Tok::LParen) {
      step = std::atol(t[i + 1].text.c_str());
      i += 4;  // ( n ) ..
    }
    if (i < t.size() && t[i].kind == Tok::Symbol) b = ucs_of_symbol(t[i++].text);
  }
  if (a < 0 || b < 0 || step < 1) {
    warn(l.where(), "list item without Unicode symbols skipped");
    return out;
  }
  for (long u = a; u <= b; u += step) out.push_back(static_cast<uint32_t>(u));
  return out;
}

void map_pairs(const Line &l, size_t i, std::map<uint32_t, uint32_t> &m) {
  const auto &t = l.toks;
  for (; i < t.size(); ++i) {
    if (t[i].kind != Tok::LParen || i + 3 >= t.size()) continue;
    long a = ucs_of_symbol(t[i + 1].text), b = ucs_of_symbol(t[i + 3].text);
    if (a >= 0 && b >= 0) m[static_cast<uint32_t>(a)] = static_cast<uint32_t>(b);
    i += 4;
  }
}

struct Reader {
  std::string dir;
  Locale &loc;
  std::map<std::string, std::shared_ptr<std::vector<Line>>> cache;
  bool in_translit = false;
  std::string class_keyword;  // an extra class whose list continues
  int class_order = 0;

  Reader(std::string d, Locale &l) : dir(std::move(d)), loc(l) {}

  const std::vector<Line> &lines_of(const std::string &path) {
    auto &slot = cache[path];
    if (!slot) slot = std::make_shared<std::vector<Line>>(read_lines(path));
    return *slot;
  }

  ExtraClass *extra_class(const std::string &name) {
    for (auto &e : loc.ctype.extra)
      if (e.name == name) return &e;
    return nullptr;
  }

  void declare_class(const std::string &name, int depth) {
    if (!extra_class(name)) loc.ctype.extra.push_back({name, depth, class_order++, {}});
  }

  void add_members(const Line &l, size_t i, ExtraClass *extra, int bit) {
    while (i < l.toks.size()) {
      if (l.toks[i].kind == Tok::Semi) { ++i; continue; }
      for (uint32_t u : list_item(l, i)) {
        if (extra) extra->members.insert(u);
        else loc.ctype.mask[u] |= static_cast<uint16_t>(1u << bit);
      }
    }
  }

  void ctype_line(const Line &l, int depth) {
    const auto &t = l.toks;
    const std::string &k = t[0].text;
    if (in_translit) { if (k == "translit_end") in_translit = false; return; }
    if (t[0].kind != Tok::Word) return;
    if (k == "translit_start") { in_translit = true; return; }
    for (int b = 0; b < kStandardClasses; ++b)
      if (k == kStandardClassNames[b]) { add_members(l, 1, nullptr, b); return; }
    if (k == "toupper") { map_pairs(l, 1, loc.ctype.toupper); return; }
    if (k == "tolower") { map_pairs(l, 1, loc.ctype.tolower); return; }
    if (k == "class" && t.size() > 1) {
      declare_class(t[1].text, depth);
      add_members(l, 2, extra_class(t[1].text), 0);
      return;
    }
    if (k == "charclass") {
      for (size_t i = 1; i < t.size(); ++i)
        if (t[i].kind == Tok::Word || t[i].kind == Tok::String) declare_class(t[i].text, depth);
      return;
    }
    if (ExtraClass *e = extra_class(k)) add_members(l, 1, e, 0);
  }

  void item_line(const Line &l, Items &items) {
    const auto &t = l.toks;
    if (t[0].kind != Tok::Word) return;
    std::vector<U32String> values;
    for (size_t i = 1; i < t.size(); ++i) {
      if (t[i].kind == Tok::String) values.push_back(decode_string(t[i].text, l.where()));
      else if (t[i].kind == Tok::Word) values.emplace_back(t[i].text.begin(), t[i].text.end());
      else if (t[i].kind == Tok::Symbol) values.push_back(decode_string("<" + t[i].text + ">", l.where()));
    }
    items[t[0].text] = std::move(values);
  }

  void category_line(Cat cat, const Line &l, int depth) {
    switch (cat) {
      case Cat::Ctype: ctype_line(l, depth); break;
      case Cat::Collate: collate_line(l, loc.collate); break;
      case Cat::Numeric: item_line(l, loc.numeric); break;
      case Cat::Monetary: item_line(l, loc.monetary); break;
      case Cat::Time: item_line(l, loc.time); break;
      case Cat::Messages: item_line(l, loc.messages); break;
      default: break;
    }
  }

  // Reads `path`; with `only` other than None, only that category.
  void read_file(const std::string &path, Cat only, int depth) {
    if (depth > 16) fail(path, "copy nested too deeply");
    Cat cur = Cat::None;
    for (const Line &l : lines_of(path)) {
      const Token &k = l.toks[0];
      if (cur == Cat::None) {
        Cat c = k.kind == Tok::Word ? category_of(k.text) : Cat::None;
        if (c != Cat::None && (only == Cat::None || only == c)) cur = c;
        else if (c != Cat::None) cur = Cat::Ignored;
        continue;
      }
      if (k.kind == Tok::Word && k.text == "END") { cur = Cat::None; in_translit = false; continue; }
      if (cur == Cat::Ignored) continue;
      bool copy = k.kind == Tok::Word && (k.text == "copy" ||
                  (k.text == "include" && cur == Cat::Collate));
      if (copy && l.toks.size() > 1 && l.toks[1].kind == Tok::String) {
        read_file(dir + "/" + l.toks[1].text, cur, depth + 1);
        if (cur == Cat::Collate) loc.collate.defined = true;
        continue;
      }
      if (cur == Cat::Collate) loc.collate.defined = true;
      category_line(cur, l, depth);
    }
  }
};

}  // namespace

void read_locale(const std::string &locales_dir, const std::string &name,
                 const std::string &overlay, Locale &out) {
  Reader r(locales_dir, out);
  r.read_file(locales_dir + "/" + name, Cat::None, 0);
  if (!overlay.empty()) r.read_file(overlay, Cat::None, 0);
}

}  // namespace lcocomp
