#include "codec/NntpDotUnstuffer.h"

#include "codec/ArticleLineReader.h"

#include <gtest/gtest.h>

#include <QList>

TEST(NntpDotUnstuffer, UndoesTheTransferForm)
{
    struct Case
    {
        QByteArray body;
        QByteArray content;
        bool terminated;
    };
    const Case cases[] = {
        {"a\r\nb\r\n.\r\n", "a\r\nb\r\n", true},
        {"..a\r\n..\r\n.\r\n", ".a\r\n.\r\n", true},
        {".\r\n", "", true},
        {".", "", true},
        {"a\r\n.", "a\r\n", true},
        {"a\r\n.\r", "a\r\n", true},
        {"a\r\n.\r\nafter\r\n", "a\r\n", true}, // nothing after the terminating line
        {"a\r\nno end", "a\r\nno end", false},
        {"a\n.b\n", "a\n.b\n", false}, // only CR LF ends a line
        {"x\r\n.y\r\n.\r\n", "x\r\ny\r\n", true},
        {"", "", false},
    };
    for (const Case& c : cases) {
        bool terminated = !c.terminated;
        EXPECT_EQ(NntpDotUnstuffer::unstuff(c.body, &terminated), c.content) << c.body.constData();
        EXPECT_EQ(terminated, c.terminated) << c.body.constData();
    }
}

TEST(ArticleLineReader, JoinsLinesAcrossBodies)
{
    QList<QByteArray> bodies = {"one\r\ntw", QByteArray(), "o\r\n..three\r\n.\r\n", "last"};
    ArticleLineReader reader(std::span<QByteArray>(bodies.data(), size_t(bodies.size())), true);
    QList<QByteArray> lines;
    QByteArrayView line;
    while (reader.next(line))
        lines.append(line.toByteArray());
    EXPECT_EQ(lines, (QList<QByteArray>{"one\r", "two\r", ".three\r", "last"}));
    EXPECT_EQ(reader.contentBytes(), 5 + 3 + 10 + 4);
    for (const QByteArray& b : bodies)
        EXPECT_TRUE(b.isNull());
}
