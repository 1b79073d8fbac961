#include "cli/company_first.h"

#include "cli/output.h"

namespace kvr::cli {

records::CompanyRead pull_company_first(const Invocation& invocation,
                                        records::CommissioningLog& log) {
    records::CompanyRead read = records::pull_first(log, invocation.company_log);
    if (read.named && !read.reached) print_error(records::company_unreached_text(read));
    return read;
}

} // namespace kvr::cli
