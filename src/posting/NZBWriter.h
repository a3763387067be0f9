#pragma once

#include "queue/Queue.h"

#include <QString>

#include <functional>
#include <optional>

// Builds the text of an NZB document from a job's file parts and their
// segments: the header, one file element per part (poster, date, subject,
// groups, segments) and the footer, every value escaped and kept free of
// characters XML cannot hold. The upload creator and the search export
// both write through it; what differs between them is given as Options.
// Also writes a finished document to a new file.
class NZBWriter
{
public:
    struct Options
    {
        // The subject of a file part's file element.
        std::function<QString(const QueuePtr& filepart)> subject;
        // How the warning names the subject when it cannot be escaped
        // ("XMLEscape returned nil for <name> argument :: …").
        QString subjectName;
        // Whether the opening nzb element and each closing file element end
        // their line; without, what follows stands on the same line.
        bool tagsEndTheirLines = true;
    };

    explicit NZBWriter(Options options);

    // Seconds since 1970 for the date attribute; tests fix it.
    void setClock(std::function<double()> clock) { clock_ = std::move(clock); }

    // Starts an empty document with room for these file parts.
    void begin(const QList<QueuePtr>& parts);
    void makeHeader();
    // Nothing is written for a part whose subject or poster cannot be
    // escaped: the warnings are logged and hasErrors() is set.
    void makeFileTag(const QueuePtr& filepart);
    // A group that cannot be escaped is logged and left out; the document
    // stays sound. A job without newsgroups gives an empty groups element.
    void makeGroupTag(const QueuePtr& filepart);
    void makeSegmentsTag(const QueuePtr& filepart);
    void makeFooter();

    const QString& text() const { return text_; }
    bool hasErrors() const { return hasErrors_; }

    // Writes `bytes` as a file of its own at `path`, never over a file
    // already there; a write cut short leaves no file behind. False, with
    // the reason logged, when it could not.
    static bool writeNewFile(const QString& path, const QByteArray& bytes);

    // `text` with & < > " ' as entity references; nothing for a null text.
    static std::optional<QString> xmlSimpleEscape(const QString& text);
    // `text` fit for an attribute or element of the document: no control
    // character may make it ill-formed (XML 1.0 cannot hold them at all).
    // A null text stays null.
    static QString documentSafe(const QString& text);
    // Both of the above: what every value of the document goes through.
    static std::optional<QString> escaped(const QString& text);

    // The opening of every NZB document this program writes: the XML
    // declaration and the document type, each with its line end, and the
    // nzb element without one.
    static const QString kXmlDeclaration;
    static const QString kDoctype;
    static const QString kNzbOpenTag;
    // How every document ends: exactly these 8 bytes.
    static const QString kFooter;

private:
    QString lineEnd() const;

    Options options_;
    std::function<double()> clock_;
    QString text_;
    bool hasErrors_ = false;
};
