// libFuzzer target for date masks and %-formats: the input is split at its
// first newline into a mask (or format) and a text. rfmtdate and dtofmtasc
// write into heap buffers of exactly their documented size, so that any
// write beyond is caught; rdefmtdate and dcvfmtasc read the text. Every
// status must be one of the DATE family's, a failed parse must leave the
// output alone, and a parsed date writes by the mask to a text that reads
// back as the same date.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "rdate.h"
#include "rdate_fuzz.h"

namespace {

// True when the mask has a year and every year in it is "yyyy": a shorter
// year writes only the last digits of a year read in full.
bool full_years(const std::string &mask)
{
    bool any = false;
    for (size_t i = 0; i < mask.size();) {
        if (mask[i] != 'y' && mask[i] != 'Y') {
            ++i;
            continue;
        }
        size_t j = i;
        while (j < mask.size() && (mask[j] == 'y' || mask[j] == 'Y'))
            ++j;
        if (j - i != 4)
            return false;
        any = true;
        i = j;
    }
    return any;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    rdate_fuzz_setup("en_US.8859-1");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 600)
        return 0;
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t nl = input.find('\n');
    // The functions see the texts up to their first NUL.
    const std::string mask = input.substr(0, nl).c_str();
    const std::string text = nl == std::string::npos ? std::string() : input.substr(nl + 1).c_str();
    const int32_t date = size > 0 ? static_cast<int32_t>(data[0] * 11731) - 693594 : 1;

    std::unique_ptr<char[]> out(new char[TRW_DATE_TEXT_MAX]);
    std::memset(out.get(), 'Z', TRW_DATE_TEXT_MAX); // an empty mask writes nothing
    int status = rfmtdate(date, mask.c_str(), out.get());
    if (!rdate_status_known(status))
        std::abort();
    if (status == 0 && std::memchr(out.get(), '\0', TRW_DATE_TEXT_MAX) == nullptr && !mask.empty() &&
        mask.find_first_not_of(' ') != std::string::npos)
        std::abort();

    int32_t parsed = 777;
    status = rdefmtdate(&parsed, mask.c_str(), text.c_str());
    if (!rdate_status_known(status) || (status != 0 && parsed != 777))
        std::abort();
    // A date read by the mask, written by it and read again, is the same
    // date (when the mask writes whole years).
    if (status == 0 && parsed != TRW_DATE_NULL && full_years(mask)) {
        std::unique_ptr<char[]> again(new char[TRW_DATE_TEXT_MAX]);
        int32_t reread = 777;
        if (rfmtdate(parsed, mask.c_str(), again.get()) == 0 &&
            rdefmtdate(&reread, mask.c_str(), again.get()) == 0 && reread != parsed)
            std::abort();
    }

    const int small = size > 1 ? data[1] % 40 + 1 : 8;
    std::unique_ptr<char[]> sized(new char[static_cast<size_t>(small)]);
    status = dtofmtasc(date, mask.c_str(), sized.get(), small);
    if (!rdate_status_known(status))
        std::abort();

    parsed = 777;
    status = dcvfmtasc(&parsed, mask.c_str(), text.c_str());
    if (!rdate_status_known(status) || (status != 0 && parsed != 777))
        std::abort();

    // With a century rule of the call: a known status, and a failure leaves
    // the output alone.
    static const char kRules[] = {'R', 'C', 'F', 'P'};
    int32_t ruled = 777;
    const int ruled_status = trw_defmtdate(&ruled, mask.c_str(), text.c_str(), kRules[size % 4]);
    if (!rdate_status_known(ruled_status) || (ruled_status != 0 && ruled != 777))
        std::abort();
    return 0;
}
