// Collections through the public functions: stored forms built here from
// the layout (both name widths), the hash recomputed here, equality with
// elements of equal hash, type text, dumps, and the element and cursor rules
// with their errors.
#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "genlib/coll_support.h"

using namespace colltest;

namespace {

struct StoredEntry {
    int level;
    std::string name;
    int type;
    int length = 0;
    int xid = 0;
    std::string xname = "";
    std::string xowner = "";
};

Bytes name_field(const std::string &s, int w)
{
    Bytes b = s.substr(0, w);
    b.resize(w, '\0');
    return b;
}

// The stored form from the layout rule.
Bytes stored_form(int w, const std::vector<StoredEntry> &entries, uint32_t flags, const Bytes &data,
                  int handle = 7)
{
    Bytes body = be4(0x1234) + be2(3) + name_field("tname", w) + be2(static_cast<int>(entries.size()));
    int seq = 0;
    for (const StoredEntry &e : entries) {
        const int len = static_cast<int>(std::min<size_t>(e.name.size(), w));
        body += be2(seq) + be2(e.level) + be2(e.level > 0 ? e.level - 1 : 0) + be2(len) + name_field(e.name, w);
        body += be2(seq) + be2(e.type) + be2(e.length) + be4(e.xid) + be2(0);
        body += be2(static_cast<int>(std::min<size_t>(e.xname.size(), w))) + name_field(e.xname, w);
        body += be2(static_cast<int>(std::min<size_t>(e.xowner.size(), w))) + name_field(e.xowner, w);
        body += be2(0) + be4(0);
        ++seq;
    }
    body += be4(handle) + be4(static_cast<uint32_t>(data.size())) + be4(flags) + data;
    return be4(static_cast<uint32_t>(body.size())) + body;
}

Bytes store(trw_collection *c, int longids)
{
    const int size = trw_coll_stored_size(c, longids);
    EXPECT_GT(size, 0);
    Bytes out(size, '\0');
    EXPECT_EQ(stcollection(c, out.data(), size, longids), 0);
    EXPECT_EQ(stcollection(c, out.data(), size - 1, longids), TRW_COLL_ESIZE);
    return out;
}

Bytes ints(std::initializer_list<uint32_t> v)
{
    std::vector<Bytes> e;
    for (uint32_t x : v)
        e.push_back(be4(x));
    return encode(e, true);
}

std::string type_text(trw_collection *c)
{
    char buf[512];
    EXPECT_EQ(trw_cltypetostr(c, buf, sizeof buf), 0);
    return buf;
}

// A collection initialised over data kept by the fixture.
struct Coll {
    Type type;
    Bytes data;
    trw_collection c{};
    Coll(Type t, Bytes d) : type(std::move(t)), data(std::move(d))
    {
        EXPECT_EQ(trw_coll_init(&c, type.get(), 1, data.empty() ? nullptr : data.data(),
                                static_cast<int>(data.size())),
                  0);
    }
    ~Coll() { trw_coll_free(&c); }
};

Type set_of(int kind, int elem, int length = 0)
{
    Type t;
    t.add(kind, 0).add(elem, 1, "", length);
    return t;
}

Bytes texts(const std::vector<Bytes> &v) { return encode(v, false); }

} // namespace

