#include "controls/MorphListBoxModel.h"

#include "controls/MorphListBoxProperties.h"

#include <algorithm>
#include <charconv>
#include <cmath>

int MorphListBoxNearest(double value)
{
    const double r = std::nearbyint(value); // the default mode rounds halves to even
    if (std::isnan(r))
        return 0;
    if (r >= 2147483647.0)
        return 2147483647;
    if (r <= -2147483648.0)
        return -2147483647 - 1;
    return int(r);
}

int MorphListBoxCompare(const QString &a, const QString &b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = a.at(i).unicode(), y = b.at(i).unicode();
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

namespace {

bool skipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

// "&H" / "&O" numbers come out as 16-bit values up to 0xFFFF and as 32-bit
// values beyond, both signed, the way the platform reads them.
double radixNumber(const QString &text, qsizetype i, int radix)
{
    quint64 value = 0;
    bool any = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (skipped(c))
            continue;
        const int d = c.isDigit() ? c.digitValue()
                      : (radix == 16 && c.toLower() >= u'a' && c.toLower() <= u'f')
                          ? c.toLower().unicode() - u'a' + 10
                          : -1;
        if (d < 0 || d >= radix)
            break;
        any = true;
        value = value * radix + d;
        if (value > 0xFFFFFFFFull)
            return 0; // too large for the platform: no number
    }
    if (!any)
        return 0;
    if (value <= 0xFFFF)
        return double(qint16(quint16(value)));
    return double(qint32(quint32(value)));
}

} // namespace

double MorphListBoxLeadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && skipped(text.at(i)))
        ++i;
    if (i + 1 < text.size() && text.at(i) == u'&') {
        const QChar r = text.at(i + 1).toUpper();
        if (r == u'H')
            return radixNumber(text, i + 2, 16);
        if (r == u'O')
            return radixNumber(text, i + 2, 8);
        return 0;
    }
    std::string digits;
    bool point = false, mantissa = false, exponent = false;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (skipped(c))
            continue;
        if ((c == u'+' || c == u'-') && (digits.empty() || (digits.back() == 'E'))) {
            digits += char(c.unicode());
        } else if (c >= u'0' && c <= u'9') {
            digits += char(c.unicode());
            mantissa = true;
        } else if (c == u'.' && !point && !exponent) {
            digits += '.';
            point = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && mantissa && !exponent) {
            digits += 'E';
            exponent = true;
        } else {
            break;
        }
    }
    if (!mantissa)
        return 0;
    // An exponent without digits reads as no exponent.
    while (!digits.empty() && (digits.back() == 'E' || digits.back() == '+' || digits.back() == '-'))
        digits.pop_back();
    // The decimal point is "." whatever locale the process runs in: the C
    // library's strtod would read "1.5" as 1 under a decimal-comma locale.
    const char *first = digits.data();
    const char *last = first + digits.size();
    bool negative = false;
    if (first != last && (*first == '+' || *first == '-')) {
        negative = *first == '-';
        ++first;
    }
    double v = 0;
    const auto [end, error] = std::from_chars(first, last, v, std::chars_format::general);
    if (error != std::errc() || end == first)
        return 0; // a second sign, or a mantissa of a point alone
    if (negative)
        v = -v;
    return std::isfinite(v) ? v : 0;
}

MorphListBoxModel::MorphListBoxModel(MorphListBoxProperties &properties)
    : m_props(properties)
{
    m_list = {QString()};
    m_itemData = {0};
    m_selected = {false};
}

QString MorphListBoxModel::List(int index, bool *ok) const
{
    if (ok)
        *ok = index <= m_count;
    if (index < 0 || index > m_count)
        return {};
    return m_list.at(index);
}

int MorphListBoxModel::ItemData(int index, bool *ok) const
{
    const bool inside = index >= 0 && index <= m_count;
    if (ok)
        *ok = inside;
    return inside ? m_itemData.at(index) : 0;
}

bool MorphListBoxModel::setItemData(int index, int value)
{
    if (!isItem(index))
        return false;
    m_itemData[index] = value;
    return true;
}

bool MorphListBoxModel::Selected(int index, bool *ok) const
{
    const bool inside = index >= 0 && index <= m_count;
    if (ok)
        *ok = inside;
    return inside ? m_selected.at(index) : false;
}

void MorphListBoxModel::loadCounters(int selCount, int newIndex, int listIndex)
{
    m_selCount = selCount;
    m_newIndex = newIndex;
    m_listIndex = listIndex;
}

int MorphListBoxModel::noneIndex() const
{
    return plainSingle() ? -1 : 0;
}

bool MorphListBoxModel::plainSingle() const
{
    return m_props.Style != 1 && m_props.MultiSelect == 0;
}

