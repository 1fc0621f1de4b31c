#pragma once

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CUpDown;

// The band of settings below the tool bar: the two distances with their arrows, the
// background, the integration method, streamlines or arrows, arrow scaling and Draw.
// It holds no settings itself; it reports what the user does and shows what it is told.
class CControlBar : public QWidget {
    Q_OBJECT
public:
    explicit CControlBar(QWidget* parent = nullptr);

    // The two read-only boxes: the separating distance and the truncated percentage.
    void ShowSettings(int nDSep, float fDTestPercent);
    // Checks the radio buttons and the check box that match the settings in force.
    void ShowChoices(int nBackground, int nMethod, bool bHedgehog, bool bHedgehogBySpeed);

    QLineEdit* DSepBox() const { return m_pDSepBox; }
    QLineEdit* DTestPercentBox() const { return m_pDTestPercentBox; }
    CUpDown* DSepSpin() const { return m_pDSepSpin; }
    CUpDown* DTestPercentSpin() const { return m_pDTestPercentSpin; }
    QRadioButton* BackgroundRadio(int nBackground) const;
    QRadioButton* MethodRadio(int nMethod) const;
    QRadioButton* ModeRadio(bool bHedgehog) const;
    QCheckBox* ArrowsBySpeedBox() const { return m_pArrowsBySpeed; }
    QPushButton* DrawButton() const { return m_pDraw; }

signals:
    void deltaPosDSep(int iDelta);
    void deltaPosDTestPercent(int iDelta);
    void backgroundSpeed();
    void backgroundPressure();
    void backgroundVorticity();
    void methodEuler();
    void methodRK2();
    void methodRK4();
    void modeStreamlines();
    void modeHedgehog();
    void toggleArrowsBySpeed();
    void drawClicked();

private:
    QLineEdit* m_pDSepBox;
    CUpDown* m_pDSepSpin;
    QLineEdit* m_pDTestPercentBox;
    CUpDown* m_pDTestPercentSpin;
    QButtonGroup* m_pBackgroundGroup;
    QButtonGroup* m_pMethodGroup;
    QButtonGroup* m_pModeGroup;
    QCheckBox* m_pArrowsBySpeed;
    QPushButton* m_pDraw;
};
