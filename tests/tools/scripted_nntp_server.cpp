// The scripted NNTP server as a program, for tests that run the whole
// application against it. It prints the port it listens on as the first line
// of its standard output and serves until it is terminated (or, with
// --stop-on-eof, until its standard input closes, so that it never outlives
// the test that started it).

#include "support/NntpScriptFile.h"
#include "support/ScriptedNntpServer.h"
#include "support/TestCertificates.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A scripted NNTP server on 127.0.0.1."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("script"),
                                 QStringLiteral("A JSON script or a folder of articles."));
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port to listen on (0: any)."),
                                        QStringLiteral("port"), QStringLiteral("0"));
    const QCommandLineOption tlsOption(QStringLiteral("tls"),
                                       QStringLiteral("Serve TLS with a fresh test CA."));
    const QCommandLineOption caOption(QStringLiteral("ca-out"),
                                      QStringLiteral("Write the test CA certificate (PEM) to this file."),
                                      QStringLiteral("file"));
    const QCommandLineOption eofOption(QStringLiteral("stop-on-eof"),
                                       QStringLiteral("Exit when standard input reaches its end."));
    parser.addOptions({portOption, tlsOption, caOption, eofOption});
    parser.process(app);

    ScriptedNntpServer server;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1) {
        std::fprintf(stderr, "at most one script or folder\n");
        return 2;
    }
    if (positional.size() == 1) {
        QString error;
        if (!NntpScriptFile::load(server, positional.first(), &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
    }

    const quint16 port = quint16(parser.value(portOption).toUInt());
    bool ok = false;
    if (parser.isSet(tlsOption)) {
        const TestCertificates certificates;
        if (parser.isSet(caOption) && !certificates.writeCaPem(parser.value(caOption))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(parser.value(caOption)));
            return 2;
        }
        ok = server.startTls(certificates, port);
    } else {
        ok = server.start(port);
    }
    if (!ok) {
        std::fprintf(stderr, "cannot listen: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    std::printf("%u\n", unsigned(server.port()));
    std::fflush(stdout);

    QSocketNotifier* stdinWatch = nullptr;
    if (parser.isSet(eofOption)) {
        stdinWatch = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &app);
        QObject::connect(stdinWatch, &QSocketNotifier::activated, &app, [&] {
            char buffer[256];
            if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0) app.quit();
        });
    }
    const int code = app.exec();
    server.stop();
    return code;
}
