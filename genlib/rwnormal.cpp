// The normaliser of MATCHES and LIKE: a trie of character sequences with
// their replacements, siblings in ascending order at every level, restart
// links from deeper nodes to the first-level node of the same character,
// and an index of the first first-level node per leading byte. Normal
// form: at each position the longest sequence with a replacement is
// replaced (a deleted sequence by nothing), else one character is copied.
// Built on the first compilation from the client locale: the characters
// ignorable at every level of its collation have an empty normal form.
#include <cmath>
#include <cstring>

#include "gl_coll.h"
#include "rwmatch_int.h"

namespace rwm {

namespace {

struct Node {
    uint32_t wc;
    Node *child;
    Node *sibling;
    Node *restart;     // the first-level node of wc, for nodes below the first level
    uint32_t *repl;    // the replacement
    int repl_count;    // -1: no sequence ends here; 0: a deleted sequence
};

struct Normaliser {
    Node *first = nullptr; // first-level nodes
    Node *index[256] = {};
    double ratio = 1.0;
    bool built = false;
};

Normaliser normaliser;
unsigned generation = 0; // counts builds and drops, for keepers of compiled patterns

unsigned lead_byte(uint32_t wc)
{
    while (wc > 255)
        wc /= 256;
    return wc;
}

void free_nodes(Node *n)
{
    while (n != nullptr) {
        Node *next = n->sibling;
        free_nodes(n->child);
        std::free(n->repl);
        std::free(n);
        n = next;
    }
}

// The node for wc among the siblings from *link (kept in ascending order),
// created when absent; null without memory.
Node *child_for(Node **link, uint32_t wc)
{
    while (*link != nullptr && (*link)->wc < wc)
        link = &(*link)->sibling;
    if (*link != nullptr && (*link)->wc == wc)
        return *link;
    auto *n = static_cast<Node *>(std::calloc(1, sizeof(Node)));
    if (n == nullptr)
        return nullptr;
    n->wc = wc;
    n->repl_count = -1;
    n->sibling = *link;
    *link = n;
    return n;
}

bool insert(const NormalRule &r)
{
    if (r.from_count <= 0)
        return true;
    Node **link = &normaliser.first;
    Node *n = nullptr;
    for (int i = 0; i < r.from_count; ++i) {
        if ((n = child_for(link, r.from[i])) == nullptr)
            return false;
        link = &n->child;
    }
    std::free(n->repl);
    n->repl = nullptr;
    n->repl_count = r.to_count > 0 ? r.to_count : 0;
    if (r.to_count > 0) {
        if ((n->repl = static_cast<uint32_t *>(std::malloc(sizeof(uint32_t) * static_cast<size_t>(r.to_count)))) ==
            nullptr)
            return false;
        std::memcpy(n->repl, r.to, sizeof(uint32_t) * static_cast<size_t>(r.to_count));
        double growth = static_cast<double>(r.to_count) / r.from_count;
        normaliser.ratio = growth > normaliser.ratio ? growth : normaliser.ratio;
    }
    return true;
}

// The first-level node of wc, or null.
Node *first_level(uint32_t wc)
{
    Node *n = normaliser.index[lead_byte(wc)];
    while (n != nullptr && n->wc < wc)
        n = n->sibling;
    return n != nullptr && n->wc == wc ? n : nullptr;
}

void link_restarts(Node *n)
{
    for (; n != nullptr; n = n->sibling) {
        n->restart = first_level(n->wc);
        link_restarts(n->child);
    }
}

void finish()
{
    for (Node *n = normaliser.first; n != nullptr; n = n->sibling)
        if (normaliser.index[lead_byte(n->wc)] == nullptr)
            normaliser.index[lead_byte(n->wc)] = n;
    for (Node *n = normaliser.first; n != nullptr; n = n->sibling)
        link_restarts(n->child);
    normaliser.built = true;
}

// Visits the weight table: characters whose row is ignorable at every level.
struct Ignorables {
    gl_locale *loc;
    uint32_t *codes = nullptr;
    int count = 0;
    int room = 0;
};

int visit_row(void *arg, const unsigned char *bytes, int length, const void *element)
{
    auto *ig = static_cast<Ignorables *>(arg);
    uint16_t row;
    std::memcpy(&row, element, sizeof row);
    if (row > ig->loc->highest_row)
        return 0;
    for (int lv = 0; lv < ig->loc->levels; ++lv)
        if (ig->loc->weights[lv][row] != GL_WEIGHT_IGNORE)
            return 0;
    if (ig->count == ig->room) {
        int room = ig->room ? ig->room * 2 : 64;
        auto *c = static_cast<uint32_t *>(std::realloc(ig->codes, sizeof(uint32_t) * static_cast<size_t>(room)));
        if (c == nullptr)
            return 1;
        ig->codes = c;
        ig->room = room;
    }
    uint32_t wc = 0;
    for (int i = 0; i < length; ++i)
        wc = (wc << 8) | bytes[i];
    ig->codes[ig->count++] = wc;
    return 0;
}

} // namespace

void drop_normaliser()
{
    ++generation;
    free_nodes(normaliser.first);
    normaliser = Normaliser{};
}

bool build_normaliser(const NormalRule *rules, int count)
{
    drop_normaliser();
    for (int i = 0; i < count; ++i)
        if (!insert(rules[i])) {
            drop_normaliser();
            return false;
        }
    finish();
    return true;
}

bool ensure_normaliser()
{
    if (normaliser.built)
        return true;
    gl_locale *loc = client_locale();
    if (loc == nullptr || loc->weight_trie == nullptr || loc->coll_kind != GL_COLL_AS_SPECIFIED)
        return build_normaliser(nullptr, 0);
    Ignorables ig{loc};
    if (_gl_foreach_multi(loc->weight_trie, visit_row, &ig) != 0) {
        std::free(ig.codes);
        return false;
    }
    NormalRule *rules = static_cast<NormalRule *>(std::malloc(sizeof(NormalRule) * static_cast<size_t>(ig.count + 1)));
    bool ok = rules != nullptr;
    for (int i = 0; ok && i < ig.count; ++i)
        rules[i] = {&ig.codes[i], 1, nullptr, 0};
    ok = ok && build_normaliser(rules, ig.count);
    std::free(rules);
    std::free(ig.codes);
    return ok;
}

int normal_room(int n) { return static_cast<int>(std::ceil(n + n * normaliser.ratio)); }

int normalise(const uint32_t *in, int n, uint32_t *out, int room)
{
    int o = 0;
    for (int i = 0; i < n && o < room;) {
        Node *node = first_level(in[i]);
        if (node == nullptr) {
            out[o++] = in[i++];
            continue;
        }
        // The longest sequence with a replacement from i; the first deeper
        // character with a restart link, where a failed attempt resumes.
        const Node *best = nullptr;
        int best_end = i, resume = -1;
        for (int k = i; node != nullptr;) {
            if (k > i && resume < 0 && node->restart != nullptr)
                resume = k;
            if (node->repl_count >= 0)
                best = node, best_end = k + 1;
            if (++k >= n)
                break;
            Node *c = node->child;
            while (c != nullptr && c->wc < in[k])
                c = c->sibling;
            node = c != nullptr && c->wc == in[k] ? c : nullptr;
        }
        if (best != nullptr) {
            for (int j = 0; j < best->repl_count && o < room; ++j)
                out[o++] = best->repl[j];
            i = best_end;
            continue;
        }
        int stop = resume > i ? resume : i + 1;
        while (i < stop && o < room)
            out[o++] = in[i++];
    }
    return o;
}

unsigned normaliser_generation() { return generation; }

bool normaliser_has_rules() { return normaliser.first != nullptr; }

} // namespace rwm
