// The localedef text syntax shared by locale sources and charmaps: reading a
// (possibly gzip-compressed) file, joining continuation lines, dropping
// comments, splitting into tokens; and the charmap reader (CHARMAP and WIDTH
// sections, <U...>..<U...> ranges). Compressed charmaps are expanded by the
// gzip program, as Debian installs them compressed.
#include "lcmodel.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace lcocomp {

void fail(const std::string &where, const std::string &what) {
  std::cerr << "lcocomp: " << where << ": " << what << "\n";
  std::exit(1);
}

void warn(const std::string &where, const std::string &what) {
  std::cerr << "lcocomp: warning: " << where << ": " << what << "\n";
}

namespace {

std::string slurp(const std::string &path) {
  std::string data;
  if (path.size() > 3 && path.compare(path.size() - 3, 3, ".gz") == 0) {
    std::string cmd = "gzip -dc '" + path + "'";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) fail(path, "cannot run gzip");
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) data.append(buf, n);
    if (pclose(p) != 0) fail(path, "gzip failed");
    return data;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(path, "cannot open");
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

// Splits one logical line into tokens. `comment` and `escape` are the
// current comment and escape characters.
void tokenize(const std::string &s, char comment, char escape, std::vector<Token> &out) {
  size_t i = 0, n = s.size();
  while (i < n) {
    char c = s[i];
    if (is_space(c)) { ++i; continue; }
    if (c == comment) break;
    Token t;
    if (c == '<') {
      size_t j = i + 1;
      std::string name;
      while (j < n && s[j] != '>') {
        if (s[j] == escape && j + 1 < n) ++j;
        name += s[j++];
      }
      if (j < n) {
        t.kind = Tok::Symbol;
        t.text = name;
        i = j + 1;
        out.push_back(t);
        continue;
      }
    }
    if (c == '"') {
      size_t j = i + 1;
      std::string body;
      while (j < n && s[j] != '"') {
        if (s[j] == escape && j + 1 < n) {
          ++j;
          // <, > keep their escape so that decode_string sees a literal.
          if (s[j] == '<' || s[j] == '>') body += '\x01';
        }
        body += s[j++];
      }
      t.kind = Tok::String;
      t.text = body;
      out.push_back(t);
      i = j + 1;
      continue;
    }
    if (c == ';') { out.push_back({Tok::Semi, ";"}); ++i; continue; }
    if (c == ',') { out.push_back({Tok::Comma, ","}); ++i; continue; }
    if (c == '(') { out.push_back({Tok::LParen, "("}); ++i; continue; }
    if (c == ')') { out.push_back({Tok::RParen, ")"}); ++i; continue; }
    if (c == '.' && i + 1 < n && s[i + 1] == '.') {
      size_t j = i;
      while (j < n && s[j] == '.') ++j;
      out.push_back({Tok::Ellipsis, s.substr(i, j - i)});
      i = j;
      continue;
    }
    size_t j = i;
    while (j < n && !is_space(s[j]) && s[j] != ';' && s[j] != ',' && s[j] != '(' &&
           s[j] != ')' && s[j] != '"' && s[j] != '<')
      ++j;
    if (j == i) ++j;  // a lone '<' without '>'
    t.kind = Tok::Word;
    t.text = s.substr(i, j - i);
    out.push_back(t);
    i = j;
  }
}

// "comment_char %" and "escape_char /" directives change the syntax for
// the lines that follow.
bool syntax_directive(const std::string &line, char &comment, char &escape) {
  std::istringstream ss(line);
  std::string key, val;
  ss >> key >> val;
  if (val.size() != 1) return false;
  if (key == "comment_char" || key == "<comment_char>") { comment = val[0]; return true; }
  if (key == "escape_char" || key == "<escape_char>") { escape = val[0]; return true; }
  return false;
}

}  // namespace

