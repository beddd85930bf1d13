// Internal interface of the conversion modules: the reader and loader
// (glcvload.cpp), the per-character routines and gl_cv_mconv (glcvconv.cpp)
// and the fast loops of the stateless routines (glcvfast.cpp). Not
// installed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gl_conv.h"

namespace gls::cv {

// One conversion call: input [in, in_end) (in_end null: up to and including
// the terminator) into output at out (null: count only) with room bytes
// left (< 0: no limit). The pointers advance as characters convert.
struct Job {
    const unsigned char *in;
    const unsigned char *in_end;
    const unsigned char *guard; // in_end, or just past the terminator's bytes:
                                // no lookup reads at or beyond it
    unsigned char *out;
    long long room;
    long long produced;
    int substituted;
    bool done; // the terminator of a terminated input was converted
};

// How the per-character step reads and writes: little-endian Unicode units
// on either side, and the shift states of a stateful conversion.
struct Mode {
    bool source_le;
    bool target_le;
    bool stateful;
};

inline bool has_room(const Job &job, long long n) { return job.room < 0 || job.room >= n; }

inline void put(Job &job, const unsigned char *bytes, int n)
{
    if (job.out != nullptr) {
        for (int i = 0; i < n; ++i)
            job.out[i] = bytes[i];
        job.out += n;
    }
    if (job.room >= 0)
        job.room -= n;
    job.produced += n;
}

// Converts one character at job.in. 0 when it converted (job.done when it
// was the terminator of a terminated input), else the error number (1, 7,
// 14) with job unchanged.
int step(gl_cvdesc *cd, gl_cv_state *state, Job &job, Mode mode);

// Converts character by character with step (a stateless conversion
// without little-endian sides). 0 or the error number.
int run_plain(gl_cvdesc *cd, Job &job);

// The fast loops: convert as many characters as they can, calling step for
// any character they do not handle. 0 or the error number.
int run_single_byte(gl_cvdesc *cd, Job &job);
int run_multibyte(gl_cvdesc *cd, Job &job);

// Builds the accelerator tables of a stateless conversion (after the
// routine is chosen); false when memory runs out.
bool build_accelerator(gl_cvdesc *cd);
void free_accelerator(gl_cvdesc *cd);

// The routines a descriptor's routine field points to.
int routine_single_byte(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);
int routine_multibyte(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);
int routine_stateful(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);
int routine_le_source(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);
int routine_le_target(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);
// A conversion the Unicode service runs (glu_cv_conv on the descriptor's
// service handle).
int routine_service(gl_cvdesc *, gl_cv_state *, char **, int *, char **, int *, int *);

} // namespace gls::cv
