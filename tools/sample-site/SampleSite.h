#pragma once

#include "SampleServer.h"

namespace sample {

// The sample journal site: the journal's pages (home, result pages, listings, tables of
// contents, articles and their PDFs), the download cases the download manager must survive,
// the login form, and the maker's pages with the version manifest.
class SampleSite : public SampleServer {
    Q_OBJECT
public:
    explicit SampleSite(QObject* parent = nullptr);

    // The version number that the maker's manifest announces.
    static QString latestVersion();
};

// The parts of the site, each registering its own paths.
void registerJournalPages(SampleServer& server);
void registerDownloadCases(SampleServer& server);
void registerLoginPages(SampleServer& server);
void registerMakerPages(SampleServer& server);

} // namespace sample
