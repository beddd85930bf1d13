// The constant tables of the settings registry: the known-variable table
// Inf_DVals (every name the runtime knows, with its built-in default and
// maximum length) and the name lists a session or a connection sends to a
// server. Read a table row as {name, default or nullptr, maximum length or 0
// for no limit}; a variable's index is its row. The compile-time checks at
// the end pin the row count, the strictly ascending order, the rows that
// carry a default or a limit, the indexes osenv.h publishes, and that every
// listed name is a row.
#include "osdefenv.h"

#include <cstddef>

#include "osenv.h"

// Most rows name server, replication, backup, loader and diagnostic settings
// of the product line that the client never interprets; they are known so
// that configuration files may carry them. TRWCONFIG names the server's
// configuration file.
extern "C" constexpr os_envdef Inf_DVals[] = {
    {"ANSIOWNER", nullptr, 0},
    {"BACKUP_ACCESS_LOG", nullptr, 0},
    {"BACKUP_ALARM_PROGRAM", nullptr, 0},
    {"BACKUP_AUTH_MODE", nullptr, 0},
    {"BACKUP_BATCH_SIZE", nullptr, 0},
    {"BACKUP_BUFFERS", nullptr, 0},
    {"BACKUP_CACHE_SIZE", nullptr, 0},
    {"BACKUP_CHECKPOINT", nullptr, 0},
    {"BACKUP_CLEANERS", nullptr, 0},
    {"BACKUP_COMPRESS", nullptr, 0},
    {"BACKUP_CONNECT_LIMIT", nullptr, 0},
    {"BACKUP_CONSOLE", nullptr, 0},
    {"BACKUP_CPU_VPS", nullptr, 0},
    {"BACKUP_DATA_DIR", nullptr, 0},
    {"BACKUP_DEADLOCK_WAIT", nullptr, 0},
    {"BACKUP_DIRECT_IO", nullptr, 0},
    {"BACKUP_DUMP_DIR", nullptr, 0},
    {"BACKUP_ENCRYPT", nullptr, 0},
    {"BACKUP_HEARTBEAT", nullptr, 0},
    {"BACKUP_LOCKS", nullptr, 0},
    {"BACKUP_LOG_BUFFER", nullptr, 0},
    {"BACKUP_LOG_FILE", nullptr, 0},
    {"BACKUP_LOG_SIZE", nullptr, 0},
    {"BACKUP_MAX_SESSIONS", nullptr, 0},
    {"BACKUP_MEMORY_LIMIT", nullptr, 0},
    {"BACKUP_MSG_PATH", nullptr, 0},
    {"BACKUP_NET_BUFFER", nullptr, 0},
    {"BACKUP_PAGE_SIZE", nullptr, 0},
    {"BACKUP_POLL_THREADS", nullptr, 0},
    {"BACKUP_PORT", nullptr, 0},
    {"BACKUP_QUEUE_DEPTH", nullptr, 0},
    {"BACKUP_READ_AHEAD", nullptr, 0},
    {"BACKUP_RETRY_COUNT", nullptr, 0},
    {"BACKUP_RETRY_DELAY", nullptr, 0},
    {"BACKUP_SHUTDOWN_WAIT", nullptr, 0},
    {"BACKUP_SPOOL_DIR", nullptr, 0},
    {"BACKUP_STACK_SIZE", nullptr, 0},
    {"BACKUP_STATS_INTERVAL", nullptr, 0},
    {"BACKUP_TEMP_DIR", nullptr, 0},
    {"BACKUP_THREADS", nullptr, 0},
    {"BACKUP_TIMEOUT", nullptr, 0},
    {"BACKUP_TRACE_FILE", nullptr, 0},
    {"BACKUP_TRACE_LEVEL", nullptr, 0},
    {"BACKUP_VERIFY", nullptr, 0},
    {"BACKUP_WAIT_TIME", nullptr, 0},
    {"BIG_FET_BUF_SIZE", nullptr, 0},
    {"BLANK_STRINGS_NOT_NULL", nullptr, 0},
    {"CLIENT_LOCALE", nullptr, 0},
    {"COLLCHAR", nullptr, 0},
    {"CR_LOCKBLOB", nullptr, 0},
    {"DBALSBC", nullptr, 0},
    {"DBANSIWARN", nullptr, 0},
    {"DBCENTURY", nullptr, 0},
    {"DBCONNECT", nullptr, 0},
    {"DBCSCONV", nullptr, 0},
    {"DBDATE", nullptr, 0},
    {"DBDELIMITER", "|", 0},
    {"DBLANG", nullptr, 0},
    {"DBMAXPROC", nullptr, 0},
    {"DBMONEY", nullptr, 0},
    {"DBNLS", nullptr, 0},
    {"DBPATH", ".", 0},
    {"DBPRINT", "lp -s", 0},
    {"DBSPACETEMP", nullptr, 0},
    {"DBTEMP", "/tmp", 0},
    {"DBTIME", nullptr, 0},
    {"DBTODAY", nullptr, 0},
    {"DBUPSPACE", nullptr, 0},
    {"DB_LOCALE", nullptr, 0},
    {"DC_SESSION_MAX", nullptr, 0},
    {"DEBUG", nullptr, 0},
    {"DEFAULT_ATTACH", nullptr, 0},
    {"DELIMIDENT", nullptr, 0},
    {"DHL_RDEFMTDATE", nullptr, 0},
    {"DIAG_ACCESS_LOG", nullptr, 0},
    {"DIAG_ALARM_PROGRAM", nullptr, 0},
    {"DIAG_AUTH_MODE", nullptr, 0},
    {"DIAG_BATCH_SIZE", nullptr, 0},
    {"DIAG_BUFFERS", nullptr, 0},
    {"DIAG_CACHE_SIZE", nullptr, 0},
    {"DIAG_CHECKPOINT", nullptr, 0},
    {"DIAG_CLEANERS", nullptr, 0},
    {"DIAG_COMPRESS", nullptr, 0},
    {"DIAG_CONNECT_LIMIT", nullptr, 0},
    {"DIAG_CONSOLE", nullptr, 0},
    {"DIAG_CPU_VPS", nullptr, 0},
    {"DIAG_DATA_DIR", nullptr, 0},
    {"DIAG_DEADLOCK_WAIT", nullptr, 0},
    {"DIAG_DIRECT_IO", nullptr, 0},
    {"DIAG_DUMP_DIR", nullptr, 0},
    {"DIAG_ENCRYPT", nullptr, 0},
    {"DIAG_HEARTBEAT", nullptr, 0},
    {"DIAG_LOCKS", nullptr, 0},
    {"DIAG_LOG_BUFFER", nullptr, 0},
    {"DIAG_LOG_FILE", nullptr, 0},
    {"DIAG_LOG_SIZE", nullptr, 0},
    {"DIAG_MAX_SESSIONS", nullptr, 0},
    {"DIAG_MEMORY_LIMIT", nullptr, 0},
    {"DIAG_MSG_PATH", nullptr, 0},
    {"DIAG_NET_BUFFER", nullptr, 0},
    {"DIAG_PAGE_SIZE", nullptr, 0},
    {"DIAG_POLL_THREADS", nullptr, 0},
    {"DIAG_PORT", nullptr, 0},
    {"DIAG_QUEUE_DEPTH", nullptr, 0},
    {"DIAG_READ_AHEAD", nullptr, 0},
    {"DIAG_RETRY_COUNT", nullptr, 0},
    {"DIAG_RETRY_DELAY", nullptr, 0},
    {"DIAG_SHUTDOWN_WAIT", nullptr, 0},
    {"DIAG_SPOOL_DIR", nullptr, 0},
    {"DIAG_STACK_SIZE", nullptr, 0},
    {"DIAG_STATS_INTERVAL", nullptr, 0},
    {"DIAG_TEMP_DIR", nullptr, 0},
    {"DIAG_THREADS", nullptr, 0},
    {"DIAG_TIMEOUT", nullptr, 0},
    {"DIAG_TRACE_FILE", nullptr, 0},
    {"DIAG_TRACE_LEVEL", nullptr, 0},
    {"DIAG_VERIFY", nullptr, 0},
    {"DIAG_WAIT_TIME", nullptr, 0},
    {"DUMPCORE", nullptr, 0},
    {"DUMPDIR", nullptr, 0},
    {"DUMPMEM", nullptr, 0},
    {"DUMPSHMEM", nullptr, 0},
    {"ENVIGNORE", nullptr, 0},
    {"FET_BUF_SIZE", nullptr, 0},
    {"FORCE_DB_DROP", nullptr, 0},
    {"GCORE", nullptr, 0},
    {"GLS8BITFSYS", nullptr, 0},
    {"GLSDEBUG", nullptr, 0},
    {"GLSLOG", nullptr, 0},
    {"GL_CV_PATH", nullptr, 0},
    {"GL_DATE", nullptr, 0},
    {"GL_DATETIME", nullptr, 0},
    {"GL_MATCHES", nullptr, 0},
    {"GL_PATH", nullptr, 0},
    {"GL_USEGLU", nullptr, 0},
    {"HOME", nullptr, 0},
    {"LANG", nullptr, 0},
    {"LC_COLLATE", nullptr, 0},
    {"LC_CTYPE", nullptr, 0},
    {"LC_MONETARY", nullptr, 0},
    {"LC_NUMERIC", nullptr, 0},
    {"LC_TIME", nullptr, 0},
    {"LIGHT_SCANS", nullptr, 0},
    {"LKNOTIFY", "yes", 0},
    {"LOAD_ACCESS_LOG", nullptr, 0},
    {"LOAD_ALARM_PROGRAM", nullptr, 0},
    {"LOAD_AUTH_MODE", nullptr, 0},
    {"LOAD_BATCH_SIZE", nullptr, 0},
    {"LOAD_BUFFERS", nullptr, 0},
    {"LOAD_CACHE_SIZE", nullptr, 0},
    {"LOAD_CHECKPOINT", nullptr, 0},
    {"LOAD_CLEANERS", nullptr, 0},
    {"LOAD_COMPRESS", nullptr, 0},
    {"LOAD_CONNECT_LIMIT", nullptr, 0},
    {"LOAD_CONSOLE", nullptr, 0},
    {"LOAD_CPU_VPS", nullptr, 0},
    {"LOAD_DATA_DIR", nullptr, 0},
    {"LOAD_DEADLOCK_WAIT", nullptr, 0},
    {"LOAD_DIRECT_IO", nullptr, 0},
    {"LOAD_DUMP_DIR", nullptr, 0},
    {"LOAD_ENCRYPT", nullptr, 0},
    {"LOAD_HEARTBEAT", nullptr, 0},
    {"LOAD_LOCKS", nullptr, 0},
    {"LOAD_LOG_BUFFER", nullptr, 0},
    {"LOAD_LOG_FILE", nullptr, 0},
    {"LOAD_LOG_SIZE", nullptr, 0},
    {"LOAD_MAX_SESSIONS", nullptr, 0},
    {"LOAD_MEMORY_LIMIT", nullptr, 0},
    {"LOAD_MSG_PATH", nullptr, 0},
    {"LOAD_NET_BUFFER", nullptr, 0},
    {"LOAD_PAGE_SIZE", nullptr, 0},
    {"LOAD_POLL_THREADS", nullptr, 0},
    {"LOAD_PORT", nullptr, 0},
    {"LOAD_QUEUE_DEPTH", nullptr, 0},
    {"LOAD_READ_AHEAD", nullptr, 0},
    {"LOAD_RETRY_COUNT", nullptr, 0},
    {"LOAD_RETRY_DELAY", nullptr, 0},
    {"LOAD_SHUTDOWN_WAIT", nullptr, 0},
    {"LOAD_SPOOL_DIR", nullptr, 0},
    {"LOAD_STACK_SIZE", nullptr, 0},
    {"LOAD_STATS_INTERVAL", nullptr, 0},
    {"LOAD_TEMP_DIR", nullptr, 0},
    {"LOAD_THREADS", nullptr, 0},
    {"LOAD_TIMEOUT", nullptr, 0},
    {"LOAD_TRACE_FILE", nullptr, 0},
    {"LOAD_TRACE_LEVEL", nullptr, 0},
    {"LOAD_VERIFY", nullptr, 0},
    {"LOAD_WAIT_TIME", nullptr, 0},
    {"LOCKDOWN", "no", 0},
    {"LOCKSSFU", nullptr, 0},
    {"NODEFDAC", "no", 0},
    {"NON_M6_ATTRS_OK", "1", 0},
    {"NOSHMSG", nullptr, 0},
    {"NOSORTINDEX", nullptr, 0},
    {"NO_KEYFIRST", nullptr, 0},
    {"NO_KEYSTART", nullptr, 0},
    {"NO_PREDPROMOTE", nullptr, 0},
    {"NO_SUBQF", nullptr, 0},
    {"OPTCOMPIND", nullptr, 0},
    {"OPTOFC", nullptr, 0},
    {"OPT_GOAL", nullptr, 0},
    {"PATH", nullptr, 0},
    {"PDQPRIORITY", nullptr, 0},
    {"PSORT_DBTEMP", nullptr, 0},
    {"PSORT_NPROCS", nullptr, 0},
    {"RASHELP", nullptr, 0},
    {"REPL_ACCESS_LOG", nullptr, 0},
    {"REPL_ALARM_PROGRAM", nullptr, 0},
    {"REPL_AUTH_MODE", nullptr, 0},
    {"REPL_BATCH_SIZE", nullptr, 0},
    {"REPL_BUFFERS", nullptr, 0},
    {"REPL_CACHE_SIZE", nullptr, 0},
    {"REPL_CHECKPOINT", nullptr, 0},
    {"REPL_CLEANERS", nullptr, 0},
    {"REPL_COMPRESS", nullptr, 0},
    {"REPL_CONNECT_LIMIT", nullptr, 0},
    {"REPL_CONSOLE", nullptr, 0},
    {"REPL_CPU_VPS", nullptr, 0},
    {"REPL_DATA_DIR", nullptr, 0},
    {"REPL_DEADLOCK_WAIT", nullptr, 0},
    {"REPL_DIRECT_IO", nullptr, 0},
    {"REPL_DUMP_DIR", nullptr, 0},
    {"REPL_ENCRYPT", nullptr, 0},
    {"REPL_HEARTBEAT", nullptr, 0},
    {"REPL_LOCKS", nullptr, 0},
    {"REPL_LOG_BUFFER", nullptr, 0},
    {"REPL_LOG_FILE", nullptr, 0},
    {"REPL_LOG_SIZE", nullptr, 0},
    {"REPL_MAX_SESSIONS", nullptr, 0},
    {"REPL_MEMORY_LIMIT", nullptr, 0},
    {"REPL_MSG_PATH", nullptr, 0},
    {"REPL_NET_BUFFER", nullptr, 0},
    {"REPL_PAGE_SIZE", nullptr, 0},
    {"REPL_POLL_THREADS", nullptr, 0},
    {"REPL_PORT", nullptr, 0},
    {"REPL_QUEUE_DEPTH", nullptr, 0},
    {"REPL_READ_AHEAD", nullptr, 0},
    {"REPL_RETRY_COUNT", nullptr, 0},
    {"REPL_RETRY_DELAY", nullptr, 0},
    {"REPL_SHUTDOWN_WAIT", nullptr, 0},
    {"REPL_SPOOL_DIR", nullptr, 0},
    {"REPL_STACK_SIZE", nullptr, 0},
    {"REPL_STATS_INTERVAL", nullptr, 0},
    {"REPL_TEMP_DIR", nullptr, 0},
    {"REPL_THREADS", nullptr, 0},
    {"REPL_TIMEOUT", nullptr, 0},
    {"REPL_TRACE_FILE", nullptr, 0},
    {"REPL_TRACE_LEVEL", nullptr, 0},
    {"REPL_VERIFY", nullptr, 0},
    {"REPL_WAIT_TIME", nullptr, 0},
    {"SERVER_LOCALE", nullptr, 0},
    {"SHELL", nullptr, 0},
    {"SINGLELEVEL", "no", 0},
    {"SKALL", nullptr, 0},
    {"SKINHIBIT", nullptr, 0},
    {"SKSHOW", nullptr, 0},
    {"SLABEL", nullptr, 0},
    {"SORTINDEX", nullptr, 0},
    {"SQLIDEBUG", nullptr, 0},
    {"SQLSTATS", nullptr, 0},
    {"SRV_ACCESS_LOG", nullptr, 0},
    {"SRV_ALARM_PROGRAM", nullptr, 0},
    {"SRV_AUTH_MODE", nullptr, 0},
    {"SRV_BATCH_SIZE", nullptr, 0},
    {"SRV_BUFFERS", nullptr, 0},
    {"SRV_CACHE_SIZE", nullptr, 0},
    {"SRV_CHECKPOINT", nullptr, 0},
    {"SRV_CLEANERS", nullptr, 0},
    {"SRV_COMPRESS", nullptr, 0},
    {"SRV_CONNECT_LIMIT", nullptr, 0},
    {"SRV_CONSOLE", nullptr, 0},
    {"SRV_CPU_VPS", nullptr, 0},
    {"SRV_DATA_DIR", nullptr, 0},
    {"SRV_DEADLOCK_WAIT", nullptr, 0},
    {"SRV_DIRECT_IO", nullptr, 0},
    {"SRV_DUMP_DIR", nullptr, 0},
    {"SRV_ENCRYPT", nullptr, 0},
    {"SRV_HEARTBEAT", nullptr, 0},
    {"SRV_LOCKS", nullptr, 0},
    {"SRV_LOG_BUFFER", nullptr, 0},
    {"SRV_LOG_FILE", nullptr, 0},
    {"SRV_LOG_SIZE", nullptr, 0},
    {"SRV_MAX_SESSIONS", nullptr, 0},
    {"SRV_MEMORY_LIMIT", nullptr, 0},
    {"SRV_MSG_PATH", nullptr, 0},
    {"SRV_NET_BUFFER", nullptr, 0},
    {"SRV_PAGE_SIZE", nullptr, 0},
    {"SRV_POLL_THREADS", nullptr, 0},
    {"SRV_PORT", nullptr, 0},
    {"SRV_QUEUE_DEPTH", nullptr, 0},
    {"SRV_READ_AHEAD", nullptr, 0},
    {"SRV_RETRY_COUNT", nullptr, 0},
    {"SRV_RETRY_DELAY", nullptr, 0},
    {"SRV_SHUTDOWN_WAIT", nullptr, 0},
    {"SRV_SPOOL_DIR", nullptr, 0},
    {"SRV_STACK_SIZE", nullptr, 0},
    {"SRV_STATS_INTERVAL", nullptr, 0},
    {"SRV_TEMP_DIR", nullptr, 0},
    {"SRV_THREADS", nullptr, 0},
    {"SRV_TIMEOUT", nullptr, 0},
    {"SRV_TRACE_FILE", nullptr, 0},
    {"SRV_TRACE_LEVEL", nullptr, 0},
    {"SRV_VERIFY", nullptr, 0},
    {"SRV_WAIT_TIME", nullptr, 0},
    {"STMT_CACHE", nullptr, 0},
    {"STMT_CACHE_DEBUG", nullptr, 0},
    {"SUBQCACHESZ", "10", 0},
    {"TARNWELLCONRETRY", nullptr, 0},
    {"TARNWELLCONTIME", nullptr, 0},
    {"TARNWELLDIR", "/usr/tarnwell", 256},
    {"TARNWELLOPCACHE", nullptr, 0},
    {"TARNWELLSERVER", nullptr, 128},
    {"TARNWELLSTACKSIZE", nullptr, 0},
    {"TARNWELLTERM", "termcap", 0},
    {"TEMP", nullptr, 0},
    {"TERM", "dumb", 0},
    {"TERMCAP", "/etc/termcap", 0},
    {"TMP", nullptr, 0},
    {"TRACECUDRARG", nullptr, 0},
    {"TRWCONFIG", "trwconfig.std", 0},
    {"TRW_DEF_TABLE_LOCKMODE", nullptr, 0},
    {"TRW_DIRECTIVES", nullptr, 0},
    {"TRW_DW_OPT", nullptr, 0},
    {"TRW_FLAT_UCSQ", nullptr, 0},
    {"TRW_FREE_FD", nullptr, 0},
    {"TRW_IMPLICIT_TRANSACTION", nullptr, 0},
    {"TRW_IMPORT_NOLOG", nullptr, 0},
    {"TRW_LOAD_BUFFER", nullptr, 0},
    {"TRW_LOAD_COMMIT", nullptr, 0},
    {"TRW_LONGID", nullptr, 0},
    {"TRW_NOZEROMDY", nullptr, 0},
    {"TRW_NO_OROPT", nullptr, 0},
    {"TRW_PAD_VARCHAR", nullptr, 0},
    {"TRW_UPDDESC", nullptr, 0},
    {"TRW_USE_PREC_16", nullptr, 0},
    {"TZ", nullptr, 0},
    {"USER", nullptr, 0},
    {"USE_DTENV", nullptr, 0},
    {"UVIEW_CRTTMP", nullptr, 0},
    {"W1", nullptr, 0},
    {"W2", nullptr, 0},
    {nullptr, nullptr, 0},
};
extern "C" constexpr int Num_DVals = static_cast<int>(std::size(Inf_DVals)) - 1;

