// trwconv: converts files or standard input between two code sets with the
// kit's own conversion files, as iconv does with glibc's. The output goes to
// standard output (or -o FILE). An invalid, unconvertible or incomplete
// character stops the conversion: what came before it is written, a message
// with its byte offset goes to standard error, and the exit status is 1.
// The input is read and converted in large blocks, so that the tool keeps
// the speed of the library's conversion loops.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "gl_conv.h"
#include "gl_errno.h"
#include "gl_names.h"
#include "installed.h"

namespace {

constexpr size_t kBlock = 1 << 20;

const char kHelp[] =
    "Usage: trwconv -f FROM -t TO [-o OUTPUT] [FILE...]\n"
    "       trwconv -l\n"
    "Converts the files (standard input when none or '-') from code set FROM to\n"
    "code set TO with the conversion files of the kit, writing standard output.\n"
    "FROM and TO are code-set names of the registry (utf8, 8859-1, sjis, and the\n"
    "common names UTF-8, ISO-8859-1, Shift_JIS, ...), numbers, or locale names\n"
    "(ja_JP.sjis).\n"
    "\n"
    "  -f FROM     code set of the input\n"
    "  -t TO       code set of the output\n"
    "  -o OUTPUT   write to OUTPUT instead of standard output\n"
    "  -l          list the code sets and conversions installed\n"
    "  --help      show this text\n"
    "\n"
    "The files are found below $TARNWELLDIR/gls/cv9 (TARNWELLDIR defaults to\n"
    "/usr/tarnwell; GL_PATH replaces the search). Exit status: 0 converted,\n"
    "1 invalid or unconvertible input or a file that cannot be read or written,\n"
    "2 wrong usage, unknown code set or no conversion installed.\n";

void say(const std::string &text) { std::fprintf(stderr, "trwconv: %s\n", text.c_str()); }

bool write_all(int fd, const char *p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// The code-set name of a locale name (the text after '.', up to '@').
std::string code_set_of(const std::string &spec)
{
    size_t dot = spec.find('.');
    std::string name = dot == std::string::npos ? spec : spec.substr(dot + 1);
    return name.substr(0, name.find('@'));
}

unsigned number_of(const std::string &spec)
{
    int context[4] = {};
    // As the client runtime does: the registry file read once, the
    // built-in table when it is missing.
    if (gls_registry_list_cache == nullptr && gls_registry_array_cache == nullptr)
        gl_cache_registry(context, nullptr);
    return gl_cs_name2cs_num(context, code_set_of(spec).c_str(), nullptr);
}

int list_installed()
{
    auto names = trwtools::registry_names();
    auto conversions = trwtools::installed_conversions();
    if (conversions.empty()) {
        say("no conversion files found below " + trwtools::search_dirs("cv", "9").front());
        return 1;
    }
    std::map<unsigned, std::vector<unsigned>> targets;
    for (auto [s, t] : conversions)
        targets[s].push_back(t);
    std::printf("Code sets (number: registry names):\n");
    for (const auto &[number, to] : targets) {
        std::printf("  %5u:", number);
        for (const std::string &n : names[number])
            std::printf(" %s", n.c_str());
        std::printf("\n");
    }
    std::printf("Conversions (from -> to):\n");
    for (const auto &[number, to] : targets) {
        std::printf("  %s ->", trwtools::name_of(names, number).c_str());
        for (unsigned t : to)
            std::printf(" %s", trwtools::name_of(names, t).c_str());
        std::printf("\n");
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

// Offset of the first character of in[0, n) that the conversion replaces
// by a stand-in (or cannot convert), walking one character at a time.
size_t first_unconvertible(gl_cvdesc *cd, const char *in, size_t n)
{
    size_t at = 0;
    while (at < n) {
        size_t len = 1;
        for (; len <= 4 && at + len <= n; ++len) {
            char out[32], *ip = const_cast<char *>(in + at), *op = out;
            int il = static_cast<int>(len), ol = sizeof out, substituted = 0;
            gl_cv_state state{1, 0, 0, 0};
            int r = gl_cv_mconv(cd, &state, &ip, &il, &op, &ol, &substituted);
            if (r == 0 && substituted)
                return at;
            if (r == 0)
                break;
            if (cd->error != GL_EINVAL)
                return at;
        }
        if (len > 4 || at + len > n)
            return at;
        at += len;
    }
    return n;
}

// Copies one input descriptor (the code sets are the same); 0, or 1.
int copy_stream(int in_fd, const std::string &label, int out_fd)
{
    std::vector<char> buf(kBlock);
    for (;;) {
        ssize_t got = read(in_fd, buf.data(), buf.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            say(label + ": " + std::strerror(errno));
            return 1;
        }
        if (got == 0)
            return 0;
        if (!write_all(out_fd, buf.data(), static_cast<size_t>(got))) {
            say(std::string("cannot write the output: ") + std::strerror(errno));
            return 1;
        }
    }
}

// Converts one input descriptor; 0, or 1 after a message.
int convert_stream(gl_cvdesc *cd, int in_fd, const std::string &label, int out_fd)
{
    if (cd == nullptr)
        return copy_stream(in_fd, label, out_fd);
    std::vector<char> in(kBlock), out;
    gl_cv_state state{1, 1, 0, 0};
    size_t carry = 0;
    long long offset = 0; // input bytes before in[0]
    for (;;) {
        ssize_t got = read(in_fd, in.data() + carry, in.size() - carry);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            say(label + ": " + std::strerror(errno));
            return 1;
        }
        size_t have = carry + static_cast<size_t>(got);
        bool end = got == 0;
        char *ip = in.data(), *op;
        int il = static_cast<int>(have), substituted = 0;
        out.resize(static_cast<size_t>(gl_cv_outbuflen(cd, il)) + 16);
        op = out.data();
        int ol = static_cast<int>(out.size());
        int r = have > 0 ? gl_cv_mconv(cd, &state, &ip, &il, &op, &ol, &substituted) : 0;
        if (end && r == 0 && (cd->source_stateful || cd->target_stateful))
            r = gl_cv_mconv(cd, &state, nullptr, &il, &op, &ol, nullptr); // back to the initial state
        if (substituted) {
            size_t bad = first_unconvertible(cd, in.data(), have);
            char *p = in.data(), *o = out.data();
            int pl = static_cast<int>(bad), ol2 = static_cast<int>(out.size());
            gl_cv_state fresh{1, 0, 0, 0};
            gl_cv_mconv(cd, &fresh, &p, &pl, &o, &ol2, nullptr);
            write_all(out_fd, out.data(), static_cast<size_t>(o - out.data()));
            say(label + ": cannot convert the character at byte offset " + std::to_string(offset + bad));
            return 1;
        }
        if (!write_all(out_fd, out.data(), static_cast<size_t>(op - out.data()))) {
            say(std::string("cannot write the output: ") + std::strerror(errno));
            return 1;
        }
        if (r != 0) {
            size_t done = static_cast<size_t>(ip - in.data());
            if (cd->error == GL_EINVAL && !end) { // a character continues in the next block
                carry = have - done;
                std::memmove(in.data(), in.data() + done, carry);
                offset += static_cast<long long>(done);
                continue;
            }
            say(label + (cd->error == GL_EINVAL ? ": incomplete character at the end, byte offset "
                                                : ": invalid input at byte offset ") +
                std::to_string(offset + static_cast<long long>(done)));
            return 1;
        }
        if (end)
            return 0;
        offset += static_cast<long long>(have);
        carry = 0;
    }
}

struct Options {
    std::string from, to, output;
    bool list = false;
    std::vector<std::string> files;
};

// 0 parsed, 1 help shown, 2 usage error.
int parse(int argc, char **argv, Options &o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 1;
        }
        if (a == "-l" || a == "--list") {
            o.list = true;
        } else if (a == "-f" || a == "-t" || a == "-o") {
            if (i + 1 == argc) {
                say("option " + a + " needs a value");
                return 2;
            }
            (a == "-f" ? o.from : a == "-t" ? o.to : o.output) = argv[++i];
        } else if (a.size() > 1 && a[0] == '-') {
            say("unknown option " + a + " (trwconv --help shows the options)");
            return 2;
        } else {
            o.files.push_back(a);
        }
    }
    if (!o.list && (o.from.empty() || o.to.empty())) {
        say("both -f FROM and -t TO are needed (trwconv --help shows the options)");
        return 2;
    }
    return 0;
}

// The conversion from o.from to o.to; null with *ok when none is needed.
gl_cvdesc *open_conversion(const Options &o, bool *ok)
{
    *ok = false;
    for (const std::string *name : {&o.from, &o.to})
        if (number_of(*name) == GL_CS_INVALID) {
            say("unknown code set '" + *name + "' (trwconv -l lists the installed ones)");
            return nullptr;
        }
    gl_cvdesc *cd = nullptr;
    int r = gl_cv_open(&cd, o.to.c_str(), o.from.c_str());
    if (r == 0) {
        *ok = true;
        return nullptr;
    }
    if (r < 0) {
        int error = cd != nullptr ? cd->error : GL_EFILEERR;
        say("no conversion from " + o.from + " to " + o.to +
            (error == GL_ENOMEM ? ": out of memory" : " is installed below " + trwtools::search_dirs("cv", "9").front() +
                                                          " (trwconv -l lists them)"));
        gl_cv_unload(cd);
        return nullptr;
    }
    *ok = true;
    return cd;
}

} // namespace

int main(int argc, char **argv)
{
    std::signal(SIGPIPE, SIG_IGN);
    Options o;
    if (int r = parse(argc, argv, o))
        return r == 1 ? 0 : 2;
    if (o.list)
        return list_installed();
    bool ok;
    gl_cvdesc *cd = open_conversion(o, &ok);
    if (!ok)
        return 2;
    int out_fd = 1;
    if (!o.output.empty() && (out_fd = open(o.output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666)) < 0) {
        say(o.output + ": " + std::strerror(errno));
        return 1;
    }
    if (o.files.empty())
        o.files.push_back("-");
    int status = 0;
    for (const std::string &f : o.files) {
        int fd = f == "-" ? 0 : open(f.c_str(), O_RDONLY);
        if (fd < 0) {
            say(f + ": " + std::strerror(errno));
            status = 1;
            break;
        }
        status = convert_stream(cd, fd, f == "-" ? "standard input" : f, out_fd);
        if (fd != 0)
            close(fd);
        if (status != 0)
            break;
    }
    if (out_fd != 1 && close(out_fd) != 0 && status == 0) {
        say(o.output + ": " + std::strerror(errno));
        status = 1;
    }
    gl_cv_unload(cd);
    return status;
}
