#pragma once
#include <QWidget>
#include <array>

class HutDetailsModel;
class QLabel;

// The hut details rows of the own hut: picRank, lblName, lblHasMappack,
// lblHasModpack and lblPing for the host (row 0) and the three client
// positions. Shows what HutDetailsModel holds; texts are plain text.
class HutDetailsView : public QWidget
{
    Q_OBJECT
public:
    explicit HutDetailsView(HutDetailsModel &model, QWidget *parent = nullptr);

    QLabel *picRank(int i) const { return m_picRank[size_t(i)]; }
    QLabel *lblName(int i) const { return m_lblName[size_t(i)]; }
    QLabel *lblHasMappack(int i) const { return m_lblHasMappack[size_t(i)]; }
    QLabel *lblHasModpack(int i) const { return m_lblHasModpack[size_t(i)]; }
    QLabel *lblPing(int i) const { return m_lblPing[size_t(i)]; }

    void refresh();

private:
    HutDetailsModel &m_model;
    std::array<QLabel *, 4> m_picRank{};
    std::array<QLabel *, 4> m_lblName{};
    std::array<QLabel *, 4> m_lblHasMappack{};
    std::array<QLabel *, 4> m_lblHasModpack{};
    std::array<QLabel *, 4> m_lblPing{};
};
