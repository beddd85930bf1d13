// The message readers of rmsg.h: a number's text into the caller's buffer
// (with the retry in English and the cannot-open and unknown-number texts),
// the shared text buffer, streams positioned at a text, and the calls that
// fix, close or reset the catalog state kept in the control block. The
// search and the catalog itself are msgfind.cpp's.
#include "rmsg.h"

#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "glsenv.h"
#include "msgint.h"
#include "osenv.h"

namespace {

using rmsg::kTruncated;

using rmsg::kCannotOpenBuiltin;
using rmsg::kCannotOpenText;
using rmsg::kUnknownNumberBuiltin;
using rmsg::kUnknownNumberText;

// Copies length bytes of text into buf (buflen > 0), cut to buflen - 1 bytes,
// and terminates it. True when the text was cut.
bool copy_cut(const char *text, std::size_t length, char *buf, int16_t buflen)
{
    const std::size_t room = static_cast<std::size_t>(buflen) - 1;
    const std::size_t n = length < room ? length : room;
    std::memcpy(buf, text, n);
    buf[n] = '\0';
    return length > room;
}

void set_length(int *msglen, std::size_t length)
{
    if (msglen != nullptr)
        *msglen = static_cast<int>(length);
}

// The locale environment failed with status: its built-in text (the empty
// text for a status without one) and the status.
int init_failure(int status, char *buf, int16_t buflen, int *msglen)
{
    const char *text = "";
    for (const rmsg::BuiltinText &row : rmsg::kInitFailureTexts)
        if (row.status == status)
            text = row.text;
    const std::size_t length = std::strlen(text);
    copy_cut(text, length, buf, buflen);
    set_length(msglen, length);
    return status;
}

// One lookup of number for the locale name: the text into buf.
int lookup(struct gentcb *tcb, int number, const char *locale, char *buf, int16_t buflen, int *msglen)
{
    msgcat::Entry entry;
    int status = rmsg::position(tcb, number, locale, &entry);
    if (status == 0) {
        const uint32_t room = static_cast<uint32_t>(buflen) - 1;
        const uint32_t n = entry.length < room ? entry.length : room;
        status = rmsg::read_text(tcb, entry, n, buf);
        if (status == 0) {
            buf[n] = '\0';
            set_length(msglen, entry.length);
            status = entry.length > room ? kTruncated : 0;
        }
    }
    rmsg::lookup_done(tcb);
    return status;
}

// True when format holds no conversion but at most one of the one given
// (besides "%%"), so that it may be used as a printf format.
bool safe_format(const char *format, char conversion)
{
    int used = 0;
    for (const char *p = format; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        ++p;
        if (*p == '%')
            continue;
        if (*p != conversion || ++used > 1)
            return false;
    }
    return true;
}

// The fallback format: message number of the catalogs when it is safe,
// else the built-in text.
void fallback_format(int number, const char *locale, char conversion, const char *builtin, char *out,
                     int16_t size)
{
    if (rgetlmsg_with_locale(number, out, size, nullptr, locale) == 0 && safe_format(out, conversion))
        return;
    std::strcpy(out, builtin);
}

// The text for a lookup that failed with status: the cannot-open text with
// the leaf for -1227, else the unknown-number text with the number.
int failure_text(struct gentcb *tcb, int number, const char *locale, int status, char *buf, int16_t buflen,
                 int *msglen)
{
    char format[512];
    char text[1024];
    if (status == rmsg::kCannotOpen) {
        char leaf[GENTCB_MSG_NAME];
        std::snprintf(leaf, sizeof leaf, "%s", rmsg::leaf_of(tcb, number));
        fallback_format(kCannotOpenText, locale, 's', kCannotOpenBuiltin, format, sizeof format);
        std::snprintf(text, sizeof text, format, leaf);
    } else {
        fallback_format(kUnknownNumberText, locale, 'd', kUnknownNumberBuiltin, format, sizeof format);
        std::snprintf(text, sizeof text, format, number);
    }
    const std::size_t length = std::strlen(text);
    copy_cut(text, length, buf, buflen);
    set_length(msglen, length);
    return status;
}

// True unless DBLANG is exactly the fallback locale.
bool may_retry()
{
    const char *dblang = idx_ggetenv("DBLANG", OSENV_DBLANG);
    return dblang == nullptr || std::strcmp(dblang, rmsg::kFallbackLocale) != 0;
}

// rseekmsg and lrseekmsg: a stream on a descriptor of its own, positioned at
// the text.
int seek_text(int number, int *msglen, FILE **stream)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return rmsg::kNoMemory;
    msgcat::Entry entry;
    int status = rmsg::position(tcb, number, nullptr, &entry);
    if (status == 0) {
        FILE *opened = nullptr;
        const int fd = fcntl(tcb->gt_catfd, F_DUPFD_CLOEXEC, 0);
        if (fd >= 0 && lseek(fd, entry.offset, SEEK_SET) >= 0)
            opened = fdopen(fd, "r");
        if (opened == nullptr) {
            if (fd >= 0)
                close(fd);
            status = rmsg::kCannotOpen;
        } else {
            if (stream != nullptr)
                *stream = opened;
            else
                std::fclose(opened);
            set_length(msglen, entry.length);
        }
    }
    rmsg::lookup_done(tcb);
    return status;
}

} // namespace

