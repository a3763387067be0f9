#include "support/ScriptedNntpServer.h"

#include "support/NntpListener.h"
#include "support/NntpServerSession.h"
#include "support/NntpWireFormat.h"

#include <QHostAddress>
#include <QThread>

#include <unistd.h>

ScriptedNntpServer::ScriptedNntpServer() : state_(std::make_shared<NntpServerState>())
{}

ScriptedNntpServer::~ScriptedNntpServer()
{
    stop();
}

void ScriptedNntpServer::setGreeting(int code, const QByteArray& text)
{
    state_->setGreeting(NntpWireFormat::statusLine(code, text));
}

void ScriptedNntpServer::setRequireAuth(bool required)
{
    state_->setRequireAuth(required);
}

void ScriptedNntpServer::addAccount(const QByteArray& user, const QByteArray& password)
{
    NntpAccount account;
    account.user = user;
    account.password = password;
    state_->addAccount(account);
}

void ScriptedNntpServer::addAccount(const NntpAccount& account)
{
    state_->addAccount(account);
}

void ScriptedNntpServer::setPostingAllowed(bool allowed)
{
    state_->setPostingAllowed(allowed);
}

void ScriptedNntpServer::setKeepPostedBytes(bool keep)
{
    state_->setKeepPostedBytes(keep);
}

void ScriptedNntpServer::setConnectionLimit(int limit, int code, const QByteArray& text)
{
    state_->setConnectionLimit(limit, NntpWireFormat::statusLine(code, text));
}

void ScriptedNntpServer::addArticle(const QByteArray& mid, const QByteArray& body)
{
    state_->addArticle(mid, body);
}

void ScriptedNntpServer::setArticleSource(NntpServerState::ArticleSource source)
{
    state_->setArticleSource(std::move(source));
}

void ScriptedNntpServer::addGroup(const QByteArray& name, qint64 last, qint64 first, char flag)
{
    state_->addGroup(name, last, first, flag);
}

void ScriptedNntpServer::addRule(const NntpRule& rule)
{
    state_->addRule(rule);
}

void ScriptedNntpServer::clearRules()
{
    state_->clearRules();
}

bool ScriptedNntpServer::start(quint16 port)
{
    tls_.reset();
    return listen(port);
}

bool ScriptedNntpServer::startTls(const TestCertificates& certificates, quint16 port)
{
    if (!certificates.isValid()) {
        error_ = certificates.error();
        return false;
    }
    tls_ = certificates.serverConfiguration();
    return listen(port);
}

bool ScriptedNntpServer::listen(quint16 port)
{
    stop();
    {
        QMutexLocker locker(&threadsLock_);
        stopping_ = false;
    }
    listenerThread_ = new QThread;
    listenerThread_->setObjectName(QStringLiteral("nntp-listener"));
    listener_ = new NntpListener([this](qintptr descriptor) { serve(descriptor); });
    listener_->moveToThread(listenerThread_);
    QObject::connect(listenerThread_, &QThread::finished, listener_, &QObject::deleteLater);
    listenerThread_->start();

    bool ok = false;
    QMetaObject::invokeMethod(
        listener_,
        [&] {
            ok = listener_->listen(QHostAddress::LocalHost, port);
            port_ = listener_->serverPort();
            error_ = ok ? QString() : listener_->errorString();
        },
        Qt::BlockingQueuedConnection);
    if (!ok) stop();
    return ok;
}

void ScriptedNntpServer::serve(qintptr descriptor)
{
    int number = 0;
    std::optional<QByteArray> refusal = state_->connectionOpened(&number);
    auto* session = new NntpServerSession(state_, descriptor, number, refusal, tls_);
    auto* thread = new QThread;
    thread->setObjectName(QStringLiteral("nntp-conn-%1").arg(number));
    session->moveToThread(thread);
    QObject::connect(thread, &QThread::started, session, &NntpServerSession::start);
    QObject::connect(thread, &QThread::finished, session, &QObject::deleteLater);
    {
        QMutexLocker locker(&threadsLock_);
        if (stopping_) {
            ::close(int(descriptor));
            delete session;
            delete thread;
            return;
        }
        threads_.push_back(thread);
    }
    thread->start();
}

void ScriptedNntpServer::stop()
{
    {
        QMutexLocker locker(&threadsLock_);
        stopping_ = true;
    }
    if (listenerThread_) {
        // The listener is deleted in its own thread when that thread ends,
        // which closes the listening socket.
        listenerThread_->quit();
        listenerThread_->wait();
        delete listenerThread_;
        listenerThread_ = nullptr;
        listener_ = nullptr;
    }
    std::vector<QThread*> threads;
    {
        QMutexLocker locker(&threadsLock_);
        threads.swap(threads_);
    }
    for (QThread* thread : threads) {
        thread->quit();
        thread->wait();
        delete thread;
    }
}

bool ScriptedNntpServer::isListening() const
{
    return listenerThread_ != nullptr;
}

quint16 ScriptedNntpServer::port() const
{
    return port_;
}

QString ScriptedNntpServer::errorString() const
{
    return error_;
}

QList<NntpReceivedCommand> ScriptedNntpServer::commands() const
{
    return state_->commands();
}

QList<QByteArray> ScriptedNntpServer::commandLines(int connection) const
{
    QList<QByteArray> lines;
    for (const NntpReceivedCommand& command : state_->commands()) {
        if (connection == 0 || command.connection == connection) lines.append(command.line);
    }
    return lines;
}

int ScriptedNntpServer::bodyRequests(const QByteArray& mid) const
{
    return state_->bodyRequests(mid);
}

QList<NntpPostedArticle> ScriptedNntpServer::postedArticles() const
{
    return state_->postedArticles();
}

int ScriptedNntpServer::connectionsOpened() const
{
    return state_->connectionsOpened();
}

int ScriptedNntpServer::activeConnections() const
{
    return state_->activeConnections();
}

int ScriptedNntpServer::peakConnections() const
{
    return state_->peakConnections();
}

int ScriptedNntpServer::refusedConnections() const
{
    return state_->refusedConnections();
}

int ScriptedNntpServer::tlsHandshakeFailures() const
{
    return state_->tlsHandshakeFailures();
}

void ScriptedNntpServer::clearRecords()
{
    state_->clearRecords();
}
