// Internal helpers the conversion front-end modules of the data-type library
// share (gcvbuf.cpp, gcvfile.cpp). Not installed.
#pragma once

#include "glsclient.h"

namespace gcv {

// The result of one conversion into a buffer: bytes written (terminator
// excluded), the library error number (0, or GL_E2BIG with the converted
// prefix kept) and the substitution flag.
struct Converted {
    int bytes;
    int error;
    int substituted;
};

// Converts length bytes of src (length null: a terminated string, whose
// output is terminated too) into dst[0..room).
Converted convert_into(gl_cvdesc *cd, const char *src, const int *length, char *dst, int room);

// Stores code in the client error slot and returns it.
int fail(int code);
// The front end's number for a library error number, stored likewise.
int front_error(int library_error);

} // namespace gcv
