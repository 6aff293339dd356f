#pragma once
#include <QPixmap>
#include <QWidget>
#include <array>

class QLabel;

// The lobby window's tab strip: the pictures Tabs(0..4) under the captions
// TabText(0..4). Tab 0 is the end tab with pictures of its own. A click on a
// caption reports its index; the window decides what the tab does.
class TabStrip : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Count = 5;

    explicit TabStrip(QWidget *parent = nullptr);

    // MainTabSelect(0), Maintab(0), MainTabSelect(1), Maintab(1).
    void setPictures(const QPixmap &endSelect, const QPixmap &endNormal, const QPixmap &select,
                     const QPixmap &normal);
    // One of the four pictures, as the skin loads it; a null picture keeps
    // the drawn one.
    enum class Picture { EndSelect, EndNormal, Select, Normal };
    void setPicture(Picture which, const QPixmap &picture);
    // Sets tab `index` to its selected or normal picture.
    void setTabPicture(int index, bool selected);
    bool isShownSelected(int index) const { return m_selected[size_t(index)]; }
    QLabel *TabText(int index) const { return m_text[size_t(index)]; }

Q_SIGNALS:
    void tabClicked(int index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::array<QLabel *, Count> m_tabs{};
    std::array<QLabel *, Count> m_text{};
    std::array<bool, Count> m_selected{};
    QPixmap m_endSelect, m_endNormal, m_select, m_normal;
};