bool MorphListBoxModel::setSelected(int index, bool value)
{
    if (!isItem(index))
        return false;
    if (m_props.Style == 0 && m_props.MultiSelect == 0) {
        const bool was = m_selected.at(index);
        // Deselecting an item that is not selected leaves the selection as
        // it is (rather than clearing the current item's flag and keeping
        // its count and index).
        if (!value && !was)
            return true;
        std::fill(m_selected.begin(), m_selected.end(), false);
        m_selected[index] = value;
        if (value) {
            m_listIndex = index;
            m_selCount = 1;
            CaretIndex = index;
            FocusIndex = index;
        } else if (was) {
            m_selCount = 0;
            m_listIndex = -1;
            CaretIndex = -1;
            FocusIndex = 0;
        }
    } else {
        const bool was = m_selected.at(index);
        m_selected[index] = value;
        m_listIndex = FocusIndex = CaretIndex = index;
        if (value && !was)
            ++m_selCount;
        else if (!value && was)
            --m_selCount;
    }
    return true;
}

bool MorphListBoxModel::setListIndex(int value)
{
    const bool emptyNone = m_count == 0 && value == 0 && !plainSingle();
    if (value != -1 && !isItem(value) && !emptyNone)
        return false;
    m_listIndex = value;
    if (m_props.Style == 0 && m_props.MultiSelect == 0) {
        std::fill(m_selected.begin(), m_selected.end(), false);
        if (value == -1) {
            CaretIndex = -1;
            m_selCount = 0;
            FocusIndex = 0;
        } else {
            CaretIndex = value;
            m_selCount = 1;
            m_selected[value] = true;
            FocusIndex = value;
        }
    } else {
        FocusIndex = value;
        if (m_props.Style == 1)
            CaretIndex = isItem(value) ? value : -1;
    }
    return true;
}