namespace osenv {

constexpr std::array<const char *, 64> kSessionNames = {
    "DBTIME", "DBLANG", "DBMAXPROC", "DBTEMP", "DEBUG", "DUMPCORE", "DUMPDIR", "DUMPMEM",
    "DUMPSHMEM", "GCORE", "TRW_NOZEROMDY", "NOSHMSG", "PSORT_DBTEMP", "PSORT_NPROCS", "SHELL",
    "TZ", "W1", "W2", "NOSORTINDEX", "SORTINDEX", "DBUPSPACE", "SUBQCACHESZ", "NO_KEYFIRST",
    "NO_KEYSTART", "NO_PREDPROMOTE", "NO_SUBQF", "TRW_FLAT_UCSQ", "ANSIOWNER", "UVIEW_CRTTMP",
    "PDQPRIORITY", "TRW_DIRECTIVES", "TRW_DW_OPT", "TRW_NO_OROPT", "TRW_UPDDESC", "OPTCOMPIND",
    "OPTOFC", "TARNWELLCONRETRY", "TARNWELLCONTIME", "TARNWELLOPCACHE", "GL_DATETIME",
    "GL_MATCHES", "SQLSTATS", "DBCENTURY", "TRW_LOAD_COMMIT", "DBANSIWARN", "PATH",
    "CR_LOCKBLOB", "LOCKSSFU", "LIGHT_SCANS", "TRW_IMPORT_NOLOG", "TRW_LOAD_BUFFER", "DBTODAY",
    "NODEFDAC", "OPT_GOAL", "DEFAULT_ATTACH", "USE_DTENV", "TRACECUDRARG", "FORCE_DB_DROP",
    "DC_SESSION_MAX", "TRW_DEF_TABLE_LOCKMODE", "TRW_IMPLICIT_TRANSACTION", "FET_BUF_SIZE",
    "BIG_FET_BUF_SIZE", "GL_USEGLU"};

constexpr std::array<const char *, 24> kConnectionNames = {
    "DBDATE", "DBMONEY", "DBALSBC", "DBCONNECT", "DBCSCONV", "CLIENT_LOCALE",
    "TARNWELLSTACKSIZE", "DBSPACETEMP", "GL_DATE", "COLLCHAR", "SLABEL", "SINGLELEVEL",
    "LKNOTIFY", "LOCKDOWN", "NODEFDAC", "DELIMIDENT", "SKINHIBIT", "SKALL", "SKSHOW", "RASHELP",
    "STMT_CACHE", "STMT_CACHE_DEBUG", "TRW_LONGID", "TRW_PAD_VARCHAR"};

constexpr std::array<const char *, 7> kLocaleNames = {
    "DB_LOCALE", "DBNLS", "LC_CTYPE", "LC_COLLATE", "LC_NUMERIC", "LC_MONETARY", "LC_TIME"};

} // namespace osenv

