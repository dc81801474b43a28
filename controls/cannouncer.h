#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

class QTimer;

namespace vantoro {

// Says a short text to whoever reads the window through the accessibility interface, at the
// moment it happens: a notice that shows itself with each new text, which screen readers speak
// whatever has the focus. Texts said in one pass of the event loop are said together, in
// order, so that a status and its action are heard as one notice rather than the second
// cutting off the first. The notice takes no room and is never drawn.
class CAnnouncer : public QWidget {
    Q_OBJECT
public:
    explicit CAnnouncer(QWidget* pParent = nullptr);

    // Queues strText for the next notice; blank texts, and texts a queued one already begins
    // with as a sentence, are left out. A notice is shown only while the window is.
    void Say(const QString& strText);

    // The last notice shown.
    QString Notice() const { return m_strNotice; }
    // What a reader is given as the notice: the last one while it is news, then nothing, so
    // that the window shown again (restored, say) does not say an old notice once more.
    QString News() const { return m_bNews ? m_strNotice : QString(); }

    // How long a notice stays news: long enough for a busy reader to ask for it.
    static constexpr int kNewsMs = 5000;

    // The texts of one notice, joined as sentences: a text that ends without a full stop,
    // question or exclamation mark gets a full stop before the next one.
    static QString JoinSentences(const QStringList& texts);

signals:
    // A notice was shown with strNotice.
    void Shown(const QString& strNotice);

private:
    void Show();

    QStringList m_pending;
    QString m_strNotice;
    bool m_bNews = false;
    QTimer* m_pTimer;
    QTimer* m_pNewsTimer;
};

} // namespace vantoro
