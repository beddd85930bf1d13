// Change logs against a model: seeded random sequences of insert, update,
// positioned update, delete, delete-all, positioning, next and flattening on
// several cursors, for SET, MULTISET, LIST and ROW values with fixed,
// variable and nested elements. The model is a plain vector of elements and
// the cursor rules; after every step the merged view, the cardinality,
// cl_len and every cursor are compared with it, and after flattening the
// data buffer and the hash with the model encoded here. The same sequences
// run again with allocations failing: a call that fails with -837 must have
// changed nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "genlib/coll_support.h"
#include "support/alloc_fail.h"

using namespace colltest;

namespace {

enum class Elem { Int, Text, NestedSet };

struct Config {
    const char *name;
    int kind;
    Elem elem;
};

const Config kConfigs[] = {
    {"set of integer", TRW_SQL_SET, Elem::Int},
    {"set of varchar", TRW_SQL_SET, Elem::Text},
    {"multiset of varchar", TRW_SQL_MULTISET, Elem::Text},
    {"multiset of integer", TRW_SQL_MULTISET, Elem::Int},
    {"list of integer", TRW_SQL_LIST, Elem::Int},
    {"list of varchar", TRW_SQL_LIST, Elem::Text},
    {"list of set(integer)", TRW_SQL_LIST, Elem::NestedSet},
    {"row(integer, varchar)", TRW_SQL_ROW, Elem::Int},
};

struct ModelCursor {
    int pos = 0;
    bool deleted = false;
};

class Model {
public:
    Model(const Config &cfg, uint32_t seed) : cfg_(cfg), rng_(seed)
    {
        type_.add(cfg.kind, 0);
        if (cfg.kind == TRW_SQL_ROW) {
            type_.add(TRW_SQL_INTEGER, 1, "a");
            type_.add(TRW_SQL_VARCHAR, 1, "b", 20);
        } else if (cfg.elem == Elem::Int) {
            type_.add(TRW_SQL_INTEGER, 1);
        } else if (cfg.elem == Elem::Text) {
            type_.add(TRW_SQL_VARCHAR, 1, "", 20);
        } else {
            type_.add(TRW_SQL_SET, 1);
            type_.add(TRW_SQL_INTEGER | TRW_COLL_NOTNULL, 2);
        }
        fixed_ = cfg.kind != TRW_SQL_ROW && cfg.elem == Elem::Int;
        if (cfg.kind == TRW_SQL_ROW) {
            elems_ = {value(1), value(2)};
        } else {
            const int n = static_cast<int>(rng_() % 6);
            for (int i = 0; i < n; ++i) {
                Bytes v = value(0);
                if (cfg.kind != TRW_SQL_SET || std::find(elems_.begin(), elems_.end(), v) == elems_.end())
                    elems_.push_back(v);
            }
        }
        initial_ = encode(elems_, fixed_);
        EXPECT_EQ(trw_coll_init(&coll_, type_.get(), 1, initial_.empty() ? nullptr : initial_.data(),
                                static_cast<int>(initial_.size())),
                  0);
        len_ = static_cast<int>(initial_.size());
        for (auto &c : cursors_)
            EXPECT_EQ(trw_coll_open(&coll_, &c), 0);
    }

    ~Model()
    {
        for (auto &c : cursors_)
            trw_coll_close(&coll_, &c);
        trw_coll_free(&coll_);
    }

    // Runs one random operation; with fail_at >= 0 the allocation after
    // fail_at successful ones fails.
    void step(long fail_at)
    {
        const int op = static_cast<int>(rng_() % 11);
        const int ci = static_cast<int>(rng_() % kCursors);
        const int n = static_cast<int>(elems_.size());
        const int field = cfg_.kind == TRW_SQL_ROW ? 1 + static_cast<int>(rng_() % 2) : 0;
        if (fail_at >= 0)
            trwtest::fail_allocation_after(fail_at);
        switch (op) {
        case 0: case 1: insert(0); break;
        case 2: insert(1 + static_cast<int>(rng_() % (n + 1))); break;
        case 3: update_cursor(ci); break;
        case 4: update_pos(1 + static_cast<int>(rng_() % (n + 1)), field); break;
        case 5: delete_cursor(ci); break;
        case 6: if (rng_() % 8 == 0) delete_all(ci); break;
        case 7: pos(ci, static_cast<int>(rng_() % (n + 2))); break;
        case 8: case 9: next(ci); break;
        default: if (rng_() % 3 == 0) tuple(); break;
        }
        trwtest::allow_allocations();
        check();
    }

