#include "lobby/ui/TribePanel.h"

#include "core/HutPanels.h"
#include "packs/TribeColourEditor.h"
#include "packs/TribeColours.h"
#include "packs/TribeFigure.h"
#include "packs/TribePreviews.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

// Blue's boxes are Picture2 and red's Picture1: the arrays are not in tribe order.
const char *const BoxArrayNames[] = {"Picture2", "Picture1", "Picture3", "Picture4"};
const char *const PreviewNames[] = {"previewblue", "previewred", "previewyellow", "previewgreen"};
const char *const TextNames[] = {"txtRed", "txtGreen", "txtBlue"};

QFrame *swatchPanel(const char *name, QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::StyledPanel);
    auto *grid = new QGridLayout(frame);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setSpacing(7);   // swatches 24 px (360 twips) apart
    return frame;
}

} // namespace

TribePanel::TribePanel(TribeColours &colours, TribePreviews &previews, TribeColourEditor &editor,
                       HutPanels &panels, QWidget *parent)
    : QWidget(parent)
    , m_colours(colours)
    , m_previewImages(previews)
    , m_editor(editor)
    , m_panels(panels)
{
    setObjectName(QStringLiteral("FraTribePal"));
    setAutoFillBackground(true);
    // In a window narrower than the panel's controls need, they scroll
    // instead of being squeezed over each other.
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    m_content = new QWidget;
    m_content->setAutoFillBackground(false);
    auto *row = new QHBoxLayout(m_content);
    row->setContentsMargins(6, 6, 6, 6);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(3);
    row->addLayout(grid);
    for (int t = 0; t < TribeColours::TribeCount; ++t) {
        m_arrows[t] = new QLabel(QStringLiteral("\u25B6"), this);
        m_arrows[t]->setTextFormat(Qt::PlainText);
        m_arrows[t]->setObjectName(QStringLiteral("Arrow%1").arg(t));
        grid->addWidget(m_arrows[t], t, 0);
        for (int s = 0; s < TribeColours::ShadeCount; ++s) {
            auto *b = new QLabel(this);
            b->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(BoxArrayNames[t])).arg(s));
            b->setFixedSize(25, 33);
            b->setAutoFillBackground(true);
            m_boxes[t][s] = b;
            grid->addWidget(b, t, 1 + s);
        }
        m_previews[t] = new QLabel(this);
        m_previews[t]->setObjectName(QLatin1String(PreviewNames[t]));
        m_previews[t]->setFixedSize(TribePreviews::Size, TribePreviews::Size);
        grid->addWidget(m_previews[t], t, 1 + TribeColours::ShadeCount);
        refreshBoxes(t);
        refreshPreview(t);
    }
    row->addSpacing(12);
    row->addWidget(createEditor(), 1, Qt::AlignTop);
    scroll->setWidget(m_content);
    outer->addWidget(scroll);

    connect(closeButton, &QPushButton::clicked, this,
            [this] { m_panels.update([](HutPanels::State &s) { s.FraTribePalVisible = false; }); });
    connect(&colours, &TribeColours::coloursChanged, this, &TribePanel::refreshBoxes);
    connect(&previews, &TribePreviews::previewRepainted, this, &TribePanel::refreshPreview);
    connect(&panels, &HutPanels::changed, this, &TribePanel::refreshPanels);
    connect(&panels, &HutPanels::tribePanelRaised, this, [this] { raise(); });
    connect(&editor, &TribeColourEditor::changed, this, &TribePanel::refreshEditor);
    refreshPanels();
    refreshEditor();
}

QSize TribePanel::sizeHint() const
{
    // What the controls need, not what a scroll area offers to show.
    return m_content->sizeHint();
}