extern "C" int rgetlmsg_with_locale(int msgnum, char *buf, int16_t buflen, int *msglen, const char *locale)
{
    if (buf == nullptr || buflen <= 0)
        return kTruncated;
    if (locale != nullptr && *locale == '\0')
        locale = nullptr;
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return rmsg::kNoMemory;
    const int init = chkglsinit();
    if (init != 0)
        return init_failure(init, buf, buflen, msglen);
    int status = lookup(tcb, msgnum, locale, buf, buflen, msglen);
    if (status == 0 || status == kTruncated)
        return status;
    if (may_retry()) {
        rmsg::forget_leaf(tcb);
        status = lookup(tcb, msgnum, rmsg::kFallbackLocale, buf, buflen, msglen);
        if (status == 0 || status == kTruncated)
            return status;
    }
    if (msgnum == kCannotOpenText || msgnum == kUnknownNumberText) {
        buf[0] = '\0';
        set_length(msglen, 0);
        return -1;
    }
    return failure_text(tcb, msgnum, locale, status, buf, buflen, msglen);
}

extern "C" int rgetlmsg(int msgnum, char *buf, int16_t buflen, int *msglen)
{
    return rgetlmsg_with_locale(msgnum, buf, buflen, msglen, nullptr);
}

extern "C" int rget_lmsg(int msgnum, char *buf, int16_t buflen, int *msglen)
{
    return rgetlmsg_with_locale(msgnum, buf, buflen, msglen, nullptr);
}

extern "C" int rgetmsg(int msgnum, char *buf, int16_t buflen)
{
    return rgetlmsg_with_locale(msgnum, buf, buflen, nullptr, nullptr);
}

extern "C" int rseekmsg(int msgnum, FILE **stream)
{
    return seek_text(msgnum, nullptr, stream);
}

extern "C" int lrseekmsg(int msgnum, int *msglen, FILE **stream)
{
    return seek_text(msgnum, msglen, stream);
}

extern "C" char *rmsgfname(const char *leaf)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr || leaf == nullptr)
        return nullptr;
    char path[rmsg::kPathSize];
    if (rmsg::find_catalog(tcb, leaf, nullptr, path) != 0 || path[0] == '\0')
        return nullptr;
    char *copy = static_cast<char *>(std::malloc(std::strlen(path) + 1));
    if (copy != nullptr)
        std::strcpy(copy, path);
    return copy;
}

extern "C" char *mmsgtext(int msgnum)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return nullptr;
    if (tcb->gt_msgnum == 0 || tcb->gt_msgnum != msgnum) {
        tcb->gt_msgnum = 0;
        const int status = rget_lmsg(msgnum, tcb->gt_msgtext, GENTCB_MSG_TEXT, nullptr);
        // A failure text is not kept: the catalog may be found next time.
        if (status == 0 || status == kTruncated)
            tcb->gt_msgnum = msgnum;
    }
    return tcb->gt_msgtext;
}

namespace {

// Closes the catalog and drops the explicit path and the text buffer's
// number: the start of _setmsgfile and rmsg_init.
void drop_catalog(struct gentcb *tcb)
{
    rmsg::close_catalog(tcb);
    std::free(tcb->gt_msgfile);
    tcb->gt_msgfile = nullptr;
    tcb->gt_msgnum = 0;
}

} // namespace

extern "C" void _setmsgfile(const char *path)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return;
    drop_catalog(tcb);
    if (path != nullptr && *path != '\0') {
        tcb->gt_msgfile = static_cast<char *>(std::malloc(std::strlen(path) + 1));
        if (tcb->gt_msgfile != nullptr)
            std::strcpy(tcb->gt_msgfile, path);
    }
}

extern "C" void rclosemsg(void)
{
    if (gentcb != nullptr)
        rmsg::close_catalog(gentcb);
}

extern "C" void rmsg_init(void)
{
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return;
    drop_catalog(tcb);
    std::free(tcb->msg_langdir);
    tcb->msg_langdir = nullptr;
    tcb->gt_msgtable = 0;
    tcb->gt_msgtext[0] = '\0';
}

extern "C" int gen_resetMessageFindFile(int which)
{
    if (which != 'c' && which != 's')
        return -1;
    struct gentcb *tcb = CheckGenInit();
    if (tcb == nullptr)
        return -1;
    tcb->gt_msgtable = which == 's' ? 1 : 0;
    rmsg::forget_leaf(tcb);
    tcb->gt_msgnum = 0;
    return 0;
}
