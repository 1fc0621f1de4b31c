#include "app/control_bar.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <span>

#include "app/tesmora_view.h"
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

// One radio button of a group: its text and name, the setting's value it stands for (the
// group's id), and the view's handler that stores it.
struct Choice {
    const char* text;
    const char* name;
    int id;
    void (CTesmoraView::*handler)();
    const ui::Prompt& prompt;
};

// The control tells in the status bar what it does while the pointer rests on it, and in its
// tool tip, as the tool bar's buttons do.
void Explain(QWidget* control, const ui::Prompt& prompt) {
    control->setStatusTip(Text(prompt.status));
    control->setToolTip(Text(prompt.tip));
}

constexpr Choice kBackgroundChoices[] = {
    {ui::kBgSpeed, "radioSpeed", kBackgroundSpeed, &CTesmoraView::OnBackgroundSpeed, ui::kPromptBgSpeed},
    {ui::kBgPressure, "radioPressure", kBackgroundPressure, &CTesmoraView::OnBackgroundPressure,
     ui::kPromptBgPressure},
    {ui::kBgVorticity, "radioVorticity", kBackgroundVorticity, &CTesmoraView::OnBackgroundVorticity,
     ui::kPromptBgVorticity},
};
constexpr Choice kMethodChoices[] = {
    {ui::kEuler, "radioEuler", kMethodEuler, &CTesmoraView::OnMethodEuler, ui::kPromptEuler},
    {ui::kRK2, "radioRK2", kMethodRK2, &CTesmoraView::OnMethodRK2, ui::kPromptRK2},
    {ui::kRK4, "radioRK4", kMethodRK4, &CTesmoraView::OnMethodRK4, ui::kPromptRK4},
};
// The entries of the step's list; their ids are the length in quarter pixels, 0 for the time
// step.
constexpr Choice kStepChoices[] = {
    {ui::kStepTime, "stepTime", 0, &CTesmoraView::OnStepTime, ui::kPromptStepTime},
    {ui::kStepHalfPixel, "stepHalfPixel", 2, &CTesmoraView::OnStepHalfPixel, ui::kPromptStepPixels},
    {ui::kStepOnePixel, "stepOnePixel", 4, &CTesmoraView::OnStepOnePixel, ui::kPromptStepPixels},
    {ui::kStepTwoPixels, "stepTwoPixels", 8, &CTesmoraView::OnStepTwoPixels, ui::kPromptStepPixels},
};
constexpr int kQuarterPixels = 4;

constexpr Choice kModeChoices[] = {
    {ui::kStreamline, "radioStreamline", 0, &CTesmoraView::OnModeStreamlines, ui::kPromptStreamline},
    {ui::kHedgehog, "radioHedgehog", 1, &CTesmoraView::OnModeHedgehog, ui::kPromptHedgehog},
};

}  // namespace

