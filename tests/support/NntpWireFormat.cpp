#include "support/NntpWireFormat.h"

QByteArray NntpWireFormat::dotStuff(const QByteArray& body)
{
    QByteArray out;
    out.reserve(body.size() + body.size() / 64 + 8);
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        const qsizetype next = end < 0 ? body.size() : end + 1;
        if (end < 0) end = body.size();
        qsizetype lineEnd = end;
        if (lineEnd > start && body.at(lineEnd - 1) == '\r') --lineEnd;
        if (body.at(start) == '.') out.append('.');
        out.append(body.constData() + start, lineEnd - start);
        out.append("\r\n", 2);
        start = next;
    }
    out.append(".\r\n", 3);
    return out;
}

QByteArray NntpWireFormat::unstuff(const QByteArray& block)
{
    QByteArray out;
    out.reserve(block.size());
    qsizetype start = 0;
    while (start < block.size()) {
        qsizetype end = block.indexOf("\r\n", start);
        const qsizetype next = end < 0 ? block.size() : end + 2;
        if (end < 0) end = block.size();
        const qsizetype length = end - start;
        if (length == 1 && block.at(start) == '.') break;
        if (length >= 1 && block.at(start) == '.') ++start;
        out.append(block.constData() + start, next - start);
        start = next;
    }
    return out;
}

QByteArray NntpWireFormat::statusLine(int code, const QByteArray& text)
{
    QByteArray line = QByteArray::number(code);
    if (!text.isEmpty()) line += ' ' + text;
    line += "\r\n";
    return line;
}
