#pragma once
// The company log read before a command answers from the commissioning log.

#include "cli/invocation.h"
#include "records/company_pull.h"

namespace kvr::cli {

// Pulls the company log the invocation names into its log first; when it cannot be reached
// the command goes on with the local entries and says so on standard error.
records::CompanyRead pull_company_first(const Invocation& invocation,
                                        records::CommissioningLog& log);

} // namespace kvr::cli
