// Internal interface of the Unicode service library (libtrwglu.so): the
// host's hooks it runs on, its diagnostics, the mapping data read from
// locmap, and the service locale and conversion handles. Shared by the
// modules of the library only.
//
// Every block the service allocates comes from the host's allocator hooks,
// ICU's own included (u_setMemoryFunctions, before ICU is first used), and
// every byte it reads from a file comes through the host's stream hooks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <unicode/ucnv.h>
#include <unicode/ucol.h>

#include "../glu.h"

#define GLU_EXPORT extern "C" __attribute__((visibility("default")))

namespace glu {

// Error numbers of the locale library the service reports.
constexpr int16_t kEilseq = 1;  // invalid input
constexpr int16_t kEnomem = 3;  // memory
constexpr int16_t kEinval = 7;  // incomplete input, bad argument
constexpr int16_t kEfile = 8;   // data file missing or damaged
constexpr int16_t kE2big = 14;  // output full

// The host's hooks (the platform's routines until the host hands its own).
struct Hooks {
    gl_ext_malloc_fn malloc;
    gl_ext_calloc_fn calloc;
    gl_ext_realloc_fn realloc;
    gl_ext_free_fn free;
    gl_ext_stream_fn fgetc;
    gl_ext_fseek_fn fseek;
    gl_ext_ftell_fn ftell;
    gl_ext_stream_fn ferror;
    gl_ext_stream_fn feof;
    gl_ext_fopen_fn fopen;
    gl_ext_stream_fn fclose;
};
extern Hooks hooks;

void *allocate(std::size_t size);
void release(void *block);

// Points ICU's allocator at the host's hooks; done once, before the service
// first calls ICU.
void route_icu_memory();

// Diagnostics through the host's printer: level 1 errors, 2 warnings, 3
// progress; printed when the host's message level includes them.
void message(int level, const char *format, ...) __attribute__((format(printf, 2, 3)));

// One claim of locmap: a normal locale specification ("en_US.57372"), the
// categories claimed (bit 1 << category, CTYPE 2 .. MESSAGES 7) and the ICU
// locale ID.
struct LocaleClaim {
    char spec[24];
    unsigned categories;
    char icu_id[64];
};

// A code set the service converts: its number and ICU converter name.
struct CodeSet {
    unsigned number;
    char kit_name[24];
    char icu_name[64];
    int min_len, max_len;
};

struct Pair {
    unsigned source, target;
};

// The mapping data (glu_loadMapData's result).
struct Map {
    LocaleClaim *locales;
    int locale_count;
    CodeSet *codesets;
    int codeset_count;
    Pair *pairs;
    int pair_count;
};

const LocaleClaim *find_locale(const Map *map, const char *spec);
const CodeSet *find_codeset(const Map *map, unsigned number);
bool claims_pair(const Map *map, unsigned source, unsigned target);

// A service locale: ICU's collator for the claimed locale and the converter
// of the locale's code set (null for UTF-8, converted by ICU's UTF-8 calls).
struct Locale {
    UCollator *collator;
    UConverter *converter;
    unsigned codeset;
    int min_len, max_len;
    bool utf8;
};

// Serialises the use of service locales' converters, which ICU does not
// share between threads (collators are used read-only and need no lock).
std::mutex &converter_lock();

// Text of a service locale as UTF-16, in a local buffer or a hook block.
class Utf16 {
public:
    Utf16() = default;
    Utf16(const Utf16 &) = delete;
    Utf16 &operator=(const Utf16 &) = delete;
    ~Utf16();
    // Converts n bytes (n < 0: up to the terminator). 0 or kEilseq,
    // kEinval (input ends inside a character), kEnomem.
    int16_t assign(Locale *loc, const char *text, int n);
    // UTF-32 text (n < 0: up to its 0). 0, kEilseq or kEnomem.
    int16_t assign32(const uint32_t *text, int n);
    const UChar *data() const { return data_; }
    int32_t size() const { return size_; }

private:
    bool reserve(int32_t n);
    UChar local_[256];
    UChar *data_ = local_;
    int32_t capacity_ = 256;
    int32_t size_ = 0;
};

// Maps an ICU error of a conversion to the locale library's number.
int16_t error_of(UErrorCode status);

// The byte length of text: n, or up to its terminator.
inline int32_t text_length(const char *text, int n)
{
    return n >= 0 ? n : static_cast<int32_t>(std::strlen(text));
}

} // namespace glu
