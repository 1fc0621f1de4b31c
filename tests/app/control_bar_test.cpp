// The control bar as a user meets it: the values it shows, the arrows and their bounds, and
// which choices repaint.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "app/updown_control.h"
#include "tests/app/app_harness.h"

using apptest::AppHarness;

namespace {

QString DSepText(AppHarness& h) {
    return h.Bar().DSepBox()->text();
}
QString PercentText(AppHarness& h) {
    return h.Bar().DTestPercentBox()->text();
}

}  // namespace

// The bar as it starts, one viewer for both cases.
class ControlBarAtStart : public apptest::SharedViewer {};

TEST_F(ControlBarAtStart, StartsWithTheSettingsInForce) {
    AppHarness& h = Viewer();
    EXPECT_EQ(DSepText(h), "10");
    EXPECT_EQ(PercentText(h), "50");
    EXPECT_TRUE(h.Bar().DSepBox()->isReadOnly());
    EXPECT_TRUE(h.Bar().DTestPercentBox()->isReadOnly());
    // Speed background, second-order Runge-Kutta and streamlines are in force, and shown.
    EXPECT_TRUE(h.Bar().BackgroundRadio(0)->isChecked());
    EXPECT_TRUE(h.Bar().MethodRadio(1)->isChecked());
    EXPECT_TRUE(h.Bar().ModeRadio(false)->isChecked());
    EXPECT_FALSE(h.Bar().ArrowsBySpeedBox()->isChecked());
    EXPECT_EQ(h.Bar().BackgroundRadio(0)->text(), "Vel");
    EXPECT_EQ(h.Bar().BackgroundRadio(1)->text(), "Pres");
    EXPECT_EQ(h.Bar().BackgroundRadio(2)->text(), "Vort");
    EXPECT_EQ(h.Bar().MethodRadio(0)->text(), "Euler");
    EXPECT_EQ(h.Bar().MethodRadio(2)->text(), "RK4");
    EXPECT_EQ(h.Bar().ModeRadio(true)->text(), "Hedgehog");
    EXPECT_EQ(h.Bar().ArrowsBySpeedBox()->text(), "Vel");
    EXPECT_EQ(h.Bar().DrawButton()->text(), "Draw");
}

TEST(ControlBar, DSepArrowsStepByOneWithinFiveToTwenty) {
    AppHarness h;
    CUpDown* spin = h.Bar().DSepSpin();
    h.ClickSpin(spin, true);
    AppHarness::Settle();
    EXPECT_EQ(DSepText(h), "11");
    EXPECT_EQ(h.Scene().m_nDSep, 11);

    for (int i = 0; i < 12; ++i) h.ClickSpin(spin, true);
    AppHarness::Settle();
    EXPECT_EQ(DSepText(h), "20");
    // At the bound a click changes nothing and asks for no paint.
    const int paints = h.View().PaintCount();
    h.ClickSpin(spin, true);
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().m_nDSep, 20);
    EXPECT_EQ(h.View().PaintCount(), paints);

    for (int i = 0; i < 20; ++i) h.ClickSpin(spin, false);
    AppHarness::Settle();
    EXPECT_EQ(DSepText(h), "5");
    EXPECT_EQ(h.Scene().m_nDSep, 5);
}

TEST(ControlBar, PercentArrowsMoveInTensWithinTenToNinety) {
    AppHarness h;
    CUpDown* spin = h.Bar().DTestPercentSpin();
    h.ClickSpin(spin, true);
    AppHarness::Settle();
    EXPECT_EQ(PercentText(h), "60");
    EXPECT_FLOAT_EQ(h.Scene().m_fDTest, 6.0f);
    for (const char* expected : {"70", "80", "90", "90"}) {
        h.ClickSpin(spin, true);
        AppHarness::Settle();
        EXPECT_EQ(PercentText(h), expected);
    }
    for (int i = 0; i < 9; ++i) h.ClickSpin(spin, false);
    AppHarness::Settle();
    EXPECT_EQ(PercentText(h), "10");
    EXPECT_FLOAT_EQ(h.Scene().m_fDTestPercent, 10.0f);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTest, 1.0f);
}

TEST(ControlBar, TestDistanceFollowsTheSeparatingDistance) {
    AppHarness h;
    h.ClickSpin(h.Bar().DSepSpin(), true);
    h.ClickSpin(h.Bar().DSepSpin(), true);
    AppHarness::Settle();
    // 12 pixels at 50 percent: the box and the distance used agree at once.
    EXPECT_EQ(h.Scene().m_fDTest, 12.0f * 50.0f * 0.01f);
    h.ClickSpin(h.Bar().DTestPercentSpin(), true);
    AppHarness::Settle();
    EXPECT_EQ(h.Scene().m_fDTest, 12.0f * 60.0f * 0.01f);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTest, 7.2f);
}