std::vector<Line> read_lines(const std::string &path) {
  std::string data = slurp(path);
  std::vector<Line> lines;
  char comment = '#', escape = '\\';
  std::string logical;
  int start = 0, number = 0;
  size_t pos = 0;
  while (pos < data.size()) {
    size_t nl = data.find('\n', pos);
    if (nl == std::string::npos) nl = data.size();
    std::string phys = data.substr(pos, nl - pos);
    pos = nl + 1;
    ++number;
    if (logical.empty()) {
      start = number;
      size_t f = phys.find_first_not_of(" \t");
      if (f == std::string::npos || phys[f] == comment) continue;
      if (syntax_directive(phys, comment, escape)) continue;
    }
    while (!phys.empty() && is_space(phys.back())) phys.pop_back();
    bool cont = !phys.empty() && phys.back() == escape &&
                (phys.size() < 2 || phys[phys.size() - 2] != escape);
    if (cont) phys.pop_back();
    logical += phys;
    if (cont) { logical += ' '; continue; }
    Line l;
    l.file = path;
    l.number = start;
    tokenize(logical, comment, escape, l.toks);
    logical.clear();
    if (!l.toks.empty()) lines.push_back(std::move(l));
  }
  return lines;
}

long ucs_of_symbol(const std::string &name) {
  if (name.size() < 5 || name.size() > 9 || name[0] != 'U') return -1;
  long v = 0;
  for (size_t i = 1; i < name.size(); ++i) {
    char c = name[i];
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'A' && c <= 'F') ? c - 'A' + 10
          : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
    if (d < 0) return -1;
    v = v * 16 + d;
  }
  return v <= 0x10FFFF ? v : -1;
}

std::string ucs_name(uint32_t u) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "U%04X", u);
  return buf;
}

U32String decode_string(const std::string &body, const std::string &where) {
  U32String out;
  size_t i = 0;
  while (i < body.size()) {
    unsigned char c = static_cast<unsigned char>(body[i]);
    if (c == 1 && i + 1 < body.size()) {  // escaped < or >
      out.push_back(static_cast<unsigned char>(body[i + 1]));
      i += 2;
      continue;
    }
    if (c == '<') {
      size_t e = body.find('>', i);
      if (e != std::string::npos) {
        long u = ucs_of_symbol(body.substr(i + 1, e - i - 1));
        if (u < 0) fail(where, "unknown symbol <" + body.substr(i + 1, e - i - 1) + "> in a string");
        out.push_back(static_cast<uint32_t>(u));
        i = e + 1;
        continue;
      }
    }
    if (c < 0x80) { out.push_back(c); ++i; continue; }
    int len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    uint32_t v = len == 1 ? c : c & (0x7F >> len);
    for (int k = 1; k < len && i + k < body.size(); ++k)
      v = (v << 6) | (static_cast<unsigned char>(body[i + k]) & 0x3F);
    out.push_back(v);
    i += len;
  }
  return out;
}

