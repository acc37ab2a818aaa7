#include "SampleSite.h"

namespace sample {

void registerDownloadCases(SampleServer& server) { Q_UNUSED(server); }

} // namespace sample
