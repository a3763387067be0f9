#include "nntp/NNTPArticleBuilder.h"
#include "nntp/TCPSocket.h"

#include "platform/UserDefaults.h"
#include "posting/Yenc.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

namespace {

const QByteArray kAgent = "User-Agent: Binorama v9.8.7 build:42 Linux (https://binorama.example)\r\n";

class Articles : public ::testing::Test
{
protected:
    TempHome home;
    void SetUp() override
    {
        UserDefaults::standard().setString(QStringLiteral("9.8.7"), QStringLiteral("appVersionNr"));
        UserDefaults::standard().setString(QStringLiteral("42"), QStringLiteral("appBuildNr"));
    }
};

} // namespace

TEST(StatusLine, CodeAndTextAsTheServerSentThem)
{
    struct Case
    {
        QByteArray line;
        int code;
        QString text;
    };
    const Case cases[] = {
        {"200 news.example ready\r\n", 200, QStringLiteral("news.example ready")},
        {"200\r\n", 200, QString()},
        {"281 ok", 281, QStringLiteral("ok")},
        {"480\tlogin first\r\n", 480, QStringLiteral("login first")},
        {"abc\r\n", -1, QString()},
        {"\r\n", -1, QString()},
        {"2000 four digits\r\n", -1, QString()},
        {"20 short\r\n", -1, QString()},
        // Bytes that are not ASCII read as Latin-1, whatever follows.
        {"200 caf\xe9 \xff\r\n", 200, QString::fromLatin1("caf\xe9 \xff")},
        {"430 \r\n", 430, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        const NNTPReply reply = TCPSocket::getResponseCode(c.line);
        EXPECT_EQ(reply.code, c.code);
        EXPECT_EQ(reply.text, c.text);
        EXPECT_FALSE(reply.text.contains(QLatin1Char('\r')));
    }
}

TEST(StatusLine, TimeoutSettingBelowFiveMeansTwenty)
{
    TempHome home;
    EXPECT_EQ(TCPSocket::readTimeout(), 20);
    for (const auto& [set, used] : {std::pair{3, 20}, {4, 20}, {5, 5}, {7, 7}, {60, 60}}) {
        UserDefaults::standard().setInteger(set, QStringLiteral("tcpSocketTimeout"));
        EXPECT_EQ(TCPSocket::readTimeout(), used) << set;
    }
}

TEST_F(Articles, TextArticleGoldenBytes)
{
    const QByteArray withReferences = NNTPArticleBuilder::textArticle(
        {QStringLiteral("Ann (ann@example.com)"), QStringLiteral("alt.test,alt.test.2"),
         QStringLiteral("Hello"), QStringLiteral("<ref@example>"),
         QStringLiteral("first line\r\nlast line")});
    EXPECT_EQ(withReferences, QByteArray("From: Ann (ann@example.com)\r\n"
                                         "Newsgroups: alt.test,alt.test.2\r\n"
                                         "Subject: Hello\r\n"
                                         "References: <ref@example>\r\n"
                                         "MIME-Version: 1.0\r\n"
                                         "Content-Type: text/plain; charset=ISO-8859-1\r\n"
                                         "Content-Transfer-Encoding: 8bit\r\n") +
                                  kAgent +
                                  "\r\n"
                                  "first line\r\nlast line\r\n.\r\n");

    // Without References there is no such line; a body already ending in
    // CR LF gets no second one (no empty line at the end of every post).
    const QByteArray plain =
        NNTPArticleBuilder::textArticle({QStringLiteral("Ann"), QStringLiteral("alt.test"),
                                         QStringLiteral("Hi"), QString(), QStringLiteral("text\r\n")});
    EXPECT_EQ(plain, QByteArray("From: Ann\r\nNewsgroups: alt.test\r\nSubject: Hi\r\nMIME-Version: 1.0\r\n"
                                "Content-Type: text/plain; charset=ISO-8859-1\r\n"
                                "Content-Transfer-Encoding: 8bit\r\n") +
                         kAgent + "\r\ntext\r\n.\r\n");

    // The compose window's empty body is one CR LF: one empty line is sent.
    const QByteArray empty = NNTPArticleBuilder::textArticle(
        {QStringLiteral("Ann"), QStringLiteral("g"), QStringLiteral("Hi"), QString(), QStringLiteral("\r\n")});
    EXPECT_TRUE(empty.endsWith(kAgent + "\r\n\r\n.\r\n")) << empty.toStdString();
}

TEST_F(Articles, TextBodyIsDotStuffedAndSentInTheDeclaredCharset)
{
    // A line "." would end the article; a leading dot would be eaten.
    const QByteArray stuffed =
        NNTPArticleBuilder::textArticle({QStringLiteral("A"), QStringLiteral("g"), QStringLiteral("s"),
                                         QString(), QStringLiteral(".\r\n.hidden\nplain\r\n..two")});
    EXPECT_TRUE(stuffed.endsWith("\r\n\r\n..\r\n..hidden\r\nplain\r\n...two\r\n.\r\n"))
        << stuffed.toStdString();

    // A Latin-1 body goes out as ISO-8859-1, as declared; the headers are
    // encoded-words whatever the body's character set.
    const QByteArray latin = NNTPArticleBuilder::textArticle(
        {QStringLiteral("ann@example.com (Andr\u00e9)"), QStringLiteral("g"), QStringLiteral("Caf\u00e9"),
         QString(), QStringLiteral("na\u00efve")});
    EXPECT_TRUE(latin.contains("charset=ISO-8859-1"));
    EXPECT_TRUE(latin.startsWith("From: ann@example.com (=?UTF-8?B?QW5kcsOp?=)\r\n"
                                 "Newsgroups: g\r\n"
                                 "Subject: =?UTF-8?B?Q2Fmw6k=?=\r\n"))
        << latin.toStdString();
    EXPECT_TRUE(latin.contains("\r\n\r\nna\xefve\r\n.\r\n"));

    // A body that Latin-1 cannot hold is declared and sent as UTF-8; an
    // ASCII body with headers beyond ASCII stays ISO-8859-1, as every
    // ASCII post always was.
    const QByteArray utf8 = NNTPArticleBuilder::textArticle({QStringLiteral("A"), QStringLiteral("g"),
                                                             QStringLiteral("\u20ac price"), QString(),
                                                             QStringLiteral("\u00e9 \u20ac")});
    EXPECT_TRUE(utf8.contains("charset=UTF-8"));
    EXPECT_FALSE(utf8.contains("ISO-8859-1"));
    EXPECT_TRUE(utf8.contains("Subject: =?UTF-8?B?4oKs?= price\r\n"));
    EXPECT_TRUE(utf8.contains("\r\n\r\n\xc3\xa9 \xe2\x82\xac\r\n.\r\n"));
    const QByteArray asciiBody = NNTPArticleBuilder::textArticle(
        {QStringLiteral("A"), QStringLiteral("g"), QStringLiteral("\u20ac"), QString(), QStringLiteral("x")});
    EXPECT_TRUE(asciiBody.contains("charset=ISO-8859-1"));
    for (const char c : asciiBody)
        EXPECT_LT(uchar(c), 0x80);

    // A header value never ends its line.
    const QByteArray injected = NNTPArticleBuilder::textArticle({QStringLiteral("A"), QStringLiteral("g"),
                                                                 QStringLiteral("s\r\nApproved: yes"),
                                                                 QString(), QStringLiteral("b")});
    EXPECT_TRUE(injected.contains("Subject: s__Approved: yes\r\n"));
}

TEST_F(Articles, FileArticleGoldenBytes)
{
    YencPart part;
    part.segnr = 1;
    part.segtotal = 2;
    part.bytes = 6;
    part.filename = QStringLiteral("data.bin");
    part.fileBytes = 12;
    part.maxArticleSize = 6;
    const std::optional<YencEncoded> encoded = Yenc::encodeSegment(part, QByteArray("\0.\r\n=\xff", 6));
    ASSERT_TRUE(encoded);
    ASSERT_TRUE(encoded->body.endsWith("\r\n"));

    const QByteArray article = NNTPArticleBuilder::fileArticle(
        {QStringLiteral("Part1of2.abc.def@binorama"), QStringLiteral("Ann (ann@example.com)"),
         QStringLiteral("alt.binaries.test"), QString(), QStringLiteral("[1/1] - \"data.bin\" yEnc (1/2)"),
         encoded->body});
    EXPECT_EQ(article, QByteArray("Message-ID: <Part1of2.abc.def@binorama>\r\n"
                                  "From: Ann (ann@example.com)\r\n"
                                  "Newsgroups: alt.binaries.test\r\n"
                                  "Subject: [1/1] - \"data.bin\" yEnc (1/2)\r\n"
                                  "\r\n") +
                           encoded->body + ".\r\n");

    // References after Newsgroups; data without a final line end gets one.
    const QByteArray other = NNTPArticleBuilder::fileArticle(
        {QStringLiteral("m@x"), QStringLiteral("A"), QStringLiteral("g"), QStringLiteral("<r@x>"),
         QStringLiteral("s"), QByteArray("\x80\x81raw", 5)});
    EXPECT_EQ(other, QByteArray("Message-ID: <m@x>\r\nFrom: A\r\nNewsgroups: g\r\nReferences: <r@x>\r\n"
                                "Subject: s\r\n\r\n\x80\x81raw\r\n.\r\n"));

    // A file name beyond ASCII: the Subject is encoded, the body (whose
    // name= line carries the name in UTF-8) goes out untouched.
    const QByteArray named = NNTPArticleBuilder::fileArticle(
        {QStringLiteral("m@x"), QStringLiteral("A"), QStringLiteral("g"), QString(),
         QStringLiteral("T - \"\u00fc.bin\" yEnc (1/1)"), QByteArray("=ybegin name=\xc3\xbc.bin\r\n")});
    EXPECT_EQ(named, QByteArray("Message-ID: <m@x>\r\nFrom: A\r\nNewsgroups: g\r\n"
                                "Subject: T - =?UTF-8?B?IsO8LmJpbiI=?= yEnc (1/1)\r\n\r\n"
                                "=ybegin name=\xc3\xbc.bin\r\n.\r\n"));
}
