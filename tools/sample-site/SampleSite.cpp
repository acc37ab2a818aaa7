#include "SampleSite.h"

using namespace Qt::StringLiterals;

namespace sample {

SampleSite::SampleSite(QObject* parent)
    : SampleServer(parent)
{
    registerJournalPages(*this);
    registerDownloadCases(*this);
    registerLoginPages(*this);
    registerMakerPages(*this);
}

QString SampleSite::latestVersion() { return u"1.5.0"_s; }

} // namespace sample
