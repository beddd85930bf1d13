// Pieces the number and money format languages share: the grouping rule,
// work buffers on the stack with a heap fallback through the hooks, a wide
// output that counts its room, display widths, the reader of a conversion's
// syntax, and the reader of a plain decimal number (digits with grouped
// separators, a point, fraction digits, an exponent). Internal; not
// installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "gl_char.h"
#include "gl_ext.h"
#include "gl_locale.h"

namespace gls::fmt {

// ---- the grouping rule ----

// Group sizes from the point leftward. Past the stored sizes the last one
// repeats (repeat) or grouping stops. Sizes of 0 or less other than a final
// -1 or a final 0 after a size end the list there.
struct Grouping {
    int sizes[15] = {};
    int count = 0;
    bool repeat = false;

    // The size of group i (0 nearest the point); 0 when grouping has stopped.
    int size(int i) const
    {
        if (i < count)
            return sizes[i];
        return repeat && count > 0 ? sizes[count - 1] : 0;
    }
};

Grouping make_grouping(const int *sizes, int count);
Grouping numeric_grouping(const gl_locale *loc);
Grouping monetary_grouping(const gl_locale *loc);

// The number of separators that n integer digits take.
int separators_for(const Grouping &g, int n);

// ---- texts of the categories ----

extern const gl_wchar_t kEmptyWide[1];

// A wide text of a category, never null.
inline const gl_wchar_t *wide(const uint32_t *w) { return w != nullptr ? w : kEmptyWide; }

struct Conventions {
    const gl_wchar_t *point;
    const gl_wchar_t *separator;
    const gl_wchar_t *positive;
    const gl_wchar_t *negative;
    Grouping grouping;
};

Conventions numeric_conventions(const gl_locale *loc);
Conventions monetary_conventions(const gl_locale *loc);

// ---- wide text helpers ----

int wide_length(const gl_wchar_t *s);
// Display columns of n characters (n < 0: up to the terminator); characters
// without a width count 1.
int columns(gl_locale *loc, const gl_wchar_t *s, int n = -1);
int char_columns(gl_locale *loc, gl_wchar_t wc);
bool is_space(gl_locale *loc, gl_wchar_t wc);
// True when s begins with the non-empty text t.
bool starts_with(const gl_wchar_t *s, const gl_wchar_t *t);

// ---- work buffers ----

// An array of T on the stack up to N elements, on the heap beyond.
template <typename T, size_t N> class WorkArray {
  public:
    WorkArray() = default;
    WorkArray(const WorkArray &) = delete;
    WorkArray &operator=(const WorkArray &) = delete;
    ~WorkArray() { release(); }
    // Room for n elements; false when the heap has none (the contents are
    // kept when growing).
    bool reserve(size_t n)
    {
        if (n <= capacity_)
            return true;
        T *grown = static_cast<T *>(_gl_ext_malloc(n * sizeof(T)));
        if (grown == nullptr)
            return false;
        std::memcpy(grown, data_, capacity_ * sizeof(T));
        release();
        data_ = grown;
        capacity_ = n;
        return true;
    }
    T *data() { return data_; }
    const T *data() const { return data_; }
    size_t capacity() const { return capacity_; }

  private:
    void release()
    {
        if (data_ != local_)
            _gl_ext_free(data_);
        data_ = local_;
        capacity_ = N;
    }
    T local_[N];
    T *data_ = local_;
    size_t capacity_ = N;
};

// ---- wide output with a limit ----

// Wide characters written into a caller's buffer of size places (one kept
// for the terminator), or into a work array that grows up to that limit.
class WideOut {
  public:
    WideOut(gl_wchar_t *buffer, int size);            // fixed buffer
    explicit WideOut(int size);                       // growing work array
    bool put(gl_wchar_t c)
    {
        if (!room(1))
            return false;
        (fixed_ != nullptr ? fixed_ : work_.data())[at_++] = c;
        return true;
    }
    bool put(const gl_wchar_t *s, int n = -1);
    // n ASCII characters; as many as fit when not all do.
    bool put_ascii(const char *s, int n)
    {
        if (n <= 0 || !fits(n)) {
            for (int i = 0; i < n; ++i)
                if (!put(static_cast<gl_wchar_t>(static_cast<unsigned char>(s[i]))))
                    return false;
            return true;
        }
        gl_wchar_t *to = (fixed_ != nullptr ? fixed_ : work_.data()) + at_;
        for (int i = 0; i < n; ++i)
            to[i] = static_cast<unsigned char>(s[i]);
        at_ += n;
        return true;
    }
    bool repeat(gl_wchar_t c, long n);
    // Terminates the text; the count written.
    int finish();
    int count() const { return at_; }
    long limit() const { return limit_; }
    const gl_wchar_t *text() const { return fixed_ != nullptr ? fixed_ : work_.data(); }
    // 14 for no room, 3 when the work array could not grow.
    int error() const { return error_; }

