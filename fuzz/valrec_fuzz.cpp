// libFuzzer target for value records. The input is a type code (byte 0), a
// length word (bytes 1-2), a field length for the text (byte 3) and the
// stored bytes; the stored bytes sit in a buffer of exactly the size the
// type and length ask for (zero-filled when the input is short), so a read
// past them is caught. A loaded value is stored into every target type,
// each into a buffer of exactly the target's stored size followed by guard
// bytes, and turned into text at the field length. A value of the type it
// was loaded from stores back to bytes that load and store to the same
// bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "valrec.h"

namespace {

constexpr unsigned char kGuard = 0xA5;
constexpr size_t kGuards = 8;

int declen(int word) { return DECLEN((word >> 8) & 0xFF, word & 0xFF); }

// Bytes the stored form of type with length len takes; -1 for types that
// take the given room (collections and opaque forms: len itself).
long stored_size(int code, int len, int source_len)
{
    switch (code) {
    case 0: case 15: return len > 0 ? len : 0;
    case 13: case 16: return 1 + (len & 0xFF);
    case 43: return 5 + (len > 0 ? len : (source_len > 2048 ? source_len : 2048));
    case 45: return 6;
    case 1: return 2;
    case 2: case 6: case 7: case 4: return 4;
    case 3: return 8;
    case 17: case 18: return 10;
    case 5: case 8: case 10: case 14: return declen(len);
    case 11: case 12: return 56;
    default: return len > 0 ? len : 0;
    }
}

void check_guards(const std::vector<unsigned char> &buf, size_t from)
{
    for (size_t i = from; i < buf.size(); ++i)
        if (buf[i] != kGuard)
            std::abort();
}

bool store(valrec *v, int type, int len, std::vector<unsigned char> &out, int *status)
{
    const long size = stored_size(type & 0xFF, len, v->vlen);
    out.assign(static_cast<size_t>(size) + kGuards, kGuard);
    *status = rvaldata(v, reinterpret_cast<char *>(out.data()), type, len);
    check_guards(out, static_cast<size_t>(size));
    out.resize(static_cast<size_t>(size));
    return *status == 0;
}

void release(valrec *v)
{
    const int code = v->vtype & 0xFF;
    if (code >= TRW_SQL_SET && code <= TRW_SQL_COLLECTION)
        trw_coll_free(&v->vdata.vcoll);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    setenv("CLIENT_LOCALE", std::getenv("TRW_FUZZ_LOCALE") ? std::getenv("TRW_FUZZ_LOCALE") : "en_US.8859-1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4 || size > 8192)
        return 0;
    const int code = data[0];
    const int len = (data[1] << 8) | data[2];
    const int n = data[3] % 100;
    const size_t given = size - 4;
    // What the loader of the type may read: its fixed size, the length, or
    // for the forms that carry their own length, the bytes given.
    long need = stored_size(code, len, 0);
    if (code == 13 || code == 16)
        need = 1 + ((len & 0xFF) != 0 ? (len & 0xFF) : 255);
    const bool room_form = (code >= 19 && code <= 22) || code == 40 || code == 41 || code == 43 || code == 45;
    if (room_form)
        need = static_cast<long>(given);
    std::vector<unsigned char> stored(static_cast<size_t>(need > 0 ? need : 1), 0);
    std::memcpy(stored.data(), data + 4, given < stored.size() ? given : stored.size());
    const int load_len = room_form ? static_cast<int>(given) : len;
    if (room_form && given == 0)
        return 0;

    valrec v;
    std::memset(&v, 0, sizeof v);
    if (rdataval(reinterpret_cast<const char *>(stored.data()), code, load_len, &v) != 0)
        return 0;

    std::vector<unsigned char> out;
    int status = 0;
    for (int target = 0; target <= 60; ++target) {
        const int tlen = (target == 5 || target == 8) ? 0x1004 : target == 10 ? 0x0E0A : target == 14 ? 0x0F4A
                         : (target >= 19 && target <= 23) || target == 40 || target == 41 ? 4096 : 40;
        store(&v, target, tlen, out, &status);
    }
    // Back into its own type: the bytes load and store to themselves (for
    // declarable types: a DECIMAL or MONEY has a precision of 1 or more, a
    // VARCHAR a maximum of 1 or more; with a maximum of 0 the loader takes
    // the length byte uncapped while the field holds the length byte alone).
    const int own_len = room_form ? 8192 : len;
    const bool declarable = !((code == 5 || code == 8) && (len >> 8) == 0) &&
                            !((code == 13 || code == 16) && (len & 0xFF) == 0);
    if (store(&v, code, own_len, out, &status) && declarable) {
        if (code == 13 || code == 16)
            out.resize(static_cast<size_t>(1 + (len & 0xFF)));
        valrec w;
        std::memset(&w, 0, sizeof w);
        const int wlen = room_form ? static_cast<int>(out.size()) : len;
        if (rdataval(reinterpret_cast<const char *>(out.data()), code, wlen, &w) != 0)
            std::abort();
        std::vector<unsigned char> again;
        int s2 = 0;
        if (!store(&w, code, own_len, again, &s2) || again != out) {
            std::fprintf(stderr, "type %d length %d: stored again with %d, %zu bytes against %zu\n", code, len, s2,
                         again.size(), out.size());
            for (size_t i = 0; i < again.size() && i < out.size(); ++i)
                if (again[i] != out[i]) {
                    std::fprintf(stderr, "first difference at %zu: %02x against %02x\n", i, again[i], out[i]);
                    break;
                }
            std::abort();
        }
        release(&w);
    }
    // With n of 0 the text and its terminator: 81 bytes, or vlen + 1 for
    // character values (a DATE text may take up to its size limit).
    const size_t whole = static_cast<size_t>(v.vlen > 0 ? v.vlen : 0) + 1;
    std::vector<char> text((n > 0 ? static_cast<size_t>(n) : (whole > 1100 ? whole : 1100)) + kGuards,
                           static_cast<char>(kGuard));
    rvalstr(&v, text.data(), n, data[3] & 0x80);
    if (n > 0)
        for (size_t i = static_cast<size_t>(n); i < text.size(); ++i)
            if (static_cast<unsigned char>(text[i]) != kGuard)
                std::abort();
    release(&v);
    return 0;
}
