#include "support/NntpRule.h"

#include "support/NntpWireFormat.h"

NntpRule NntpRule::on(const QByteArray& command)
{
    NntpRule rule;
    rule.command = command;
    return rule;
}

NntpRule& NntpRule::withArgument(const QByteArray& value)
{
    argument = value;
    return *this;
}

NntpRule& NntpRule::withArgumentContaining(const QByteArray& part)
{
    argumentPart = part;
    return *this;
}

NntpRule& NntpRule::onConnection(int number)
{
    connection = number;
    return *this;
}

NntpRule& NntpRule::times(int count)
{
    remaining = count;
    return *this;
}

NntpRule& NntpRule::reply(int code, const QByteArray& text)
{
    replyBytes = NntpWireFormat::statusLine(code, text);
    return *this;
}

NntpRule& NntpRule::replyRaw(const QByteArray& bytes)
{
    replyBytes = bytes;
    return *this;
}

NntpRule& NntpRule::delay(int ms)
{
    delayMs = ms;
    return *this;
}

NntpRule& NntpRule::splitAt(const QList<qsizetype>& offsets, int gapMs)
{
    splits = offsets;
    splitGapMs = gapMs;
    return *this;
}

NntpRule& NntpRule::heldBy(std::shared_ptr<const NntpGate> value)
{
    gate = std::move(value);
    return *this;
}

NntpRule& NntpRule::goSilent()
{
    return silentAfterBytes(0);
}

NntpRule& NntpRule::silentAfterBytes(qint64 bytes)
{
    limitBytes = bytes;
    then = Then::GoSilent;
    return *this;
}

NntpRule& NntpRule::drop()
{
    return dropAfterBytes(0);
}

NntpRule& NntpRule::dropAfterReply()
{
    limitBytes = -1;
    then = Then::Drop;
    return *this;
}

NntpRule& NntpRule::dropAfterBytes(qint64 bytes)
{
    limitBytes = bytes;
    then = Then::Drop;
    return *this;
}

NntpRule& NntpRule::resetAfterBytes(qint64 bytes)
{
    limitBytes = bytes;
    limitShare = -1;
    then = Then::Reset;
    return *this;
}

NntpRule& NntpRule::resetHalfway()
{
    limitBytes = -1;
    limitShare = 0.5;
    then = Then::Reset;
    return *this;
}

NntpRule& NntpRule::thenStream(qint64 bytes, Fill fill, const QByteArray& tail)
{
    streamBytes = bytes;
    streamFill = fill;
    streamTail = tail;
    return *this;
}

NntpRule& NntpRule::drip(int ms)
{
    dripMs = ms;
    return *this;
}

bool NntpRule::matches(const QByteArray& cmd, const QByteArray& arg, int number) const
{
    if (command.compare(cmd, Qt::CaseInsensitive) != 0) return false;
    if (!argument.isEmpty() && argument != arg) return false;
    if (!argumentPart.isEmpty() && !arg.contains(argumentPart)) return false;
    return connection == 0 || connection == number;
}
