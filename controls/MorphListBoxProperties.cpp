#include "controls/MorphListBoxProperties.h"

#include <array>
#include <limits>
#include <type_traits>

namespace {

// The colour presets, in the order of the properties they set.
struct Preset
{
    qint32 BackColor1, BackColor2, BorderColor, TextColor, SelColor1, SelColor2, SelTextColor,
        TrackBarColor1, TrackBarColor2, ButtonColor1, ButtonColor2, ThumbColor1, ThumbColor2,
        ThumbBorderColor, ArrowUpColor, ArrowDownColor, CheckboxArrowColor, CheckBoxColor,
        FocusRectColor, TrackClickColor1, TrackClickColor2;
};

// 1 teal, 2 grey, 3 blue, 4 red, 5 green, 6 purple, 7 olive, 8 brown.
constexpr std::array<Preset, 8> presets{{
    {0x808000, 0xFFFF80, 0x404000, 0, 0x808000, 0x808000, 0xFFFFC0, 0x808000, 0xFFFFC0, 0x404000,
     0x808000, 0x404000, 0x808000, 0xFFFF00, 0xFFFF00, 0x404000, 0x404000, 0x404000, 0xFFFFC0,
     0x404000, 0xFFFF80},
    {0x606060, 0xE0E0E0, 0x000000, 0, 0x404040, 0x404040, 0xE0E0E0, 0x606060, 0xE0E0E0, 0x000000,
     0xC0C0C0, 0x000000, 0x909090, 0xE0E0E0, 0xE0E0E0, 0x000000, 0x000000, 0x000000, 0xFFFFFF,
     0x000000, 0xE0E0E0},
    {0xC00000, 0xFFC0C0, 0x400000, 0, 0x800000, 0x800000, 0xFFC0C0, 0x800000, 0xFFC0C0, 0x400000,
     0xFF8080, 0x400000, 0xFF8080, 0xFFC0C0, 0xFFC0C0, 0x400000, 0x400000, 0x400000, 0xFFC0C0,
     0x400000, 0xFF8080},
    {0x000080, 0xC0C0FF, 0x000040, 0, 0x000080, 0x000080, 0xC0C0FF, 0x000080, 0xC0C0FF, 0x000040,
     0x8080FF, 0x000040, 0x8080FF, 0xC0C0FF, 0xC0C0FF, 0x000040, 0x000040, 0x000040, 0xC0C0FF,
     0x000040, 0x8080FF},
    {0x008000, 0xC0FFC0, 0x004000, 0, 0x008000, 0x008000, 0xC0FFC0, 0x008000, 0xC0FFC0, 0x004000,
     0x80FF80, 0x004000, 0x00FF00, 0xC0FFC0, 0xC0FFC0, 0x004000, 0x004000, 0x004000, 0xC0FFC0,
     0x004000, 0x80FF80},
    {0x800080, 0xFF80FF, 0x400040, 0, 0x800080, 0x800080, 0xFFC0FF, 0x800080, 0xFFC0FF, 0x400040,
     0x800080, 0x400040, 0x800080, 0xFF00FF, 0xFF00FF, 0x800080, 0x400040, 0x400040, 0xFFC0FF,
     0x400040, 0xFF80FF},
    {0x008080, 0x80FFFF, 0x004040, 0, 0x008080, 0x008080, 0xC0FFFF, 0x008080, 0xC0FFFF, 0x004040,
     0x008080, 0x004040, 0x008080, 0x00FFFF, 0x00FFFF, 0x008080, 0x004040, 0x004040, 0xC0FFFF,
     0x004040, 0x80FFFF},
    {0x004080, 0x80C0FF, 0x404080, 0, 0x004080, 0x004080, 0xC0E0FF, 0x004080, 0xC0E0FF, 0x404080,
     0x0080FF, 0x404080, 0x0040C0, 0x0080FF, 0xC0E0FF, 0x004080, 0x000000, 0x000000, 0xC0E0FF,
     0x404080, 0x80C0FF},
}};

} // namespace

