#pragma once
// The company log of a benchmark: a database of its own on the server bench/company.sh
// starts (KVR_TEST_POSTGRES, KVR_BENCH_DATABASE), set up as a company log.

#include <QString>
#include <QUrl>
#include <cstdio>

#include "records/company_log.h"

// Its URL, or nothing once the reason is printed.
inline QString bench_company_log() {
    const QString server = qEnvironmentVariable("KVR_TEST_POSTGRES");
    const QString database = qEnvironmentVariable("KVR_BENCH_DATABASE");
    if (server.isEmpty() || database.isEmpty()) {
        std::fprintf(stderr, "run it through bench/company.sh, which starts the server\n");
        return {};
    }
    QUrl url(server);
    url.setPath(u'/' + database);
    const QString company = url.toString();
    if (const auto failure =
            kvr::records::init_company_log(company, QStringLiteral("kvr_station"))) {
        std::fprintf(stderr, "%s\n", qPrintable(*failure));
        return {};
    }
    return company;
}
