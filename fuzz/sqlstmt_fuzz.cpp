// libFuzzer target: every function of the statement scanner over arbitrary
// bytes, copied into buffers of exactly their size, in a single-byte, a
// UTF-8 and a Shift-JIS client locale (the first byte chooses). Properties:
// chkstmt is 0 or 1; gettoken positions increase and never pass the
// length; gstrqmarks never exceeds the number of "?" bytes; sqlcaseshift
// and sqlinitcap write exactly n bytes; every walk ends.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "glsenv.h"
#include "sqlstmt.h"

namespace {

GlsEnv *environments[3];

bool make_environments()
{
    setenv("TARNWELLDIR", TRW_FUZZ_DATA_DIR, 1);
    static const char *names[] = {"en_US.8859-1", "en_US.utf8", "ja_JP.sjis"};
    for (int i = 0; i < 3; ++i) {
        GlsEnvLocale request{};
        request.setting[GLS_CLIENT_LOCALE] = names[i];
        request.setting[GLS_DB_LOCALE] = names[i];
        if (CreateGlsEnv(&request, &environments[i], 1) != 0)
            std::abort();
    }
    return true;
}

void check(bool ok)
{
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const bool made = make_environments();
    (void)made;
    if (size == 0 || size > 1 << 16)
        return 0;
    SetGlsEnv(environments[data[0] % 3]);
    ++data;
    --size;
    const int len = static_cast<int>(size);
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    const std::unique_ptr<char[]> range(new char[size > 0 ? size : 1]);
    std::memcpy(range.get(), data, size);

    const int complete = chkstmt(range.get(), len);
    check(complete == 0 || complete == 1);
    for (int pos = 0, kind = 0; kind >= 0;) {
        const int before = pos;
        kind = gettoken(range.get(), len, &pos);
        check(pos <= len && (kind < 0 || pos > before));
    }
    const int questions = static_cast<int>(std::count(text.get(), text.get() + std::strlen(text.get()), '?'));
    check(gstrqmarks(text.get()) <= questions);
    char *p = text.get();
    skipcomments(&p);
    for (const char *q = text.get(); *q != '\0';) {
        const char *next = skipword(q);
        check(next > q);
        q = skipwhite(next);
    }
    if (*text.get() == '\'' || *text.get() == '"')
        skipquote(text.get());
    bycbcmpr(text.get(), "procedure", 300);
    cbncmpr("procedure", text.get(), 9);
    extpos(text.get(), "lock");
    const std::size_t n = std::strlen(text.get());
    if (n > 0)
        collection_literal(text.get(), text.get() + n - 1);
    const int out_size = size > 0 ? static_cast<int>(data[0] % 64) : 0;
    std::unique_ptr<char[]> out(new char[static_cast<std::size_t>(out_size) + 8]);
    std::memset(out.get(), '#', static_cast<std::size_t>(out_size) + 8);
    sqlcaseshift(SQL_UPSHIFT, text.get(), out.get(), out_size);
    sqlinitcap(text.get(), out.get(), out_size);
    for (int i = out_size; i < out_size + 8; ++i)
        check(out[i] == '#');
    rupshift(text.get());
    rdownshift(text.get());
    return 0;
}
