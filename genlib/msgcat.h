// The binary message catalog format, shared by the runtime's reader and the
// message compiler (tools/msgcomp), so that what one writes the other reads.
//
// A catalog (integers most significant byte first):
//   offset 0  2 bytes  magic: 0xFE68 (short numbers) or 0xFE69 (long numbers)
//   offset 2  2 bytes  N, the number of index entries
//   offset 4  N entries, sorted by message number in ascending signed order:
//             number (2 bytes signed for 0xFE68, 4 for 0xFE69), text length
//             (2 bytes), text offset from the start of the file (4 bytes)
//   then the texts, without terminators.
// An entry is 8 bytes in the short form and 10 in the long one. The writer
// chooses the long form exactly when a number lies outside -32768..32767.
//
// The index is searched in chunks of C = min(N, 8) entries: a binary search
// whose probe reads the chunk starting at the middle entry (never past the
// end of the index) and scans it. The last chunk read is cached.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace msgcat {

constexpr unsigned kShortMagic = 0xFE68;
constexpr unsigned kLongMagic = 0xFE69;
constexpr int kHeaderSize = 4;
constexpr int kShortEntrySize = 8;
constexpr int kLongEntrySize = 10;
constexpr int kMaxChunk = 8;
constexpr int kChunkBytes = kMaxChunk * kLongEntrySize;
constexpr std::size_t kMaxEntries = 65535;
constexpr std::size_t kMaxTextLength = 65535;

// Statuses of the reader.
constexpr int kNotFound = -1228;  // the number is not in the catalog
constexpr int kNotCatalog = -1229; // bad magic, or shorter than the header
constexpr int kBadIndex = -1231;   // index or text not held by the file

// One index entry.
struct Entry {
    int32_t number;
    uint32_t length;
    uint32_t offset;
};

// The header of a catalog.
struct Header {
    int entry_size; // 8 or 10
    int count;      // N
    int chunk;      // C = min(N, 8)
};

// Reads the header from the first bytes of a file of file_size bytes: 0,
// kNotCatalog (bad magic, fewer than 4 bytes) or kBadIndex (the file does
// not hold its whole index).
int read_header(const unsigned char *bytes, std::size_t available, std::size_t file_size, Header *out);

// Decodes the entry at bytes.
Entry read_entry(const unsigned char *bytes, int entry_size);

// The cache of the last chunk read: the index of its first entry and the
// entry bytes.
struct ChunkCache {
    int32_t *first;
    int32_t *count;
    unsigned char *bytes; // kChunkBytes
};

// Chunked binary search of number in the index (the N entries following
// the header; index points at the first). The cached chunk is scanned first.
// 0 with *found, or kNotFound.
int search(const unsigned char *index, const Header &header, int32_t number, const ChunkCache &cache,
           Entry *found);

// A hash of the numbers of a strictly ascending index (the form the
// compiler writes): lookup_capacity(N) slots, a power of two of at least 2N,
// each two words: the number and its entry index + 1 (0: empty). Looking a
// number up in it finds the entry the chunked search finds.
std::size_t lookup_capacity(int count);
// Fills slots (2 * capacity words); false when the numbers do not ascend
// strictly, and the index must be searched by chunks.
bool build_lookup(const unsigned char *index, const Header &header, uint32_t *slots, std::size_t capacity);
// 0 with *found, or kNotFound.
int search_lookup(const unsigned char *index, const Header &header, const uint32_t *slots, std::size_t capacity,
                  int32_t number, Entry *found);

// 0 when the entry's text lies within a file of file_size bytes, else
// kBadIndex.
int check_text(const Entry &entry, std::size_t file_size);

// ---- writing ------------------------------------------------------------------

// A message to write: number, text and where it came from (for errors).
struct Message {
    int32_t number;
    std::string text;
    int line;
};

enum class BuildError { kNone, kDuplicate, kTooManyEntries, kTextTooLong, kTooLarge };

struct BuildResult {
    BuildError error;
    int line;                  // the line of the offending message, 0 when none
    std::vector<unsigned char> bytes; // the catalog when error is kNone
};

// True when a number lies outside -32768..32767, so the long form is needed.
bool needs_long_form(const std::vector<Message> &messages);

// The catalog of the messages, sorted by signed number. Refuses duplicate
// numbers, more than 65535 entries, texts over 65535 bytes and files whose
// offsets would not fit 32 bits.
BuildResult build(std::vector<Message> messages);

// A plain description of a build error.
const char *describe(BuildError error);

} // namespace msgcat
