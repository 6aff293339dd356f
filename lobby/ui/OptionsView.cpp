#include "lobby/ui/OptionsView.h"

#include "core/util/CodePage.h"
#include "lobby/ColourValue.h"
#include "lobby/ui/FlatPanel.h"
#include "lobby/ui/LobbyForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

template <typename W>
W *named(W *widget, const char *name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLabel *label(const char *name, const QString &text, QWidget *parent)
{
    auto *l = named(new QLabel(text, parent), name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPushButton *button(const char *name, const QString &text, QWidget *parent)
{
    return named(new QPushButton(text, parent), name);
}

// A sub-panel's interior, with a column of rows.
QVBoxLayout *column(LobbyForm &form, LobbyForm::OptionsPanel which)
{
    auto *l = new QVBoxLayout(form.optionsPanel(which)->contents());
    l->setContentsMargins(4, 4, 4, 4);
    l->setSpacing(3);
    return l;
}

QHBoxLayout *row(QVBoxLayout *column)
{
    auto *r = new QHBoxLayout;
    r->setSpacing(4);
    column->addLayout(r);
    return r;
}

} // namespace

OptionsView::OptionsView(LobbyForm &form, OptionsPanel &panel, QObject *parent)
    : QObject(parent), m_panel(panel)
{
    build(form);
    connect(&m_panel, &OptionsPanel::changed, this, &OptionsView::refresh);
    refresh();
}

void OptionsView::build(LobbyForm &form)
{
    using P = LobbyForm::OptionsPanel;
    using B = OptionsPanel;
    struct BoxText { B::Box box; const char *name; const char *text; };

    // General options.
    QVBoxLayout *general = column(form, P::GeneralOptions);
    QWidget *g = form.optionsPanel(P::GeneralOptions)->contents();
    const auto addBox = [this](const BoxText &b, QWidget *parent) {
        m_boxes[size_t(b.box)] = named(new QCheckBox(QString::fromLatin1(b.text), parent), b.name);
        return m_boxes[size_t(b.box)];
    };
    const BoxText generalBoxes[] = {
        {B::chkVbMinimize, "chkVbMinimize", "Minimize To Tray"},
        {B::chkDisStartSound, "chkDisStartSound", "Disable Startup Sound"},
        {B::chkDisLaunchSnd, "chkDisLaunchSnd", "Disable Launch Sound"},
        {B::chkDisPMSnd, "chkDisPMSnd", "Disable PM Sound"},
        {B::chkLowCas, "chkLowCas", "Force lower case chat"},
        {B::chkLangFilt, "chkLangFilt", "Language filter on"},
        {B::chkTimeStamp, "chkTimeStamp", "Show Timestamps before messages"},
        {B::chkDisableSound, "chkDisableSound", "Disable Sound Module - All Sounds"},
        {B::chkConvSmileys, "chkConvSmileys", "Convert smileys to graphics"},
        {B::chkEnableTransparency, "chkEnableTransparency", "Enable Gatherhall Translucency"},
    };
    for (const BoxText &b : generalBoxes) {
        QHBoxLayout *line = row(general);
        line->addWidget(addBox(b, g));
        if (b.box == B::chkLangFilt) {
            // The bad-word list's editor, beside the filter it feeds.
            cmdEditFilter = button("cmdEditFilter", QStringLiteral("Edit"), g);
            line->addWidget(cmdEditFilter);
        }
        line->addStretch(1);
    }
    general->addSpacing(6);
    general->addWidget(label("lbltransset", QStringLiteral("Gatherhall Translucency Setting"), g));
    QHBoxLayout *transparency = row(general);
    scrTransparency = named(new QScrollBar(Qt::Horizontal, g), "scrTransparency");
    scrTransparency->setRange(OptionsPanel::TransparencyMin, OptionsPanel::TransparencyMax);
    transparency->addWidget(scrTransparency, 1);
    CmdTransparencyRefresh = button("CmdTransparencyRefresh", QStringLiteral("Refresh"), g);
    transparency->addWidget(CmdTransparencyRefresh);
    general->addSpacing(6);
    general->addWidget(label("lblintfont", QStringLiteral("Interface Font"), g));
    QHBoxLayout *font = row(general);
    cmbFont = named(new QComboBox(g), "cmbFont");
    cmbFont->setEditable(true);
    font->addWidget(cmbFont, 1);
    font->addWidget(button("cmdFontSet", QStringLiteral("Ok"), g));
    general->addStretch(1);

    // Custom sounds and skinning: shown, with nothing behind them.
    struct SetRow { const char *label; const char *text; const char *button; };
    const auto setRows = [&form](P which, std::initializer_list<SetRow> rows) {
        QVBoxLayout *panel = column(form, which);
        QWidget *inside = form.optionsPanel(which)->contents();
        for (const SetRow &r : rows) {
            QHBoxLayout *line = row(panel);
            line->addWidget(label(r.label, QString::fromLatin1(r.text), inside), 1);
            line->addWidget(button(r.button, QStringLiteral("Set"), inside));
        }
        panel->addStretch(1);
    };
    setRows(P::SoundOptions, {{"lblstartsnd", "Startup Sound:", "cmdSetStart"},
                              {"lblLaunchSnd", "Launch Sound", "cmdSetLaunch"},
                              {"lblpmsnd", "Private Message Sound:", "cmdSetPM"}});
    setRows(P::SkinOptions, {{"lblqxcolors", "Gatherhall Colors:", "cmdSetColors"},
                             {"lblqximages", "Gatherhall Images:", "cmdSetImages"}});

    // Sending files: the port is shown only.
    QVBoxLayout *files = column(form, P::FileSending);
    QWidget *f = form.optionsPanel(P::FileSending)->contents();
    files->addWidget(label("captListen", QStringLiteral("Listen port for receiving files:"), f));
    txtFilePort = named(new QLineEdit(f), "txtFilePort");
    txtFilePort->setMaximumWidth(80);
    files->addWidget(txtFilePort);
    files->addStretch(1);

    // Skins.
    QVBoxLayout *skins = column(form, P::Skins);
    QWidget *sk = form.optionsPanel(P::Skins)->contents();
    lstskinslist = named(new QListWidget(sk), "lstskinslist");
    skins->addWidget(lstskinslist, 1);
    QHBoxLayout *skinButtons = row(skins);
    cmdRefreshSkinsList = button("cmdRefreshSkinsList", QStringLiteral("Refresh"), sk);
    cmdApplySkin = button("cmdApplySkin", QStringLiteral("Apply"), sk);
    skinButtons->addWidget(cmdRefreshSkinsList);
    skinButtons->addWidget(cmdApplySkin);
    skinButtons->addStretch(1);

    // Utilities.
    QVBoxLayout *utils = column(form, P::GameUtils);
    QWidget *u = form.optionsPanel(P::GameUtils)->contents();
    utils->addWidget(addBox({B::chkCustomRes, "chkCustomRes", "Custom Resolution (D3D)*"}, u));
    QHBoxLayout *resolution = row(utils);
    txtwid = named(new QLineEdit(u), "txtwid");
    txthei = named(new QLineEdit(u), "txthei");
    for (QLineEdit *e : {txtwid, txthei})
        e->setMaximumWidth(60);
    cmdRes = button("cmdRes", QStringLiteral("Set"), u);
    resolution->addWidget(txtwid);
    resolution->addWidget(label("lblx", QStringLiteral("x"), u));
    resolution->addWidget(txthei);
    resolution->addWidget(cmdRes);
    resolution->addStretch(1);
    utils->addWidget(addBox({B::ChkFixTxture, "ChkFixTxture", "Remove Texture Anomolies (D3D)*"}, u));
    QHBoxLayout *fix = row(utils);
    fix->addWidget(label("lblfix", QStringLiteral("Fix Corrupt Files / Broken Game"), u), 1);
    fix->addWidget(button("cmdFixGame", QStringLiteral("Fix"), u));
    auto *note = label("fmg", QStringLiteral("* Must have populous patch 1.01 or greater installed"), u);
    note->setWordWrap(true);
    utils->addWidget(note);
    utils->addStretch(1);

    // Graphic mode: which executable the game starts with.
    QVBoxLayout *mode = column(form, P::GraphicMode);
    QWidget *m = form.optionsPanel(P::GraphicMode)->contents();
    m_modeGroup = new QButtonGroup(this);
    m_modes[0] = named(new QRadioButton(QStringLiteral("Software mode"), m), "optGraphicMode0");
    m_modes[1] = named(new QRadioButton(QStringLiteral("Hardware Mode"), m), "optGraphicMode1");
    for (int i = 0; i < 2; ++i) {
        m_modeGroup->addButton(m_modes[size_t(i)], i);
        mode->addWidget(m_modes[size_t(i)]);
    }
    mode->addStretch(1);

    // The user's changes go to the panel.
    for (int b = 0; b < OptionsPanel::BoxCount; ++b) {
        connect(m_boxes[size_t(b)], &QCheckBox::toggled, this,
                [this, b](bool on) { m_panel.setChecked(OptionsPanel::Box(b), on); });
    }
    connect(m_modeGroup, &QButtonGroup::idClicked, &m_panel, &OptionsPanel::setGraphicMode);
    connect(scrTransparency, &QScrollBar::valueChanged, &m_panel, &OptionsPanel::setScrTransparency);
    connect(CmdTransparencyRefresh, &QPushButton::clicked, &m_panel, &OptionsPanel::CmdTransparencyRefresh_Click);
    connect(cmdEditFilter, &QPushButton::clicked, this, &OptionsView::editFilterRequested);
    const auto resolutionEdited = [this] {
        m_panel.setResolutionText(CodePage::fromUnicode(txtwid->text()), CodePage::fromUnicode(txthei->text()));
    };
    connect(txtwid, &QLineEdit::textEdited, this, resolutionEdited);
    connect(txthei, &QLineEdit::textEdited, this, resolutionEdited);
    connect(lstskinslist, &QListWidget::currentRowChanged, &m_panel, &OptionsPanel::setSkinSelection);
    connect(cmdRefreshSkinsList, &QPushButton::clicked, &m_panel, &OptionsPanel::cmdRefreshSkinsList_Click);
    connect(cmdApplySkin, &QPushButton::clicked, &m_panel, &OptionsPanel::cmdApplySkin_Click);
}

void OptionsView::refresh()
{
    for (int b = 0; b < OptionsPanel::BoxCount; ++b) {
        const QSignalBlocker block(m_boxes[size_t(b)]);
        m_boxes[size_t(b)]->setChecked(m_panel.checked(OptionsPanel::Box(b)));
    }
    {
        // Neither button is chosen until the panel has been filled.
        m_modeGroup->setExclusive(false);
        for (int i = 0; i < 2; ++i) {
            const QSignalBlocker block(m_modes[size_t(i)]);
            m_modes[size_t(i)]->setChecked(m_panel.graphicMode() == i);
        }
        m_modeGroup->setExclusive(true);
    }
    cmdRes->setEnabled(m_panel.cmdResEnabled());
    // A text box changes only when the panel's text does, so what the user
    // types into a box the panel does not read stays.
    const auto showText = [](QLineEdit *edit, const QByteArray &text) {
        if (edit->property("shown").toByteArray() != text || edit->property("shown").isNull()) {
            edit->setProperty("shown", text);
            edit->setText(CodePage::toUnicode(text));
        }
    };
    showText(txtwid, m_panel.txtwid());
    showText(txthei, m_panel.txthei());
    showText(txtFilePort, m_panel.txtFilePort());
    {
        const QSignalBlocker block(scrTransparency);
        scrTransparency->setValue(m_panel.scrTransparency());
    }
    if (m_fontsShown != m_panel.cmbFontItems() || m_fontTextShown != m_panel.cmbFontText()) {
        m_fontsShown = m_panel.cmbFontItems();
        m_fontTextShown = m_panel.cmbFontText();
        cmbFont->clear();
        cmbFont->addItems(m_fontsShown);
        cmbFont->setEditText(m_fontTextShown);
    }
    fillSkinList();
}

void OptionsView::fillSkinList()
{
    const QSignalBlocker block(lstskinslist);
    if (m_skinsShown != m_panel.lstskinslist()) {
        m_skinsShown = m_panel.lstskinslist();
        lstskinslist->clear();
        for (const QByteArray &name : m_skinsShown)
            lstskinslist->addItem(CodePage::toUnicode(name));
    }
    lstskinslist->setCurrentRow(m_panel.lstskinslistIndex());
}

void OptionsView::colourSoundBoxes(qint32 backColour, qint32 foreColour)
{
    for (OptionsPanel::Box b : {OptionsPanel::chkDisStartSound, OptionsPanel::chkDisLaunchSnd,
                                OptionsPanel::chkDisPMSnd}) {
        QWidget *w = m_boxes[size_t(b)];
        QPalette p = w->palette();
        p.setColor(QPalette::Window, ColourValue::toColor(backColour));
        p.setColor(QPalette::WindowText, ColourValue::toColor(foreColour));
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
}