  private:
    bool fits(long n) const
    {
        return error_ == 0 && at_ + n + 1 <= limit_ &&
               (fixed_ != nullptr || static_cast<size_t>(at_ + n + 1) <= work_.capacity());
    }
    bool room(long n) { return fits(n) || grow(n); }
    bool grow(long n);
    gl_wchar_t *fixed_ = nullptr;
    WorkArray<gl_wchar_t, 128> work_;
    long limit_;
    int at_ = 0;
    int error_ = 0;
};

// Writes n ASCII characters.
bool put_ascii(WideOut &out, const char *s, int n);

// The parts of a number as the formatters write it.
struct Field {
    const gl_wchar_t *sign = kEmptyWide; // sign text, or blanks
    int sign_blanks = 0;                 // blanks in place of a sign
    const char *prefix = "";             // "0x", "0X"
    long zeros = 0;                      // zeros before the digits
    const char *digits = "";             // integer digits (ASCII)
    int ndigits = 0;
    bool group = false;
    const char *rest = "";               // after the integer digits: point, fraction, exponent
};

// Writes the integer digits of f, with cv's separator by its grouping when
// f.group is set.
bool put_grouped(WideOut &out, const Field &f, const Conventions &cv);

// ---- multibyte to wide ----

// Converts at most max characters (max < 0: all) of a terminated multibyte
// text into a terminated wide text at *out of capacity places; true when the
// whole text (or max characters of it) fit; *length gets the characters
// converted. false with error 1 for an invalid character.
bool wide_prefix(gl_locale *loc, const char *mbs, gl_wchar_t *out, size_t capacity, long max,
                 long *length, bool *complete, bool stop_at_invalid);

// The wide form of a terminated multibyte text (at most max characters when
// max >= 0) in a work array; with stop_at_invalid the text ends before an
// invalid character. false with the error number set (1, 3).
template <size_t N>
bool to_wide(gl_locale *loc, const char *mbs, WorkArray<gl_wchar_t, N> &out, long max = -1,
             bool stop_at_invalid = false)
{
    long length = 0;
    bool complete = false;
    if (!wide_prefix(loc, mbs, out.data(), out.capacity(), max, &length, &complete, stop_at_invalid))
        return false;
    if (complete)
        return true;
    const long need = max >= 0 ? max : length + static_cast<long>(std::strlen(mbs));

    if (!out.reserve(static_cast<size_t>(need) + 1)) {
        *_gl_ext_errno(loc) = GL_ENOMEM;
        return false;
    }
    return wide_prefix(loc, mbs, out.data(), out.capacity(), max, &length, &complete, stop_at_invalid);
}

// The byte offset of the character at wide index k of a multibyte text.
long byte_offset(gl_locale *loc, const char *mbs, long k);
// Writes the wide text into out of size bytes with its terminator; the
// bytes without the terminator, or -1 (14, 1).
int to_multibyte(gl_locale *loc, const gl_wchar_t *w, char *out, int size);

// The wide form of a multibyte format: 31 characters on the stack.
using WideFormat = WorkArray<gl_wchar_t, 32>;

// A formatter's output and format: false with error 2 (null) or 14 (a size
// of 0 or less, no place for the terminator).
bool output_usable(gl_locale *loc, const void *out, int size, const void *format);

// One step of a parser's format outside its conversions: white space skips
// any white space of the text, other characters (and "%%") must equal the
// text's. 1 after a step, 0 at a conversion, -1 on a mismatch (error 22).
int match_literal(gl_locale *loc, const gl_wchar_t *&f, const gl_wchar_t *&s);

// ---- conversion syntax ----

enum Flag : unsigned {
    kGroup = 1, kLeft = 2, kPlus = 4, kSpace = 8, kAlt = 16, kZero = 32,
};

// A number that did not fit reads as this.
constexpr int kSaturated = 0x3fffffff;

struct NumConv {
    int position = 0;   // "n$", 0 when not given
    bool suppress = false;
    unsigned flags = 0;
    int width = -1;     // -1 not given
    int width_arg = -1; // "*": 0 the next value, n for "*n$"
    int precision = -1;
    int precision_arg = -1;
    int size = 0;       // 'l' or 'h'
    gl_wchar_t conv = 0;
};

// Reads a number conversion after its "%". Returns the position after the
// conversion character, or null with *error set (15, 45, 22 for "*" where
// a parser allows none).
const gl_wchar_t *read_num_conv(const gl_wchar_t *p, NumConv &c, bool parsing, int *error);

// The kind (GL_FMT_...) of the value a conversion character reads, 0 for an
// unknown one.
int value_kind(const NumConv &c);

// ---- plain numbers ----


enum class GroupMode { kNone, kStrict, kLenient };

// Reads a sign and a plain number (the worker of the floating readers, the
// MONETARY conventions when monetary is set); *error gets 46, 6 or 7.
double read_double(gl_locale *loc, const gl_wchar_t *text, const gl_wchar_t **end, GroupMode mode, bool monetary,
                   int *error);

// Reads digits of base with separators between them (a separator counts
// only before a digit) into digits (ASCII, small letters; at most cap), their
// count into *count. In kStrict mode the groups must follow the grouping
// rule, the leftmost one not longer than its size; kLenient also accepts a
// run without any separator. *error gets 7 for a fault.
const gl_wchar_t *read_grouped_digits(const gl_wchar_t *p, const Conventions &c, GroupMode mode, int base,
                                      char *digits, size_t cap, size_t *count, int *error);

// Reads digits (separators checked by the grouping rule in kStrict mode,
// also accepted without any in kLenient), the point and fraction digits and,
// with exponent, "e"/"E", a sign and digits, from p. Writes the C text of the
// number ("123.45e-6") into text (cap characters, at most kPlainMax digits
// are taken). Returns the position after the last character used (p when no
// digit was read); *error gets 7 for a grouping fault.
constexpr int kPlainMax = 1100;
const gl_wchar_t *read_plain_number(const gl_wchar_t *p, const Conventions &c, GroupMode mode,
                                    bool exponent, char *text, size_t cap, int *error);

// The system's text-to-double conversion of a plain C number text (its
// "." exchanged for the point of the system's current locale); *range is
// set for a range error.
double plain_to_double(const char *plain, bool *range);

// The integer value of a digit in base (0..35), or -1.
int digit_value(gl_wchar_t wc, int base);

} // namespace gls::fmt
