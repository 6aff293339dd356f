#include "lobby/BadWordList.h"

#include "core/util/AtomicFile.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/WinPath.h"

void BadWordList::setWords(const QList<QByteArray> &words)
{
    m_words = words;
    Q_EMIT changed();
}

void BadWordList::add(const QByteArray &word)
{
    if (word.isEmpty())
        return;
    m_words.append(word);
    Q_EMIT changed();
}

void BadWordList::removeAt(qsizetype index)
{
    if (index < 0 || index >= m_words.size())
        return;
    m_words.removeAt(index);
    Q_EMIT changed();
}

QByteArray BadWordList::FilterBadWords(const QByteArray &text) const
{
    static const QByteArray mask = "****";
    QByteArray result = text;
    for (qsizetype w = m_words.size() - 1; w >= 0; --w) {
        const QByteArray word = CodePage::toLower(m_words[w]);
        if (word.isEmpty())
            continue;
        // One pass per word, copying as it goes: a long line full of matches
        // must not cost a copy of the line per match.
        const QByteArray lowered = CodePage::toLower(result);
        QByteArray out;
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = lowered.indexOf(word, from);
            if (at < 0)
                break;
            out.append(result.constData() + from, at - from);
            out += mask;
            from = at + word.size();
        }
        if (from == 0)
            continue;
        out.append(result.constData() + from, result.size() - from);
        result = out;
    }
    return result;
}

QList<QByteArray> BadWordList::parse(const QByteArray &contents)
{
    QList<QByteArray> words;
    qsizetype from = 0;
    while (from <= contents.size()) {
        qsizetype at = contents.indexOf("\r\n", from);
        if (at < 0)
            at = contents.size();
        if (at > from)
            words.append(contents.mid(from, at - from));
        from = at + 2;
    }
    return words;
}

QByteArray BadWordList::serialize(const QList<QByteArray> &words)
{
    return words.join("\r\n") + "\r\n";
}

QString BadWordList::filePath(const QString &folder)
{
    return WinPath::join(folder, QByteArray("langlist.dat"));
}

bool BadWordList::load(const QString &folder)
{
    const QString path = filePath(folder);
    if (!Files::FileExists(path)) {
        AtomicFile::write(path, QByteArray());
        setWords({});
        return true;
    }
    bool ok = false;
    const QByteArray contents = Files::ReadAll(path, &ok);
    setWords(ok ? parse(contents) : QList<QByteArray>{});
    return ok;
}

bool BadWordList::save(const QString &folder) const
{
    return AtomicFile::write(filePath(folder), serialize(m_words));
}
