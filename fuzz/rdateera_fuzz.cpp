// libFuzzer target for DATE text by a process format with eras: the target
// of rdateproc_fuzz.cpp with DBDATE GY2MD/ in ja_JP.utf8, so that the
// process format writes and reads era years and rgetglsdate reads the era
// fields back from the text.
#define RDATEPROC_LOCALE "ja_JP.utf8"
#define RDATEPROC_DBDATE "GY2MD/"
#include "rdateproc_fuzz.cpp"
