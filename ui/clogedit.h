#pragma once

#include <QPlainTextEdit>
#include <QString>

namespace vantoro {

// The event log box: a read-only text box that only ever grows at its end, one line at a time,
// at a cost that does not depend on how much it already holds; never trimmed by the program.
class CLogEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CLogEdit(QWidget* pParent = nullptr);

    // Adds one line below the last one and brings it into view.
    void AppendLine(const QString& strLine);
    // Empties the box.
    void Clear();

    int LineCount() const;
    // The line at nIndex (0 = first); empty when out of range or when the box is empty.
    QString Line(int nIndex) const;
    // Every line, in order; an empty box has none.
    QStringList Lines() const;

private:
    bool m_bEmpty = true;
};

} // namespace vantoro
