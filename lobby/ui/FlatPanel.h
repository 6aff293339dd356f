#pragma once
#include <QByteArray>
#include <QWidget>
#include <array>

// A framed caption panel of the options tab: the bevel, the coloured rings
// and the caption tab that DrawFlatPanel draws (in twips, 15 to a pixel).
// Its Tag is the caption, used as it stands (trailing blanks widen the tab).
// Controls go into contents(), the panel's interior.
class FlatPanel : public QWidget
{
    Q_OBJECT
public:
    FlatPanel(const QByteArray &tag, const std::array<qint32, 4> &borders, QWidget *parent = nullptr);

    const QByteArray &Tag() const { return m_tag; }
    // The skin's ring colours; the panel is drawn again with them.
    void setBorders(const std::array<qint32, 4> &borders);
    QWidget *contents() const { return m_contents; }
    // The interior colour (ColorBorder4), which the controls on it take.
    QColor interiorColour() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QByteArray m_tag;
    std::array<qint32, 4> m_borders;
    QWidget *m_contents;
};
