/* Build stamp of the transport stub library, in `date` output form. */
#include "tli.h"

char netdate[28] = "Wed Feb 5 00:13:21 CST 2003";
