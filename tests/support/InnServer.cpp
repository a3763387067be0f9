#include "support/InnServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "secret" for the user "tester", as ckpasswd reads a password file: crypt(3)
// SHA-512 with a fixed salt, so that no hashing tool is needed at run time.
constexpr const char* kPasswordLine =
    "tester:$6$binoramatest$4TSq7y75LK6cBRboSQEgmQgDXMbmk1hXU6oieMbLgWtJUQTnxkZwioDkxvP9Rpxwk"
    "XFrKvZJFOBUVxAyoEe5U.\n";

bool writeText(const QString& path, const QByteArray& text, QFile::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return false;
    file.close();
    return permissions == QFile::Permissions{} || file.setPermissions(permissions);
}

// Free ports on 127.0.0.1, held together while they are picked so that they
// differ; another process may still take one before the server binds it,
// which start() then reports.
QList<quint16> freePorts(int count)
{
    QList<std::shared_ptr<QTcpServer>> held;
    QList<quint16> ports;
    for (int i = 0; i < count; ++i) {
        auto listener = std::make_shared<QTcpServer>();
        if (!listener->listen(QHostAddress::LocalHost, 0)) return {};
        ports.append(listener->serverPort());
        held.append(listener);
    }
    return ports;
}

// Whether a process of `group` still runs. Zombies do not count: a daemon
// whose shell has ended is reaped by init, which may take its time.
bool groupAlive(pid_t group)
{
    if (::kill(-group, 0) != 0 && errno == ESRCH) return false;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        // "pid (name) state ppid pgrp ...": the name may hold spaces and
        // parentheses, so the fields are read after the last ')'.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 2 && fields[2].toLongLong() == group && fields[0] != "Z") return true;
    }
    return false;
}

QString readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

} // namespace

struct InnServer::Daemon
{
    QString name;
    std::unique_ptr<QProcess> process;
    pid_t group = 0;
};

InnServer::InnServer() = default;

InnServer::~InnServer()
{
    stop();
}

QString InnServer::binFolder()
{
    return QStringLiteral("/usr/lib/news/bin");
}

bool InnServer::isInstalled()
{
    const QDir bin(binFolder());
    return QFileInfo(bin.filePath(QStringLiteral("innd"))).isExecutable() &&
           QFileInfo(bin.filePath(QStringLiteral("nnrpd"))).isExecutable() &&
           QFileInfo(bin.filePath(QStringLiteral("ctlinnd"))).isExecutable() &&
           QFileInfo(bin.filePath(QStringLiteral("makedbz"))).isExecutable();
}

QString InnServer::innconf() const
{
    return QDir(dir_.path()).filePath(QStringLiteral("etc/inn.conf"));
}

