#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <memory>
#include <optional>

// A switch the test holds open or shut: a rule that waits on it writes no
// byte of its reply while it is shut. Lets a test keep a client in the middle
// of a command for exactly as long as it needs to look at it, whatever the
// speed of the machine. Usable from any thread.
class NntpGate
{
public:
    void open() { open_.store(true); }
    void close() { open_.store(false); }
    bool isOpen() const { return open_.load(); }

private:
    std::atomic<bool> open_{false};
};

// One scripted behaviour of the scripted NNTP server: which received command
// it matches and what the server then does instead of, or around, its normal
// reply. Built fluently:
//
//     NntpRule::on("BODY").withArgument("<a@b>").once().reply(430, "Gone")
//     NntpRule::on("BODY").onConnection(2).splitAt({10, 200})
//     NntpRule::on(NntpRule::kGreeting).delay(500)
//     NntpRule::on("BODY").silentAfterBytes(100)
//     NntpRule::on("BODY").heldBy(gate)
//     NntpRule::on("BODY").resetHalfway()
//     NntpRule::on("BODY").replyRaw("222 0 <a@b>\r\n").thenStream(300 << 20, NntpRule::Fill::Lines, ".\r\n")
//     NntpRule::on("BODY").drip(1000)
//
// The command is the first word of the line in upper case, for AUTHINFO the
// first two ("AUTHINFO USER", "AUTHINFO PASS"); the argument is the rest of
// the line; commands match whatever their case. Two pseudo-commands reach the moments that have no command:
// the greeting and the end of a posted article, whose argument is the
// article's header lines (CR LF separated, without the empty line):
//
//     NntpRule::on(NntpRule::kPostedArticle).withArgumentContaining("Subject: x").reply(441, "No")
struct NntpRule
{
    static constexpr const char* kGreeting = "(greeting)";
    static constexpr const char* kPostedArticle = "(article)";

    enum class Then {
        Continue, // go on reading commands
        GoSilent, // answer nothing more on this connection, keep it open
        Drop,     // close the connection once the written bytes are out
        Reset,    // abort the connection with a TCP reset once the written bytes are out
    };

    // What a streamed tail of a reply is made of (see thenStream).
    enum class Fill {
        Lines,     // lines of 126 letters and CR LF, none beginning with a dot
        NoLineEnd, // letters only
    };

    QByteArray command;
    QByteArray argument;                  // empty: any argument
    QByteArray argumentPart;              // empty: any argument; else one that contains it
    int connection = 0;                   // 1-based connection number; 0: every connection
    int remaining = -1;                   // matches left; -1: unlimited
    std::optional<QByteArray> replyBytes; // written verbatim in place of the normal reply
    int delayMs = 0;                      // before the first byte of the reply
    QList<qsizetype> splits;              // offsets at which the reply is cut into separate writes
    int splitGapMs = 30; // pause between those writes, long enough to arrive as separate reads
    std::shared_ptr<const NntpGate> gate; // the reply waits while it is shut; none: no wait
    qint64 limitBytes = -1;               // only this many bytes of the reply are written; -1: all
    double limitShare = -1;               // only this share (0..1) of the reply is written; -1: all
    qint64 streamBytes = 0;               // bytes of filler made and written after the reply
    Fill streamFill = Fill::Lines;
    QByteArray streamTail;                // written after the filler
    int dripMs = 0;                       // the reply is written one byte every dripMs; 0: at once
    Then then = Then::Continue;

    static NntpRule on(const QByteArray& command);

    NntpRule& withArgument(const QByteArray& value);
    NntpRule& withArgumentContaining(const QByteArray& part);
    NntpRule& onConnection(int number);
    NntpRule& once() { return times(1); }
    NntpRule& times(int count);

    NntpRule& reply(int code, const QByteArray& text);
    NntpRule& replyRaw(const QByteArray& bytes);
    NntpRule& delay(int ms);
    NntpRule& splitAt(const QList<qsizetype>& offsets, int gapMs = 30);
    // The reply (after its delay) waits until `gate` is open.
    NntpRule& heldBy(std::shared_ptr<const NntpGate> gate);

    // No reply, and none to anything that follows; the connection stays open.
    NntpRule& goSilent();
    // The first `bytes` bytes of the reply, then silence.
    NntpRule& silentAfterBytes(qint64 bytes);
    // The connection is closed instead of replying.
    NntpRule& drop();
    // The whole reply, then the connection is closed.
    NntpRule& dropAfterReply();
    // The first `bytes` bytes of the reply, then the connection is closed.
    NntpRule& dropAfterBytes(qint64 bytes);
    // The first `bytes` bytes of the reply, then a TCP reset.
    NntpRule& resetAfterBytes(qint64 bytes);
    // The first half of the reply, then a TCP reset: a server that drops the
    // connection in the middle of every body.
    NntpRule& resetHalfway();

    // After the reply, `bytes` bytes of filler (lines rounded up to whole
    // lines) and then `tail`. The filler is made as the client takes it, a
    // chunk at a time, so a reply of hundreds of megabytes costs the server
    // no memory: a body far larger than its article, a body or a greeting
    // without a line end.
    NntpRule& thenStream(qint64 bytes, Fill fill, const QByteArray& tail);
    // The reply one byte at a time, `ms` apart: a server that never goes
    // silent and never finishes.
    NntpRule& drip(int ms);

    // Whether the rule applies to `cmd`/`arg` on connection `number`
    // (ignoring how many matches it has left).
    bool matches(const QByteArray& cmd, const QByteArray& arg, int number) const;
};