    std::string where;

private:
    static constexpr int kCursors = 3;

    Bytes value(int field)
    {
        const Elem e = cfg_.kind == TRW_SQL_ROW ? (field == 2 ? Elem::Text : Elem::Int) : cfg_.elem;
        if (e == Elem::Int)
            return be4(rng_() % 10);
        if (e == Elem::Text) {
            Bytes s;
            const int len = static_cast<int>(rng_() % 4);
            for (int i = 0; i < len; ++i)
                s += static_cast<char>('a' + rng_() % 3);
            return s;
        }
        std::vector<Bytes> inner;
        uint32_t h = 0;
        const int len = static_cast<int>(rng_() % 3);
        for (int i = 0; i < len; ++i) {
            inner.push_back(be4(rng_() % 4));
            h ^= word_xor(inner.back());
        }
        return nested(encode(inner, true), h);
    }

    bool failed(int rc)
    {
        if (rc == TRW_COLL_ENOMEM) {
            EXPECT_TRUE(trwtest::allocation_failed()) << where;
            return true;
        }
        return false;
    }

    bool is_set() const { return cfg_.kind == TRW_SQL_SET; }

    void insert(int position)
    {
        const int n = static_cast<int>(elems_.size());
        Bytes v = value(position == 0 ? n + 1 : position);
        if (cfg_.kind == TRW_SQL_ROW) {
            EXPECT_EQ(trw_coll_insert(&coll_, v.data(), static_cast<int>(v.size()), 1), TRW_COLL_ENOTLIST) << where;
            return;
        }
        const int rc = trw_coll_insert(&coll_, v.data(), static_cast<int>(v.size()), position);
        if (position != 0 && cfg_.kind != TRW_SQL_LIST) {
            EXPECT_EQ(rc, TRW_COLL_ENOTLIST) << where;
            return;
        }
        if (failed(rc))
            return;
        ASSERT_EQ(rc, 0) << where;
        if (is_set() && std::find(elems_.begin(), elems_.end(), v) != elems_.end())
            return;
        const int r = position == 0 ? n + 1 : position;
        elems_.insert(elems_.begin() + (r - 1), v);
        len_ += static_cast<int>(v.size());
        for (auto &m : model_cursors_)
            if (m.pos >= r)
                ++m.pos;
    }

    bool other_on(int ci, int r) const
    {
        for (int i = 0; i < kCursors; ++i)
            if (i != ci && model_cursors_[i].pos == r && !model_cursors_[i].deleted)
                return true;
        return false;
    }

    void remove(int ci, int r)
    {
        len_ -= static_cast<int>(elems_[r - 1].size());
        elems_.erase(elems_.begin() + (r - 1));
        for (int i = 0; i < kCursors; ++i)
            if (i != ci && model_cursors_[i].pos > r)
                --model_cursors_[i].pos;
        if (ci >= 0)
            model_cursors_[ci].deleted = true;
    }

    // The update of position r by cursor ci (-1: by position).
    void update_model(int ci, int r, const Bytes &v)
    {
        if (is_set()) {
            for (int i = 0; i < static_cast<int>(elems_.size()); ++i)
                if (i != r - 1 && elems_[i] == v) {
                    remove(ci, r);
                    return;
                }
        }
        len_ += static_cast<int>(v.size()) - static_cast<int>(elems_[r - 1].size());
        elems_[r - 1] = v;
    }

    void update_cursor(int ci)
    {
        ModelCursor &m = model_cursors_[ci];
        Bytes v = value(m.pos);
        const int rc = trw_coll_update(&coll_, &cursors_[ci], v.data(), static_cast<int>(v.size()));
        if (m.deleted) {
            EXPECT_EQ(rc, TRW_COLL_EDELETED) << where;
            return;
        }
        if (m.pos < 1 || m.pos > static_cast<int>(elems_.size())) {
            EXPECT_EQ(rc, TRW_COLL_ECORRUPT) << where;
            return;
        }
        if (other_on(ci, m.pos)) {
            EXPECT_EQ(rc, TRW_COLL_EUPDBUSY) << where;
            return;
        }
        if (failed(rc))
            return;
        ASSERT_EQ(rc, 0) << where;
        update_model(ci, m.pos, v);
    }

