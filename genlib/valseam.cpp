// The value layer's calls into the DATETIME and INTERVAL standard text and
// into the collection loader and writer, in one place. Until those
// families are linked in, each call refuses with a clear status: the text
// of a DATETIME or INTERVAL and its reading give -1260 (not supported), a
// collection's loading and storing -1285 (no loader or writer).
#include "valint.h"

namespace valrec_int {

namespace {
constexpr int kNoText = -1260;
constexpr int kNoCollection = -1285;
} // namespace

int seam_dt_from_text(const char *, dt_value *dt)
{
    null_decimal(&dt->dt_dec);
    return kNoText;
}

int seam_dt_to_text(const dt_value *, char *out)
{
    out[0] = '\0';
    return kNoText;
}

int seam_inv_from_text(const char *, inv_value *inv)
{
    null_decimal(&inv->in_dec);
    return kNoText;
}

int seam_inv_to_text(const inv_value *, char *out)
{
    out[0] = '\0';
    return kNoText;
}

int seam_coll_load(const char *, int, int, valrec *, int) { return kNoCollection; }

int seam_coll_store(const valrec *, char *, int, int, int) { return kNoCollection; }

int seam_coll_store_null(char *, int, int, int) { return kNoCollection; }

} // namespace valrec_int