TEST(ControlBar, SpinHandlersIgnoreStepsThatLeaveTheRange) {
    AppHarness h;
    // Holding an arrow can report larger steps; the same bounds hold for the result.
    EXPECT_EQ(h.View().OnDeltaPosDSep(-10), 0);
    EXPECT_EQ(h.Scene().m_nDSep, 20);
    EXPECT_EQ(h.View().OnDeltaPosDSep(-1), 0);
    EXPECT_EQ(h.Scene().m_nDSep, 20);
    EXPECT_EQ(h.View().OnDeltaPosDSep(16), 0);
    EXPECT_EQ(h.Scene().m_nDSep, 20);
    EXPECT_EQ(h.View().OnDeltaPosDSep(15), 0);
    EXPECT_EQ(h.Scene().m_nDSep, 5);
    EXPECT_EQ(h.View().OnDeltaPosDTestPercent(-5), 0);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTestPercent, 50.0f);
    EXPECT_EQ(h.View().OnDeltaPosDTestPercent(-4), 0);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTestPercent, 90.0f);
    EXPECT_EQ(h.View().OnDeltaPosDTestPercent(2147483647), 0);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTestPercent, 90.0f);
    EXPECT_EQ(h.View().OnDeltaPosDSep(-2147483647 - 1), 0);
    EXPECT_EQ(h.Scene().m_nDSep, 5);
    AppHarness::Settle();
    EXPECT_EQ(DSepText(h), "5");
    EXPECT_EQ(PercentText(h), "90");
}

TEST(ControlBar, ArrowKeysStepAFocusedSpin) {
    AppHarness h;
    CUpDown* spin = h.Bar().DSepSpin();
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Up);
    QTest::keyClick(spin, Qt::Key_Down);
    AppHarness::Settle();
    EXPECT_EQ(DSepText(h), "11");
}

// Background and method wait for Draw; streamlines or arrows and their scaling only need a
// paint, which they ask for.
TEST(ControlBar, ChoicesStoreTheirSetting) {
    AppHarness h;
    AppHarness::Settle();
    const int paints = h.View().PaintCount();
    QTest::mouseClick(h.Bar().BackgroundRadio(1), Qt::LeftButton);
    EXPECT_EQ(h.Scene().m_nBackground, 1);
    QTest::mouseClick(h.Bar().BackgroundRadio(2), Qt::LeftButton);
    EXPECT_EQ(h.Scene().m_nBackground, 2);
    QTest::mouseClick(h.Bar().MethodRadio(0), Qt::LeftButton);
    EXPECT_EQ(h.Scene().m_nMethod, 0);
    QTest::mouseClick(h.Bar().MethodRadio(2), Qt::LeftButton);
    EXPECT_EQ(h.Scene().m_nMethod, 2);
    AppHarness::Settle();
    EXPECT_EQ(h.View().PaintCount(), paints);
    QTest::mouseClick(h.Bar().ModeRadio(true), Qt::LeftButton);
    EXPECT_TRUE(h.Scene().m_bHedgehog);
    QTest::mouseClick(h.Bar().ArrowsBySpeedBox(), Qt::LeftButton);
    EXPECT_TRUE(h.Scene().m_bHedgehogBySpeed);
    QTest::mouseClick(h.Bar().ArrowsBySpeedBox(), Qt::LeftButton);
    EXPECT_FALSE(h.Scene().m_bHedgehogBySpeed);
    QTest::mouseClick(h.Bar().ModeRadio(false), Qt::LeftButton);
    EXPECT_FALSE(h.Scene().m_bHedgehog);
    // The same choice again is stored again, harmlessly.
    QTest::mouseClick(h.Bar().MethodRadio(2), Qt::LeftButton);
    EXPECT_EQ(h.Scene().m_nMethod, 2);
    EXPECT_TRUE(h.Bar().MethodRadio(2)->isChecked());
    EXPECT_FALSE(h.Bar().MethodRadio(1)->isChecked());
    AppHarness::Settle();
    EXPECT_GT(h.View().PaintCount(), paints);
    // Nothing of this reached the distances.
    EXPECT_EQ(h.Scene().m_nDSep, 10);
    EXPECT_FLOAT_EQ(h.Scene().m_fDTest, 5.0f);
}

