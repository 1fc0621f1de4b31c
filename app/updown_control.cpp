#include "app/updown_control.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(18, 11);
    return button;
}

}  // namespace

CUpDown::CUpDown(QWidget* parent)
    : QWidget(parent), m_pUp(MakeArrow(this, Qt::UpArrow)), m_pDown(MakeArrow(this, Qt::DownArrow)) {
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_pUp);
    layout->addWidget(m_pDown);
    connect(m_pUp, &QToolButton::clicked, this, [this] { emit deltaPos(-1); });
    connect(m_pDown, &QToolButton::clicked, this, [this] { emit deltaPos(1); });
}

void CUpDown::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up) {
        emit deltaPos(-1);
    } else if (event->key() == Qt::Key_Down) {
        emit deltaPos(1);
    } else {
        QWidget::keyPressEvent(event);
    }
}
