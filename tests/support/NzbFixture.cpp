#include "support/NzbFixture.h"

#include <QFile>

namespace {

QByteArray escaped(const QString& text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

QString NzbFixture::subjectFor(const QString& filename, int index, int total, int articles)
{
    return QStringLiteral("[%1/%2] - \"%3\" yEnc (1/%4)").arg(index).arg(total).arg(filename).arg(articles);
}

NzbFixture& NzbFixture::addFile(const QString& filename, int articles, qint64 bytes)
{
    File file;
    const int index = ++nextFileIndex_;
    file.subject = subjectFor(filename, index, index, articles);
    file.articles.reserve(articles);
    for (int n = 1; n <= articles; ++n)
        file.articles.append({bytes, n,
                              QStringLiteral("part%1of%2.f%3x%4@fixture.example")
                                  .arg(n)
                                  .arg(articles)
                                  .arg(index)
                                  .arg(qHash(filename), 0, 16)});
    files_.append(file);
    return *this;
}

NzbFixture& NzbFixture::addFile(const File& file)
{
    ++nextFileIndex_;
    files_.append(file);
    return *this;
}

NzbFixture& NzbFixture::setDoctype(const QString& doctype)
{
    doctype_ = doctype;
    return *this;
}

QByteArray NzbFixture::toXml() const
{
    QByteArray out;
    out.reserve(256 + files_.size() * 512);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (!doctype_.isEmpty()) out += doctype_.toUtf8() + '\n';
    out += "<nzb xmlns=\"http://www.newzbin.com/DTD/2003/nzb\">\n";
    out += " <head>\n  <meta type=\"title\">Fixture</meta>\n </head>\n";
    for (const File& file : files_) {
        out += " <file poster=\"" + escaped(file.poster) + "\" date=\"1700000000\"";
        if (file.subject) out += " subject=\"" + escaped(*file.subject) + "\"";
        out += ">\n  <groups>\n";
        for (const QString& group : file.groups)
            out += "   <group>" + escaped(group) + "</group>\n";
        out += "  </groups>\n  <segments>\n";
        for (const Article& a : file.articles) {
            out += "   <segment bytes=\"" + QByteArray::number(a.bytes) + "\"";
            if (a.number) out += " number=\"" + QByteArray::number(*a.number) + "\"";
            out += ">" + escaped(a.mid) + "</segment>\n";
        }
        out += "  </segments>\n </file>\n";
    }
    out += "</nzb>\n";
    return out;
}

bool NzbFixture::write(const QString& path) const
{
    return writeBytes(path, toXml());
}

bool NzbFixture::writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    return f.write(bytes) == bytes.size();
}