TEST(ControlBar, StepListStoresTheStepShowsItAndSaysWhatItDoes) {
    AppHarness h;
    AppHarness::Settle();
    const int paints = h.View().PaintCount();
    QComboBox* box = h.Bar().StepBox();
    EXPECT_EQ(box->currentIndex(), h.Bar().StepIndex(0.0f)) << "the time step, as before";
    EXPECT_EQ(box->currentText(), "0,1");
    ASSERT_EQ(box->count(), 4);
    // Chosen with the keys as with the mouse: each entry stores its step.
    box->setFocus();
    const float steps[] = {0.5f, 1.0f, 2.0f};
    for (const float step : steps) {
        QTest::keyClick(box, Qt::Key_Down);
        EXPECT_EQ(h.Scene().m_modes.stepPixels, step) << box->currentText().toStdString();
    }
    EXPECT_EQ(box->currentText(), "2 px");
    for (int i = 0; i < 3; ++i) QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(h.Scene().m_modes.stepPixels, 0.0f);
    EXPECT_EQ(box->itemText(h.Bar().StepIndex(0.5f)), "0,5 px");
    EXPECT_EQ(box->itemText(h.Bar().StepIndex(1.0f)), "1 px");
    EXPECT_TRUE(box->itemData(h.Bar().StepIndex(0.5f), Qt::ToolTipRole)
                    .toString()
                    .contains("0,5 Bildpunkte entlang der Strömung"));
    EXPECT_TRUE(box->itemData(0, Qt::ToolTipRole).toString().contains("Zeitschritt 0,1"));
    EXPECT_TRUE(box->statusTip().contains("nächsten Zeichnen oder Öffnen"));
    // Lengths the bar does not offer have no entry; any that is not positive is the time step.
    EXPECT_EQ(h.Bar().StepIndex(0.3f), -1);
    EXPECT_EQ(h.Bar().StepIndex(-1.0f), h.Bar().StepIndex(0.0f));
    // The bar shows a step set elsewhere, and showing it stores nothing.
    DrawSettings settings;
    settings.stepPixels = 2.0f;
    h.Bar().ShowChoices(settings);
    EXPECT_EQ(box->currentText(), "2 px");
    EXPECT_EQ(h.Scene().m_modes.stepPixels, 0.0f);
    AppHarness::Settle();
    EXPECT_EQ(h.View().PaintCount(), paints) << "the step shows at the next Draw";
}

TEST(ControlBar, FinePlacementBoxStoresThePlacementAndShowsIt) {
    AppHarness h;
    AppHarness::Settle();
    const int paints = h.View().PaintCount();
    QCheckBox* box = h.Bar().FinePlacementBox();
    EXPECT_FALSE(box->isChecked()) << "the standard placement is the default";
    EXPECT_EQ(box->text(), "gleichmäßig (fein)");
    EXPECT_TRUE(box->statusTip().contains("nächsten Zeichnen oder Öffnen"));
    EXPECT_FALSE(box->toolTip().isEmpty());
    for (const std::int32_t expected : {kPlacementFine, kPlacementStandard, kPlacementFine}) {
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_EQ(h.Scene().m_modes.placement, expected);
        EXPECT_EQ(box->isChecked(), expected == kPlacementFine);
    }
    DrawSettings settings;
    h.Bar().ShowChoices(settings);
    EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(h.Scene().m_modes.placement, kPlacementFine) << "showing stores nothing";
    AppHarness::Settle();
    EXPECT_EQ(h.View().PaintCount(), paints) << "the placement shows at the next Draw";
}

TEST(ControlBar, DrawWithoutDataRepaintsTheBlackView) {
    AppHarness h;
    const int paints = h.View().PaintCount();
    QTest::mouseClick(h.Bar().DrawButton(), Qt::LeftButton);
    AppHarness::Settle();
    EXPECT_GT(h.View().PaintCount(), paints);
    EXPECT_FALSE(h.Scene().HasDataSet());
    const QImage frame = h.Paint();
    int lit = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            lit += apptest::IsBlack(picturekit::ToRgb(frame.pixel(x, y))) ? 0 : 1;
    EXPECT_EQ(lit, 0);
}

// Every control says what it does, in the status bar and in its tool tip, in German.
TEST_F(ControlBarAtStart, EveryControlExplainsItself) {
    AppHarness& h = Viewer();
    int explained = 0;
    for (QWidget* control : h.Bar().findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(control) && !qobject_cast<QLineEdit*>(control) &&
            !qobject_cast<CUpDown*>(control) && !qobject_cast<QComboBox*>(control))
            continue;
        if (qobject_cast<QToolButton*>(control)) continue;  // the arrows inside a spin pair
        EXPECT_FALSE(control->statusTip().isEmpty()) << control->objectName().toStdString();
        EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
        ++explained;
    }
    EXPECT_GE(explained, 15);
    EXPECT_TRUE(h.Bar().DSepSpin()->statusTip().contains("Pixeln"));
    EXPECT_TRUE(h.Bar().DTestPercentBox()->statusTip().contains("Prozent von d_sep"));
    EXPECT_TRUE(h.Bar().ArrowsBySpeedBox()->toolTip().contains("Geschwindigkeit"));
}