    void update_pos(int r, int)
    {
        Bytes v = value(r);
        const int rc = trw_coll_update_pos(&coll_, r, v.data(), static_cast<int>(v.size()));
        if (r > static_cast<int>(elems_.size())) {
            EXPECT_EQ(rc, TRW_COLL_NOTFOUND) << where;
            return;
        }
        if (other_on(-1, r)) {
            EXPECT_EQ(rc, TRW_COLL_EUPDBUSY) << where;
            return;
        }
        if (failed(rc))
            return;
        ASSERT_EQ(rc, 0) << where;
        update_model(-1, r, v);
    }

    void delete_cursor(int ci)
    {
        ModelCursor &m = model_cursors_[ci];
        const int rc = trw_coll_delete(&coll_, &cursors_[ci], 0);
        if (cfg_.kind == TRW_SQL_ROW) {
            EXPECT_EQ(rc, TRW_COLL_EROWDELETE) << where;
            return;
        }
        if (m.deleted) {
            EXPECT_EQ(rc, TRW_COLL_EDELETED) << where;
            return;
        }
        if (m.pos < 1 || m.pos > static_cast<int>(elems_.size())) {
            EXPECT_EQ(rc, TRW_COLL_ECORRUPT) << where;
            return;
        }
        if (other_on(ci, m.pos)) {
            EXPECT_EQ(rc, TRW_COLL_EDELBUSY) << where;
            return;
        }
        if (failed(rc))
            return;
        ASSERT_EQ(rc, 0) << where;
        remove(ci, m.pos);
    }

    void delete_all(int ci)
    {
        const int rc = trw_coll_delete(&coll_, &cursors_[ci], TRW_COLL_DELETE_ALL);
        for (int i = 0; i < kCursors; ++i)
            if (i != ci && model_cursors_[i].pos == 0) {
                EXPECT_EQ(rc, TRW_COLL_EDELBUSY) << where;
                return;
            }
        ASSERT_EQ(rc, 0) << where;
        elems_.clear();
        len_ = 0;
        for (auto &m : model_cursors_)
            m = ModelCursor{};
        if (cfg_.kind == TRW_SQL_ROW)
            rebuild_row();
    }

    // A ROW emptied by delete-all gets its fields again, by positioned
    // insert into a fresh record.
    void rebuild_row()
    {
        for (auto &c : cursors_)
            trw_coll_close(&coll_, &c);
        trw_coll_free(&coll_);
        elems_ = {value(1), value(2)};
        initial_ = encode(elems_, false);
        ASSERT_EQ(trw_coll_init(&coll_, type_.get(), 1, initial_.data(), static_cast<int>(initial_.size())), 0);
        len_ = static_cast<int>(initial_.size());
        for (auto &c : cursors_)
            ASSERT_EQ(trw_coll_open(&coll_, &c), 0);
    }

    void pos(int ci, int p)
    {
        const int rc = trw_coll_pos(&coll_, &cursors_[ci], p);
        if (p == 0) {
            EXPECT_EQ(rc, 0) << where;
            model_cursors_[ci] = ModelCursor{};
        } else if (p > static_cast<int>(elems_.size())) {
            EXPECT_EQ(rc, TRW_COLL_NOTFOUND) << where;
        } else {
            EXPECT_EQ(rc, 0) << where;
            model_cursors_[ci] = ModelCursor{p, false};
        }
    }

    void next(int ci)
    {
        ModelCursor &m = model_cursors_[ci];
        const int target = m.deleted ? (m.pos < 1 ? 1 : m.pos) : m.pos + 1;
        m.deleted = false;
        char *p = nullptr;
        int len = 0;
        const int rc = trw_coll_next(&coll_, &cursors_[ci], &p, &len);
        if (target > static_cast<int>(elems_.size())) {
            EXPECT_EQ(rc, TRW_COLL_NOTFOUND) << where;
            return;
        }
        ASSERT_EQ(rc, 0) << where;
        m.pos = target;
        EXPECT_EQ(Bytes(p, len), elems_[target - 1]) << where;
        // The copying form gives the same bytes.
        char buf[256];
        char *q = buf;
        ASSERT_EQ(trw_coll_pos(&coll_, &cursors_[ci], target), 0);
        if (target > 1) {
            ASSERT_EQ(trw_coll_pos(&coll_, &cursors_[ci], target - 1), 0);
            ASSERT_EQ(trw_coll_next(&coll_, &cursors_[ci], &q, &len), 0);
            EXPECT_EQ(Bytes(buf, len), elems_[target - 1]) << where;
        }
    }