void MorphListBoxProperties::applyTheme(int n)
{
    Theme = n;
    if (n < 1 || n > 8)
        return;
    const Preset &p = presets[n - 1];
    Picture = QImage();
    BackAngle = 45.0f;
    BackMiddleOut = true;
    BorderWidth = 1;
    BackColor1 = p.BackColor1;
    BackColor2 = p.BackColor2;
    BorderColor = p.BorderColor;
    TextColor = p.TextColor;
    SelColor1 = p.SelColor1;
    SelColor2 = p.SelColor2;
    SelTextColor = p.SelTextColor;
    TrackBarColor1 = p.TrackBarColor1;
    TrackBarColor2 = p.TrackBarColor2;
    ButtonColor1 = p.ButtonColor1;
    ButtonColor2 = p.ButtonColor2;
    ThumbColor1 = p.ThumbColor1;
    ThumbColor2 = p.ThumbColor2;
    ThumbBorderColor = p.ThumbBorderColor;
    ArrowUpColor = p.ArrowUpColor;
    ArrowDownColor = p.ArrowDownColor;
    CheckboxArrowColor = p.CheckboxArrowColor;
    CheckBoxColor = p.CheckBoxColor;
    FocusRectColor = p.FocusRectColor;
    TrackClickColor1 = p.TrackClickColor1;
    TrackClickColor2 = p.TrackClickColor2;
}

MorphListBoxStore::MorphListBoxStore(const QVariantMap &values)
{
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        m_values.insert(it.key().toLower(), it.value());
}

QVariant MorphListBoxStore::read(const QString &key, const QVariant &defaultValue) const
{
    return m_values.value(key.toLower(), defaultValue);
}

bool MorphListBoxStore::contains(const QString &key) const
{
    return m_values.contains(key.toLower());
}

void MorphListBoxStore::write(const QString &key, const QVariant &value, const QVariant &defaultValue)
{
    if (value == defaultValue)
        m_values.remove(key.toLower());
    else
        m_values.insert(key.toLower(), value);
}

