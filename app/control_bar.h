#pragma once

#include <QWidget>
#include <utility>
#include <vector>

#include "base/draw_settings.h"

class QAbstractButton;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class CTesmoraView;
class CUpDown;

// The band of settings below the tool bar: the two distances with their arrows, the
// background, the integration method, its step and the placement, streamlines or arrows,
// arrow scaling and Draw.
// It holds no settings itself: each control is tied to the view's handler for it, and it
// shows what it is told.
class CControlBar : public QWidget {
    Q_OBJECT
public:
    explicit CControlBar(QWidget* parent = nullptr);

    // The two read-only boxes: the separating distance and the truncated percentage.
    void ShowSettings(int nDSep, float fDTestPercent);
    // Checks the radio buttons and the check box that match the settings in force.
    void ShowChoices(const DrawSettings& settings);
    // Ties every control to the handler of VIEW that carries out what it asks for.
    void ConnectTo(CTesmoraView* view);
    // The controls in one row where WIDTH pixels take them, else in two; and the width one row
    // needs.
    void FitWidth(int width);
    int OneRowWidth() const;
    bool InTwoRows() const;
    QSize minimumSizeHint() const override;

    QLineEdit* DSepBox() const { return m_pDSepBox; }
    QLineEdit* DTestPercentBox() const { return m_pDTestPercentBox; }
    CUpDown* DSepSpin() const { return m_pDSepSpin; }
    CUpDown* DTestPercentSpin() const { return m_pDTestPercentSpin; }
    QRadioButton* BackgroundRadio(int nBackground) const;
    QRadioButton* MethodRadio(int nMethod) const;
    // The list of steps, and the entry in it of a length in pixels (0 for the time step); -1
    // for a length the bar does not offer.
    QComboBox* StepBox() const { return m_pStep; }
    int StepIndex(float fStepPixels) const;
    QRadioButton* ModeRadio(bool bHedgehog) const;
    QCheckBox* ArrowsBySpeedBox() const { return m_pArrowsBySpeed; }
    QCheckBox* FinePlacementBox() const { return m_pFinePlacement; }
    QPushButton* DrawButton() const { return m_pDraw; }

private:
    QBoxLayout* m_pRows = nullptr;
    std::vector<QWidget*> m_halves;
    QLineEdit* m_pDSepBox;
    CUpDown* m_pDSepSpin;
    QLineEdit* m_pDTestPercentBox;
    CUpDown* m_pDTestPercentSpin;
    QButtonGroup* m_pBackgroundGroup;
    QButtonGroup* m_pMethodGroup;
    QComboBox* m_pStep;
    QCheckBox* m_pFinePlacement;
    QButtonGroup* m_pModeGroup;
    QCheckBox* m_pArrowsBySpeed;
    QPushButton* m_pDraw;
    // Each radio button and the check box with the view's handler it calls when clicked.
    std::vector<std::pair<QAbstractButton*, void (CTesmoraView::*)()>> m_choices;
    // The view's handler of each entry of the step's list, in the list's order.
    std::vector<void (CTesmoraView::*)()> m_stepHandlers;
};
