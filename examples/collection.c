/* Collections: a LIST of VARCHAR over a data buffer as received, changed
 * through its change log (insert, update, delete) and walked with a cursor,
 * flattened into a fresh buffer, hashed, compared with a SET, written in the
 * stored form with 18-byte names and loaded back, and its type text. */
#include <stdio.h>
#include <string.h>

#include "collection.h"
#include "rtypes.h"

static void show(const char *what, trw_collection *coll)
{
    trw_coll_cursor cursor;
    char *elem;
    int len;
    printf("%-10s", what);
    trw_coll_open(coll, &cursor);
    for (;;) {
        elem = NULL;
        if (trw_coll_next(coll, &cursor, &elem, &len) != 0)
            break;
        printf(" '%.*s'", len, elem);
    }
    trw_coll_close(coll, &cursor);
    printf("  (%d elements)\n", coll->cl_cardinality);
}

int main(void)
{
    /* "red", "green", "blue", then the offsets 0, 3, 8 from the end down,
     * closed by -1. */
    static char data[] = "redgreenblue"
                         "\xff\xff\xff\xff"
                         "\0\0\0\x08"
                         "\0\0\0\x03"
                         "\0\0\0\0";
    trw_coll_typeentry entries[2], set_entries[2];
    trw_coll_typedesc type, set_type;
    trw_collection list, set, loaded;
    trw_coll_cursor cursor;
    char text[80], stored[256];
    char *elem;
    int len, equal, isnull, size;

    memset(entries, 0, sizeof entries);
    memset(&type, 0, sizeof type);
    entries[0].type = TRW_SQL_LIST;
    entries[1].level_no = 1;
    entries[1].type = TRW_SQL_VARCHAR | TRW_COLL_NOTNULL;
    entries[1].length = 10;
    type.td_count = 2;
    type.td_entries = entries;

    if (trw_coll_init(&list, &type, 1, data, (int)sizeof data - 1) != 0)
        return 1;
    trw_cltypetostr(&list, text, (int)sizeof text);
    printf("type       %s\n", text);
    show("received", &list);

    trw_coll_insert(&list, "white", 5, 2);       /* before position 2 */
    trw_coll_update_pos(&list, 4, "navy", 4);    /* "blue" becomes "navy" */
    trw_coll_open(&list, &cursor);
    elem = NULL;
    trw_coll_next(&list, &cursor, &elem, &len); /* "red" */
    printf("delete     %d\n", trw_coll_delete(&list, &cursor, 0));
    elem = NULL;
    trw_coll_next(&list, &cursor, &elem, &len);
    printf("next       '%.*s' at %d\n", len, elem, cursor.cu_pos);
    trw_coll_close(&list, &cursor);
    show("changed", &list);
    printf("NULL       %d\n", trw_coll_insert(&list, NULL, 0, 0));
    trw_coll_insert(&list, "x", 1, 0);

    trw_coll_tuple(&list);
    printf("flattened  %d bytes, hash %u\n", list.cl_datalen, list.cl_hashvalue);
    show("flattened", &list);

    /* The same elements as a SET, in another order: equal as a SET. */
    set_entries[0] = entries[0];
    set_entries[1] = entries[1];
    set_entries[0].type = TRW_SQL_SET;
    set_type = type;
    set_type.td_entries = set_entries;
    trw_coll_init(&set, &set_type, 1, NULL, 0);
    trw_coll_insert(&set, "x", 1, 0);
    trw_coll_insert(&set, "navy", 4, 0);
    trw_coll_insert(&set, "green", 5, 0);
    trw_coll_insert(&set, "white", 5, 0);
    trw_coll_insert(&set, "navy", 4, 0); /* already there: not added */
    show("set", &set);
    printf("equal      %d (LIST and SET: %d)\n", trw_coll_equal(&set, &set, &equal, &isnull) == 0 && equal,
           trw_coll_equal(&set, &list, &equal, &isnull));

    size = trw_coll_stored_size(&set, 0);
    printf("stored     %d bytes: %d\n", size, stcollection(&set, stored, (int)sizeof stored, 0));
    printf("loaded     %d\n", ldcollection(stored, size, &loaded, 0));
    show("loaded", &loaded);
    trw_coll_hash(&set);
    trw_coll_hash(&loaded);
    printf("hashes     %u %u\n", set.cl_hashvalue, loaded.cl_hashvalue);

    trw_coll_free(&loaded);
    trw_coll_free(&set);
    trw_coll_free(&list);
    return 0;
}
