// The chat log's smiley conversion, which only looks at the text not yet
// converted, must show exactly what a search of the whole log after every
// append shows; and the bad-word filter and list file against plain models.
#include "core/ClientState.h"
#include "core/util/CodePage.h"
#include "fuzz/FuzzSupport.h"
#include "lobby/BadWordList.h"
#include "lobby/ChatLog.h"
#include "lobby/ChatLogs.h"
#include "lobby/Smileys.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace {

// The log as text, a picture as U+E000 + its index, a line break as '\n'.
QString shown(const QTextDocument *doc)
{
    QString out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            out += QLatin1Char('\n');
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().isImageFormat()) {
                const QString name = f.charFormat().toImageFormat().name();
                int index = -1;
                for (int i = 0; i < Smileys::Count; ++i) {
                    if (Smileys::resourceName(i) == name)
                        index = i;
                }
                for (int i = 0; i < f.length(); ++i)
                    out += QChar(0xE000 + index);
            } else {
                out += f.text();
            }
        }
    }
    return out;
}

void convertModel(QString &model)
{
    const QList<QString> &tags = Smileys::tags();
    for (int i = 0; i < tags.size(); ++i) {
        qsizetype at;
        while ((at = model.indexOf(tags[i])) >= 0)
            model.replace(at, tags[i].size(), QChar(0xE000 + i));
    }
}

QByteArray filterModel(const QList<QByteArray> &words, QByteArray text)
{
    for (qsizetype w = words.size() - 1; w >= 0; --w) {
        const QByteArray word = CodePage::toLower(words[w]);
        if (word.isEmpty())
            continue;
        qsizetype from = 0;
        for (;;) {
            const qsizetype at = CodePage::toLower(text).indexOf(word, from);
            if (at < 0)
                break;
            text.replace(at, word.size(), "****");
            from = at + 4;
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::guiApp();
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    const QList<QByteArray> parts = Fuzz::pieces(input, '\0', 2);

    // Appends split at 0x01; a leading 0x02 turns conversion off for that append.
    ClientOptions options;
    options.LangFilter = false;
    options.TimeStamps = false;
    BadWordList none;
    ChatLogs logs(options, none);
    QString model;
    for (QByteArray piece : Fuzz::pieces(parts.value(0), '\x01', 400)) {
        options.ConvSmileys = !piece.startsWith('\x02');
        if (!options.ConvSmileys)
            piece.remove(0, 1);
        // Line ends as the document keeps them: one break for CR LF, CR or LF.
        piece.replace("\r\n", "\n");
        piece.replace('\r', '\n');
        logs.AddLogRTF(piece, 0);
        model += CodePage::toUnicode(piece);
        if (options.ConvSmileys)
            convertModel(model);
        if (model.size() > ChatLog::TrimAbove)
            model.remove(0, model.size() - ChatLog::TrimTo);
    }
    QString seen = shown(logs.log(0)->document());
    seen.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    seen.replace(QChar::LineSeparator, QLatin1Char('\n'));
    model.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    model.replace(QChar::LineSeparator, QLatin1Char('\n'));
    Fuzz::check(seen == model, "smileys as a whole-log search", seen.toUtf8() + " / " + model.toUtf8());

    // The filter: words in the list file, the line after them.
    const QList<QByteArray> sections = Fuzz::pieces(parts.value(1), '\x01', 2);
    const QList<QByteArray> words = BadWordList::parse(sections.value(0));
    Fuzz::check(BadWordList::parse(BadWordList::serialize(words)) == words, "list file round trip");
    BadWordList list;
    list.setWords(words);
    const QByteArray line = sections.value(1);
    Fuzz::check(list.FilterBadWords(line) == filterModel(words, line), "filter as a plain replace", line);
    return 0;
}
