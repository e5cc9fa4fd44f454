#pragma once
// A small pull reader for the stored layout's XML: elements, attributes, comments and
// processing instructions, the predefined entities and character references, over UTF-8
// bytes. It reads the layout several times faster than QXmlStreamReader, which matters at
// start-up, and refuses what it does not understand (DOCTYPE, CDATA, mismatched or
// unclosed tags, stray text outside the root) with a message and the line.
//
// Its interface follows QXmlStreamReader's readNextStartElement() style: after a start
// element, name() and attributes() describe it; readNextStartElement() returns false at
// the end of the current element.
#include <QByteArrayView>
#include <QString>

#include <vector>

namespace tav::toolbars {

class XmlScanner {
  public:
    // Names are ASCII in this format; they point into the document, which must outlive
    // the attributes.
    struct Attribute {
        QByteArrayView name;
        QString value;
    };

    class Attributes {
      public:
        bool hasAttribute(QLatin1String name) const { return find(name) != nullptr; }
        // The value, or an empty view when the attribute is absent.
        QStringView value(QLatin1String name) const {
            const Attribute* a = find(name);
            return a ? QStringView(a->value) : QStringView();
        }
        auto begin() const { return m_list.begin(); }
        auto end() const { return m_list.end(); }
        void clear() { m_list.clear(); }
        void append(Attribute a) { m_list.push_back(std::move(a)); }

      private:
        const Attribute* find(QLatin1String name) const;
        std::vector<Attribute> m_list;
    };

    explicit XmlScanner(QByteArrayView data);

    // Moves to the next start element below the current one; false at the end of the
    // current element, at the end of the document, or on an error.
    bool readNextStartElement();
    // Skips the rest of the current element, children included.
    void skipCurrentElement();

    QStringView name() const { return m_name; }
    const Attributes& attributes() const { return m_attrs; }
    // The line (from 1) of the reading position, just after the last token read.
    qint64 lineNumber() const { return m_line; }
    bool hasError() const { return !m_error.isEmpty(); }
    QString errorString() const { return m_error; }

  private:
    enum class Token { StartElement, EndElement, EndDocument, Invalid };

    Token readNext();
    Token readTag();
    bool readAttributes();
    bool skipPast(QByteArrayView terminator);
    QString decode(QByteArrayView raw);
    QByteArrayView readName();
    void skipSpace();
    Token fail(const QString& message);
    bool atEnd() const { return m_pos >= m_data.size(); }

    QByteArrayView m_data;
    qsizetype m_pos = 0;
    qint64 m_line = 1;
    Token m_token = Token::Invalid;
    bool m_started = false;             // the root element has been opened
    bool m_pendingEnd = false;          // an empty-element tag still owes its end element
    std::vector<QByteArrayView> m_open; // names of the open elements
    QString m_name;
    Attributes m_attrs;
    QString m_error;
};

} // namespace tav::toolbars