TEST(CollStored, FormsOfEveryElementFamilyRoundTripInBothWidths)
{
    struct Case {
        const char *what;
        std::vector<StoredEntry> entries;
        Bytes data;
        int card;
    };
    const Bytes nested_set = nested(ints({1, 2}), 3);
    const std::vector<Case> cases = {
        {"set of integer", {{0, "", TRW_SQL_SET}, {1, "", TRW_SQL_INTEGER | TRW_COLL_NOTNULL}}, ints({1, 2, 4}), 3},
        {"list of smallint", {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_SMALLINT}}, be2(5) + be2(-1), 2},
        {"multiset of decimal(8,2)", {{0, "", TRW_SQL_MULTISET}, {1, "", TRW_SQL_DECIMAL, 0x0802}},
         Bytes("\xc1\x01\x02\x03\x04", 5), 1},
        {"list of char(3)", {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_CHAR, 3}}, Bytes("abcxyz"), 2},
        {"list of varchar", {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_VARCHAR, 20}}, texts({"a", "", "ccc"}), 3},
        {"list of set(integer)",
         {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_SET}, {2, "", TRW_SQL_INTEGER}},
         texts({nested_set, Bytes("\0\1\1", 3)}),
         2},
        {"row",
         {{0, "", TRW_SQL_ROW}, {1, "a_rather_long_field_name_of_40_bytes____", TRW_SQL_INTEGER},
          {1, "b", TRW_SQL_VARCHAR, 10}},
         texts({be4(9), "hi"}),
         2},
        {"empty multiset", {{0, "", TRW_SQL_MULTISET}, {1, "", TRW_SQL_VARCHAR, 5}}, "", 0},
    };
    for (int longids : {0, 1}) {
        const int w = longids ? 128 : 18;
        for (const Case &k : cases) {
            SCOPED_TRACE(std::string(k.what) + (longids ? " long" : " short"));
            const Bytes form = stored_form(w, k.entries, 0, k.data);
            trw_collection c;
            ASSERT_EQ(ldcollection(form.data(), static_cast<int>(form.size()), &c, longids), 0);
            EXPECT_EQ(c.cl_cardinality, k.card);
            EXPECT_EQ(c.cl_handle, 7);
            EXPECT_EQ(store(&c, longids), form);
            // Changed, flattened, stored and loaded again: the same view.
            std::vector<Bytes> before = view(&c);
            if (k.card > 0 && k.entries[0].type != TRW_SQL_ROW) {
                ASSERT_EQ(trw_coll_insert(&c, before[0].data(), static_cast<int>(before[0].size()), 0), 0);
                ASSERT_EQ(trw_coll_update_pos(&c, 1, before.back().data(), static_cast<int>(before.back().size())), 0);
            }
            before = view(&c);
            const Bytes changed = store(&c, longids);
            trw_collection d;
            ASSERT_EQ(ldcollection(changed.data(), static_cast<int>(changed.size()), &d, longids), 0);
            EXPECT_EQ(view(&d), before);
            ASSERT_EQ(trw_coll_tuple(&c), 0);
            EXPECT_EQ(store(&c, longids), changed);
            trw_coll_free(&d);
            trw_coll_free(&c);
        }
    }
}

TEST(CollStored, NamesAreCutWithTheirLengthsAndCappedWhenLoading)
{
    const std::string longname(40, 'n');
    Type t;
    t.add(TRW_SQL_ROW, 0).add(TRW_SQL_INTEGER, 1, longname.c_str());
    Bytes data = texts({be4(1)});
    trw_collection c;
    ASSERT_EQ(trw_coll_init(&c, t.get(), 1, data.data(), static_cast<int>(data.size())), 0);
    const Bytes form = store(&c, 0);
    // The entry's name field: length 18, then the 18 bytes.
    const size_t at = 4 + 4 + 2 + 18 + 2 + (30 + 3 * 18) + 8;
    EXPECT_EQ(form.substr(at - 2, 2), be2(18));
    EXPECT_EQ(form.substr(at, 18), Bytes(18, 'n'));
    // A stored length beyond the field is capped at the field.
    Bytes bad = form;
    bad.replace(at - 2, 2, be2(300));
    trw_collection d;
    ASSERT_EQ(ldcollection(bad.data(), static_cast<int>(bad.size()), &d, 0), 0);
    EXPECT_EQ(std::string(d.cl_svr_typeinfo->td_entries[1].fieldname), std::string(18, 'n'));
    EXPECT_EQ(d.cl_svr_typeinfo->td_entries[1].fieldnmlen, 18);
    trw_coll_free(&d);
    trw_coll_free(&c);
}

TEST(CollStored, OpaqueEntriesMapToLvarcharAndBoolean)
{
    const Bytes lv = stored_form(18, {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_VARUDT, 0, 1}}, 0, texts({"xy"}));
    const Bytes bo = stored_form(18, {{0, "", TRW_SQL_SET}, {1, "", TRW_SQL_FIXUDT, 1, 5}}, 0, Bytes("\1\0", 2));
    trw_collection c;
    int type = 0;
    ASSERT_EQ(ldcollection(lv.data(), static_cast<int>(lv.size()), &c, 0), 0);
    ASSERT_EQ(trw_coll_elem_type(&c, 0, &type), 0);
    EXPECT_EQ(type, TRW_SQL_LVARCHAR);
    EXPECT_EQ(type_text(&c), "list(lvarchar)");
    trw_coll_hash(&c);
    EXPECT_EQ(c.cl_hashvalue, pjw211("xy"));
    trw_coll_free(&c);
    ASSERT_EQ(ldcollection(bo.data(), static_cast<int>(bo.size()), &c, 0), 0);
    ASSERT_EQ(trw_coll_elem_type(&c, 0, &type), 0);
    EXPECT_EQ(type, TRW_SQL_BOOLEAN);
    EXPECT_EQ(c.cl_cardinality, 2);
    trw_coll_free(&c);
    // Other opaque ids stay opaque: variable size, hashed after the prefix.
    const Bytes op = stored_form(18, {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_VARUDT, 0, 77}}, 0,
                                 texts({Bytes("\0\0\0\0\0\0\0\0\x09", 9), Bytes("abc", 3)}));
    ASSERT_EQ(ldcollection(op.data(), static_cast<int>(op.size()), &c, 0), 0);
    trw_coll_hash(&c);
    EXPECT_EQ(c.cl_hashvalue, 9u); // the short element gives nothing
    EXPECT_EQ(store(&c, 0), op);
    trw_coll_free(&c);
}