bool InnServer::writeConfiguration()
{
    const QDir root(dir_.path());
    for (const char* sub : {"etc", "db", "run", "log", "tmp", "http", "filter", "control", "spool/articles",
                            "spool/overview", "spool/incoming", "spool/outgoing", "spool/archive"})
        if (!root.mkpath(QString::fromLatin1(sub))) {
            error_ = QStringLiteral("cannot make %1 in %2").arg(QString::fromLatin1(sub), root.path());
            return false;
        }
    const QString r = root.path();
    const bool asRoot = ::geteuid() == 0;
    const passwd* pw = ::getpwuid(::geteuid());
    const struct group* gr = ::getgrgid(::getegid());
    const QByteArray user = asRoot ? QByteArray("news") : QByteArray(pw ? pw->pw_name : "");
    const QByteArray grp = asRoot ? QByteArray("news") : QByteArray(gr ? gr->gr_name : "");

    QByteArray conf;
    auto set = [&conf](const char* key, const QString& value) {
        conf += QByteArray(key) + ": " + value.toUtf8() + '\n';
    };
    // Named explicitly: a host name without a domain stops INN otherwise.
    set("domain", QStringLiteral("localdomain"));
    set("pathhost", QStringLiteral("binorama-test"));
    set("fromhost", QStringLiteral("localdomain"));
    set("server", QStringLiteral("127.0.0.1"));
    set("bindaddress", QStringLiteral("127.0.0.1"));
    set("port", QString::number(port_));
    set("nnrpdpostport", QString::number(port_));
    set("runasuser", QString::fromUtf8(user));
    set("runasgroup", QString::fromUtf8(grp));
    set("ovmethod", QStringLiteral("tradindexed"));
    set("hismethod", QStringLiteral("hisv6"));
    set("enableoverview", QStringLiteral("true"));
    // Above the article sizes the tests post.
    set("maxartsize", QStringLiteral("4000000"));
    set("localmaxartsize", QStringLiteral("4000000"));
    set("maxconnections", QStringLiteral("50"));
    set("doinnwatch", QStringLiteral("false"));
    // Readers are turned away ("400 load at ...") above this load average;
    // the machines the tests run on are shared and often busy.
    set("nnrpdloadlimit", QStringLiteral("0"));
    set("mta", QStringLiteral("\"/bin/true %s\""));
    set("pathnews", QStringLiteral("/usr/lib/news"));
    set("pathbin", binFolder());
    set("pathcontrol", r + QStringLiteral("/control"));
    set("pathfilter", r + QStringLiteral("/filter"));
    set("pathetc", r + QStringLiteral("/etc"));
    set("pathdb", r + QStringLiteral("/db"));
    set("pathrun", r + QStringLiteral("/run"));
    set("pathlog", r + QStringLiteral("/log"));
    set("pathhttp", r + QStringLiteral("/http"));
    set("pathtmp", r + QStringLiteral("/tmp"));
    set("pathspool", r + QStringLiteral("/spool"));
    set("patharticles", r + QStringLiteral("/spool/articles"));
    set("pathoverview", r + QStringLiteral("/spool/overview"));
    set("pathincoming", r + QStringLiteral("/spool/incoming"));
    set("pathoutgoing", r + QStringLiteral("/spool/outgoing"));
    set("patharchive", r + QStringLiteral("/spool/archive"));
    set("tlscafile", r + QStringLiteral("/etc/ca.pem"));
    set("tlscertfile", r + QStringLiteral("/etc/cert.pem"));
    set("tlskeyfile", r + QStringLiteral("/etc/key.pem"));

    const QString readersAuth = QStringLiteral("auth \"users\" {\n"
                                               "    hosts: \"127.0.0.1\"\n"
                                               "    auth: \"ckpasswd -f %1/etc/users.passwd\"\n"
                                               "}\n"
                                               "access \"users\" {\n"
                                               "    users: \"*\"\n"
                                               "    newsgroups: \"*\"\n"
                                               "    access: RPA\n"
                                               "}\n")
                                    .arg(r);
    const QFile::Permissions ownerOnly = QFile::ReadOwner | QFile::WriteOwner;
    const bool written =
        writeText(innconf(), conf) &&
        // Articles are only stored here; nothing is fed on.
        writeText(r + QStringLiteral("/etc/newsfeeds"), "ME:*::\n") &&
        // No peers: every connection to innd is a reader, handed to nnrpd.
        writeText(r + QStringLiteral("/etc/incoming.conf"), "", ownerOnly) &&
        writeText(r + QStringLiteral("/etc/storage.conf"),
                  "method tradspool {\n    newsgroups: *\n    class: 0\n}\n") &&
        writeText(
            r + QStringLiteral("/etc/readers.conf"),
            "auth \"local\" {\n    hosts: \"127.0.0.1\"\n    default: \"<local>\"\n}\n"
            "access \"local\" {\n    users: \"<local>\"\n    newsgroups: \"*\"\n    access: RPA\n}\n") &&
        writeText(r + QStringLiteral("/etc/readers-auth.conf"), readersAuth.toUtf8()) &&
        writeText(r + QStringLiteral("/etc/users.passwd"), kPasswordLine, ownerOnly) &&
        writeText(r + QStringLiteral("/etc/ca.pem"), certificates_.caPem()) &&
        writeText(r + QStringLiteral("/etc/cert.pem"), certificates_.serverCertificatePem()) &&
        writeText(r + QStringLiteral("/etc/key.pem"), certificates_.serverKeyPem(), ownerOnly) &&
        writeText(r + QStringLiteral("/db/active"), "alt.binaries.test 0000000000 0000000001 y\n"
                                                    "control 0000000000 0000000001 n\n"
                                                    "control.cancel 0000000000 0000000001 n\n"
                                                    "junk 0000000000 0000000001 n\n") &&
        writeText(r + QStringLiteral("/db/active.times"), "") &&
        writeText(r + QStringLiteral("/db/newsgroups"), "alt.binaries.test\tTest posts of binaries.\n") &&
        writeText(r + QStringLiteral("/db/history"), "");
    if (!written) {
        error_ = QStringLiteral("cannot write the configuration in %1").arg(r);
        return false;
    }
    return true;
}

