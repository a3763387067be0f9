#include "support/PrivateSessionBus.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <csignal>
#include <sys/prctl.h>

namespace {
QString g_reason;
}

QString PrivateSessionBus::reason()
{
    return g_reason;
}

PrivateSessionBus* PrivateSessionBus::shared()
{
    static PrivateSessionBus* bus = []() -> PrivateSessionBus* {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            g_reason = QStringLiteral("dbus-daemon is not installed");
            return nullptr;
        }
        // Kept for the life of the process, like the daemon.
        static QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("session.conf"));
        QFile f(config);
        if (!dir.isValid() || !f.open(QIODevice::WriteOnly)) {
            g_reason = QStringLiteral("cannot write the bus configuration");
            return nullptr;
        }
        f.write(QStringLiteral(
                    "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                    " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                    "<busconfig>\n"
                    "  <type>session</type>\n"
                    "  <listen>unix:dir=%1</listen>\n"
                    "  <auth>EXTERNAL</auth>\n"
                    "  <policy context=\"default\">\n"
                    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                    "    <allow eavesdrop=\"true\"/>\n"
                    "    <allow own=\"*\"/>\n"
                    "  </policy>\n"
                    "</busconfig>\n")
                    .arg(dir.path())
                    .toUtf8());
        f.close();

        // The daemon is our child and is told to end when we do, whichever
        // way the test process ends.
        // Never destroyed: the daemon must outlive every test of the process.
        static QProcess* daemonProcess = new QProcess;
        QProcess& process = *daemonProcess;
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                               QStringLiteral("--print-address=1")});
        if (!process.waitForStarted(5000)) {
            g_reason = QStringLiteral("dbus-daemon did not start");
            return nullptr;
        }
        QByteArray line;
        while (!line.contains('\n') && process.waitForReadyRead(5000))
            line += process.readAllStandardOutput();
        const QString address = QString::fromUtf8(line).trimmed();
        if (address.isEmpty()) {
            g_reason = QStringLiteral("dbus-daemon gave no address");
            process.kill();
            return nullptr;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        auto* b = new PrivateSessionBus;
        b->address_ = address;
        return b;
    }();
    return bus;
}
