#pragma once
#include <QImage>
#include <QList>
#include <QString>

// The 49 smileys of the chat: the character sequences ("tags") that are
// replaced by a picture, in the order in which they are searched, and the
// pictures themselves (our own 18 x 18 artwork, drawn on first use).
namespace Smileys {

constexpr int Count = 49;
constexpr int PictureSize = 18;
// Pictures are shown at 85 % of their size in the chat logs.
constexpr double ShownSize = PictureSize * 0.85;

const QList<QString> &tags();
qsizetype maxTagLength();

struct Match
{
    qsizetype position;   // in the searched text
    qsizetype length;     // of the tag
    int index;            // 0-based: picture index + 1 is the table's image number
};

// What converting `text` yields: each tag in table order, every occurrence of
// it from the start, a replaced occurrence never taking part in a later match
// (so ">:(" is taken whole before ":(" is searched, and "|:|" ends up as "|"
// and the ":|" picture). The matches are sorted by position and never overlap.
QList<Match> find(const QString &text);

QImage picture(int index);
// The resource name under which a log holds picture `index`.
QString resourceName(int index);

// The smileys button: its normal picture and the one shown while the picker
// is open.
QImage buttonPicture(bool pickerOpen);

} // namespace Smileys