CControlBar::CControlBar(QWidget* parent)
    : QWidget(parent),
      m_pDSepBox(MakeValueBox(this, "dsepBox")),
      m_pDSepSpin(new CUpDown(this)),
      m_pDTestPercentBox(MakeValueBox(this, "dtestPercentBox")),
      m_pDTestPercentSpin(new CUpDown(this)),
      m_pBackgroundGroup(new QButtonGroup(this)),
      m_pMethodGroup(new QButtonGroup(this)),
      m_pStep(new QComboBox(this)),
      m_pFinePlacement(new QCheckBox(Text(ui::kFinePlacement), this)),
      m_pModeGroup(new QButtonGroup(this)),
      m_pArrowsBySpeed(new QCheckBox(Text(ui::kArrowsBySpeed), this)),
      m_pDraw(new QPushButton(Text(ui::kDraw), this)) {
    setObjectName(QStringLiteral("controlBar"));
    m_pDSepSpin->setObjectName(QStringLiteral("dsepSpin"));
    m_pDTestPercentSpin->setObjectName(QStringLiteral("dtestPercentSpin"));
    m_pArrowsBySpeed->setObjectName(QStringLiteral("arrowsBySpeed"));
    m_pStep->setObjectName(QStringLiteral("stepBox"));
    m_pFinePlacement->setObjectName(QStringLiteral("finePlacement"));
    m_pDraw->setObjectName(QStringLiteral("drawButton"));

    // Two halves side by side, or one above the other where the window is too narrow for both:
    // each control keeps its whole text.
    m_pRows = new QBoxLayout(QBoxLayout::LeftToRight, this);
    m_pRows->setContentsMargins(4, 1, 4, 1);
    m_pRows->setSpacing(4);
    QHBoxLayout* layout = nullptr;
    const auto startHalf = [&] {
        auto* half = new QWidget(this);
        layout = new QHBoxLayout(half);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(4);
        m_pRows->addWidget(half);
        m_halves.push_back(half);
    };
    startHalf();

    layout->addWidget(new QLabel(Text(ui::kDSep), this));
    layout->addWidget(m_pDSepBox);
    layout->addWidget(m_pDSepSpin);
    layout->addSpacing(6);
    layout->addWidget(new QLabel(Text(ui::kDTestPercent), this));
    layout->addWidget(m_pDTestPercentBox);
    layout->addWidget(m_pDTestPercentSpin);
    layout->addSpacing(6);

    // Each group in its frame, with a title of its own where it has one; every button is
    // remembered with its handler for ConnectTo.
    auto addGroup = [&](QButtonGroup* group, const char* title, std::span<const Choice> choices) {
        QHBoxLayout* row = nullptr;
        QGroupBox* frame = MakeFrame(this, row);
        if (title) row->addWidget(new QLabel(Text(title), frame));
        for (const Choice& c : choices) {
            QRadioButton* radio = AddRadio(frame, row, group, c.text, c.name, c.id);
            Explain(radio, c.prompt);
            m_choices.emplace_back(radio, c.handler);
        }
        layout->addWidget(frame);
    };
    addGroup(m_pBackgroundGroup, ui::kBackground, kBackgroundChoices);
    addGroup(m_pMethodGroup, ui::kMethod, kMethodChoices);
    layout->addStretch(1);
    startHalf();
    // The step beside the method, as a list: four more radio buttons would push Draw off a
    // screen 1280 pixels wide.
    {
        QHBoxLayout* row = nullptr;
        QGroupBox* frame = MakeFrame(this, row);
        row->addWidget(new QLabel(Text(ui::kStep), frame));
        m_pStep->setParent(frame);
        Explain(m_pStep, ui::kPromptStep);
        // Each entry tells what it does in the list, the pixel steps with their own length.
        const QLocale german(QLocale::German);
        const auto withLength = [&german](const char* text, int quarters) {
            const QString t = Text(text);
            return t.contains(QLatin1String("%1"))
                       ? t.arg(german.toString(static_cast<double>(quarters) / kQuarterPixels))
                       : t;
        };
        for (const Choice& c : kStepChoices) {
            m_pStep->addItem(Text(c.text), c.id);
            const int item = m_pStep->count() - 1;
            m_pStep->setItemData(item, withLength(c.prompt.tip, c.id), Qt::ToolTipRole);
            m_pStep->setItemData(item, withLength(c.prompt.status, c.id), Qt::StatusTipRole);
            m_stepHandlers.push_back(c.handler);
        }
        row->addWidget(m_pStep);
        // The placement beside the step: both decide how the next Draw traces.
        m_pFinePlacement->setParent(frame);
        Explain(m_pFinePlacement, ui::kPromptFinePlacement);
        row->addWidget(m_pFinePlacement);
        m_choices.emplace_back(m_pFinePlacement, &CTesmoraView::OnToggleFinePlacement);
        layout->addWidget(frame);
    }
    addGroup(m_pModeGroup, nullptr, kModeChoices);
    m_choices.emplace_back(m_pArrowsBySpeed, &CTesmoraView::OnToggleArrowsBySpeed);

    layout->addWidget(m_pArrowsBySpeed);
    layout->addSpacing(6);
    layout->addWidget(m_pDraw);
    layout->addStretch(1);
    m_pRows->addStretch(1);

    for (QWidget* control : {static_cast<QWidget*>(m_pDSepBox), static_cast<QWidget*>(m_pDSepSpin)})
        Explain(control, ui::kPromptDSep);
    for (QWidget* control :
         {static_cast<QWidget*>(m_pDTestPercentBox), static_cast<QWidget*>(m_pDTestPercentSpin)})
        Explain(control, ui::kPromptDTestPercent);
    Explain(m_pArrowsBySpeed, ui::kPromptArrowsBySpeed);
    Explain(m_pDraw, ui::kPromptDraw);
}

