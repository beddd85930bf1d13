// In-memory model of one POSIX locale definition as the locale compiler reads
// it: the charmap (symbol names, byte sequences, display widths), LC_CTYPE
// classes and case maps, LC_COLLATE order and weights, and the string items of
// LC_NUMERIC, LC_MONETARY, LC_TIME and LC_MESSAGES. Everything is kept by
// Unicode code point; the back end maps it to the code set's bytes.
#ifndef LCOCOMP_LCMODEL_H
#define LCOCOMP_LCMODEL_H

#include <cstdint>
#include <list>
#include <map>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace lcocomp {

using U32String = std::vector<uint32_t>;

// Failure of the compiler: reported on stderr with the file and line, then
// the program exits 1.
[[noreturn]] void fail(const std::string &where, const std::string &what);
void warn(const std::string &where, const std::string &what);

// ---- Lexer over the localedef syntax ------------------------------------
enum class Tok { End, Symbol, String, Semi, Comma, LParen, RParen, Ellipsis, Word };

struct Token {
  Tok kind = Tok::End;
  std::string text;  // symbol name without <>, string body (escapes resolved), word
};

// One logical line (continuations joined, comment removed) split into tokens.
struct Line {
  std::string file;
  int number = 0;
  std::vector<Token> toks;
  std::string where() const { return file + ":" + std::to_string(number); }
};

// Reads a whole source file (plain or gzip-compressed, by running the gzip
// program) and splits it into logical lines, honouring comment_char and
// escape_char.
std::vector<Line> read_lines(const std::string &path);

// Code point of a symbol name "Uxxxx" (4 to 8 hex digits), or -1.
long ucs_of_symbol(const std::string &name);
// The canonical symbol name of a code point: "U0061", "U1F600".
std::string ucs_name(uint32_t u);
// Code points of a string body: <Uxxxx> symbols, plain ASCII and UTF-8.
U32String decode_string(const std::string &body, const std::string &where);

// ---- Charmap --------------------------------------------------------------
struct Charmap {
  std::string name;                                // <code_set_name>
  int mb_cur_max = 1;
  std::map<uint32_t, std::string> bytes_of;        // code point -> bytes
  std::map<std::string, uint32_t> ucs_of;          // bytes -> first code point
  std::set<std::string> double_width;              // bytes of width-2 characters
};
Charmap read_charmap(const std::string &path);
// Path of a charmap of I18NDIR/charmaps: the plain file, else its .gz.
std::string charmap_path(const std::string &i18n_dir, const std::string &name);

// ---- LC_CTYPE --------------------------------------------------------------
constexpr int kStandardClasses = 11;  // upper lower alpha digit space cntrl punct graph print xdigit blank
extern const char *const kStandardClassNames[kStandardClasses];

struct ExtraClass {
  std::string name;
  int depth = 0;   // copy depth of the file that declared it (0 = the locale itself)
  int order = 0;   // declaration order
  std::set<uint32_t> members;
};

struct Ctype {
  std::vector<uint16_t> mask;                 // by code point, standard class bits
  std::vector<ExtraClass> extra;
  std::map<uint32_t, uint32_t> toupper, tolower;
  Ctype() : mask(0x110000, 0) {}
};

// ---- LC_COLLATE ------------------------------------------------------------
// One line of the collation order: a collating symbol, a character, a
// multi-character collating element, or UNDEFINED. Weights per level are lists
// of symbol names; an empty list is IGNORE; the name "" stands for the entry
// itself.
struct CollEntry {
  enum Kind { Symbol, Char, Element, Undefined } kind = Symbol;
  std::string name;
  uint32_t ucs = 0;              // Char
  U32String element;             // Element: its characters
  std::vector<std::vector<std::string>> weights;
  bool has_weights = false;
  std::string section;           // script of the order_start it belongs to
};

struct Collate {
  std::string kind = "as_specified";   // or "thai_smo" (from an overlay)
  int levels = 0;
  std::vector<int> directions;          // per level: 1 forward, 2 backward
  std::map<std::string, int> section_votes;  // characters defined per script
  std::vector<CollEntry> entries;
  std::list<int> order;                 // entry indexes in collation order
  std::unordered_map<std::string, std::list<int>::iterator> placed;
  std::unordered_map<std::string, int> declared;      // symbol and element names -> entry
  std::set<std::string> defines;
  bool defined = false;
  // Reading state.
  std::vector<bool> active;                      // ifdef/else nesting
  std::string section;                           // current script
  std::map<std::string, std::vector<int>> section_directions;
  std::list<int>::iterator insert_at;            // order.end() unless reordering
  bool insert_at_end = true;
  bool pending_ellipsis = false;
  std::vector<std::vector<std::string>> ellipsis_weights;
  bool ellipsis_has_weights = false;  // a bare ".." line: each character its own weight
  long last_ucs = -1;
};

// Collation as the file stores it: distinct weight rows, a row per
// character (by its bytes) and per collating element.
struct CollTable {
  int levels = 0;
  std::vector<int> directions;
  std::vector<std::vector<uint16_t>> rows;
  std::map<std::string, uint16_t> row_of;               // character bytes -> row
  std::vector<std::pair<std::vector<std::string>, uint16_t>> elements;  // characters' bytes, row
  uint16_t max_weight = 0;
  size_t folded[8] = {};                                // sequences merged per level
  std::set<std::string> folded_chars;                   // characters sharing a merged weight
  std::set<std::string> unordered_chars;                // characters the order does not name
                                                        // (at UNDEFINED, else after all)
  std::vector<std::vector<std::string>> expansions;     // characters' bytes, by index
  std::set<std::string> expansion_chars;                // first level exact through an expansion,
                                                        // a lower level approximated
  std::set<std::string> approximate_chars;              // first level the file cannot hold
};

// Turns the collation order into weight rows for the characters of a
// charmap. `kept` names the scripts whose weights stay exact when a level
// has more distinct weights than the file format holds.
CollTable build_collation(const Collate &c, const Charmap &cm, const std::set<std::string> &kept);

// ---- The simple categories --------------------------------------------------
// Keyword -> list of string values (numbers are kept as their text).
using Items = std::map<std::string, std::vector<U32String>>;

struct Locale {
  Ctype ctype;
  Collate collate;
  Items numeric, monetary, time, messages;
};

// Reads the named locale source (a file of the locales directory) and, if
// given, an overlay file, into the model.
void read_locale(const std::string &locales_dir, const std::string &name,
                 const std::string &overlay, Locale &out);

}  // namespace lcocomp

#endif
