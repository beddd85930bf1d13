// Internal interface of the message catalogs between the catalog finder
// (msgfind.cpp: the tables, the search, opening and positioning) and the
// text readers (rmsg.cpp). The message compiler uses table_leaf to check
// that every number of a source belongs to its catalog.
#pragma once

#include <cstdint>

#include "gentcb.h"
#include "msgcat.h"

namespace rmsg {

constexpr int kPathSize = 260; // a catalog path and its terminator
constexpr const char *kFallbackLocale = "en_US.8859-1";
constexpr int kNoMemory = -406;
constexpr int kCannotOpen = -1227;
constexpr int kNoPath = -1230;
constexpr int kTruncated = -1232;

// The formats of the cannot-open and unknown-number texts: messages 32765
// and 32766, else these.
constexpr int kCannotOpenText = 32765;
constexpr int kUnknownNumberText = 32766;
constexpr const char *kCannotOpenBuiltin = "Cannot open file '%s'\n";
constexpr const char *kUnknownNumberBuiltin = "Unknown error message number '%d'\n";

// Texts for a client locale environment that could not be initialised, when
// no catalog may be read: the status and its English text.
struct BuiltinText {
    int status;
    const char *text;
};
inline constexpr BuiltinText kInitFailureTexts[] = {
    {-23101, "Unable to load locale categories."},
    {-23102, "Memory allocation failed during locale processing."},
    {-23104, "Error opening required code-set conversion object file."},
    {-23108, "An error occurred during locale structure creation."},
    {-23110, "An error occurred during environment variable processing."},
    {-23111, "Internal error.  Illegal argument for locale initialization."},
    {-23115, "Code sets of the locale categories are not the same."},
    {-1211, "Out of memory."},
    {-1212, "Date conversion format must contain a month, day, and year component."},
};

// The leaf of the first row of the client (server false) or server table
// whose range holds the absolute value of number; "osmsg.twm" when none.
const char *table_leaf(int32_t number, bool server);

// The leaf the number's text is looked for in: the explicit catalog path,
// or the table's leaf.
const char *leaf_of(const struct gentcb *tcb, int32_t number);

// The search for leaf, with the locale name (nullptr: the user's language):
// 0 with the first readable candidate in path (the empty text when none is
// readable), or -1230 when no path can be formed; -406 without memory.
int find_catalog(struct gentcb *tcb, const char *leaf, const char *locale, char path[kPathSize]);

// Positions at number, opening (or switching) the catalog as needed: 0
// with *entry, or -406, -1227 to -1231.
int position(struct gentcb *tcb, int32_t number, const char *locale, msgcat::Entry *entry);

// Copies length bytes of the text of entry (of the open catalog) to dst: 0,
// or -1231 when the file does not hold them.
int read_text(const struct gentcb *tcb, const msgcat::Entry &entry, uint32_t length, char *dst);

// After a lookup: with TRW_FREE_FD the catalog is closed.
void lookup_done(struct gentcb *tcb);

// Forgets the open catalog's leaf, so that the next lookup reopens.
void forget_leaf(struct gentcb *tcb);

// Closes the open catalog and frees its image and chunk cache.
void close_catalog(struct gentcb *tcb);

} // namespace rmsg
