#include "SampleSite.h"

using namespace Qt::StringLiterals;

namespace sample {

void registerJournalPages(SampleServer& server)
{
    server.route(u"/"_s, [](const Request&) {
        return Response::html(u"<!DOCTYPE html><html><head><meta charset=\"utf-8\">"
                              "<title>Journal of Sample Studies</title></head><body>"
                              "<h1>Journal of Sample Studies</h1></body></html>"_s);
    });
}

} // namespace sample