// ---- compile-time checks -------------------------------------------------

namespace {

constexpr bool same_text(const char *a, const char *b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

constexpr bool text_before(const char *a, const char *b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b);
}

constexpr int row_of(const char *name)
{
    for (int i = 0; i < Num_DVals; ++i)
        if (same_text(Inf_DVals[i].name, name))
            return i;
    return -1;
}

constexpr bool row_is(const char *name, const char *defval, int maxlen)
{
    const int i = row_of(name);
    return i >= 0 && same_text(Inf_DVals[i].defval, defval) && Inf_DVals[i].maxlen == maxlen;
}

constexpr bool strictly_ascending()
{
    for (int i = 1; i < Num_DVals; ++i)
        if (!text_before(Inf_DVals[i - 1].name, Inf_DVals[i].name))
            return false;
    return true;
}

constexpr int rows_with_default_or_limit()
{
    int n = 0;
    for (int i = 0; i < Num_DVals; ++i)
        n += Inf_DVals[i].defval != nullptr || Inf_DVals[i].maxlen != 0;
    return n;
}

template <std::size_t N> constexpr bool all_rows(const std::array<const char *, N> &names)
{
    for (const char *name : names)
        if (row_of(name) < 0)
            return false;
    return true;
}

static_assert(Num_DVals == 341 && Inf_DVals[341].name == nullptr);
static_assert(strictly_ascending());
static_assert(row_is("DBPATH", ".", 0) && row_is("DBPRINT", "lp -s", 0) &&
              row_is("DBTEMP", "/tmp", 0) && row_is("DBDELIMITER", "|", 0));
static_assert(row_is("TARNWELLDIR", "/usr/tarnwell", 256) &&
              row_is("TARNWELLSERVER", nullptr, 128) && row_is("TARNWELLTERM", "termcap", 0));
static_assert(row_is("LKNOTIFY", "yes", 0) && row_is("LOCKDOWN", "no", 0) &&
              row_is("NODEFDAC", "no", 0) && row_is("NON_M6_ATTRS_OK", "1", 0) &&
              row_is("SINGLELEVEL", "no", 0) && row_is("SUBQCACHESZ", "10", 0));
static_assert(row_is("TERM", "dumb", 0) && row_is("TERMCAP", "/etc/termcap", 0) &&
              row_is("TRWCONFIG", "trwconfig.std", 0));
static_assert(rows_with_default_or_limit() == 16, "only the rows above have a default or a limit");

static_assert(all_rows(osenv::kSessionNames) && all_rows(osenv::kConnectionNames) &&
              all_rows(osenv::kLocaleNames));
static_assert(all_rows(std::array<const char *, 19>{
    "ENVIGNORE", "GL_PATH", "GL_CV_PATH", "GLSDEBUG", "GLSLOG", "HOME", "PATH", "SHELL", "TERM",
    "TERMCAP", "TMP", "TEMP", "TZ", "USER", "DBNLS", "LANG", "SERVER_LOCALE", "SQLIDEBUG",
    "GLS8BITFSYS"}));

#define INDEX_NAMES(name) row_of(#name) == OSENV_##name
static_assert(INDEX_NAMES(BLANK_STRINGS_NOT_NULL) && INDEX_NAMES(CLIENT_LOCALE) &&
              INDEX_NAMES(DBCENTURY) && INDEX_NAMES(DBDATE) && INDEX_NAMES(DBLANG) &&
              INDEX_NAMES(DBMONEY) && INDEX_NAMES(DBNLS) && INDEX_NAMES(DBPATH) &&
              INDEX_NAMES(DBTIME) && INDEX_NAMES(DBTODAY) && INDEX_NAMES(DB_LOCALE));
static_assert(INDEX_NAMES(DHL_RDEFMTDATE) && INDEX_NAMES(ENVIGNORE) && INDEX_NAMES(GLS8BITFSYS) &&
              INDEX_NAMES(GL_DATE) && INDEX_NAMES(GL_DATETIME) && INDEX_NAMES(LANG) &&
              INDEX_NAMES(LC_COLLATE) && INDEX_NAMES(LC_CTYPE) && INDEX_NAMES(LC_MONETARY) &&
              INDEX_NAMES(LC_NUMERIC) && INDEX_NAMES(LC_TIME));
static_assert(INDEX_NAMES(SERVER_LOCALE) && INDEX_NAMES(SQLIDEBUG) && INDEX_NAMES(TARNWELLDIR) &&
              INDEX_NAMES(TARNWELLSERVER) && INDEX_NAMES(TRW_FREE_FD) &&
              INDEX_NAMES(TRW_NOZEROMDY) && INDEX_NAMES(TRW_USE_PREC_16) &&
              INDEX_NAMES(USE_DTENV));
#undef INDEX_NAMES

} // namespace