bool InnServer::handToNewsUser()
{
    if (::geteuid() != 0) return true;
    const passwd* news = ::getpwnam("news");
    if (!news) {
        error_ = QStringLiteral("no user \"news\" on this machine");
        return false;
    }
    const uid_t uid = news->pw_uid;
    const gid_t gid = news->pw_gid;
    auto hand = [&](const QString& path) {
        return ::lchown(QFile::encodeName(path).constData(), uid, gid) == 0;
    };
    bool ok = hand(dir_.path());
    QDirIterator it(dir_.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        ok = hand(it.next()) && ok;
    if (!ok) error_ = QStringLiteral("cannot hand %1 to the news user").arg(dir_.path());
    return ok;
}

bool InnServer::startDaemon(Daemon& daemon, const QString& program, const QStringList& arguments,
                            quint16 port, const QString& onClose)
{
    daemon.process = std::make_unique<QProcess>();
    QProcess& p = *daemon.process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("INNCONF"), innconf());
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir_.path());
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setStandardOutputFile(QDir(dir_.path()).filePath(daemon.name + QStringLiteral(".out")));
    // A process group of its own, so that stop() reaches the processes it
    // forks for each connection too.
    p.setChildProcessModifier([] { ::setsid(); });
    // The daemon runs under a shell that lives as long as it does. Beside it
    // waits a watcher on the shell's input, the pipe from this process: when
    // the pipe closes (stop(), or this process dying without a stop) the
    // watcher runs `onClose` and ends the whole group, so a crashed test
    // leaves no server behind.
    static const QString kWrapper =
        QStringLiteral("exec 3<&0; stop=$1; shift; \"$@\" </dev/null 3<&- & daemon=$!; "
                       "{ read -r _ <&3; eval \"$stop\"; kill -TERM 0; } & wait \"$daemon\"");
    p.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c"), kWrapper, QStringLiteral("sh"),
                                                   onClose, QDir(binFolder()).filePath(program)} +
                                           arguments);
    if (!p.waitForStarted(5000)) {
        error_ = QStringLiteral("%1 did not start: %2").arg(program, p.errorString());
        return false;
    }
    daemon.group = static_cast<pid_t>(p.processId());

    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (p.state() != QProcess::Running) {
            endedAtStart_ = true;
            error_ = QStringLiteral("%1 ended at start (exit %2)").arg(program).arg(p.exitCode());
            return false;
        }
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, port);
        if (probe.waitForConnected(200)) {
            probe.abort();
            return true;
        }
        QThread::msleep(50);
        p.waitForFinished(0);
    }
    error_ = QStringLiteral("%1 did not listen on 127.0.0.1:%2 within 10 s").arg(program).arg(port);
    return false;
}

bool InnServer::start()
{
    if (isRunning()) return true;
    error_.clear();
    if (!isInstalled()) {
        error_ =
            QStringLiteral("INN is not installed in %1 (scripts/deps.sh installs inn2)").arg(binFolder());
        return false;
    }
    if (!dir_.isValid() || !certificates_.isValid()) {
        error_ = QStringLiteral("no temporary folder or certificate: %1").arg(certificates_.error());
        return false;
    }
    // The ports are free when picked, yet on a busy machine another process
    // may bind one first (an outgoing connection takes its local port from
    // the same range): the daemon then ends at start, and fresh ports are
    // tried in a fresh folder.
    for (int attempt = 1;; ++attempt) {
        endedAtStart_ = false;
        if (startOnce()) return true;
        if (!endedAtStart_ || attempt == 3) return false;
        const QDir root(dir_.path());
        for (const QFileInfo& entry : root.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                                         QDir::System)) {
            if (entry.isDir() && !entry.isSymLink())
                QDir(entry.filePath()).removeRecursively();
            else
                QFile::remove(entry.filePath());
        }
    }
}