QWidget *TribePanel::createEditor()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    Picture5 = swatchPanel("Picture5", column);
    Picture6 = swatchPanel("Picture6", column);
    for (int i = 0; i < TribeColourEditor::SwatchCount; ++i) {
        QFrame *on = i < TribeColourEditor::RampSwatches ? Picture5 : Picture6;
        auto *swatch = new QLabel(on);
        swatch->setObjectName(QStringLiteral("imgTribe%1").arg(i));
        swatch->setPixmap(QPixmap::fromImage(TribeColourEditor::SwatchPicture(i)));
        swatch->setFixedSize(TribeColourEditor::SwatchSize, TribeColourEditor::SwatchSize);
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
        m_swatches[size_t(i)] = swatch;
        const int at = i < TribeColourEditor::RampSwatches ? i : i - TribeColourEditor::RampSwatches;
        static_cast<QGridLayout *>(on->layout())->addWidget(swatch, at / 6, at % 6);
    }
    // The two swatch panels stand one above the other: side by side they and
    // the shade rows are wider than the panel at the window's design size,
    // and the layout would then squeeze them over the tribe figures.
    layout->addWidget(Picture5, 0, Qt::AlignLeft);
    layout->addWidget(Picture6, 0, Qt::AlignLeft);

    auto *bars = new QGridLayout;
    const QString names[] = {tr("Red"), tr("Green"), tr("Blue")};
    for (int c = 0; c < 3; ++c) {
        auto *label = new QLabel(names[c], column);
        label->setTextFormat(Qt::PlainText);
        auto *bar = new QScrollBar(Qt::Horizontal, column);
        bar->setObjectName(QStringLiteral("HScroll%1").arg(c));
        bar->setRange(0, 255);
        bar->setSingleStep(1);
        bar->setPageStep(16);
        bar->setMinimumWidth(120);
        auto *text = new QLineEdit(column);
        text->setObjectName(QLatin1String(TextNames[c]));
        text->setFixedWidth(44);
        m_bars[size_t(c)] = bar;
        m_texts[size_t(c)] = text;
        bars->addWidget(label, c, 0);
        bars->addWidget(bar, c, 1);
        bars->addWidget(text, c, 2);

        // A drag sends its colours once, when the thumb is let go.
        connect(bar, &QScrollBar::sliderMoved, this, [this, c](int v) { m_editor.barMoved(c, v, true); });
        connect(bar, &QScrollBar::sliderReleased, this, [this] { m_editor.barReleased(); });
        connect(bar, &QScrollBar::valueChanged, this, [this, c, bar](int v) {
            if (!bar->isSliderDown())
                m_editor.barMoved(c, v, false);
        });
        connect(text, &QLineEdit::textChanged, this,
                [this, c, text](const QString &t) { m_editor.txtChange(c, t, text->cursorPosition()); });
    }
    layout->addLayout(bars);
    layout->addStretch(1);

    closeButton = new QPushButton(tr("Close"), column);
    layout->addWidget(closeButton, 0, Qt::AlignRight);
    return column;
}

void TribePanel::imgTribe_Click(int index)
{
    m_editor.PickTribeColour(index);
}

bool TribePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        for (int i = 0; i < TribeColourEditor::SwatchCount; ++i) {
            QLabel *swatch = m_swatches[size_t(i)];
            if (watched == swatch && mouse->button() == Qt::LeftButton
                && swatch->rect().contains(mouse->position().toPoint())) {
                imgTribe_Click(i);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TribePanel::refreshBoxes(int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return;
    for (int s = 0; s < TribeColours::ShadeCount; ++s) {
        QPalette p = m_boxes[tribe][s]->palette();
        p.setColor(QPalette::Window, QColor(TribeFigure::toRgb(m_colours.colour(tribe, s))));
        m_boxes[tribe][s]->setPalette(p);
    }
}

void TribePanel::refreshPreview(int tribe)
{
    if (!TribeColours::isTribe(tribe))
        return;
    m_previews[tribe]->setPixmap(QPixmap::fromImage(m_previewImages.preview(tribe)));
}

void TribePanel::refreshPanels()
{
    const HutPanels::State &s = m_panels.state();
    setVisible(s.FraTribePalVisible);
    for (int t = 0; t < TribeColours::TribeCount; ++t)
        m_arrows[t]->setVisible(s.ArrowVisible[size_t(t)]);
}

void TribePanel::refreshEditor()
{
    for (int c = 0; c < 3; ++c) {
        QLineEdit *text = m_texts[size_t(c)];
        if (text->text() != m_editor.text(c)) {
            // The editor has already run its change handler on this text.
            const QSignalBlocker quiet(text);
            text->setText(m_editor.text(c));
            text->setCursorPosition(m_editor.caret(c));
        }
        QScrollBar *bar = m_bars[size_t(c)];
        if (bar->value() != m_editor.HScroll(c)) {
            const QSignalBlocker quiet(bar);   // a value set by code is no scroll
            bar->setValue(m_editor.HScroll(c));
        }
    }
}
