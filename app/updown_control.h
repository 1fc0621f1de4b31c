#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons without a value of its own. Each step reports a delta the way the
// platform's classic up-down control does: the up arrow -1, the down arrow +1. Holding a
// button repeats; with focus, the Up and Down keys step as well.
class CUpDown : public QWidget {
    Q_OBJECT
public:
    explicit CUpDown(QWidget* parent = nullptr);
    QToolButton* UpButton() const { return m_pUp; }
    QToolButton* DownButton() const { return m_pDown; }

signals:
    void deltaPos(int iDelta);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QToolButton* m_pUp;
    QToolButton* m_pDown;
};
