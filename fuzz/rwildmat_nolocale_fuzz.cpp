// libFuzzer target for MATCHES and LIKE in a process whose client locale
// cannot be loaded (CLIENT_LOCALE names a locale the data tree lacks): the
// target of rwildmat_fuzz.cpp, whose matchers then take text byte by byte
// with blank and tab as the only blanks (inputs with the UTF-8 flag still
// run in their own environment).
#define RWILDMAT_CLIENT_LOCALE "xx_XX.8859-1"
#include "rwildmat_fuzz.cpp"
