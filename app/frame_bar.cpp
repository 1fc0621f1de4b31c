#include "app/frame_bar.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLocale>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "app/ui_texts.h"

namespace {

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

constexpr int kDefaultRate = 10;

}  // namespace

CFrameBar::CFrameBar(QWidget* parent) : QToolBar(Text(ui::kFrameBarTitle), parent) {
    setObjectName(QStringLiteral("frameBar"));
    setMovable(false);
    setFloatable(false);
    m_pPrevious = addAction(style()->standardIcon(QStyle::SP_MediaSeekBackward), Text(ui::kFramePrevious));
    m_pPrevious->setShortcut(QKeySequence(Qt::Key_PageUp));
    m_pPlay = addAction(style()->standardIcon(QStyle::SP_MediaPlay), Text(ui::kFramePlay));
    m_pPlay->setCheckable(true);
    m_pPlay->setShortcut(QKeySequence(Qt::Key_Space));
    m_pNext = addAction(style()->standardIcon(QStyle::SP_MediaSeekForward), Text(ui::kFrameNext));
    m_pNext->setShortcut(QKeySequence(Qt::Key_PageDown));
    for (QAction* action : {m_pPrevious, m_pPlay, m_pNext}) action->setShortcutContext(Qt::WindowShortcut);

    m_pSlider = new QSlider(Qt::Horizontal, this);
    m_pSlider->setObjectName(QStringLiteral("frameSlider"));
    m_pSlider->setMinimumWidth(240);
    addWidget(m_pSlider);
    m_pNumber = new QLabel(this);
    m_pNumber->setObjectName(QStringLiteral("frameNumber"));
    addWidget(m_pNumber);
    addSeparator();
    addWidget(new QLabel(Text(ui::kFrameRate), this));
    m_pRate = new QSpinBox(this);
    m_pRate->setObjectName(QStringLiteral("frameRate"));
    m_pRate->setRange(1, 60);
    m_pRate->setValue(kDefaultRate);
    addWidget(m_pRate);
    addSeparator();
    m_pCoherent = new QCheckBox(Text(ui::kFrameCoherent), this);
    m_pCoherent->setObjectName(QStringLiteral("coherentLines"));
    m_pCoherent->setToolTip(Text(ui::kFrameCoherentTip));
    addWidget(m_pCoherent);
    connect(m_pCoherent, &QCheckBox::toggled, this, &CFrameBar::coherentChosen);
    m_pRange = new QCheckBox(Text(ui::kFrameRange), this);
    m_pRange->setObjectName(QStringLiteral("rangePerFrame"));
    m_pRange->setStatusTip(Text(ui::kPromptFrameRange.status));
    m_pRange->setToolTip(Text(ui::kPromptFrameRange.tip));
    addWidget(m_pRange);
    connect(m_pRange, &QCheckBox::toggled, this, &CFrameBar::frameRangeChosen);

    m_pTimer = new QTimer(this);
    connect(m_pTimer, &QTimer::timeout, this, [this] { Choose((Frame() + 1) % m_count); });
    connect(m_pRate, &QSpinBox::valueChanged, this, [this](int rate) { m_pTimer->setInterval(1000 / rate); });
    m_pTimer->setInterval(1000 / kDefaultRate);
    connect(m_pPlay, &QAction::toggled, this, [this](bool play) {
        m_pPlay->setIcon(style()->standardIcon(play ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
        if (play) {
            m_pTimer->start();
        } else {
            m_pTimer->stop();
        }
    });
    connect(m_pPrevious, &QAction::triggered, this, [this] { Choose((Frame() + m_count - 1) % m_count); });
    connect(m_pNext, &QAction::triggered, this, [this] { Choose((Frame() + 1) % m_count); });
    connect(m_pSlider, &QSlider::valueChanged, this, [this](int frame) {
        ShowNumber();
        emit frameChosen(frame);
    });
    SetFrameCount(1);
}

void CFrameBar::SetFrameCount(int count) {
    m_count = std::max(count, 1);
    m_pPlay->setChecked(false);
    const QSignalBlocker quiet(m_pSlider);
    m_pSlider->setRange(0, m_count - 1);
    m_pSlider->setValue(0);
    ShowNumber();
    setVisible(m_count > 1);
    for (QAction* action : {m_pPrevious, m_pPlay, m_pNext}) action->setEnabled(m_count > 1);
    // A single field spans its own values whatever the choice says.
    m_pRange->setEnabled(m_count > 1);
}

void CFrameBar::ShowFrameRange(bool eachFrame) {
    const QSignalBlocker quiet(m_pRange);
    m_pRange->setChecked(eachFrame);
}

void CFrameBar::ShowCoherent(bool on) {
    const QSignalBlocker quiet(m_pCoherent);
    m_pCoherent->setChecked(on);
}

int CFrameBar::Frame() const {
    return m_pSlider->value();
}

bool CFrameBar::Playing() const {
    return m_pPlay->isChecked();
}

void CFrameBar::Choose(int frame) {
    m_pSlider->setValue(frame);
}

void CFrameBar::ShowNumber() {
    m_pNumber->setText(Text(ui::kFrameNumber).arg(Frame() + 1).arg(m_count));
}

QString FrameStatusText(std::size_t shown, std::size_t count, std::optional<double> time) {
    QString text = QStringLiteral("Bild %1 von %2").arg(shown + 1).arg(count);
    if (time) text += QStringLiteral(", t = ") + QLocale(QLocale::German).toString(*time, 'g', 6);
    return text;
}
