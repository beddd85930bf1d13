/* Includes every public header as C11 and calls one function of each. */
#include "decconv.h"
#include "datetime.h"
#include "decimal.h"
#include "gentcb.h"
#include "gl_cache.h"
#include "gl_char.h"
#include "gl_coll.h"
#include "gl_conv.h"
#include "gl_dl.h"
#include "gl_errno.h"
#include "gl_ext.h"
#include "gl_locale.h"
#include "gl_monfmt.h"
#include "gl_multi.h"
#include "gl_names.h"
#include "gl_time.h"
#include "gl_numfmt.h"
#include "glsclient.h"
#include "glsenv.h"
#include "glversion.h"
#include "int8.h"
#include "numfmt.h"
#include "osclient.h"
#include "osenv.h"
#include "osstore.h"
#include "osutil.h"
#include "rmsg.h"
#include "rprvers.h"
#include "rtypes.h"
#include "rwildmat.h"
#include "sqlstmt.h"
#include "rdate.h"
#include "osinit.h"
#include "osfile.h"
#include "oscmpr.h"
#include "osqlidbg.h"
#include "collection.h"
#include "valrec.h"
#include "hostvar.h"
#include "valexpr.h"

#include <stddef.h>
#include <stdio.h>
#include <string.h>
#include <stdlib.h>

static int checks;
static int failures;

static void check(int ok, const char *what)
{
    ++checks;
    if (!ok) {
        fprintf(stderr, "failed: %s\n", what);
        ++failures;
    }
}

