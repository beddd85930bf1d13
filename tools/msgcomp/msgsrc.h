// The reader of message sources, the plain text the message compiler turns
// into catalogs (one source per catalog):
//   - a line whose first non-blank character is '#' is a comment, and blank
//     lines are skipped;
//   - a message line is a decimal number (optionally signed, 32 bits), then
//     blanks (spaces or tabs), then the text to the end of the line, trailing
//     blanks included; a number alone is the empty text;
//   - the text takes C escapes: \n \t \r \a \b \f \v \\ \" \' \? , octal
//     \ooo (1 to 3 digits) and hexadecimal \xhh (1 or 2 digits); a text that
//     starts with a blank writes it as \x20. Any other escape, or a backslash
//     that ends the line, is an error.
// Lines end with "\n" (a "\r" before it is dropped).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "msgcat.h"

namespace msgsrc {

struct Error {
    int line;            // 1-based line of the fault
    std::string message; // what is wrong
};

// Reads a whole source: true with the messages in the order written, or
// false with the first error.
bool parse(std::string_view text, std::vector<msgcat::Message> *out, Error *error);

} // namespace msgsrc
