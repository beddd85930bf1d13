// Internal: a growing text from malloc for the format rewriters of the
// DATETIME and INTERVAL text sources. Running out of memory marks the text
// failed; release() then gives null, so callers report -1211 and nothing
// half-built escapes.
#pragma once

#include <cstdlib>
#include <cstring>

namespace trw::dt {

class TextBuf {
  public:
    TextBuf() = default;
    TextBuf(const TextBuf &) = delete;
    TextBuf &operator=(const TextBuf &) = delete;
    ~TextBuf() { std::free(data_); }

    void put(const char *text, size_t n)
    {
        if (failed_ || !reserve(n))
            return;
        std::memcpy(data_ + len_, text, n);
        len_ += n;
        data_[len_] = '\0';
    }
    void put(const char *text) { put(text, std::strlen(text)); }
    void put(char c) { put(&c, 1); }

    bool failed() const { return failed_; }
    size_t size() const { return len_; }
    const char *c_str() const { return data_ != nullptr ? data_ : ""; }

    // The text (malloc'd, the caller frees it), or null after a failure.
    char *release()
    {
        if (failed_ || !reserve(0))
            return nullptr;
        char *out = data_;
        data_ = nullptr;
        len_ = cap_ = 0;
        return out;
    }

  private:
    bool reserve(size_t n)
    {
        if (len_ + n + 1 <= cap_)
            return true;
        size_t cap = cap_ == 0 ? 32 : cap_;
        while (cap < len_ + n + 1)
            cap *= 2;
        char *grown = static_cast<char *>(std::realloc(data_, cap));
        if (grown == nullptr) {
            failed_ = true;
            return false;
        }
        if (data_ == nullptr)
            grown[0] = '\0';
        data_ = grown;
        cap_ = cap;
        return true;
    }

    char *data_ = nullptr;
    size_t len_ = 0, cap_ = 0;
    bool failed_ = false;
};

} // namespace trw::dt
