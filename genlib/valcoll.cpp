// Collections in value records: loading the stored collection form into
// the record a valrec holds and writing it back, with the identifier length
// of the connected server.
#include <climits>
#include <cstring>

#include "collection.h"
#include "gentcb.h"
#include "osutil.h"
#include "valint.h"

namespace valrec_int {

namespace {

int long_ids() { return gget_dbver() != 0 ? 1 : 0; }

} // namespace

int coll_load(const char *data, int len, valrec *v)
{
    // Without a length the stored total length is trusted.
    int available = len;
    if (available <= 0) {
        const int64_t total = static_cast<uint32_t>(ldlong(data));
        available = total > INT_MAX - 4 ? INT_MAX : static_cast<int>(total) + 4;
    }
    std::memset(&v->vdata.vcoll, 0, sizeof v->vdata.vcoll);
    const int status = ldcollection(data, available, &v->vdata.vcoll, long_ids());
    if (status != 0) {
        trw_coll_free(&v->vdata.vcoll);
        std::memset(&v->vdata.vcoll, 0, sizeof v->vdata.vcoll);
    }
    return status;
}

int coll_store(valrec *v, char *data, int len, bool null)
{
    const int room = len > 0 ? len : INT_MAX;
    if (null) {
        trw_collection empty;
        std::memset(&empty, 0, sizeof empty);
        empty.cl_marker = TRW_COLL_MARKER;
        empty.cl_flags = COLL_ISNULL;
        return stcollection(&empty, data, room, long_ids());
    }
    // The collection is checked before anything is written.
    const int size = trw_coll_stored_size(&v->vdata.vcoll, long_ids());
    if (size < 0)
        return size;
    return stcollection(&v->vdata.vcoll, data, room, long_ids());
}

} // namespace valrec_int
