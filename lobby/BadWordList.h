#pragma once
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

// The bad words whose occurrences are masked in every chat line shown (never
// in what is sent). Entries are kept exactly as typed, in list order, and
// compared without regard to case. They live in "langlist.dat" in the program
// folder: one word per line, CR LF after each.
class BadWordList : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    const QList<QByteArray> &words() const { return m_words; }
    void setWords(const QList<QByteArray> &words);
    void add(const QByteArray &word);      // empty words are not added
    void removeAt(qsizetype index);

    // Every occurrence of every entry, also inside longer words and in any
    // letter case, becomes "****"; entries are applied from the last to the
    // first. Empty entries change nothing.
    QByteArray FilterBadWords(const QByteArray &text) const;

    // The file format: split at CR LF, empty pieces dropped; written as the
    // entries joined by CR LF, then CR LF (an empty list is just CR LF).
    static QList<QByteArray> parse(const QByteArray &contents);
    static QByteArray serialize(const QList<QByteArray> &words);

    // "langlist.dat" in `folder`. A missing file is created empty. Saving goes
    // through a temporary file, so a failed write keeps the old list.
    static QString filePath(const QString &folder);
    bool load(const QString &folder);
    bool save(const QString &folder) const;

Q_SIGNALS:
    void changed();

private:
    QList<QByteArray> m_words;
};
