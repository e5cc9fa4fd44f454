#include "layoutdocument.h"

#include "markup.h"

#include <QStringDecoder>
#include <QXmlStreamReader>

namespace tav::gridlayout {

namespace {

void writeNode(QString& out, const LayoutNode& node, int depth) {
    out += QString(depth, u' ');
    out += u'<';
    out += node.name;
    for (const auto& [key, value] : node.attributes)
        out += QStringLiteral(" %1=\"%2\"").arg(key, tav::escapeMarkup(value));
    if (node.children.isEmpty()) {
        out += QLatin1String("/>\n");
        return;
    }
    out += QLatin1String(">\n");
    for (const LayoutNode& child : node.children)
        writeNode(out, child, depth + 1);
    out += QString(depth, u' ');
    out += QStringLiteral("</%1>\n").arg(node.name);
}

} // namespace

QString LayoutDocument::decode(const QByteArray& bytes) {
    const auto startsWith = [&](std::initializer_list<unsigned char> mark) {
        if (bytes.size() < qsizetype(mark.size()))
            return false;
        qsizetype i = 0;
        for (unsigned char b : mark)
            if (static_cast<unsigned char>(bytes[i++]) != b)
                return false;
        return true;
    };
    QStringConverter::Encoding enc = QStringConverter::Utf8;
    qsizetype skip = 0;
    if (startsWith({0xFF, 0xFE}))
        enc = QStringConverter::Utf16LE, skip = 2;
    else if (startsWith({0xFE, 0xFF}))
        enc = QStringConverter::Utf16BE, skip = 2;
    else if (startsWith({0xEF, 0xBB, 0xBF}))
        skip = 3;
    else if (bytes.size() >= 2 && bytes[0] == '<' && bytes[1] == '\0')
        enc = QStringConverter::Utf16LE; // UTF-16 without its mark
    else if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '<')
        enc = QStringConverter::Utf16BE;
    QStringDecoder decoder(enc, QStringConverter::Flag::Stateless);
    return decoder.decode(QByteArrayView(bytes).sliced(skip));
}

LayoutNode LayoutDocument::read(const QByteArray& bytes, const QString& documentName) {
    const QString text = decode(bytes);
    if (text.contains(QChar::ReplacementCharacter))
        throw LayoutError(documentName, 0, {},
                          QStringLiteral("the text is not valid UTF-16 or UTF-8"));
    if (text.trimmed().isEmpty())
        throw LayoutError(documentName, 0, {}, QStringLiteral("the document is empty"));
    QXmlStreamReader xml(text);
    QList<LayoutNode> stack;
    LayoutNode root;
    bool haveRoot = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        const int line = int(xml.lineNumber());
        switch (token) {
        case QXmlStreamReader::StartElement: {
            if (haveRoot && stack.isEmpty())
                throw LayoutError(documentName, line, xml.name().toString(),
                                  QStringLiteral("a second root element"));
            LayoutNode node(xml.name().toString());
            node.line = line;
            for (const QXmlStreamAttribute& a : xml.attributes())
                node.attributes.append({a.qualifiedName().toString(), a.value().toString()});
            stack.append(std::move(node));
            break;
        }
        case QXmlStreamReader::EndElement: {
            LayoutNode node = stack.takeLast();
            if (stack.isEmpty()) {
                root = std::move(node);
                haveRoot = true;
            } else {
                stack.back().children.append(std::move(node));
            }
            break;
        }
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace()) {
                // The token ends after the blanks that follow the text; report the text's line.
                const QStringView t = xml.text();
                qsizetype end = t.size();
                while (end > 0 && t[end - 1].isSpace())
                    --end;
                const int textLine = line - int(t.sliced(end).count(u'\n'));
                throw LayoutError(
                    documentName, textLine, stack.isEmpty() ? QString() : stack.back().name,
                    QStringLiteral("unexpected text '%1'").arg(xml.text().toString().trimmed()));
            }
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        throw LayoutError(documentName, int(xml.lineNumber()),
                          stack.isEmpty() ? QString() : stack.back().name, xml.errorString());
    }
    if (!haveRoot)
        throw LayoutError(documentName, 0, {}, QStringLiteral("the document is empty"));
    return root;
}

QString LayoutDocument::toText(const LayoutNode& root) {
    QString out;
    writeNode(out, root, 0);
    return out;
}

QByteArray LayoutDocument::write(const LayoutNode& root) {
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    return encoder.encode(toText(root));
}

} // namespace tav::gridlayout