int MorphListBoxModel::sortedPosition(const QString &text) const
{
    if (m_count == 0)
        return 0;
    int low = 0, high = m_count - 1;
    for (;;) {
        // Halves go to the even neighbour; the last probe may be the spare.
        const int mid = MorphListBoxNearest((double(low) + high) / 2);
        const int cmp = MorphListBoxCompare(m_list.at(mid), text);
        if (cmp == 0)
            return mid;
        if (low > high)
            return low;
        if (cmp > 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
}

int MorphListBoxModel::numericSortedPosition(const QString &text) const
{
    if (m_count == 0)
        return 0;
    const double value = MorphListBoxLeadingNumber(text);
    int low = 0, high = m_count - 1;
    for (;;) {
        const int mid = MorphListBoxNearest((double(low) + high) / 2);
        const double probe = MorphListBoxLeadingNumber(m_list.at(mid));
        if (probe == value)
            return mid;
        if (low > high)
            return low;
        if (probe > value)
            high = mid - 1;
        else
            low = mid + 1;
    }
}

bool MorphListBoxModel::AddItem(const QString &text, int index, bool *badIndex)
{
    if (badIndex)
        *badIndex = false;
    if (!m_props.Enabled)
        return false;
    if (index != -1 && (index < 0 || index > m_count)) {
        if (badIndex)
            *badIndex = true;
        return false;
    }
    int p = m_count;
    if (index != -1)
        p = index;
    else if (m_props.Sorted)
        p = m_props.SortAsNumeric ? numericSortedPosition(text) : sortedPosition(text);
    LayoutDirty = true;
    ++m_count;
    m_list.insert(p, text);
    m_itemData.insert(p, 0);
    m_selected.insert(p, false);
    m_newIndex = p;
    if (m_listIndex > 0 || m_selCount != 0) {
        for (int *i : {&m_listIndex, &FocusIndex, &CaretIndex})
            if (*i >= p)
                ++*i;
    }
    if (TopIndex == -1)
        TopIndex = 0;
    return true;
}

void MorphListBoxModel::keepAnchorAfterRemoval(int &anchor, int removed) const
{
    if (anchor > removed)
        --anchor;
    if (anchor >= m_count)
        anchor = m_count - 1; // the removed item was the last one: its neighbour
}

bool MorphListBoxModel::RemoveItem(int index)
{
    if (!m_props.Enabled || m_count < 1 || index < 0 || index > m_count - 1)
        return false;
    --m_count;
    LayoutDirty = true;
    if (m_selected.at(index))
        --m_selCount;
    m_list.removeAt(index);
    m_itemData.removeAt(index);
    m_selected.removeAt(index);
    if (m_listIndex == index)
        m_listIndex = noneIndex();
    else if (index < m_listIndex)
        --m_listIndex;
    if (CaretIndex == index)
        CaretIndex = -1;
    else if (index < CaretIndex)
        --CaretIndex;
    if (FocusIndex == index)
        FocusIndex = 0;
    else if (index < FocusIndex)
        --FocusIndex;
    m_newIndex = -1;
    // The input code's anchors never name a missing item.
    if (LastDragIndex >= index)
        LastDragIndex = -1;
    keepAnchorAfterRemoval(ShiftAnchor, index);
    keepAnchorAfterRemoval(DragAnchor, index);
    keepAnchorAfterRemoval(DragEnd, index);
    return true;
}

void MorphListBoxModel::Clear()
{
    m_list = {QString()};
    m_itemData = {0};
    m_selected = {false};
    m_selCount = 0;
    m_count = 0;
    CaretIndex = -1;
    FocusIndex = 0;
    TopIndex = -1;
    BottomIndex = -1;
    m_props.RedrawFlag = true;
    ScrollBarVisible = false;
    LayoutDirty = true;
    m_listIndex = noneIndex();
    m_newIndex = -1;
    LastDragIndex = -1;
    ShiftAnchor = DragAnchor = DragEnd = -1;
}

int MorphListBoxModel::FindIndex(const QString &text, bool caseSensitive) const
{
    const QString wanted = caseSensitive ? text : text.toLower();
    auto item = [&](int i) { return caseSensitive ? m_list.at(i) : m_list.at(i).toLower(); };
    if (m_props.Sorted) {
        int low = 0, high = m_count - 1;
        while (low <= high) {
            const int mid = (low + high) / 2;
            const int cmp = MorphListBoxCompare(item(mid), wanted);
            if (cmp == 0)
                return mid;
            if (cmp > 0)
                high = mid - 1;
            else
                low = mid + 1;
        }
        return -1;
    }
    for (int i = 0; i < m_count; ++i)
        if (item(i) == wanted)
            return i;
    return -1;
}

void MorphListBoxModel::FillSelected(int a, int b, bool value)
{
    int from = std::max(std::min(a, b), 0);
    int to = std::min(std::max(a, b), m_count - 1);
    for (int i = from; i <= to; ++i)
        m_selected[i] = value;
}

void MorphListBoxModel::setFlag(int index, bool value)
{
    if (isItem(index))
        m_selected[index] = value;
}

void MorphListBoxModel::clearFlags()
{
    std::fill(m_selected.begin(), m_selected.end(), false);
}

bool MorphListBoxModel::toggleFlag(int index)
{
    if (!isItem(index))
        return false;
    m_selected[index] = !m_selected.at(index);
    m_selCount += m_selected.at(index) ? 1 : -1;
    return true;
}

void MorphListBoxModel::RecountSelected()
{
    m_selCount = int(std::count(m_selected.begin(), m_selected.begin() + m_count, true));
}

bool MorphListBoxModel::DisplayFrom(int itemIndex)
{
    if (m_count <= VisibleRows || itemIndex < 0 || itemIndex > m_count - 1)
        return false;
    BottomIndex = itemIndex + VisibleRows - 1;
    if (BottomIndex > m_count - 1) {
        BottomIndex = m_count - 1;
        TopIndex = m_count - VisibleRows;
    } else {
        TopIndex = itemIndex;
    }
    return true;
}

void MorphListBoxModel::settleWindow()
{
    ScrollBarVisible = m_count > VisibleRows;
    // -1 is the empty list's window; a list with items always shows from
    // an item.
    if (TopIndex < 0)
        TopIndex = m_count > 0 ? 0 : -1;
    if (TopIndex == -1)
        return;
    if (VisibleRows < 1) {
        TopIndex = 0; // no row to show anything in
        BottomIndex = -1;
        return;
    }
    if (m_count > VisibleRows) {
        const int last = m_count - 1;
        if ((last >= TopIndex && last <= BottomIndex) || TopIndex > m_count - VisibleRows) {
            BottomIndex = last;
            TopIndex = m_count - VisibleRows;
        } else {
            TopIndex = std::max(TopIndex, 0);
            BottomIndex = TopIndex + VisibleRows - 1;
        }
    } else {
        TopIndex = 0;
        BottomIndex = m_count - 1;
    }
}

int MorphListBoxModel::RowFromY(float y) const
{
    if (VisibleRows <= 1)
        return 0;
    int low = 0, high = VisibleRows - 2;
    for (;;) {
        const int mid = MorphListBoxNearest((double(low) + high) / 2);
        if (RowTops[mid] <= y && y < RowTops[mid + 1])
            return mid;
        if (low > high)
            return low;
        if (y <= RowTops[mid])
            high = mid - 1;
        else
            low = mid + 1;
    }
}

int MorphListBoxModel::MouseOverIndex(float y, bool pointerInItemArea, bool edgeScrolling) const
{
    if (VisibleRows < 1 || m_count == 0 || TopIndex < 0)
        return -1;
    const int index = TopIndex + RowFromY(y);
    if (edgeScrolling)
        return std::min(index, m_count - 1);
    if (pointerInItemArea && index <= m_count - 1)
        return index;
    return -1;
}