TEST(CollStored, NullCollectionKeepsItsNullThroughTheStoredForm)
{
    Coll k(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({1}));
    k.c.cl_flags |= COLL_ISNULL;
    const Bytes form = store(&k.c, 1);
    EXPECT_EQ(form.size(), 4u + 4 + 2 + 128 + 2 + 12);
    EXPECT_EQ(form.substr(10, 130), Bytes(130, '\0'));
    EXPECT_EQ(form.substr(form.size() - 4), be4(COLL_STORED_NULL));
    EXPECT_EQ(form.substr(4, 6), Bytes(6, '\0'));
    trw_collection c;
    ASSERT_EQ(ldcollection(form.data(), static_cast<int>(form.size()), &c, 1), 0);
    EXPECT_TRUE(c.cl_flags & COLL_ISNULL);
    EXPECT_EQ(trw_coll_insert(&c, "abcd", 4, 0), TRW_COLL_EISNULL);
    EXPECT_EQ(store(&c, 1), form);
    trw_coll_free(&c);
}

TEST(CollStored, BadFormsAreRefused)
{
    const Bytes good = stored_form(18, {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_VARCHAR}}, 0, texts({"ab", "c"}));
    trw_collection c;
    for (size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_NE(ldcollection(good.data(), static_cast<int>(cut), &c, 0), 0) << cut;
    // Offsets that decrease, that point into the table, no -1 slot.
    for (const Bytes &data : {Bytes("abc") + be4(0xFFFFFFFFu) + be4(0) + be4(2), Bytes("abc") + be4(0xFFFFFFFFu) + be4(9),
                              Bytes("abcd") + be4(0)}) {
        const Bytes bad = stored_form(18, {{0, "", TRW_SQL_LIST}, {1, "", TRW_SQL_VARCHAR}}, 0, data);
        EXPECT_EQ(ldcollection(bad.data(), static_cast<int>(bad.size()), &c, 0), TRW_COLL_ECORRUPT);
    }
    // A fixed-size element type whose size is 0.
    const Bytes zero = stored_form(18, {{0, "", TRW_SQL_SET}, {1, "", TRW_SQL_CHAR, 0}}, 0, "abc");
    EXPECT_EQ(ldcollection(zero.data(), static_cast<int>(zero.size()), &c, 0), TRW_COLL_ENOTYPE);
    // A ROW whose offsets disagree with its fields.
    const Bytes row = stored_form(18, {{0, "", TRW_SQL_ROW}, {1, "a", TRW_SQL_INTEGER}}, 0, texts({be4(1), be4(2)}));
    EXPECT_EQ(ldcollection(row.data(), static_cast<int>(row.size()), &c, 0), TRW_COLL_EROWCOUNT);
}

TEST(CollStored, SecondForm)
{
    Coll k(set_of(TRW_SQL_LIST, TRW_SQL_INTEGER), ints({5, 6}));
    char out[64];
    int written = 0;
    ASSERT_EQ(udtstore(&k.c, out, sizeof out, 0, 1, &written), 0);
    EXPECT_EQ(Bytes(out, written), be4(0) + be4(0) + be4(8) + ints({5, 6}));
    Coll m(set_of(TRW_SQL_LIST, TRW_SQL_INTEGER), "");
    ASSERT_EQ(ldudt(out, written, &m.c), 0);
    EXPECT_EQ(view(&m.c), view(&k.c));
    Bytes odd = be4(1) + be4(0) + be4(0);
    EXPECT_EQ(ldudt(odd.data(), static_cast<int>(odd.size()), &m.c), TRW_COLL_EFORM);
    Bytes null = be4(0) + be4(COLL_STORED_NULL);
    ASSERT_EQ(ldudt(null.data(), static_cast<int>(null.size()), &m.c), 0);
    EXPECT_TRUE(m.c.cl_flags & COLL_ISNULL);
    ASSERT_EQ(studt(&m.c, out, sizeof out), 0);
    EXPECT_EQ(Bytes(out, 8), null);
}

