#pragma once

#include <QByteArray>
#include <QString>

// The bytes a connection sends after the server's 340 to POST: the header
// lines, the body and the terminating line ".\r\n".
//
// A text article's body is sent in the character set it declares:
// ISO-8859-1 when every character of it has a byte there, else UTF-8. Its
// lines are dot-stuffed (a line that begins with "." gets a second one) and
// end in CR LF, so no line of the text can end the article early. A file
// article's body is the encoder's yEnc text, which escapes every leading dot
// itself; it goes out byte for byte. Header values never hold a line break;
// the Subject and the From name, when they are not plain ASCII, go out as
// encoded-words (EncodedWords), so the headers are ASCII whatever was typed.
class NNTPArticleBuilder
{
public:
    struct TextArticle
    {
        QString poster;     // From
        QString groups;     // Newsgroups
        QString title;      // Subject
        QString references; // References, when not empty
        QString textBody;
    };
    struct FileArticle
    {
        QString mid; // Message-ID, without its angle brackets
        QString poster;
        QString groups;
        QString references;
        QString subject;     // the segment's `filename`
        QByteArray filedata; // the encoded body
    };

    static QByteArray textArticle(const TextArticle& article);
    static QByteArray fileArticle(const FileArticle& article);

    // "User-Agent: Binorama v<version> build:<build> Linux (<web address>)".
    static QString userAgent();

    // `text` with CR LF line ends and leading dots doubled.
    static QString dotStuffed(const QString& text);
};
