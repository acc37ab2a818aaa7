#include "SampleSite.h"

namespace sample {

void registerLoginPages(SampleServer& server) { Q_UNUSED(server); }

} // namespace sample
