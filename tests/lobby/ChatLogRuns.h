#pragma once
#include "lobby/ChatLog.h"
#include "lobby/Smileys.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

// Reads a chat log back as runs of one format each, pictures as "[smiley:N]",
// line breaks as "\n" so that tests can compare what a user would see.
struct LogRun
{
    QString text;
    QColor colour;
    bool bold = false;
    bool italic = false;
    double size = 0;
    QString font;
};

inline QList<LogRun> logRuns(const QTextDocument *doc)
{
    QList<LogRun> runs;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            runs.append({QStringLiteral("\n"), QColor(), false, false, 0, QString()});
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat fmt = f.charFormat();
            LogRun run;
            if (fmt.isImageFormat()) {
                for (int i = 0; i < f.length(); ++i)
                    run.text += QLatin1Char('[') + fmt.toImageFormat().name() + QLatin1Char(']');
            } else {
                run.text = f.text();
            }
            run.colour = fmt.foreground().color();
            run.bold = fmt.fontWeight() == QFont::Bold;
            run.italic = fmt.fontItalic();
            run.size = fmt.fontPointSize();
            run.font = fmt.fontFamilies().toStringList().value(0);
            runs.append(run);
        }
    }
    return runs;
}

// The log as text, pictures written "[smiley:N]".
inline QString shownText(const QTextDocument *doc)
{
    QString out;
    for (const LogRun &r : logRuns(doc))
        out += r.text;
    return out;
}

inline QString shownText(const ChatLog *log) { return log ? shownText(log->document()) : QString(); }
