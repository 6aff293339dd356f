#include "lobby/ui/PanelScroll.h"

#include <QEvent>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

class ContentScroll : public QScrollArea
{
public:
    explicit ContentScroll(QWidget *parent) : QScrollArea(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        viewport()->setAutoFillBackground(false);
    }

    void take(QWidget *contents)
    {
        setWidget(contents);
        contents->installEventFilter(this);
    }

    // What the contents need, not what a scroll area offers to show.
    QSize sizeHint() const override { return widget() ? widget()->sizeHint() : QScrollArea::sizeHint(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // The contents' layout changed what they need: the panel asks again.
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            updateGeometry();
        return QScrollArea::eventFilter(watched, event);
    }
};

} // namespace

QScrollArea *scrollContents(QWidget *panel)
{
    auto *scroll = new ContentScroll(panel);
    auto *contents = new QWidget;
    contents->setObjectName(panel->objectName() + QStringLiteral("Contents"));
    contents->setAutoFillBackground(false);
    // setLayout takes the layout off the panel, with the widgets it holds.
    if (QLayout *layout = panel->layout())
        contents->setLayout(layout);
    scroll->take(contents);
    auto *outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);
    return scroll;
}
