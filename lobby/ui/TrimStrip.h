#pragma once
#include <QWidget>

// One piece of the flat frames drawn around the lists and the chat: an edge
// that stretches to its size, or a corner, caption or plate piece drawn at
// its own size. Named "Trim<n>" after its place in the window's strip set.
class TrimStrip : public QWidget
{
    Q_OBJECT
public:
    enum class Kind { HorizontalEdge, VerticalEdge, Corner, Caption, Plate };

    TrimStrip(int index, QWidget *parent);

    int index() const { return m_index; }
    Kind kind() const { return m_kind; }
    // The strips that exist, in index order (19 and 24 never did).
    static const QList<int> &indexes();
    static Kind kindOf(int index);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_index;
    Kind m_kind;
    QString m_caption;
};
