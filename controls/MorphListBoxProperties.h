#pragma once
#include <QFont>
#include <QImage>
#include <QString>
#include <QVariantMap>

// The stored settings of one MorphListBox, with their defaults. Colours are
// 32-bit values in the layout 0xBBGGRR (a value with the top bit set names a
// system colour).
struct MorphListBoxProperties
{
    float BackAngle = 45.0f;
    qint32 BackColor1 = 0x606060;
    qint32 BackColor2 = 0xE0E0E0;
    bool BackMiddleOut = true;
    qint32 BorderColor = 0;
    qint16 BorderWidth = 1;
    qint32 CurveBottomLeft = 0;
    qint32 CurveBottomRight = 0;
    qint32 CurveTopLeft = 0;
    qint32 CurveTopRight = 0;
    bool Enabled = true;
    QImage Picture;
    QFont ListFont;
    bool Sorted = true;
    bool RedrawFlag = true;
    qint32 TextColor = 0;
    qint32 SelColor1 = 0xC0FFFF;
    qint32 SelColor2 = 0xC0FFFF;
    qint32 SelTextColor = 0;
    qint32 MultiSelect = 0;
    qint32 Style = 0;
    qint32 TrackBarColor1 = 0x606060;
    qint32 TrackBarColor2 = 0xE0E0E0;
    qint32 ButtonColor1 = 0;
    qint32 ButtonColor2 = 0xC0C0C0;
    qint32 ThumbColor1 = 0;
    qint32 ThumbColor2 = 0x909090;
    qint32 ThumbBorderColor = 0xE0E0E0;
    qint32 ArrowUpColor = 0xE0E0E0;
    qint32 ArrowDownColor = 0;
    qint32 CheckboxArrowColor = 0;
    qint32 CheckBoxColor = 0;
    qint32 FocusRectColor = 0;
    qint32 DblClickBehavior = 1;
    qint32 PictureMode = 0;
    qint32 CheckStyle = 1;
    bool DragEnabled = false;
    qint32 TrackClickColor1 = 0;
    qint32 TrackClickColor2 = 0xE0E0E0;
    qint32 Theme = 2;
    bool SortAsNumeric = false;

    bool HasPicture() const { return !Picture.isNull() && Picture.width() != 0 && Picture.height() != 0; }

    // Sets the preset's picture, frame values and 21 colours straight into
    // the fields when 1 <= n <= 8; stores n in every case.
    void applyTheme(int n);
};

// The container's store of named values for one control. Keys are matched
// without regard to case and written in lower case.
class MorphListBoxStore
{
public:
    MorphListBoxStore() = default;
    explicit MorphListBoxStore(const QVariantMap &values);

    QVariant read(const QString &key, const QVariant &defaultValue) const;
    // A value equal to its default is left out (and a stale one removed).
    void write(const QString &key, const QVariant &value, const QVariant &defaultValue);
    bool contains(const QString &key) const;
    const QVariantMap &values() const { return m_values; }

private:
    QVariantMap m_values; // lower-case keys
};

// Load and save of the stored values; the list index and the write effects
// of single properties are the control's business. Storing keeps the
// numbers that the store read, also the stored SelCount and NewIndex.
struct MorphListBoxStoredCounters
{
    qint32 SelCount = 0;
    qint32 NewIndex = -1;
    qint32 ListIndex = -1;
};
void LoadMorphListBoxProperties(MorphListBoxProperties &props, MorphListBoxStoredCounters &counters,
                                const MorphListBoxStore &store, const QFont &containerFont);
void SaveMorphListBoxProperties(const MorphListBoxProperties &props,
                                const MorphListBoxStoredCounters &counters, MorphListBoxStore &store,
                                const QFont &containerFont);
