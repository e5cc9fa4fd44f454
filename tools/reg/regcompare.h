#pragma once
// `reg compare`: the values of two keys side by side (with recursion, their subkeys too),
// printed with "<" for the first key's side, ">" for the second's and "=" for a match.
#include "regaccess.h"

#include <QTextStream>

#include <optional>

namespace tav::regtool {

struct CompareOptions {
    std::optional<QString> valueName; // one value only; "" for the unnamed value
    bool recurse = false;
    enum class Show { All, Differences, Matches, Nothing } show = Show::Differences;
};

class KeyComparison {
  public:
    KeyComparison(QTextStream& out, const CompareOptions& options)
        : m_out(out), m_options(options) {}

    // Compares and prints the lines the options ask for; a status other than 0 when a key
    // cannot be read, or when the one value asked for is on neither side.
    LONG run(const KeyName& first, const KeyName& second);
    bool different() const { return m_differences > 0; }

  private:
    LONG compareKeys(const KeyName& first, const KeyName& second);
    void compareValues(const KeyName& first, const std::vector<RegValue>& a, const KeyName& second,
                       const std::vector<RegValue>& b);
    LONG compareSubkeys(const KeyName& first, const std::vector<std::string>& a,
                        const KeyName& second, const std::vector<std::string>& b);
    bool wanted(const RegValue& v) const;
    void difference(const QString& line);
    void match(const QString& line);

    QTextStream& m_out;
    CompareOptions m_options;
    int m_differences = 0;
    int m_valuesSeen = 0;
};

} // namespace tav::regtool
