#pragma once
// Connection strings as the data access platform reads them:
//   Provider = Microsoft.Jet.OLEDB.4.0;Data Source="C:\a;b\db.mdb";Persist Security Info=False
// - pairs are separated by ';', key and value by the first single '=' ("==" is a literal
//   '=' inside a key);
// - keys compare case-insensitively, blanks around keys and values are dropped;
// - a value that holds ';', starts with a quote or has outer blanks is enclosed in double
//   (or single) quotes; inside them the quote character is written twice;
// - empty segments (";;") are ignored; when a key repeats, the last value counts.
// A malformed string raises errc::BadInitString.
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace tav::ado {

class ConnectionString {
  public:
    ConnectionString() = default;

    // Parses `text`; raises a VbError (errc::BadInitString) when it is malformed.
    static ConnectionString parse(const QString& text);

    // The value of `key` (any case), or nullopt when the string does not set it.
    std::optional<QString> value(const QString& key) const;
    bool contains(const QString& key) const { return value(key).has_value(); }

    // Pairs in the order of their last occurrence, keys as written.
    const std::vector<std::pair<QString, QString>>& pairs() const { return m_pairs; }

    // `value` written so that parse() gives it back unchanged: quoted only when needed.
    static QString quoteValue(const QString& value);

  private:
    std::vector<std::pair<QString, QString>> m_pairs;
};

} // namespace tav::ado