TEST(CollHash, ElementHashesRecomputed)
{
    Coll a(set_of(TRW_SQL_SET, TRW_SQL_VARCHAR), texts({"a"}));
    trw_coll_hash(&a.c);
    EXPECT_EQ(a.c.cl_hashvalue, 97u);
    Coll ccc(set_of(TRW_SQL_SET, TRW_SQL_VARCHAR), texts({"ccc"}));
    trw_coll_hash(&ccc.c);
    EXPECT_EQ(ccc.c.cl_hashvalue, 19u);
    Coll i(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({1, 2, 4}));
    trw_coll_hash(&i.c);
    EXPECT_EQ(i.c.cl_hashvalue, 7u);
    // PJW with folding, bytes above 0x7f taken unsigned.
    const Bytes longtext = "a fairly long text \xe9\xff with high bytes";
    Coll t(set_of(TRW_SQL_LIST, TRW_SQL_CHAR, static_cast<int>(longtext.size())), longtext);
    trw_coll_hash(&t.c);
    EXPECT_EQ(t.c.cl_hashvalue, pjw211(longtext));
    // Words: a short tail padded with zero bytes.
    Coll f(set_of(TRW_SQL_LIST, TRW_SQL_DECIMAL, 0x0802), Bytes("\xc1\x01\x02\x03\x04", 5));
    trw_coll_hash(&f.c);
    EXPECT_EQ(f.c.cl_hashvalue, 0xc1010203u ^ 0x04000000u);
    // Nested values by their stored hash.
    Type nt;
    nt.add(TRW_SQL_LIST, 0).add(TRW_SQL_SET, 1).add(TRW_SQL_INTEGER, 2);
    Coll n(nt, texts({nested(ints({1}), 0x55), nested(ints({2}), 0x0f), Bytes("\0\1\1", 3)}));
    trw_coll_hash(&n.c);
    EXPECT_EQ(n.c.cl_hashvalue, 0x55u ^ 0x0fu);
}

TEST(CollHash, ChangesInvalidateAndFlattenedHashAgrees)
{
    Coll k(set_of(TRW_SQL_MULTISET, TRW_SQL_VARCHAR), texts({"a", "bb", "ccc"}));
    trw_coll_hash(&k.c);
    ASSERT_TRUE(k.c.cl_flags & COLL_HASHVALID);
    trw_coll_cursor cu;
    ASSERT_EQ(trw_coll_open(&k.c, &cu), 0);
    char *p = nullptr;
    int len;
    ASSERT_EQ(trw_coll_next(&k.c, &cu, &p, &len), 0);
    ASSERT_EQ(trw_coll_update(&k.c, &cu, "zz", 2), 0);
    EXPECT_FALSE(k.c.cl_flags & COLL_HASHVALID);
    trw_coll_hash(&k.c);
    EXPECT_EQ(k.c.cl_hashvalue, pjw211("zz") ^ pjw211("bb") ^ pjw211("ccc"));
    ASSERT_EQ(trw_coll_next(&k.c, &cu, &p, &len), 0);
    ASSERT_EQ(trw_coll_delete(&k.c, &cu, 0), 0);
    EXPECT_FALSE(k.c.cl_flags & COLL_HASHVALID);
    ASSERT_EQ(trw_coll_update_pos(&k.c, 2, "q", 1), 0);
    EXPECT_FALSE(k.c.cl_flags & COLL_HASHVALID);
    trw_coll_hash(&k.c);
    const uint32_t before = k.c.cl_hashvalue;
    EXPECT_EQ(before, pjw211("zz") ^ pjw211("q"));
    ASSERT_EQ(trw_coll_close(&k.c, &cu), 0);
    ASSERT_EQ(trw_coll_tuple(&k.c), 0);
    EXPECT_EQ(k.c.cl_hashvalue, before);
    // Delete-all leaves a valid hash of 0; a missing element type gives 55567.
    ASSERT_EQ(trw_coll_delete(&k.c, nullptr, TRW_COLL_DELETE_ALL), 0);
    EXPECT_TRUE(k.c.cl_flags & COLL_HASHVALID);
    EXPECT_EQ(k.c.cl_hashvalue, 0u);
    Type row;
    row.add(TRW_SQL_ROW, 0).add(TRW_SQL_INTEGER, 1, "a");
    Coll r(row, "");
    ASSERT_EQ(trw_coll_insert(&r.c, "abcd", 4, 0), 0);
    ASSERT_EQ(trw_coll_insert(&r.c, "efgh", 4, 0), 0);
    trw_coll_hash(&r.c);
    EXPECT_EQ(r.c.cl_hashvalue, TRW_COLL_NOTYPE_HASH);
    EXPECT_EQ(trw_coll_tuple(&r.c), TRW_COLL_EROWCOUNT);
}

