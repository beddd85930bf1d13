// Version texts of the locale library and of the data directory layouts it
// reads (registry, locale files, conversion files).
#include "glversion.h"

extern "C" const char *gl_version(void) { return "glslib-4.00.FC1"; }
extern "C" const char *gl_cm_version(void) { return "3"; }
extern "C" const char *gl_lc_version(void) { return "11"; }
extern "C" const char *gl_cv_version(void) { return "9"; }
