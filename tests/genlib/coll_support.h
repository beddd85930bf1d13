// Collection tests: type descriptions built field by field, and the data
// buffer, the element hashes and nested values encoded here from the layout
// rules, independently of the code under test.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "collection.h"
#include "rtypes.h"

namespace colltest {

using Bytes = std::string;

struct Type {
    trw_coll_typedesc desc{};
    std::vector<trw_coll_typeentry> entries;

    // Adds an entry at level (0 for the collection itself).
    Type &add(int type, int level, const char *name = "", int length = 0, int xid = 0)
    {
        trw_coll_typeentry e{};
        e.seqno = static_cast<int16_t>(entries.size());
        e.level_no = static_cast<int16_t>(level);
        for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i)
            if (entries[i].level_no == level - 1) {
                e.parent_no = entries[i].seqno;
                break;
            }
        std::strncpy(e.fieldname, name, TRW_COLL_NAMELEN);
        e.fieldnmlen = static_cast<int16_t>(std::strlen(e.fieldname));
        e.field_no = static_cast<int16_t>(entries.size());
        e.type = static_cast<int16_t>(type);
        e.length = static_cast<int16_t>(length);
        e.xid = xid;
        entries.push_back(e);
        desc.td_count = static_cast<int16_t>(entries.size());
        desc.td_entries = entries.data();
        return *this;
    }
    trw_coll_typedesc *get()
    {
        desc.td_entries = entries.data();
        desc.td_count = static_cast<int16_t>(entries.size());
        return &desc;
    }
};

inline Bytes be4(uint32_t v)
{
    Bytes b(4, '\0');
    b[0] = static_cast<char>(v >> 24);
    b[1] = static_cast<char>(v >> 16);
    b[2] = static_cast<char>(v >> 8);
    b[3] = static_cast<char>(v);
    return b;
}

inline Bytes be2(int v)
{
    Bytes b(2, '\0');
    b[0] = static_cast<char>(v >> 8);
    b[1] = static_cast<char>(v);
    return b;
}

// The data buffer of elements: fixed-size elements back to back, else the
// elements, then the offsets from the last 4 bytes down, then -1.
inline Bytes encode(const std::vector<Bytes> &elems, bool fixed)
{
    Bytes out;
    std::vector<uint32_t> offs;
    for (const Bytes &e : elems) {
        offs.push_back(static_cast<uint32_t>(out.size()));
        out += e;
    }
    if (fixed || elems.empty())
        return out;
    out += be4(0xFFFFFFFFu);
    for (size_t i = offs.size(); i-- > 0;)
        out += be4(offs[i]);
    return out;
}

inline uint32_t pjw211(const Bytes &s)
{
    uint32_t h = 0;
    for (unsigned char c : s) {
        if (c == 0)
            break;
        h = h * 16 + c;
        uint32_t g = h & 0xF0000000u;
        if (g) {
            h ^= g >> 24;
            h ^= g;
        }
    }
    return h % 211;
}

inline uint32_t word_xor(const Bytes &s)
{
    uint32_t h = 0;
    for (size_t i = 0; i < s.size(); i += 4) {
        uint32_t w = 0;
        for (size_t j = 0; j < 4; ++j)
            w = (w << 8) | (i + j < s.size() ? static_cast<unsigned char>(s[i + j]) : 0u);
        h ^= w;
    }
    return h;
}

// A nested value holding the data buffer payload with hash h.
inline Bytes nested(const Bytes &payload, uint32_t h)
{
    Bytes out = be2(static_cast<int>(14 + payload.size()));
    out += Bytes(6, '\0');
    out += be4(TRW_NESTED_INLINE1);
    out += be4(h);
    return out + payload;
}

// Every element of the merged view, walked with a fresh cursor.
inline std::vector<Bytes> view(trw_collection *c, int *status = nullptr)
{
    std::vector<Bytes> out;
    trw_coll_cursor cu;
    int rc = trw_coll_open(c, &cu);
    for (;;) {
        if (rc != 0)
            break;
        char *p = nullptr;
        int len = 0;
        rc = trw_coll_next(c, &cu, &p, &len);
        if (rc == 0)
            out.emplace_back(p, len);
    }
    trw_coll_close(c, &cu);
    if (status != nullptr)
        *status = rc;
    return out;
}

} // namespace colltest