namespace {

// Bytes of a charmap byte word such as "/xe3/x90/x80", "/d65" or "/o101".
std::string parse_bytes(const std::string &w, const std::string &where) {
  std::string out;
  size_t i = 0;
  while (i < w.size()) {
    if (w[i] != '/' || i + 1 >= w.size()) fail(where, "bad byte sequence " + w);
    char kind = w[i + 1];
    int base = kind == 'x' ? 16 : kind == 'd' ? 10 : kind == 'o' ? 8 : 0;
    if (!base) fail(where, "bad byte sequence " + w);
    size_t j = i + 2;
    while (j < w.size() && w[j] != '/') ++j;
    long v = std::strtol(w.substr(i + 2, j - i - 2).c_str(), nullptr, base);
    out += static_cast<char>(v);
    i = j;
  }
  return out;
}

// Adds `step` to a byte sequence read as a big-endian number.
std::string add_to_bytes(std::string b, uint32_t step) {
  for (size_t k = b.size(); k-- > 0 && step;) {
    uint32_t v = static_cast<unsigned char>(b[k]) + step;
    b[k] = static_cast<char>(v & 0xFF);
    step = v >> 8;
  }
  return b;
}

// UTF-8 bytes of a code point.
std::string utf8_bytes(uint32_t u) {
  std::string b;
  int extra = u < 0x80 ? 0 : u < 0x800 ? 1 : u < 0x10000 ? 2 : 3;
  static const unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
  b += static_cast<char>(lead[extra] | (u >> (6 * extra)));
  for (int k = extra - 1; k >= 0; --k) b += static_cast<char>(0x80 | ((u >> (6 * k)) & 0x3F));
  return b;
}

// A range's characters have consecutive byte sequences, except in UTF-8,
// where a range may cross a continuation-byte boundary (<U0002B820>..
// <U0002B85F> runs from /xa0/xa0 to /xa1/x9f): there each code point's own
// encoding is taken.
void charmap_entry(const Line &l, Charmap &cm) {
  const auto &t = l.toks;
  if (t[0].kind != Tok::Symbol) return;
  long first = ucs_of_symbol(t[0].text), last = first;
  size_t bi = 1;
  if (t.size() > 2 && t[1].kind == Tok::Ellipsis && t[2].kind == Tok::Symbol) {
    last = ucs_of_symbol(t[2].text);
    bi = 3;
  }
  if (first < 0 || last < first || bi >= t.size() || t[bi].kind != Tok::Word) return;
  std::string bytes = parse_bytes(t[bi].text, l.where());
  bool utf8 = bytes == utf8_bytes(static_cast<uint32_t>(first)) && cm.name == "UTF-8";
  for (long u = first; u <= last; ++u) {
    std::string b = utf8 ? utf8_bytes(static_cast<uint32_t>(u))
                         : add_to_bytes(bytes, static_cast<uint32_t>(u - first));
    cm.bytes_of.emplace(static_cast<uint32_t>(u), b);
    cm.ucs_of.emplace(b, static_cast<uint32_t>(u));
  }
}

// WIDTH lines: "<Ua>...<Ub> w" or "<Ua> w"; ranges cover every character
// whose bytes lie between those of the two ends.
void width_entry(const Line &l, Charmap &cm,
                 std::vector<std::pair<std::string, std::string>> &wide) {
  const auto &t = l.toks;
  if (t.empty() || t[0].kind != Tok::Symbol || t.back().kind != Tok::Word) return;
  if (t.back().text != "2") return;
  long a = ucs_of_symbol(t[0].text);
  long b = (t.size() >= 4 && t[1].kind == Tok::Ellipsis) ? ucs_of_symbol(t[2].text) : a;
  auto fa = cm.bytes_of.find(static_cast<uint32_t>(a));
  auto fb = cm.bytes_of.find(static_cast<uint32_t>(b));
  if (a < 0 || b < 0 || fa == cm.bytes_of.end() || fb == cm.bytes_of.end()) return;
  wide.emplace_back(fa->second, fb->second);
}

}  // namespace

std::string charmap_path(const std::string &dir, const std::string &name) {
  std::string base = dir + "/charmaps/" + name;
  if (access(base.c_str(), R_OK) == 0) return base;
  return base + ".gz";
}

Charmap read_charmap(const std::string &path) {
  Charmap cm;
  std::vector<Line> lines = read_lines(path);
  enum { Head, Map, Width, Other } state = Head;
  std::vector<std::pair<std::string, std::string>> wide;
  for (const Line &l : lines) {
    const Token &k = l.toks[0];
    if (k.kind == Tok::Word && k.text == "CHARMAP") { state = Map; continue; }
    if (k.kind == Tok::Word && k.text == "WIDTH") { state = Width; continue; }
    if (k.kind == Tok::Word && (k.text == "WIDTH_DEFAULT" || k.text == "WIDTH_VARIABLE")) {
      state = Other;
      continue;
    }
    if (k.kind == Tok::Word && k.text == "END") { state = Other; continue; }
    if (state == Head && k.kind == Tok::Symbol && l.toks.size() > 1) {
      if (k.text == "code_set_name") cm.name = l.toks[1].text;
      if (k.text == "mb_cur_max") cm.mb_cur_max = std::atoi(l.toks[1].text.c_str());
    } else if (state == Map) {
      charmap_entry(l, cm);
    } else if (state == Width) {
      width_entry(l, cm, wide);
    }
  }
  for (const auto &[lo, hi] : wide)
    for (auto it = cm.ucs_of.lower_bound(lo); it != cm.ucs_of.end() && it->first <= hi; ++it)
      if (it->first.size() == lo.size()) cm.double_width.insert(it->first);
  if (cm.bytes_of.empty()) fail(path, "no CHARMAP entries");
  return cm;
}

}  // namespace lcocomp
