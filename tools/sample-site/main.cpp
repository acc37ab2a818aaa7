#include "SampleSite.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

using namespace Qt::StringLiterals;

// The sample journal site as a program of its own, for trying the downloader offline.
int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Sample journal site on 127.0.0.1"_s);
    parser.addHelpOption();
    QCommandLineOption portOption(u"port"_s, u"Port to listen on (0: any free port)."_s, u"port"_s,
                                  u"8765"_s);
    parser.addOption(portOption);
    parser.process(application);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "zorv-sample-site: not a port: %s\n",
                     qPrintable(parser.value(portOption)));
        return 2;
    }
    sample::SampleSite site;
    if (!site.listen(static_cast<quint16>(port))) {
        std::fprintf(stderr, "zorv-sample-site: cannot listen on 127.0.0.1:%u\n", port);
        return 1;
    }
    std::printf("Sample journal site on %s/\n", qPrintable(site.base()));
    std::fflush(stdout);
    return QCoreApplication::exec();
}