int main(void)
{
    unsigned char four[4];
    stlong(-2, four);
    check(ldlong(four) == -2, "osutil stlong/ldlong");
    check(os_client_locale() == NULL, "osclient no hooks");
    check(ggetmaxlenbyname("TARNWELLSERVER") == 128, "osenv maximum length");
    stshort(258, four);
    check(four[0] == 1 && four[1] == 2, "osstore stshort");
    check(trwGEN_getFloatType() == 0, "gentcb float type");
    check(strcmp(gl_version(), "glslib-4.00.FC1") == 0, "glversion");
    check(gl_setextfunc(NULL, GL_EXT_SLOTS, NULL) == -1 && *_gl_ext_errno(NULL) == GL_EBADARG, "gl_ext");
    {
        gl_multi *table = _gl_create_multi(2, 0, NULL);
        check(table != NULL && _gl_multi_max_length(table) == 0, "gl_multi");
        _gl_free_multi(table);
    }
    {
        int length = 0, value = 0;
        check(_gl_validate_mb_string(NULL, NULL, (const unsigned char *)"x", &length, &value) == -1, "gl_cache");
    }
    check(rescfixstrmatch("abc", 3, "a%", 2, '%', '_', '\\') == 1, "rwildmat");
    check(gl_full_wcscoll(NULL, NULL, NULL) == 0 && *_gl_ext_errno(NULL) == GL_ENULLARG, "gl_coll");
    check(gl_cs_name2cs_num(NULL, "12345", "/nonexistent") == GL_CS_INVALID, "gl_names");
    check(_gl_glu_enabled() == 0 && glx_gluLoc(NULL, GL_LC_CTYPE) == NULL, "gl_dl");
    check(gl_ctype(NULL, "alpha") == GL_CLASS_ALPHA, "gl_locale");
    check(sqprvers(1, "-V", "x", NULL) == 0, "rprvers returns");
    {
        unsigned char one_pair[1] = {5};
        decvalue half;
        int32_t back = 0;
        check(decload(&half, 1, 0, one_pair, 1) == 0 && half.ndigits == 1, "decimal decload");
        check(deccvlong(-7, &half) == 0 && dectolong(&half, &back) == 0 && back == -7, "decconv");
    }
    check(strcmp(getalsloc("sjis"), "ja_JP.sjis") == 0 && getiniterr(12) == GLS_ECODESET, "glsenv");
    check(rfrontlen() >= 0 && cl_ext_putenv("NOEQUALS") == -1, "numfmt and the client hooks");
    check(gl_mb_loc_max(NULL) == 0, "gl_char");
    check(gl_cv_outbuflen(NULL, 3) == 3 && gl_cv_unload(&cd_fileerr) == 0, "gl_conv");
    check(is8bitstr("\xe9") == 1 && trw_gls_client() != NULL, "glsclient");
    {
        int8value big, sum;
        unsigned char stored[INT8_STORED_LEN];
        char text[24];
        check(sizeof(int8value) == 12 && offsetof(int8value, sign) == 8, "int8 layout");
        check(int8cvtarw_off_t(4294967295LL, &big) == 0 && trw_int8add(&big, &const_int8one, &sum) == 0 &&
                  trw_int8tostr(&sum, text, (int)sizeof text) == 0 && strcmp(text, "4294967296") == 0,
              "int8 add and text");
        stint8(&sum, stored);
        check(stored[1] == 1 && stored[9] == 1, "int8 stored form");
    }
    {
        char text[8] = "x";
        check(rgetmsg(-1200, text, 0) == RMSG_ETRUNC && text[0] == 'x' && gen_resetMessageFindFile('q') == -1,
              "rmsg");
    }
    check(sizeof(gl_tm) == 56 && offsetof(gl_tm, tm_sec) == 8 && offsetof(gl_tm, tm_glword2) == 48 &&
              sizeof(gl_caltm) == 56 && offsetof(gl_caltm, tm_monname) == 28 &&
              offsetof(gl_caltm, tm_year) == 32 && gl_get_era_count(NULL) == -1,
          "gl_time");
    check(gl_mbsfnum(NULL, NULL, 8, "%d", 1) == -1 && gl_localeconv(NULL) == NULL, "gl_numfmt and gl_monfmt");
    check(gstrqmarks("select ?, '?'") == 1 && chkstmt("select 1;", 9) == 0, "sqlstmt");
    {
        const unsigned char dt_units[7] = {19, 99, 12, 31, 23, 59, 58};
        dt_value dt_stamp;
        inv_value dt_span;
        char dt_desc[40];
        check(sizeof(dt_value) == 24 && sizeof(inv_value) == 24 && offsetof(dt_value, dt_dec) == 2 &&
                  offsetof(inv_value, in_dec) == 2,
              "datetime layout");
        dt_stamp.dt_qual = DT_YEAR_TO_SECOND;
        check(dtpack(&dt_stamp.dt_dec, DT_YEAR_TO_SECOND, dt_units, 1) == 0 && dt_stamp.dt_dec.exponent == 7 &&
                  _chk_qual(1, DT_YEAR_TO_SECOND) == -1268,
              "datetime pack and qualifier");
        dt_span.in_qual = INV_DAY9_TO_SECOND;
        check(dtsub(&dt_stamp, &dt_stamp, &dt_span) == 0 && dt_span.in_dec.ndigits == 0 &&
                  rtudesc(DT_SQLTYPE_INTERVAL, INV_DAY9_TO_SECOND, dt_desc) == 16,
              "datetime arithmetic and description");
    }
    {
        const int16_t date_mdy[3] = {12, 31, 1899};
        int16_t date_back[3];
        int32_t date_value = 1;
        check(rmdyjul(date_mdy, &date_value) == 0 && date_value == 0 && rjulmdy(TRW_DATE_MAX, date_back) == 0 &&
                  date_back[2] == 9999 && rdayofweek(TRW_DATE_NULL) == 0 && rleapyear(2000) == 1 &&
                  validate_dbcentury('x', 'R') == 'R',
              "rdate");
    }
    {
        char *os_path = gbldpath("/usr/tarnwell", "etc/tarnwell.rc", NULL);
        os_namelist *os_names = _ginitnamelist();
        check(os_path != NULL && strcmp(os_path, "/usr/tarnwell/etc/tarnwell.rc") == 0, "osfile gbldpath");
        check(os_names != NULL && _gaddnamelist(os_names, "n") == 0 && _gsrchnamelist(os_names, "n") == 0,
              "osfile name list");
        check(offsetof(os_user, home) == 552 && offsetof(os_group, members) == 552, "osfile records");
        check((_ixctype['A' + 1] & 0x01) != 0 && (_ixctype[' ' + 1] & 0x08) != 0, "osinit _ixctype");
        check(osglsbyleng(NULL, "ab  ", 4) == 2 && CharInRange('b', 'a', 'c') == 1, "oscmpr");
        check(_sqdbg == SQDBG_OFF || _sqdbg == SQDBG_TEXT || _sqdbg == SQDBG_BINARY, "osqlidbg mode");
        free(os_path);
        _gfreenamelist(os_names);
    }
    {
        short rt_small = 7;
        trw_locator rt_loc;
        char rt_name[] = "SERIAL8";
        check(strcmp(rtypname(TRW_SQL_INTEGER | 0x100), "integer") == 0 && rtoctype(TRW_HOST_INT) == TRW_HOST_LONG &&
                  rtosqltype(TRW_HOST_INT) == TRW_SQL_INTEGER && sqlctype[TRW_SQL_DATE] == TRW_HOST_DATE &&
                  sqlstype[TRW_HOST_BOOLEAN - TRW_HOST_FIRST] == TRW_SQL_BOOLEAN,
              "rtypes names and mappings");
        check(sizeof(trw_locator) == 112 && rtypmsize(TRW_HOST_LOCATOR, 0) == 112 && rtypalign(13, TRW_SQL_FLOAT) == 16,
              "rtypes sizes");
        check(rsetnull(TRW_SQL_SMALLINT, (char *)&rt_small) == 0 && rt_small == TRW_NULL_SMALLINT &&
                  risnull(TRW_HOST_SHORT, (char *)&rt_small) == 1,
              "rtypes NULL of a smallint");
        rt_loc.lo_indicator = 0;
        check(rsetnull(TRW_HOST_LOCATOR, (char *)&rt_loc) == 0 && rt_loc.lo_indicator == -1, "rtypes locator NULL");
        check(rstr2type(rt_name) == TRW_SQL_SERIAL8 && strcmp(rt_name, "SERIAL8") == 0, "rstr2type");
    }
    {
        dt_value tx_stamp;
        inv_value tx_span;
        char tx_text[DT_GLTEXT_SIZE];
        char tx_fmt[16];
        tx_stamp.dt_qual = DT_YEAR_TO_SECOND;
        tx_span.in_qual = (int16_t)TU_IENCODE(5, TU_DAY, TU_HOUR);
        check(dtcvasc("1999-12-31 23:59:58", &tx_stamp) == 0 && dttoasc(&tx_stamp, tx_text) == 0 &&
                  strcmp(tx_text, "1999-12-31 23:59:58") == 0,
              "datetime standard text");
        check(incvasc("-3 04", &tx_span) == 0 && intoasc(&tx_span, tx_text) == 0 &&
                  strcmp(tx_text, "    -3 04") == 0,
              "interval standard text");
        check(trw_to_gl_datetime("yyyy-mm-dd", tx_fmt, (int)sizeof tx_fmt) == 0 && strcmp(tx_fmt, "%iY-%m-%e") == 0,
              "datetime foreign format");
    }
    {
        /* Collections: the record keeps the host record's size and flags word. */
        trw_collection cl;
        trw_coll_typeentry ent[2];
        trw_coll_typedesc td;
        char four[8] = {0, 0, 0, 5, (char)0xFF, (char)0xFF, (char)0xFF, (char)0xFF};
        char text[32];
        memset(ent, 0, sizeof ent);
        memset(&td, 0, sizeof td);
        ent[0].type = TRW_SQL_SET;
        ent[1].level_no = 1;
        ent[1].type = TRW_SQL_INTEGER | TRW_COLL_NOTNULL;
        td.td_count = 2;
        td.td_entries = ent;
        check(sizeof(trw_collection) == TRW_COLL_RECORD_SIZE &&
                  offsetof(trw_collection, cl_flags) == TRW_COLL_FLAGS_OFFSET,
              "collection record layout");
        check(trw_coll_init(&cl, &td, 1, four, 4) == 0 && cl.cl_cardinality == 1, "collection init");
        check(trw_cltypetostr(&cl, text, (int)sizeof text) == 0 && strcmp(text, "set(integer not null)") == 0,
              "collection type text");
        check(trw_coll_free(&cl) == 0, "collection free");
    }
    {
        /* Value records: an INTEGER loaded, stored as CHAR and turned into text. */
        const unsigned char vr_int[4] = {0xFF, 0xFF, 0xFF, 0xD6};
        char vr_out[8];
        valrec vr;
        int vr_small = 0;
        memset(&vr, 0, sizeof vr);
        check(offsetof(valrec, vdata) == 16 && offsetof(valrec, vlen) == 136 && sizeof(valrec) == 144,
              "valrec layout");
        check(rdataval((const char *)vr_int, TRW_SQL_INTEGER, 0, &vr) == 0 && vr.vdata.vint == -42 &&
                  vr.vprec == VAL_PREC_INTEGER,
              "rdataval");
        check(rvaldata(&vr, vr_out, TRW_SQL_CHAR, 5) == 0 && memcmp(vr_out, "-42  ", 5) == 0, "rvaldata");
        check(rvalstr(&vr, vr_out, 0, 0) == 0 && strcmp(vr_out, "-42") == 0, "rvalstr");
        check(rstoi(" 12 ", &vr_small) == 0 && vr_small == 12 && dbfltprec == 16 && dbsmfltprec == -1, "rstoi");
        int32_t hv_int = 2, hv_out[3] = {0x5a5a5a5a, 0, 0x5a5a5a5a};
        short hv_ind = 0;
        valrec hv_a, hv_b, hv_sum;
        check(rcvarval(&hv_int, TRW_HOST_INT, &hv_a, 0, NULL) == 0 && hv_a.vprec == VAL_PREC_INTEGER &&
                  rcvarval(&hv_int, TRW_SQL_INTEGER, &hv_b, 0, NULL) == 0,
              "hostvar rcvarval");
        check(exadd(&hv_a, &hv_b, &hv_sum) == 0 && hv_sum.vtype == TRW_SQL_DECIMAL && hv_sum.vprec == 0x0B00 &&
                  rvalcvar(&hv_sum, &hv_out[1], TRW_HOST_INT, 0, &hv_ind) == 0 && hv_out[1] == 4 &&
                  hv_out[0] == 0x5a5a5a5a && hv_out[2] == 0x5a5a5a5a && hv_ind == 0,
              "valexpr exadd and rvalcvar");
        check(getkind(TRW_SQL_SMALLFLOAT) == (EXK_FLOAT | EXK_SMFLOAT) && get_kind_table()[TRW_SQL_NCHAR] == EXK_NCHAR,
              "valexpr kinds");
    }
    printf("%d passed, %d failed\n", checks - failures, failures);
    return failures != 0;
}
