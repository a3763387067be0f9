#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// NZB documents made at test time: files with their articles, written as
// the usual indexers and posting tools write them (XML declaration, the
// NZB 1.1 document type, head/meta, groups, segments).
class NzbFixture
{
public:
    struct Article
    {
        qint64 bytes = 0;
        std::optional<qint64> number; // absent: no "number" attribute
        QString mid;                  // without angle brackets
    };
    struct File
    {
        std::optional<QString> subject; // absent: no "subject" attribute
        QString poster = QStringLiteral("poster@example.invalid (Poster)");
        QStringList groups = {QStringLiteral("alt.binaries.test")};
        QList<Article> articles;
    };

    // A subject as posting tools write it: "[index/total] - "name" yEnc (1/n)".
    static QString subjectFor(const QString& filename, int index = 1, int total = 1, int articles = 1);

    // A file named `filename` (through subjectFor) with `articles` articles of
    // `bytes` each, numbered from 1, message-ids unique to the file.
    NzbFixture& addFile(const QString& filename, int articles = 2, qint64 bytes = 1000);
    // A file given as it is.
    NzbFixture& addFile(const File& file);
    File& lastFile() { return files_.last(); }
    const QList<File>& files() const { return files_; }

    // The document type line; empty for none.
    NzbFixture& setDoctype(const QString& doctype);

    QByteArray toXml() const;
    bool write(const QString& path) const;
    static bool writeBytes(const QString& path, const QByteArray& bytes);

private:
    QList<File> files_;
    QString doctype_ = QStringLiteral("<!DOCTYPE nzb PUBLIC \"-//newzBin//DTD NZB 1.1//EN\" "
                                      "\"http://www.newzbin.com/DTD/nzb/nzb-1.1.dtd\">");
    int nextFileIndex_ = 0;
};