bool InnServer::startOnce()
{
    const QList<quint16> ports = freePorts(3);
    if (ports.size() != 3) {
        error_ = QStringLiteral("no free ports on 127.0.0.1");
        return false;
    }
    port_ = ports[0];
    authPort_ = ports[1];
    tlsPort_ = ports[2];
    // makedbz switches to the news user as the daemons do.
    if (!writeConfiguration() || !handToNewsUser()) return false;

    QProcess makedbz;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("INNCONF"), innconf());
    makedbz.setProcessEnvironment(env);
    makedbz.setProcessChannelMode(QProcess::MergedChannels);
    makedbz.start(QDir(binFolder()).filePath(QStringLiteral("makedbz")),
                  {QStringLiteral("-i"), QStringLiteral("-o"), QStringLiteral("-f"),
                   QDir(dir_.path()).filePath(QStringLiteral("db/history"))});
    if (!makedbz.waitForFinished(10000) || makedbz.exitStatus() != QProcess::NormalExit ||
        makedbz.exitCode() != 0) {
        error_ = QStringLiteral("makedbz failed: %1").arg(QString::fromLocal8Bit(makedbz.readAll()));
        return false;
    }

    innd_ = std::make_unique<Daemon>();
    innd_->name = QStringLiteral("innd");
    authNnrpd_ = std::make_unique<Daemon>();
    authNnrpd_->name = QStringLiteral("nnrpd-auth");
    tlsNnrpd_ = std::make_unique<Daemon>();
    tlsNnrpd_->name = QStringLiteral("nnrpd-tls");
    const QString local = QStringLiteral("127.0.0.1");
    const QString authConf = QStringLiteral("readers-auth.conf");
    const bool started =
        // innd answers a plain TERM slowly: its control command first.
        startDaemon(*innd_, QStringLiteral("innd"), {QStringLiteral("-f")}, port_,
                    QStringLiteral("'%1' -t 10 shutdown 'test process gone' >/dev/null 2>&1")
                        .arg(QDir(binFolder()).filePath(QStringLiteral("ctlinnd")))) &&
        startDaemon(*authNnrpd_, QStringLiteral("nnrpd"),
                    {QStringLiteral("-D"), QStringLiteral("-f"), QStringLiteral("-n"), QStringLiteral("-b"),
                     local, QStringLiteral("-p"), QString::number(authPort_), QStringLiteral("-c"), authConf},
                    authPort_) &&
        startDaemon(*tlsNnrpd_, QStringLiteral("nnrpd"),
                    {QStringLiteral("-D"), QStringLiteral("-f"), QStringLiteral("-n"), QStringLiteral("-S"),
                     QStringLiteral("-b"), local, QStringLiteral("-p"), QString::number(tlsPort_),
                     QStringLiteral("-c"), authConf},
                    tlsPort_);
    if (!started) {
        const QString why = error_;
        stop();
        error_ = why + QStringLiteral("\n") + logs();
        return false;
    }
    return true;
}

void InnServer::stopDaemon(Daemon& daemon, bool shutDownFirst)
{
    if (!daemon.process) return;
    QProcess& p = *daemon.process;
    if (p.state() != QProcess::NotRunning) {
        if (shutDownFirst) {
            QProcess ctlinnd;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("INNCONF"), innconf());
            ctlinnd.setProcessEnvironment(env);
            ctlinnd.setProcessChannelMode(QProcess::MergedChannels);
            ctlinnd.start(QDir(binFolder()).filePath(QStringLiteral("ctlinnd")),
                          {QStringLiteral("-t"), QStringLiteral("10"), QStringLiteral("shutdown"),
                           QStringLiteral("test over")});
            ctlinnd.waitForFinished(12000);
        } else {
            p.closeWriteChannel();
        }
        if (!p.waitForFinished(10000)) {
            ::kill(-daemon.group, SIGKILL);
            p.waitForFinished(5000);
        }
    }
    // What the daemon forked for its connections is in its group, with the
    // watcher: a TERM for those still there, a KILL after a second.
    if (daemon.process) daemon.process->closeWriteChannel();
    if (daemon.group > 0) {
        const QDeadlineTimer deadline(3000);
        bool termed = false;
        bool killed = false;
        while (groupAlive(daemon.group) && !deadline.hasExpired()) {
            if (!termed) {
                ::kill(-daemon.group, SIGTERM);
                termed = true;
            } else if (!killed && deadline.remainingTime() < 2000) {
                ::kill(-daemon.group, SIGKILL);
                killed = true;
            }
            QThread::msleep(20);
        }
    }
    daemon.process.reset();
    daemon.group = 0;
}

void InnServer::stop()
{
    if (tlsNnrpd_) stopDaemon(*tlsNnrpd_, false);
    if (authNnrpd_) stopDaemon(*authNnrpd_, false);
    if (innd_) stopDaemon(*innd_, true);
    tlsNnrpd_.reset();
    authNnrpd_.reset();
    innd_.reset();
}

bool InnServer::isRunning() const
{
    return innd_ && innd_->process && innd_->process->state() == QProcess::Running;
}

QString InnServer::logs() const
{
    QString text;
    const QDir root(dir_.path());
    for (const char* name : {"log/errlog", "log/news.err", "log/news.crit", "log/news", "innd.out",
                             "nnrpd-auth.out", "nnrpd-tls.out"}) {
        const QString body = readFile(root.filePath(QString::fromLatin1(name)));
        if (!body.isEmpty()) text += QStringLiteral("--- %1\n%2\n").arg(QString::fromLatin1(name), body);
    }
    return text;
}
