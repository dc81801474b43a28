#include "ui/clogedit.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace vantoro {

CLogEdit::CLogEdit(QWidget* pParent) : QPlainTextEdit(pParent) {
    setReadOnly(true);
    // Undo history would keep a second copy of every line and grow without limit.
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(0);
    // Reached by Tab like any control while it is shown, and read line by line: the arrow
    // keys move a caret through it, which is what a screen reader follows.
    setFocusPolicy(Qt::StrongFocus);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setObjectName(QStringLiteral("logBox"));
}

void CLogEdit::AppendLine(const QString& strLine) {
    // A cursor insert at the end touches only the last block; rebuilding the whole text for
    // each line would make a long session's log slower with every line.
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!m_bEmpty)
        cursor.insertBlock();
    cursor.insertText(strLine);
    m_bEmpty = false;
    QScrollBar* pBar = verticalScrollBar();
    pBar->setValue(pBar->maximum());
}

void CLogEdit::Clear() {
    clear();
    m_bEmpty = true;
}

int CLogEdit::LineCount() const {
    return m_bEmpty ? 0 : document()->blockCount();
}

QString CLogEdit::Line(int nIndex) const {
    if (m_bEmpty || nIndex < 0 || nIndex >= document()->blockCount())
        return QString();
    return document()->findBlockByNumber(nIndex).text();
}

QStringList CLogEdit::Lines() const {
    QStringList lines;
    if (m_bEmpty)
        return lines;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

} // namespace vantoro
