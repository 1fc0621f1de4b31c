#include "app/control_bar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "app/ui_texts.h"
#include "app/updown_control.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QLineEdit* MakeValueBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignRight);
    // Room for two digits and the frame, like the narrow boxes of the classic dialog bar.
    box->setFixedWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("000")) + 12);
    return box;
}

// A frame around a group of radio buttons, with no title of its own.
QGroupBox* MakeFrame(QWidget* parent, QHBoxLayout*& layout) {
    auto* frame = new QGroupBox(parent);
    layout = new QHBoxLayout(frame);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(6);
    return frame;
}

QRadioButton* AddRadio(QGroupBox* frame, QHBoxLayout* layout, QButtonGroup* group, const char* text,
                       const char* name, int id) {
    auto* radio = new QRadioButton(Text(text), frame);
    radio->setObjectName(QString::fromLatin1(name));
    layout->addWidget(radio);
    group->addButton(radio, id);
    return radio;
}

}  // namespace

CControlBar::CControlBar(QWidget* parent)
    : QWidget(parent),
      m_pDSepBox(MakeValueBox(this, "dsepBox")),
      m_pDSepSpin(new CUpDown(this)),
      m_pDTestPercentBox(MakeValueBox(this, "dtestPercentBox")),
      m_pDTestPercentSpin(new CUpDown(this)),
      m_pBackgroundGroup(new QButtonGroup(this)),
      m_pMethodGroup(new QButtonGroup(this)),
      m_pModeGroup(new QButtonGroup(this)),
      m_pArrowsBySpeed(new QCheckBox(Text(ui::kArrowsBySpeed), this)),
      m_pDraw(new QPushButton(Text(ui::kDraw), this)) {
    setObjectName(QStringLiteral("controlBar"));
    m_pDSepSpin->setObjectName(QStringLiteral("dsepSpin"));
    m_pDTestPercentSpin->setObjectName(QStringLiteral("dtestPercentSpin"));
    m_pArrowsBySpeed->setObjectName(QStringLiteral("arrowsBySpeed"));
    m_pDraw->setObjectName(QStringLiteral("drawButton"));

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 4, 1);
    layout->setSpacing(4);

    layout->addWidget(new QLabel(Text(ui::kDSep), this));
    layout->addWidget(m_pDSepBox);
    layout->addWidget(m_pDSepSpin);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(Text(ui::kDTestPercent), this));
    layout->addWidget(m_pDTestPercentBox);
    layout->addWidget(m_pDTestPercentSpin);
    layout->addSpacing(6);

    QHBoxLayout* row = nullptr;
    QGroupBox* background = MakeFrame(this, row);
    row->addWidget(new QLabel(Text(ui::kBackground), background));
    AddRadio(background, row, m_pBackgroundGroup, ui::kBgSpeed, "radioSpeed", 0);
    AddRadio(background, row, m_pBackgroundGroup, ui::kBgPressure, "radioPressure", 1);
    AddRadio(background, row, m_pBackgroundGroup, ui::kBgVorticity, "radioVorticity", 2);
    layout->addWidget(background);

    QGroupBox* method = MakeFrame(this, row);
    row->addWidget(new QLabel(Text(ui::kMethod), method));
    AddRadio(method, row, m_pMethodGroup, ui::kEuler, "radioEuler", 0);
    AddRadio(method, row, m_pMethodGroup, ui::kRK2, "radioRK2", 1);
    AddRadio(method, row, m_pMethodGroup, ui::kRK4, "radioRK4", 2);
    layout->addWidget(method);

    QGroupBox* mode = MakeFrame(this, row);
    AddRadio(mode, row, m_pModeGroup, ui::kStreamline, "radioStreamline", 0);
    AddRadio(mode, row, m_pModeGroup, ui::kHedgehog, "radioHedgehog", 1);
    layout->addWidget(mode);

    layout->addWidget(m_pArrowsBySpeed);
    layout->addSpacing(6);
    layout->addWidget(m_pDraw);
    layout->addStretch(1);

    connect(m_pDSepSpin, &CUpDown::deltaPos, this, &CControlBar::deltaPosDSep);
    connect(m_pDTestPercentSpin, &CUpDown::deltaPos, this, &CControlBar::deltaPosDTestPercent);
    // A click on a radio button reports its choice even when it was checked already.
    connect(m_pBackgroundGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == 0) emit backgroundSpeed();
        if (id == 1) emit backgroundPressure();
        if (id == 2) emit backgroundVorticity();
    });
    connect(m_pMethodGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == 0) emit methodEuler();
        if (id == 1) emit methodRK2();
        if (id == 2) emit methodRK4();
    });
    connect(m_pModeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (id == 0) emit modeStreamlines();
        if (id == 1) emit modeHedgehog();
    });
    connect(m_pArrowsBySpeed, &QCheckBox::clicked, this, &CControlBar::toggleArrowsBySpeed);
    connect(m_pDraw, &QPushButton::clicked, this, &CControlBar::drawClicked);
}

void CControlBar::ShowSettings(int nDSep, float fDTestPercent) {
    m_pDSepBox->setText(QString::number(nDSep));
    // Truncated towards zero; the handlers keep the percentage within 10..90.
    m_pDTestPercentBox->setText(QString::number(static_cast<int>(fDTestPercent)));
}

void CControlBar::ShowChoices(int nBackground, int nMethod, bool bHedgehog, bool bHedgehogBySpeed) {
    // Any background other than speed or pressure is drawn as vorticity, and so shown.
    BackgroundRadio(nBackground)->setChecked(true);
    if (QRadioButton* radio = MethodRadio(nMethod)) radio->setChecked(true);
    ModeRadio(bHedgehog)->setChecked(true);
    m_pArrowsBySpeed->setChecked(bHedgehogBySpeed);
}

QRadioButton* CControlBar::BackgroundRadio(int nBackground) const {
    const int id = nBackground == 0 || nBackground == 1 ? nBackground : 2;
    return static_cast<QRadioButton*>(m_pBackgroundGroup->button(id));
}

QRadioButton* CControlBar::MethodRadio(int nMethod) const {
    return static_cast<QRadioButton*>(m_pMethodGroup->button(nMethod));
}

QRadioButton* CControlBar::ModeRadio(bool bHedgehog) const {
    return static_cast<QRadioButton*>(m_pModeGroup->button(bHedgehog ? 1 : 0));
}