TEST(CollEqual, SetsMultisetsListsAndEqualHashes)
{
    // Two different texts of one PJW hash, found by search.
    std::map<uint32_t, Bytes> seen;
    Bytes x, y;
    for (int i = 0; x.empty(); ++i) {
        Bytes s = {static_cast<char>('a' + i % 26), static_cast<char>('a' + i / 26 % 26)};
        auto [it, fresh] = seen.emplace(pjw211(s), s);
        if (!fresh) {
            x = it->second;
            y = s;
        }
    }
    ASSERT_NE(x, y);
    ASSERT_EQ(pjw211(x), pjw211(y));
    auto equal = [](int kind, const std::vector<Bytes> &a, const std::vector<Bytes> &b) {
        Coll ca(set_of(kind, TRW_SQL_VARCHAR), texts(a));
        Coll cb(set_of(kind, TRW_SQL_VARCHAR), texts(b));
        int eq = -1, isnull = -1;
        EXPECT_EQ(trw_coll_equal(&ca.c, &cb.c, &eq, &isnull), 0);
        EXPECT_EQ(isnull, 0);
        return eq;
    };
    EXPECT_EQ(equal(TRW_SQL_SET, {"a", "b", "c"}, {"c", "a", "b"}), 1);
    EXPECT_EQ(equal(TRW_SQL_SET, {x, y}, {y, x}), 1);
    EXPECT_EQ(equal(TRW_SQL_SET, {x, "q"}, {y, "q"}), 0);
    EXPECT_EQ(equal(TRW_SQL_MULTISET, {x, x, y}, {y, x, x}), 1);
    EXPECT_EQ(equal(TRW_SQL_MULTISET, {x, x, y}, {x, y, y}), 0);
    EXPECT_EQ(equal(TRW_SQL_MULTISET, {"a", "a", "b"}, {"a", "b"}), 0);
    EXPECT_EQ(equal(TRW_SQL_LIST, {"a", "b"}, {"a", "b"}), 1);
    EXPECT_EQ(equal(TRW_SQL_LIST, {"a", "b"}, {"b", "a"}), 0);
    // Type mismatch and NULL operands.
    Coll s(set_of(TRW_SQL_SET, TRW_SQL_VARCHAR), texts({"a"}));
    Coll i(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({1}));
    int eq = 0, isnull = 0;
    EXPECT_EQ(trw_coll_equal(&s.c, &i.c, &eq, &isnull), TRW_COLL_ETYPES);
    i.c.cl_flags |= COLL_ISNULL;
    EXPECT_EQ(trw_coll_equal(&i.c, &i.c, &eq, &isnull), 0);
    EXPECT_EQ(isnull, 1);
    // Nested collections compare as collections, in any order.
    Type nt;
    nt.add(TRW_SQL_SET, 0).add(TRW_SQL_SET, 1).add(TRW_SQL_INTEGER, 2);
    Coll n1(nt, texts({nested(ints({1, 2}), 3)}));
    Coll n2(nt, texts({nested(ints({2, 1}), 3)}));
    EXPECT_EQ(trw_coll_equal(&n1.c, &n2.c, &eq, &isnull), 0);
    EXPECT_EQ(eq, 1);
    Coll inner(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({2, 1}));
    int found = 0;
    EXPECT_EQ(trw_coll_nested_inpred(&n1.c, &inner.c, &found), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(trw_coll_inpred(&s.c, "a", 1, &found), 0);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(trw_coll_inpred(&s.c, "b", 1, &found), 0);
    EXPECT_EQ(found, 0);
}

TEST(CollType, TypeText)
{
    Type set;
    set.add(TRW_SQL_SET, 0).add(TRW_SQL_INTEGER | TRW_COLL_NOTNULL, 1);
    EXPECT_STREQ([&] {
        static char b[64];
        trw_cltype2str(set.get(), b, sizeof b);
        return b;
    }(), "set(integer not null)");
    Type row;
    row.add(TRW_SQL_ROW, 0)
        .add(TRW_SQL_INTEGER, 1, "a")
        .add(TRW_SQL_CHAR, 1, "b", 10)
        .add(TRW_SQL_DECIMAL, 1, "c", 0x0802)
        .add(TRW_SQL_DATETIME | TRW_COLL_NOTNULL, 1, "d", 0x0E0A)
        .add(TRW_SQL_DECIMAL, 1, "e", 0x10FF);
    char buf[200];
    ASSERT_EQ(trw_cltype2str(row.get(), buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "row(a integer, b char(10), c decimal(8,2), d datetime year to second not null, e decimal(16))");
    EXPECT_EQ(trw_cltype2str(row.get(), buf, 20), TRW_COLL_ESIZE);
    Type nested_t;
    nested_t.add(TRW_SQL_LIST | TRW_COLL_NOTNULL, 0)
        .add(TRW_SQL_ROW | TRW_COLL_NOTNULL, 1)
        .add(TRW_SQL_SET, 2, "s")
        .add(TRW_SQL_VARCHAR, 3, "", 20)
        .add(TRW_SQL_MONEY, 2, "", 0x0C02)
        .add(TRW_SQL_INTERVAL, 2, "(expression)", 0x0468);
    ASSERT_EQ(trw_cltype2str(nested_t.get(), buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "list(row(s set(varchar(20)), money(12,2), interval hour to minute) not null) not null");
    nested_t.entries[1].xtype_nm_len = 5;
    std::strcpy(nested_t.entries[1].xtype_name, "point");
    std::strcpy(nested_t.entries[4].xtype_name, "cash");
    std::strcpy(nested_t.entries[4].xtype_owner_name, "ann");
    ASSERT_EQ(trw_cltype2str(nested_t.get(), buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "list(row(s set(varchar(20)), ann.cash, interval hour to minute) not null) not null");
}

TEST(CollDump, DumpTextWithPointersMasked)
{
    Coll k(set_of(TRW_SQL_LIST, TRW_SQL_VARCHAR, 20), texts({"abc", Bytes(40, 'z')}));
    auto masked = [] {
        std::string out = testing::internal::GetCapturedStdout();
        return std::regex_replace(out, std::regex("0x[0-9a-f]{5,}"), "0xP");
    };
    testing::internal::CaptureStdout();
    trw_dump(&k.c, "test");
    const std::string plain = masked();
    EXPECT_EQ(plain, "************************************************************\n"
                     "Dumping collection in test\n"
                     "collp: 0xP\n"
                     "\tLIST \n"
                     "cl_len = 55, cl_datalen = 55\n"
                     "\tcl_data = 0xP\n"
                     "\tcl_handle = 0, cl_curs = 0x0\n"
                     "\tcl_isfixed = 0, cl_elsize = 0\n"
                     "\tcl_flags = 0, cl_cardinality = 2\n"
                     "\tcl_log = 0x0, cl_lastlog = 0x0\n"
                     "\tcl_hashvalue = 0\n"
                     "\tcl_typed = 1, cl_typelen = 1132\n"
                     "\tcl_svr_typeinfo = 0x0, cl_typeinfo = 0xP\n"
                     "typeinfo: 0xP\n"
                     "\tcl_data at 0xP\n"
                     "55 bytes @ 0xP\n"
                     "    0: 61 62 63 7a 7a 7a 7a 7a  7a 7a 7a 7a 7a 7a 7a 7a  abczzzzzzzzzzzzz\n"
                     "   16: 7a 7a 7a 7a 7a 7a 7a 7a  7a 7a 7a 7a 7a 7a 7a 7a  zzzzzzzzzzzzzzzz\n"
                     "   32: 7a 7a 7a 7a 7a 7a 7a 7a  7a 7a 7a ff ff ff ff 00  zzzzzzzzzzz.....\n"
                     "   48: 00 00 03 00 00 00 00                              .......\n");
    trw_set_debug(TRW_DEBUG_TYPES | TRW_DEBUG_LOG);
    testing::internal::CaptureStdout();
    ASSERT_EQ(trw_coll_insert(&k.c, "hi", 2, 0), 0);
    trw_coll_dump(&k.c);
    trw_set_debug(0);
    const std::string debug = masked();
    const std::string types = "typeinfo: 0xP\n"
                              "\t[0]\n"
                              "\t\tseqno = 0, level_no=0, parent_no=0, field_no=0\n"
                              "\t\tfieldnmlen = 0, fieldname = \n"
                              "\t\ttype: list 21 (0x15)/xid=0\n"
                              "\t\tlength = 0, flags=0x0, align = 0, srctype = 0\n"
                              "\t[1]\n"
                              "\t\tseqno = 1, level_no=1, parent_no=0, field_no=1\n"
                              "\t\tfieldnmlen = 0, fieldname = \n"
                              "\t\ttype: varchar 13 (0xd)/xid=0\n"
                              "\t\tlength = 20, flags=0x0, align = 0, srctype = 0\n"
                              "Dumping changelog starting at 0xP\n"
                              "\tch_rownum = 3\n"
                              "\tch_modtype = 0\n"
                              "\tch_newrow = 0xP\n"
                              "\tch_newrowlen = 2\n"
                              "\tch_flag = 0\n"
                              "\tch_next = 0x0\n"
                              "2 bytes @ 0xP\n"
                              "    0: 68 69                                             hi\n";
    EXPECT_NE(debug.find(types), std::string::npos) << debug;
    EXPECT_EQ(debug.find("\tch_rownum = 3\n\tch_modtype = 0\n2 bytes"), 0u) << debug; // the new entry, bit 8
    // Repeated rows are counted.
    Bytes zeros(80, '\0');
    testing::internal::CaptureStdout();
    trw_hex_dump(zeros.data(), 80);
    EXPECT_EQ(masked(), "80 bytes @ 0xP\n"
                        "    0: 00 00 00 00 00 00 00 00  00 00 00 00 00 00 00 00  ................\n"
                        "\t****** dup output suppressed 4 rows\n");
}

TEST(CollRules, EdgeCasesAndErrors)
{
    // A duplicate in a SET is not inserted, and the call succeeds.
    Coll s(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({1, 2}));
    EXPECT_EQ(trw_coll_insert(&s.c, be4(2).data(), 4, 0), 0);
    EXPECT_EQ(s.c.cl_cardinality, 2);
    EXPECT_EQ(trw_coll_insert(&s.c, "ab", 2, 0), TRW_COLL_ELENGTH);
    EXPECT_EQ(trw_coll_insert(&s.c, be4(3).data(), 4, 1), TRW_COLL_ENOTLIST);
    // Three inserts, delete of position 2, flatten.
    Coll l(set_of(TRW_SQL_LIST, TRW_SQL_VARCHAR), "");
    for (const char *t : {"one", "two", "three"})
        ASSERT_EQ(trw_coll_insert(&l.c, t, static_cast<int>(std::strlen(t)), 0), 0);
    trw_coll_cursor a, b;
    ASSERT_EQ(trw_coll_open(&l.c, &a), 0);
    EXPECT_EQ(trw_coll_open(&l.c, &a), TRW_COLL_EOPEN);
    ASSERT_EQ(trw_coll_open(&l.c, &b), 0);
    ASSERT_EQ(trw_coll_pos(&l.c, &a, 2), 0);
    ASSERT_EQ(trw_coll_pos(&l.c, &b, 2), 0);
    EXPECT_EQ(trw_coll_delete(&l.c, &a, 0), TRW_COLL_EDELBUSY);
    EXPECT_EQ(trw_coll_update(&l.c, &a, "x", 1), TRW_COLL_EUPDBUSY);
    EXPECT_EQ(l.c.cl_cardinality, 3);
    ASSERT_EQ(trw_coll_pos(&l.c, &b, 3), 0);
    ASSERT_EQ(trw_coll_delete(&l.c, &a, 0), 0);
    EXPECT_EQ(b.cu_pos, 2);
    EXPECT_EQ(trw_coll_delete(&l.c, &a, 0), TRW_COLL_EDELETED);
    char *p = nullptr;
    int len = 0;
    ASSERT_EQ(trw_coll_next(&l.c, &a, &p, &len), 0);
    EXPECT_EQ(Bytes(p, len), "three");
    EXPECT_EQ(trw_coll_free(&l.c), TRW_COLL_ECURSORS);
    ASSERT_EQ(trw_coll_tuple(&l.c), 0);
    EXPECT_EQ(Bytes(l.c.cl_data, l.c.cl_datalen), Bytes("onethree") + be4(0xFFFFFFFFu) + be4(3) + be4(0));
    // Delete-all resets a cursor that stood on an element.
    ASSERT_EQ(trw_coll_pos(&l.c, &b, 1), 0);
    ASSERT_EQ(trw_coll_pos(&l.c, &a, 2), 0);
    ASSERT_EQ(trw_coll_delete(&l.c, &a, TRW_COLL_DELETE_ALL), 0);
    EXPECT_EQ(b.cu_pos, 0);
    EXPECT_EQ(trw_coll_next(&l.c, &b, &p, &len), TRW_COLL_NOTFOUND);
    // ... and is refused while another cursor stands before the first element.
    ASSERT_EQ(trw_coll_insert(&l.c, "q", 1, 0), 0);
    ASSERT_EQ(trw_coll_next(&l.c, &a, &p, &len), 0);
    EXPECT_EQ(trw_coll_delete(&l.c, &a, TRW_COLL_DELETE_ALL), TRW_COLL_EDELBUSY);
    // Streams move one element at a time.
    trw_coll_cursor st;
    ASSERT_EQ(trw_coll_open_with_options(&l.c, &st, TRW_COLL_STREAM), 0);
    EXPECT_EQ(trw_coll_pos(&l.c, &st, 2), TRW_COLL_ESTREAM);
    EXPECT_EQ(trw_coll_pos(&l.c, &st, 1), 0);
    for (trw_coll_cursor *c : {&a, &b, &st})
        ASSERT_EQ(trw_coll_close(&l.c, c), 0);
    // NULL elements where the type says not null; delete from a ROW.
    Coll nn(set_of(TRW_SQL_LIST, TRW_SQL_VARCHAR | TRW_COLL_NOTNULL), texts({"a"}));
    EXPECT_EQ(trw_coll_insert(&nn.c, nullptr, 0, 0), TRW_COLL_ENULLINSERT);
    EXPECT_EQ(trw_coll_update_pos(&nn.c, 1, nullptr, 0), TRW_COLL_ENULLUPDATE);
    Type row;
    row.add(TRW_SQL_ROW, 0).add(TRW_SQL_INTEGER, 1, "a");
    Coll r(row, texts({be4(1)}));
    ASSERT_EQ(trw_coll_open(&r.c, &a), 0);
    ASSERT_EQ(trw_coll_next(&r.c, &a, &p, &len), 0);
    EXPECT_EQ(trw_coll_delete(&r.c, &a, 0), TRW_COLL_EROWDELETE);
    ASSERT_EQ(trw_coll_close(&r.c, &a), 0);
    // A nested element of a bad kind.
    Type nt;
    nt.add(TRW_SQL_LIST, 0).add(TRW_SQL_SET, 1).add(TRW_SQL_INTEGER, 2);
    Coll n(nt, "");
    Bytes bad = nested(ints({1}), 1);
    bad[11] = 3;
    EXPECT_EQ(trw_coll_insert(&n.c, bad.data(), static_cast<int>(bad.size()), 0), TRW_COLL_EKIND);
    EXPECT_EQ(trw_coll_insert(&n.c, nullptr, 0, 0), 0);
    char nul[3];
    trw_coll_null(nul);
    EXPECT_EQ(view(&n.c), std::vector<Bytes>{Bytes(nul, 3)});
}

TEST(CollRules, CopyAndNestedValues)
{
    Coll inner(set_of(TRW_SQL_SET, TRW_SQL_INTEGER), ints({4, 8}));
    char buf[64];
    int written = 0;
    ASSERT_EQ(trw_coll_put_coll(&inner.c, buf, sizeof buf, &written), 0);
    EXPECT_EQ(Bytes(buf, written), nested(ints({4, 8}), 12));
    EXPECT_EQ(trw_coll_put_coll(&inner.c, buf, written - 1, &written), TRW_COLL_ESIZE);
    Type nt;
    nt.add(TRW_SQL_LIST, 0).add(TRW_SQL_SET, 1).add(TRW_SQL_INTEGER, 2);
    Coll outer(nt, texts({nested(ints({4, 8}), 12)}));
    trw_collection n, copy;
    char *p = nullptr;
    int len = 0;
    trw_coll_cursor cu;
    ASSERT_EQ(trw_coll_open(&outer.c, &cu), 0);
    ASSERT_EQ(trw_coll_next(&outer.c, &cu, &p, &len), 0);
    ASSERT_EQ(trw_coll_close(&outer.c, &cu), 0);
    ASSERT_EQ(trw_coll_set_nested_coll(&outer.c, 0, p, len, &n), 0);
    EXPECT_EQ(view(&n), view(&inner.c));
    EXPECT_EQ(type_text(&n), "set(integer)");
    ASSERT_EQ(trw_coll_insert(&outer.c, buf, 16 + 8, 0), 0);
    ASSERT_EQ(trw_coll_copy(&outer.c, &copy), 0);
    EXPECT_EQ(view(&copy), view(&outer.c));
    EXPECT_TRUE(copy.cl_flags & COLL_DATAOWNED);
    int type = 0, iscoll = 0;
    ASSERT_EQ(trw_coll_elem_type(&copy, 0, &type), 0);
    EXPECT_EQ(type, TRW_SQL_SET);
    ASSERT_EQ(trw_coll_elem_coll(&copy, 0, &iscoll), 0);
    EXPECT_EQ(iscoll, 1);
    trw_coll_free(&copy);
    trw_coll_free(&n);
}