namespace {

// One table drives load and save: key, field, default. The default of each
// row is the field of a default-built property set.
template <typename Props, typename Counters, typename Visit>
void eachStoredValue(Visit &&v, Props &p, Counters &c)
{
    const MorphListBoxProperties d;
    v("BackAngle", p.BackAngle, d.BackAngle);
    v("BackColor2", p.BackColor2, d.BackColor2);
    v("BackColor1", p.BackColor1, d.BackColor1);
    v("BorderColor", p.BorderColor, d.BorderColor);
    v("Enabled", p.Enabled, d.Enabled);
    v("BorderWidth", p.BorderWidth, d.BorderWidth);
    v("BackMiddleOut", p.BackMiddleOut, d.BackMiddleOut);
    v("CurveTopLeft", p.CurveTopLeft, d.CurveTopLeft);
    v("CurveTopRight", p.CurveTopRight, d.CurveTopRight);
    v("CurveBottomLeft", p.CurveBottomLeft, d.CurveBottomLeft);
    v("CurveBottomRight", p.CurveBottomRight, d.CurveBottomRight);
    v("Sorted", p.Sorted, d.Sorted);
    v("RedrawFlag", p.RedrawFlag, d.RedrawFlag);
    v("TextColor", p.TextColor, d.TextColor);
    v("SelColor1", p.SelColor1, d.SelColor1);
    v("SelColor2", p.SelColor2, d.SelColor2);
    v("SelTextColor", p.SelTextColor, d.SelTextColor);
    v("MultiSelect", p.MultiSelect, d.MultiSelect);
    v("Style", p.Style, d.Style);
    v("SelCount", c.SelCount, qint32(0));
    v("TrackBarColor1", p.TrackBarColor1, d.TrackBarColor1);
    v("TrackBarColor2", p.TrackBarColor2, d.TrackBarColor2);
    v("ButtonColor1", p.ButtonColor1, d.ButtonColor1);
    v("ButtonColor2", p.ButtonColor2, d.ButtonColor2);
    v("ThumbColor1", p.ThumbColor1, d.ThumbColor1);
    v("ThumbColor2", p.ThumbColor2, d.ThumbColor2);
    v("ThumbBorderColor", p.ThumbBorderColor, d.ThumbBorderColor);
    v("ArrowUpColor", p.ArrowUpColor, d.ArrowUpColor);
    v("ArrowDownColor", p.ArrowDownColor, d.ArrowDownColor);
    v("Theme", p.Theme, d.Theme);
    v("CheckboxArrowColor", p.CheckboxArrowColor, d.CheckboxArrowColor);
    v("CheckBoxColor", p.CheckBoxColor, d.CheckBoxColor);
    v("FocusRectColor", p.FocusRectColor, d.FocusRectColor);
    v("DblClickBehavior", p.DblClickBehavior, d.DblClickBehavior);
    v("NewIndex", c.NewIndex, qint32(-1));
    v("PictureMode", p.PictureMode, d.PictureMode);
    v("CheckStyle", p.CheckStyle, d.CheckStyle);
    v("DragEnabled", p.DragEnabled, d.DragEnabled);
    v("TrackClickColor1", p.TrackClickColor1, d.TrackClickColor1);
    v("TrackClickColor2", p.TrackClickColor2, d.TrackClickColor2);
    v("SortAsNumeric", p.SortAsNumeric, d.SortAsNumeric);
}

template <typename T>
T fromVariant(const QVariant &v, T fallback)
{
    if constexpr (std::is_same_v<T, bool>) {
        return v.canConvert<bool>() ? v.toBool() : fallback;
    } else if constexpr (std::is_same_v<T, float>) {
        bool ok = false;
        const float f = v.toFloat(&ok);
        return ok ? f : fallback;
    } else {
        bool ok = false;
        const qlonglong n = v.toLongLong(&ok);
        if (!ok || n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max())
            return fallback;
        return T(n);
    }
}

} // namespace

void LoadMorphListBoxProperties(MorphListBoxProperties &props, MorphListBoxStoredCounters &counters,
                                const MorphListBoxStore &store, const QFont &containerFont)
{
    const QVariant font = store.read(QStringLiteral("ListFont"), containerFont);
    props.ListFont = font.canConvert<QFont>() ? font.value<QFont>() : containerFont;
    const QVariant picture = store.read(QStringLiteral("Picture"), QImage());
    props.Picture = picture.canConvert<QImage>() ? picture.value<QImage>() : QImage();
    auto load = [&store](const char *key, auto &field, auto defaultValue) {
        using T = std::decay_t<decltype(field)>;
        const QVariant v = store.read(QLatin1String(key), QVariant());
        field = v.isValid() ? fromVariant<T>(v, T(defaultValue)) : T(defaultValue);
    };
    eachStoredValue(load, props, counters);
    // The list index is saved but never loaded.
    counters.ListIndex = props.MultiSelect == 0 ? -1 : 0;
}

void SaveMorphListBoxProperties(const MorphListBoxProperties &props,
                                const MorphListBoxStoredCounters &counters, MorphListBoxStore &store,
                                const QFont &containerFont)
{
    store.write(QStringLiteral("Picture"), props.HasPicture() ? QVariant(props.Picture) : QVariant(),
                QVariant());
    store.write(QStringLiteral("ListIndex"), counters.ListIndex, -1);
    store.write(QStringLiteral("ListFont"), props.ListFont, containerFont);
    auto save = [&store](const char *key, auto &field, auto defaultValue) {
        using T = std::decay_t<decltype(field)>;
        store.write(QLatin1String(key), QVariant::fromValue(field), QVariant::fromValue(T(defaultValue)));
    };
    eachStoredValue(save, props, counters);
}
