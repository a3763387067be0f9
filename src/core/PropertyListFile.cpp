#include "core/PropertyListFile.h"

#include <QFile>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

QMap<QString, QString> PropertyListFile::readDictionary(const QString& path)
{
    QMap<QString, QString> out;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return out;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("plist")) return out;
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("dict")) return out;
    // Pairs of <key> and value; values other than texts are skipped.
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("key")) {
            xml.skipCurrentElement();
            continue;
        }
        const QString key = xml.readElementText();
        if (!xml.readNextStartElement()) break;
        if (xml.name() == QLatin1String("string"))
            out.insert(key, xml.readElementText());
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError()) return {};
    return out;
}

bool PropertyListFile::writeDictionary(const QString& path, const QMap<QString, QString>& dictionary,
                                       QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(-1); // tabs, as property lists are usually laid out
    xml.writeStartDocument();
    xml.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    xml.writeStartElement(QStringLiteral("plist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    xml.writeStartElement(QStringLiteral("dict"));
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        xml.writeTextElement(QStringLiteral("key"), it.key());
        xml.writeTextElement(QStringLiteral("string"), it.value());
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}