    uint32_t model_hash() const
    {
        uint32_t h = 0;
        for (size_t i = 0; i < elems_.size(); ++i) {
            const bool text = cfg_.kind == TRW_SQL_ROW ? i == 1 : cfg_.elem == Elem::Text;
            if (cfg_.elem == Elem::NestedSet && cfg_.kind != TRW_SQL_ROW)
                h ^= static_cast<uint32_t>(static_cast<unsigned char>(elems_[i][12]) << 24 |
                                           static_cast<unsigned char>(elems_[i][13]) << 16 |
                                           static_cast<unsigned char>(elems_[i][14]) << 8 |
                                           static_cast<unsigned char>(elems_[i][15]));
            else
                h ^= text ? pjw211(elems_[i]) : word_xor(elems_[i]);
        }
        return h;
    }

    void tuple()
    {
        const bool changed = coll_.cl_log != nullptr;
        const int rc = trw_coll_tuple(&coll_);
        if (failed(rc))
            return;
        ASSERT_EQ(rc, 0) << where;
        const Bytes expected = encode(elems_, fixed_);
        len_ = static_cast<int>(expected.size());
        ASSERT_EQ(coll_.cl_datalen, static_cast<int>(expected.size())) << where;
        EXPECT_EQ(Bytes(coll_.cl_data, coll_.cl_datalen), expected) << where;
        if (!changed)
            return; // nothing to flatten: the record is as it was
        EXPECT_TRUE(coll_.cl_flags & COLL_HASHVALID) << where;
        EXPECT_EQ(coll_.cl_hashvalue, model_hash()) << where;
    }

    void check()
    {
        int status = 0;
        std::vector<Bytes> got = view(&coll_, &status);
        EXPECT_EQ(status, TRW_COLL_NOTFOUND) << where;
        ASSERT_EQ(got, elems_) << where;
        EXPECT_EQ(coll_.cl_cardinality, static_cast<int>(elems_.size())) << where;
        EXPECT_EQ(coll_.cl_len, len_) << where;
        for (int i = 0; i < kCursors; ++i) {
            EXPECT_EQ(cursors_[i].cu_pos, model_cursors_[i].pos) << where << " cursor " << i;
            EXPECT_EQ((cursors_[i].cu_flags & TRW_CURS_DELETED) != 0, model_cursors_[i].deleted)
                << where << " cursor " << i;
        }
        if (rng_() % 4 == 0) {
            trw_coll_hash(&coll_);
            EXPECT_EQ(coll_.cl_hashvalue, model_hash()) << where;
        }
    }

    const Config &cfg_;
    std::mt19937 rng_;
    Type type_;
    bool fixed_ = false;
    std::vector<Bytes> elems_;
    Bytes initial_;
    int len_ = 0;
    trw_collection coll_{};
    trw_coll_cursor cursors_[kCursors]{};
    ModelCursor model_cursors_[kCursors];
};

void run_sequences(int sequences, int steps, bool failing)
{
    for (const Config &cfg : kConfigs)
        for (int seq = 0; seq < sequences; ++seq) {
            trwtest::start_counting_live_blocks();
            {
                Model m(cfg, static_cast<uint32_t>(seq * 7919 + 17));
                std::mt19937 fail_rng(static_cast<uint32_t>(seq));
                for (int step = 0; step < steps; ++step) {
                    m.where = std::string(cfg.name) + " seq " + std::to_string(seq) + " step " + std::to_string(step);
                    m.step(failing ? static_cast<long>(fail_rng() % 2) : -1);
                    if (::testing::Test::HasFatalFailure() || ::testing::Test::HasNonfatalFailure())
                        return;
                }
            }
            EXPECT_EQ(trwtest::live_blocks(), 0) << cfg.name << " seq " << seq;
        }
}

} // namespace

TEST(CollModel, RandomSequencesMatchTheModel) { run_sequences(250, 60, false); }

TEST(CollModel, SequencesUnderAllocationFailure) { run_sequences(120, 60, true); }
