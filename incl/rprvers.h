/* Version-option handler of the data-type library. */
#ifndef TRW_RPRVERS_H
#define TRW_RPRVERS_H

#ifdef __cplusplus
extern "C" {
#endif

/* Given count 2 and option "-V" or "-v", writes the banner and one newline
 * to descriptor 1 (two unbuffered writes) and ends the process with exit(0).
 * Any other count or option: returns 0 with no output. `reserved` is not read. */
int sqprvers(int count, const char *option, const char *banner, void *reserved);

#ifdef __cplusplus
}
#endif

#endif
