#pragma once

#include <QByteArray>

// The byte layout of NNTP multi-line blocks and status lines, for the
// scripted server and for tests that check what crossed the wire.
class NntpWireFormat
{
public:
    // `body` as a multi-line block: every line ends in CR LF (a bare LF is
    // taken as a line end too), a line that begins with "." gets a second
    // one, and the terminating line ".\r\n" follows. A final line end in
    // `body` ends its last line; it does not add an empty one.
    static QByteArray dotStuff(const QByteArray& body);
    // The inverse for a block as sent by dotStuff or by a poster: the
    // terminating line is removed and doubled leading dots are halved. Line
    // ends stay CR LF. A block without its terminator is undone as far as it
    // goes.
    static QByteArray unstuff(const QByteArray& block);
    // "<code> <text>\r\n", or "<code>\r\n" for an empty text.
    static QByteArray statusLine(int code, const QByteArray& text);
};
