// Fast paths of the collation module: per-code tables of weight rows and of
// the characters of the code set, built on a category's first compare and
// kept until its tables are freed, and compares and sort keys that read
// them instead of walking the tries. They give the results of the general
// engine (glcoll_int.h) for the strings they accept and decline the others
// (collating elements, characters beyond the tables), which the general
// engine then serves. Internal; not installed.
#pragma once

#include <cstdint>

#include "gl_locale.h"

namespace gls::coll {

// Rows and characters of one category: rows of the codes 0..255 and of the
// two-byte codes 0xC080..0xDFBF (lead bytes C0..DF, second bytes 80..BF);
// which of them are characters of the code set, by the class trie.
struct FastTables {
    const void *weight_trie; // identity: the tables it was built from
    const void *class_trie;
    int32_t row1[256];
    int32_t row2[32 * 64];
    unsigned char char1[256]; // 1: the byte alone is a character
    unsigned char char2[32 * 64];
    unsigned char elem1[256]; // 1: a collating element starts with the code
    unsigned char elem2[32 * 64];
    // The elements starting with the code, in list order: positions
    // [elem_first, elem_last) of elem_list.
    int32_t elem_first1[256], elem_last1[256];
    int32_t elem_first2[32 * 64], elem_last2[32 * 64];
    int32_t *elem_list; // element indexes (allocated), or null
    // The elements starting with any other code, ordered by that code and
    // in list order within it (allocated), or null.
    int32_t *elem_other;
    int32_t elem_other_count;
    bool multibyte_ok; // one-byte terminator: the decoder may read the text
};

// The collating elements that may start with code c, in list order: the
// element list[k] for k in [first, last), or element k itself where list is
// null.
struct ElementRange {
    const int32_t *list;
    int first, last;
};

// By ft's indexes; every element when ft is null.
ElementRange elements_starting(const gl_locale *loc, const FastTables *ft, uint32_t c);

// The tables of a category (built on first use), or null when the fast
// paths do not apply (no weights, code-point mode, no memory).
const FastTables *fast_tables(const gl_locale *loc);

// Forgets the tables built from loc's weight or class trie; the loader calls
// it before freeing either.
void forget_fast_tables(const gl_locale *loc);

// Whether the fast paths are used (on by default; tests turn them off to
// compare with the general engine).
extern bool fast_paths_enabled;

// Compares by the tables; false when declined (then *result is unset).
// candidates: whether a byte of either text may start an element.
bool fast_byte_compare(const gl_locale *loc, const FastTables *ft, const unsigned char *s1, int n1,
                       const unsigned char *s2, int n2, bool candidates, int *result);
bool fast_multibyte_compare(const gl_locale *loc, const FastTables *ft, const unsigned char *s1, int n1,
                            const unsigned char *s2, int n2, int *result);
bool fast_wide_compare(const gl_locale *loc, const FastTables *ft, const uint32_t *s1, int n1, const uint32_t *s2,
                       int n2, int *result);
// Sort keys: the key length, or -1 when declined.
int fast_multibyte_key(const gl_locale *loc, const FastTables *ft, unsigned char *dst, const unsigned char *src,
                       int size);
int fast_wide_key(const gl_locale *loc, const FastTables *ft, unsigned char *dst, const uint32_t *src, int n,
                  int size);

} // namespace gls::coll

extern "C" {
// Turns the collation fast paths on or off (tests); returns the old state.
int _trw_gl_coll_fast_paths(int on);
}