void CControlBar::ConnectTo(CTesmoraView* view) {
    connect(m_pDSepSpin, &CUpDown::deltaPos, view, &CTesmoraView::OnDeltaPosDSep);
    connect(m_pDTestPercentSpin, &CUpDown::deltaPos, view, &CTesmoraView::OnDeltaPosDTestPercent);
    // A click on a radio button calls its handler even when it was checked already.
    for (const auto& [button, handler] : m_choices) connect(button, &QAbstractButton::clicked, view, handler);
    // An entry chosen by the user, even the one shown already; not one that ShowChoices sets.
    connect(m_pStep, &QComboBox::activated, view, [this, view](int index) {
        if (index >= 0 && static_cast<std::size_t>(index) < m_stepHandlers.size())
            (view->*m_stepHandlers[static_cast<std::size_t>(index)])();
    });
    connect(m_pDraw, &QPushButton::clicked, view, &CTesmoraView::OnDrawButton);
}

int CControlBar::OneRowWidth() const {
    const QMargins margins = m_pRows->contentsMargins();
    int width = margins.left() + margins.right() + m_pRows->spacing();
    for (const QWidget* half : m_halves) width += half->sizeHint().width();
    return width;
}

void CControlBar::FitWidth(int width) {
    const bool twoRows = width < OneRowWidth();
    m_pRows->setDirection(twoRows ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
}

QSize CControlBar::minimumSizeHint() const {
    // As narrow as two rows are, so that the window can be made narrower than one row and the
    // bar then wraps, rather than the window refusing to shrink.
    const QMargins margins = m_pRows->contentsMargins();
    int width = 0, height = margins.top() + margins.bottom() + m_pRows->spacing();
    for (const QWidget* half : m_halves) {
        width = std::max(width, half->minimumSizeHint().width());
        height += half->minimumSizeHint().height();
    }
    return {width + margins.left() + margins.right(), height};
}

bool CControlBar::InTwoRows() const {
    return m_pRows->direction() == QBoxLayout::TopToBottom;
}

void CControlBar::ShowSettings(int nDSep, float fDTestPercent) {
    m_pDSepBox->setText(QString::number(nDSep));
    // Truncated towards zero; the handlers keep the percentage within 10..90.
    m_pDTestPercentBox->setText(QString::number(static_cast<int>(fDTestPercent)));
}

void CControlBar::ShowChoices(const DrawSettings& settings) {
    // Any background other than speed or pressure is drawn as vorticity, and so shown.
    BackgroundRadio(settings.background)->setChecked(true);
    if (QRadioButton* radio = MethodRadio(settings.method)) radio->setChecked(true);
    if (const int index = StepIndex(settings.stepPixels); index >= 0) m_pStep->setCurrentIndex(index);
    ModeRadio(settings.hedgehog)->setChecked(true);
    m_pArrowsBySpeed->setChecked(settings.arrowsBySpeed);
    m_pFinePlacement->setChecked(settings.placement == kPlacementFine);
}

QRadioButton* CControlBar::BackgroundRadio(int nBackground) const {
    const int id = nBackground == kBackgroundSpeed || nBackground == kBackgroundPressure
                       ? nBackground
                       : kBackgroundVorticity;
    return static_cast<QRadioButton*>(m_pBackgroundGroup->button(id));
}

QRadioButton* CControlBar::MethodRadio(int nMethod) const {
    return static_cast<QRadioButton*>(m_pMethodGroup->button(nMethod));
}

int CControlBar::StepIndex(float fStepPixels) const {
    // The time step for every length that is not positive, as the tracing decides.
    const float quarters = fStepPixels > 0.0f ? fStepPixels * kQuarterPixels : 0.0f;
    if (!(quarters <= 64.0f) || quarters != std::floor(quarters)) return -1;
    return m_pStep->findData(static_cast<int>(quarters));
}

QRadioButton* CControlBar::ModeRadio(bool bHedgehog) const {
    return static_cast<QRadioButton*>(m_pModeGroup->button(bHedgehog ? 1 : 0));
}
