// msgcomp: the message compiler. Reads one message source (msgsrc.h) and
// writes its catalog in the format the runtime reads (msgcat.h), sorted by
// signed number, in the long form exactly when a number needs 32 bits.
//
//   msgcomp [-a] SOURCE CATALOG
//
// The catalog's file name is its leaf: every number of the source must
// belong to that leaf in the client catalog table (-a skips that check, for
// catalogs of other tables). Errors name the source and line; nothing is
// written then, and the exit status is 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "msgcat.h"
#include "msgint.h"
#include "msgsrc.h"

namespace {

int fail(const std::string &file, int line, const std::string &message)
{
    if (line > 0)
        std::fprintf(stderr, "%s:%d: error: %s\n", file.c_str(), line, message.c_str());
    else
        std::fprintf(stderr, "%s: error: %s\n", file.c_str(), message.c_str());
    return 1;
}

std::string leaf_of(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first message whose table row names another catalog; 0 when none.
int check_table(const std::vector<msgcat::Message> &messages, const std::string &leaf, std::string *message)
{
    for (const msgcat::Message &m : messages) {
        const char *owner = rmsg::table_leaf(m.number, false);
        if (leaf != owner) {
            *message = "message " + std::to_string(m.number) + " belongs to the catalog " + owner + ", not " + leaf;
            return m.line;
        }
    }
    return 0;
}

bool write_file(const std::string &path, const std::vector<unsigned char> &bytes)
{
    const std::string temporary = path + ".tmp";
    std::FILE *out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    bool any_table = false;
    int arg = 1;
    if (arg < argc && std::strcmp(argv[arg], "-a") == 0) {
        any_table = true;
        ++arg;
    }
    if (argc - arg != 2) {
        std::fprintf(stderr, "usage: msgcomp [-a] SOURCE CATALOG\n");
        return 2;
    }
    const std::string source = argv[arg];
    const std::string catalog = argv[arg + 1];
    std::ifstream in(source, std::ios::binary);
    if (!in)
        return fail(source, 0, "cannot read the source");
    std::ostringstream content;
    content << in.rdbuf();

    std::vector<msgcat::Message> messages;
    msgsrc::Error error;
    if (!msgsrc::parse(content.str(), &messages, &error))
        return fail(source, error.line, error.message);
    std::string fault;
    if (!any_table)
        if (const int line = check_table(messages, leaf_of(catalog), &fault); line > 0)
            return fail(source, line, fault);
    const msgcat::BuildResult built = msgcat::build(std::move(messages));
    if (built.error != msgcat::BuildError::kNone)
        return fail(source, built.line, msgcat::describe(built.error));
    if (!write_file(catalog, built.bytes))
        return fail(catalog, 0, "cannot write the catalog");
    return 0;
}
