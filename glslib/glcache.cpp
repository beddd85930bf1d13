// Name caches: case-insensitive prefix trees of multibyte or wide names,
// built by _gl_cache_mb_string / _gl_cache_wc_string and searched by
// _gl_validate_mb_string / _gl_validate_wc_string; the shortest stored name
// that prefixes the input wins. Lowering goes through a replaceable routine
// (the locale's case mapping once installed, ASCII until then).
#include "gl_cache.h"

#include "glcommon.h"

namespace {

gl_cache_mb_lower_fn mb_lower = _gl_cache_ascii_mb_lower;
gl_cache_wc_lower_fn wc_lower = _gl_cache_ascii_wc_lower;

// One character of input or of a name: its lowered keys and how much of the
// source it covers (bytes or characters). count 0 ends the text, -1 is an
// invalid character.
template <typename Key>
struct Step {
    Key keys[4];
    int count;
    int source_length;
};

struct MbText {
    void *context;
    const unsigned char *s;
    Step<unsigned char> next()
    {
        Step<unsigned char> step{};
        int lowered = 0;
        int length = mb_lower(context, s, step.keys, &lowered);
        if (length <= 0) {
            step.count = length;
            return step;
        }
        step.count = lowered < 1 || lowered > 4 ? -1 : lowered;
        step.source_length = length;
        s += length;
        return step;
    }
};

struct WcText {
    void *context;
    const uint32_t *s;
    Step<uint32_t> next()
    {
        Step<uint32_t> step{};
        if (*s == 0)
            return step;
        step.keys[0] = wc_lower(context, *s++);
        step.count = 1;
        step.source_length = 1;
        return step;
    }
};

template <typename Node, typename Key>
Node *find_key(Node *chain, Key key)
{
    for (; chain != nullptr; chain = chain->down)
        if (chain->key == key)
            return chain;
    return nullptr;
}

// The node for key in the chain that starts at *link, appended when absent.
template <typename Node, typename Key>
Node *find_or_append(Node **link, Key key)
{
    while (*link != nullptr) {
        if ((*link)->key == key)
            return *link;
        link = &(*link)->down;
    }
    auto *n = static_cast<Node *>(_gl_ext_calloc(1, sizeof(Node)));
    if (n != nullptr) {
        n->key = key;
        *link = n;
    }
    return n;
}

template <typename Node, typename Text>
int cache_name(void *context, Node **root, Text name, int value)
{
    if (root == nullptr) {
        gls::set_error(context, GL_EINVAL);
        return -1;
    }
    Node **link = root;
    Node *last = nullptr;
    for (;;) {
        auto step = name.next();
        if (step.count < 0) {
            gls::set_error(context, GL_EILSEQ);
            return -1;
        }
        if (step.count == 0)
            break;
        for (int i = 0; i < step.count; ++i) {
            last = find_or_append(link, step.keys[i]);
            if (last == nullptr) {
                gls::set_error(context, GL_ENOMEM);
                return -1;
            }
            link = &last->across;
        }
    }
    if (last == nullptr && (last = find_or_append(root, decltype(Node::key){0})) == nullptr) {
        gls::set_error(context, GL_ENOMEM);
        return -1;
    }
    last->value = value;
    last->end = 1;
    return 0;
}

template <typename Node, typename Text>
int validate_name(const Node *root, Text text, int *length, int *value)
{
    const Node *chain = root;
    int consumed = 0;
    for (;;) {
        auto step = text.next();
        if (step.count <= 0)
            break;
        const Node *n = nullptr;
        int matched = 0;
        while (matched < step.count && (n = find_key(chain, step.keys[matched])) != nullptr) {
            chain = n->across;
            ++matched;
        }
        if (matched < step.count)
            break;
        consumed += step.source_length;
        if (n->end) {
            *length = consumed;
            *value = n->value;
            return 0;
        }
    }
    const Node *empty = find_key(root, decltype(Node::key){0});
    if (empty != nullptr && empty->end) {
        *length = 0;
        *value = empty->value;
        return 0;
    }
    return -1;
}

// Frees a tree without recursion: a node with an "across" subtree is
// rotated so that the subtree moves onto the "down" chain.
template <typename Node>
void free_tree(Node *n)
{
    while (n != nullptr) {
        if (n->across != nullptr) {
            Node *t = n->across;
            n->across = t->down;
            t->down = n;
            n = t;
        } else {
            Node *next = n->down;
            _gl_ext_free(n);
            n = next;
        }
    }
}

} // namespace

extern "C" void _gl_cache_set_lowering(gl_cache_mb_lower_fn mb, gl_cache_wc_lower_fn wc)
{
    mb_lower = mb != nullptr ? mb : _gl_cache_ascii_mb_lower;
    wc_lower = wc != nullptr ? wc : _gl_cache_ascii_wc_lower;
}

extern "C" int _gl_cache_ascii_mb_lower(void *, const unsigned char *s, unsigned char *out, int *out_length)
{
    if (*s == 0)
        return 0;
    out[0] = static_cast<unsigned char>(gls::ascii_lower(static_cast<char>(*s)));
    *out_length = 1;
    return 1;
}

extern "C" uint32_t _gl_cache_ascii_wc_lower(void *, uint32_t wc)
{
    return wc >= 'A' && wc <= 'Z' ? wc - 'A' + 'a' : wc;
}

extern "C" int _gl_cache_mb_string(void *context, gl_mb_cache **root, const unsigned char *name, int value)
{
    if (name == nullptr) {
        gls::set_error(context, GL_ENULLARG);
        return -1;
    }
    return cache_name(context, root, MbText{context, name}, value);
}

extern "C" int _gl_cache_wc_string(void *context, gl_wc_cache **root, const uint32_t *name, int value)
{
    if (name == nullptr) {
        gls::set_error(context, GL_ENULLARG);
        return -1;
    }
    return cache_name(context, root, WcText{context, name}, value);
}

extern "C" int _gl_validate_mb_string(void *context, const gl_mb_cache *root, const unsigned char *text,
                                      int *length, int *value)
{
    if (text == nullptr || length == nullptr || value == nullptr)
        return -1;
    return validate_name(root, MbText{context, text}, length, value);
}

extern "C" int _gl_validate_wc_string(void *context, const gl_wc_cache *root, const uint32_t *text, int *length,
                                      int *value)
{
    if (text == nullptr || length == nullptr || value == nullptr)
        return -1;
    return validate_name(root, WcText{context, text}, length, value);
}

extern "C" void _gl_free_mb_cache(gl_mb_cache *root) { free_tree(root); }
extern "C" void _gl_free_wc_cache(gl_wc_cache *root) { free_tree(root); }
